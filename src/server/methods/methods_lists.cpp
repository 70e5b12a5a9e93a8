// getPEDCREDCONS, getPEDICREDFAMI and getConsumidor: the lists the screens show.

#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/text.h"
#include "server/methods/filter_args.h"
#include "server/methods/methods_internal.h"
#include "server/methods/selection.h"
#include "server/storage/record_fill.h"
#include "server/storage/stored_values.h"

namespace confcred::server::methods {

namespace {

using dataset::DataPacket;
namespace records = dataset::records;

// The WHERE clause of an OrderFilter over PEDCREDCONS P, with its values.
class OrderWhere {
  public:
    explicit OrderWhere(const OrderFilter& f) {
        from_ = storage::storedDateTime(f.firstDay);
        to_ = storage::storedDateTime(f.lastDay.addMs(platform::DateTime::kMsPerDay - 1));
        // The index on (DTPEDCRECONS, NRPEDCRECONS) hands the rows over in the
        // order the lists are sorted by, so even the everything-matches query
        // needs no sort (measured in docs/schema.md).
        sql_ = " WHERE P.DTPEDCRECONS BETWEEN ? AND ?";
        params_ = {std::string_view(from_), std::string_view(to_)};
        if (f.clients) {
            sql_ += " AND P.CDCLIENTE IN (" + inList(f.clients->size()) + ")";
            for (const auto& c : *f.clients)
                params_.push_back(std::string_view(c));
        }
        if (f.consumers) {
            if (f.consumers->empty()) {
                sql_ += " AND 1 = 0";
            } else {
                sql_ += " AND (P.CDCLIENTE, P.CDCONSUMIDOR) IN (VALUES ";
                for (std::size_t i = 0; i < f.consumers->size(); ++i)
                    sql_ += i ? ", (?, ?)" : "(?, ?)";
                sql_ += ")";
                for (const auto& k : *f.consumers) {
                    params_.push_back(std::string_view(k.client));
                    params_.push_back(std::string_view(k.consumer));
                }
            }
        }
        codes(" AND P.IDPEDCREEXTR IN (", f.situations);
        codes(" AND P.IDPEDCRECONT IN (", f.accounted);
        if (f.orderNumber) {
            sql_ += " AND P.NRPEDCRECONS = ?";
            params_.push_back(std::string_view(*f.orderNumber));
        }
        if (f.descriptionPattern) {
            sql_ += " AND P.DSSITCREBANC_BUSCA LIKE ? ESCAPE '\\'";
            params_.push_back(std::string_view(*f.descriptionPattern));
        }
    }

    // The values point into the object and the filter: neither copied nor moved.
    OrderWhere(const OrderWhere&) = delete;
    OrderWhere& operator=(const OrderWhere&) = delete;

    const std::string& sql() const { return sql_; }
    storage::SqlParams params() const { return params_; }

  private:
    static std::string inList(std::size_t n) { return n ? placeholders(n) : std::string("NULL"); }

    void codes(const char* head, const std::optional<std::string>& list) {
        if (!list)
            return;
        sql_ += head + inList(list->size()) + ")";
        for (const char& c : *list)
            params_.push_back(std::string_view(&c, 1));
    }

    std::string from_, to_;
    std::string sql_;
    std::vector<storage::SqlValue> params_;
};

// The list of `record` for the orders the eight filter arguments select:
// `head` is the statement up to its FROM and JOINs over PEDCREDCONS P, the
// filter adds its WHERE, `orderBy` sorts.
std::string filteredList(storage::Database& db, const Args& args, records::Record record,
                         std::string_view head, std::string_view orderBy,
                         std::vector<storage::DerivedField> derived = {}) {
    const OrderFilter filter = readOrderFilter(args);
    DataPacket packet(records::fieldDefs(record));
    db.read([&](storage::Session& s) {
        const OrderWhere where(filter);
        const std::string sql =
            std::string(head) + where.sql() + " ORDER BY " + std::string(orderBy);
        storage::RecordFill fill(packet, derived);
        s.query(sql, where.params(), [&](const storage::Row& r) { fill(r); });
    });
    return dataset::encodePacket(packet);
}

std::string orderList(storage::Database& db, const Args& args) {
    return filteredList(
        db, args, records::kOrder,
        "SELECT P.IDPEDCREEXTR, P.IDPEDCRECONT, P.NRBOLETO, P.NRPEDCRECONS, P.CDCLIENTE,"
        " P.CDCONSUMIDOR, P.VRPEDCRECONS_CENT, P.DTPEDCRECONS, P.DSSITCREBANC,"
        " C.NMCONSUMIDOR, C.NMRESPCONS, L.NMRAZSOCCLIE"
        " FROM PEDCREDCONS P"
        " JOIN CONSUMIDOR C ON C.CDCLIENTE = P.CDCLIENTE AND C.CDCONSUMIDOR = P.CDCONSUMIDOR"
        " JOIN CLIENTE L ON L.CDCLIENTE = P.CDCLIENTE",
        "P.DTPEDCRECONS, P.NRPEDCRECONS", {storage::DerivedField::fixed("IDCHECK", "N")});
}

std::string familyList(storage::Database& db, const Args& args) {
    return filteredList(db, args, records::kFamily,
                        "SELECT F.CDFAMILISALD, A.NMFAMILISALD, F.VRPEDCREFAMI_CENT, P.NRPEDCRECONS"
                        " FROM PEDCREDCONS P"
                        " JOIN PEDCREDFAMI F ON F.IDPEDCREDCONS = P.IDPEDCREDCONS"
                        " JOIN FAMILIASALDO A ON A.CDFAMILISALD = F.CDFAMILISALD",
                        "P.DTPEDCRECONS, P.NRPEDCRECONS, F.CDFAMILISALD");
}

std::string consumerList(storage::Database& db, const Args& args) {
    args.expectCount(3);
    const std::string& list = args.string(0);
    const std::string& marker = args.string(1);
    const std::string branch(platform::trimBlanks(args.text(2)));
    std::vector<std::string> clients;
    if (marker != "T") {
        if (!marker.empty())
            throw ArgumentError(
                "Argumento 2 de getConsumidor: use T para todos os clientes da "
                "filial ou deixe vazio para usar a lista de clientes.");
        try {
            clients = parseSelection(list);
        } catch (const SelectionError& e) {
            throw ArgumentError("Lista de clientes inválida (argumento 1 de getConsumidor): " +
                                std::string(e.what()));
        }
        if (clients.empty())
            throw ArgumentError(
                "Nenhum cliente informado para a pesquisa de consumidores: "
                "selecione clientes ou escolha Todos.");
        for (auto& c : clients)
            c = std::string(platform::trimBlanks(c));
    }
    DataPacket packet(records::fieldDefs(records::kConsumer));
    db.read([&](storage::Session& s) {
        std::string sql =
            "SELECT C.CDCONSUMIDOR, C.NMCONSUMIDOR, C.NMRESPCONS, C.CDCLIENTE FROM CONSUMIDOR C";
        std::vector<storage::SqlValue> params;
        if (marker == "T") {
            sql +=
                " WHERE C.CDCLIENTE IN (SELECT CF.CDCLIENTE FROM CLIENFILIAL CF"
                " WHERE CF.CDFILIAL = ?)";
            params.push_back(std::string_view(branch));
        } else {
            sql += " WHERE C.CDCLIENTE IN (" + placeholders(clients.size()) + ")";
            for (const auto& c : clients)
                params.push_back(std::string_view(c));
        }
        sql += " ORDER BY C.CDCLIENTE, C.CDCONSUMIDOR";
        storage::RecordFill fill(
            packet, {storage::DerivedField::fixed("IDMARCADO", "N"),
                     storage::DerivedField::combined("CHAVE", makeConsumerKey, "CDCLIENTE",
                                                     "CDCONSUMIDOR")});
        s.query(sql, params, [&](const storage::Row& r) { fill(r); });
    });
    return dataset::encodePacket(packet);
}

}  // namespace

void addListMethods(MethodTable& table, storage::Database& db) {
    table.add("getPEDCREDCONS",
              [&db](const Args& a, const CallContext&) { return orderList(db, a); });
    table.add("getPEDICREDFAMI",
              [&db](const Args& a, const CallContext&) { return familyList(db, a); });
    table.add("getConsumidor",
              [&db](const Args& a, const CallContext&) { return consumerList(db, a); });
}

}  // namespace confcred::server::methods
