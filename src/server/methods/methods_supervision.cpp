// What a supervisor reads from the ledger: getHistoricoPedido (an order's
// events, from its creation by an import to every change of its situation,
// with who did it and whether the hash chain holds up to it) and
// getFechamento (the figures of a period per operator, per client and per
// day, closed by the chain's head, so that a printed closing can be checked
// later). Queries: they change nothing.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/regional.h"
#include "server/methods/methods_internal.h"
#include "server/storage/daily_queries.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/ledger_check.h"
#include "server/storage/stored_values.h"

namespace confcred::server::methods {

namespace {

namespace records = dataset::records;
namespace ledger = storage::ledger;

// How far each chain holds, walked from the point verify-ledger recorded
// last (every row when none was): rows with a key below `brokenAt` hold.
struct ChainState {
    std::map<std::string, std::int64_t> brokenAt;  // by table; absent: holds to its head
    std::map<std::string, ledger::ChainPoint> heads;

    bool holds(const std::string& table, std::int64_t id) const {
        const auto at = brokenAt.find(table);
        return at == brokenAt.end() || id < at->second;
    }
};

ChainState chainState(storage::Session& s) {
    ChainState state;
    const ledger::ChainReport report = ledger::verifyChains(s, ledger::verifiedPoints(s));
    if (!report.ok)
        state.brokenAt[report.table] = report.id;
    state.heads = ledger::chainHeads(s);
    return state;
}

const char* operationText(std::string_view operation) {
    if (operation == "EFETIVA")
        return "Crédito efetivado";
    if (operation == "DESFAZ_EFETIVA")
        return "Efetivação desfeita";
    if (operation == "CANCELA")
        return "Cancelado";
    if (operation == "DESFAZ_CANCELA")
        return "Cancelamento desfeito";
    return "Lançamento";
}

struct Event {
    std::string when;  // stored form
    std::string text;
    std::string operatorName;
    std::int64_t position = 0;
    bool holds = true;
};

std::string orderHistory(storage::Database& db, const Args& args) {
    args.expectCount(1);
    const std::string number = args.text(0);
    if (number.empty() || number.size() > 20)
        throw ArgumentError("Informe o número do pedido (até 20 caracteres).");
    return db.read([&](storage::Session& s) {
        std::optional<std::int64_t> id;
        std::string created, creator, placed;
        s.query(
            "SELECT IDPEDCREDCONS, DTCRIACAO, NMOPERCRIACAO, DTPEDCRECONS FROM PEDCREDCONS"
            " WHERE NRPEDCRECONS = ?",
            {std::string_view(number)}, [&](const storage::Row& r) {
                id = r.integer(0);
                created = r.isNull(1) ? std::string() : std::string(r.text(1));
                creator = r.isNull(2) ? std::string() : std::string(r.text(2));
                placed = std::string(r.text(3));
            });
        if (!id)
            throw MethodError("Pedido " + number + " não encontrado.");
        const ChainState chains = chainState(s);
        std::vector<Event> events;

        // The import that created it: its audit row has the same time and operator.
        Event creation{created.empty() ? placed : created, {}, creator, 0, true};
        if (!created.empty()) {
            s.query(
                "SELECT IDAUDITORIA, DSHASHARQUIVO, QTPEDIDOS FROM AUDITORIA"
                " WHERE DTAUDITORIA = ? AND NMOPERADOR = ? ORDER BY IDAUDITORIA",
                {std::string_view(created), std::string_view(creator)}, [&](const storage::Row& r) {
                    if (creation.position != 0)
                        return;
                    creation.position = r.integer(0);
                    creation.holds = chains.holds(ledger::auditTable().name, creation.position);
                    creation.text = "Importado do arquivo de SHA-256 " +
                                    std::string(r.text(1).substr(0, 16)) + "... (" +
                                    std::to_string(r.integer(2)) + " pedido(s) na importação)";
                });
        }
        if (creation.text.empty())
            creation.text =
                created.empty() ? "Pedido registrado (sem registro da importação)" : "Importado";
        events.push_back(std::move(creation));

        // Each change of situation: the ledger rows one call wrote for the
        // order (same time, operation and operator), its families' amounts.
        s.query(storage::queries::kLedgerOfOrder, {*id}, [&](const storage::Row& r) {
            const std::string_view when = r.text(1), who = r.text(2), operation = r.text(3);
            const std::int64_t row = r.integer(0);
            Event* last = events.size() > 1 ? &events.back() : nullptr;
            const std::string prefix = operationText(operation);
            if (!last || last->when != when || last->operatorName != who ||
                last->text.rfind(prefix, 0) != 0) {
                events.push_back({std::string(when), prefix, std::string(who), row,
                                  chains.holds(ledger::ledgerTable().name, row)});
                last = &events.back();
            } else {
                last->holds = last->holds && chains.holds(ledger::ledgerTable().name, row);
            }
            if (!r.isNull(4)) {
                last->text += last->text.find(':') == std::string::npos ? ": " : "; ";
                last->text += std::string(r.text(4)) + " " + platform::formatMoney(r.integer(5));
            }
        });

        dataset::DataPacket answer(records::fieldDefs(records::kOrderHistory));
        const auto column = [&](std::string_view name) -> dataset::Column& {
            return answer.column(static_cast<std::size_t>(answer.fieldIndex(name)));
        };
        for (const Event& e : events) {
            if (const auto when = storage::parseStoredDateTime(e.when))
                column("DTEVENTO").appendDateTime(*when);
            else
                column("DTEVENTO").appendNull();
            column("DSEVENTO").appendText(e.text);
            column("NMOPERADOR").appendText(e.operatorName);
            // The ledger does not keep the desk's address.
            column("DSENDERECO").appendNull();
            column("NRPOSICAO").appendInteger(e.position);
            column("IDVERIFICADO").appendText(e.holds ? "S" : "N");
        }
        return dataset::encodePacket(answer);
    });
}

std::string closing(storage::Database& db, const Args& args) {
    args.expectCount(2);
    const platform::DateTime first = args.dateTime(0).datePart();
    const platform::DateTime last = args.dateTime(1).datePart();
    if (last < first)
        throw ArgumentError("A data final do fechamento é anterior à inicial.");
    if (last.addDays(-3660) > first)
        throw ArgumentError("O fechamento cobre no máximo dez anos.");
    const std::string from = storage::storedDateTime(first);
    const std::string to = storage::storedDateTime(last.addDays(1).addMs(-1));
    return db.read([&](storage::Session& s) {
        using Key = std::tuple<std::string, std::string>;  // who or what, operation
        struct Sum {
            std::set<std::int64_t> orders;
            std::int64_t cents = 0;
        };
        std::map<Key, Sum> byOperator, byClient;
        std::map<std::tuple<std::string, std::string>, Sum> byDay;  // day, operator
        s.query(
            "SELECT IDLANCSALDO, DTLANCSALDO, IDPEDCREDCONS, IDOPERACAO, CDCLIENTE,"
            " VRLANCSALDO_CENT, NMOPERADOR FROM LANCSALDO WHERE DTLANCSALDO BETWEEN ? AND ?"
            " ORDER BY DTLANCSALDO, IDLANCSALDO",
            {std::string_view(from), std::string_view(to)}, [&](const storage::Row& r) {
                const std::string operation(r.text(3)), client(r.text(4)), who(r.text(6));
                const std::int64_t order = r.integer(2), cents = r.integer(5);
                for (Sum* sum : {&byOperator[{who, operation}], &byClient[{client, operation}]}) {
                    sum->orders.insert(order);
                    sum->cents += cents;
                }
                if (operation == "EFETIVA") {
                    Sum& day = byDay[{std::string(r.text(1).substr(0, 10)), who}];
                    day.orders.insert(order);
                    day.cents += cents;
                }
            });
        // Imports: the orders each operator's runs created.
        std::map<std::string, std::int64_t> imported;
        s.query("SELECT NMOPERADOR, QTPEDIDOS FROM AUDITORIA WHERE DTAUDITORIA BETWEEN ? AND ?",
                {std::string_view(from), std::string_view(to)},
                [&](const storage::Row& r) { imported[std::string(r.text(0))] += r.integer(1); });
        std::map<std::string, std::string> clientNames;
        s.query("SELECT CDCLIENTE, NMRAZSOCCLIE FROM CLIENTE", {}, [&](const storage::Row& r) {
            clientNames.emplace(std::string(r.text(0)), std::string(r.text(1)));
        });
        const ChainState chains = chainState(s);

        dataset::DataPacket answer(records::fieldDefs(records::kClosing));
        const auto column = [&](std::string_view name) -> dataset::Column& {
            return answer.column(static_cast<std::size_t>(answer.fieldIndex(name)));
        };
        const auto row = [&](char group, std::optional<platform::DateTime> day,
                             std::string_view who, std::string_view client,
                             std::string_view operation, std::int64_t orders, std::int64_t cents) {
            column("IDAGRUPAMENTO").appendText(std::string_view(&group, 1));
            if (day)
                column("DTDIA").appendDateTime(*day);
            else
                column("DTDIA").appendNull();
            column("NMOPERADOR").appendText(who);
            column("CDCLIENTE").appendText(client);
            const auto name = clientNames.find(std::string(client));
            column("NMRAZSOCCLIE")
                .appendText(name == clientNames.end() ? std::string_view() : name->second);
            column("IDOPERACAO").appendText(operation);
            column("QTPEDIDOS").appendInteger(orders);
            column("VRTOTAL").appendDouble(storage::fromCents(cents));
            column("DSHASHCADEIA").appendText({});
            column("NRPOSICAO").appendInteger(0);
            column("IDVERIFICADO").appendText({});
        };
        for (const auto& [who, count] : imported)
            row('O', std::nullopt, who, {}, "IMPORTACAO", count, 0);
        for (const auto& [key, sum] : byOperator)
            row('O', std::nullopt, std::get<0>(key), {}, std::get<1>(key),
                static_cast<std::int64_t>(sum.orders.size()), sum.cents);
        for (const auto& [key, sum] : byClient)
            row('C', std::nullopt, {}, std::get<0>(key), std::get<1>(key),
                static_cast<std::int64_t>(sum.orders.size()), sum.cents);
        for (const auto& [key, sum] : byDay)
            row('D', platform::DateTime::parseIso(std::get<0>(key)), std::get<1>(key), {},
                "EFETIVA", static_cast<std::int64_t>(sum.orders.size()), sum.cents);
        // The ledger's head as it stood: a printed closing carries it.
        const auto head = chains.heads.find(ledger::ledgerTable().name);
        const bool holds = chains.brokenAt.empty();
        row('H', std::nullopt, {}, {}, {}, 0, 0);
        const std::size_t at = answer.rowCount() - 1;
        if (head != chains.heads.end()) {
            column("DSHASHCADEIA").setText(at, head->second.hash);
            column("NRPOSICAO").setInteger(at, head->second.rows);
        }
        column("IDVERIFICADO").setText(at, holds ? "S" : "N");
        return dataset::encodePacket(answer);
    });
}

}  // namespace

void addSupervisionMethods(MethodTable& table, storage::Database& db) {
    table.add("getHistoricoPedido",
              [&db](const Args& args, const CallContext&) { return orderHistory(db, args); });
    table.add("getFechamento",
              [&db](const Args& args, const CallContext&) { return closing(db, args); });
}

}  // namespace confcred::server::methods
