// getPEDCREDCONS, getPEDICREDFAMI and getConsumidor: the lists the screens show.

#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/text.h"
#include "server/methods/filter_args.h"
#include "server/methods/methods_internal.h"
#include "server/methods/order_where.h"
#include "server/methods/selection.h"
#include "server/storage/daily_queries.h"
#include "server/storage/record_fill.h"
#include "server/storage/stored_values.h"

namespace confcred::server::methods {

namespace {

using dataset::DataPacket;
namespace records = dataset::records;

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
    return filteredList(db, args, records::kOrder, storage::queries::kOrderListHead,
                        storage::queries::kOrderListOrder,
                        {storage::DerivedField::fixed("IDCHECK", "N")});
}

std::string familyList(storage::Database& db, const Args& args) {
    return filteredList(db, args, records::kFamily, storage::queries::kFamilyListHead,
                        storage::queries::kFamilyListOrder);
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
