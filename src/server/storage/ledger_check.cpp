#include "server/storage/ledger_check.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string_view>

#include "server/storage/daily_queries.h"
#include "server/storage/database.h"
#include "server/storage/ledger_chain.h"

namespace confcred::server::storage::ledger {

namespace {

const char* situationName(char c) {
    return c == 'S' ? "efetivado" : c == 'C' ? "cancelado" : "pendente";
}

// One order followed through its ledger: its situation, and the first
// operation that could not happen where it stood (a second credit without an
// undo in between, say). Rows of one operation share its time and name.
// Small, since a full check keeps one for every order.
struct OrderTrail {
    char situation = 'N';
    char lastOperation = 0;
    std::size_t lastWhen = 0;
    std::int32_t fault = -1;  // in the check's list of faults
};

void step(OrderTrail& t, std::string_view operation, std::string_view when,
          std::vector<std::string>& faults) {
    const char code = operation == "EFETIVA"          ? 'E'
                      : operation == "DESFAZ_EFETIVA" ? 'e'
                      : operation == "CANCELA"        ? 'C'
                                                      : 'c';
    const std::size_t whenKey = std::hash<std::string_view>()(when);
    if (code == t.lastOperation && whenKey == t.lastWhen)
        return;  // one more family of the same operation
    t.lastOperation = code;
    t.lastWhen = whenKey;
    const char from = code == 'E' || code == 'C' ? 'N' : code == 'e' ? 'S' : 'C';
    const char to = code == 'E' ? 'S' : code == 'C' ? 'C' : 'N';
    if (t.situation != from && t.fault < 0) {
        t.fault = static_cast<std::int32_t>(faults.size());
        faults.push_back("o razão registra " + std::string(operation) + " em " + std::string(when) +
                         " sobre o pedido " + situationName(t.situation));
    }
    t.situation = to;
}

// An order without families moves no balance, so effecting it or undoing
// that leaves no ledger row: its situation cannot be told from the ledger.
bool hasFamilies(Session& s, std::int64_t order) {
    bool any = false;
    s.query("SELECT 1 FROM PEDCREDFAMI WHERE IDPEDCREDCONS = ? LIMIT 1", {order},
            [&](const Row&) { any = true; });
    return any;
}

// The differences between an order's stored situation and its trail.
void compareOrder(Session& s, std::int64_t id, const OrderTrail& trail, std::string_view number,
                  std::string_view stored, const std::vector<std::string>& faults,
                  ContentReport& report) {
    ++report.ordersChecked;
    if (trail.fault >= 0)
        report.differences.push_back("pedido " + std::string(number) + ": " +
                                     faults[static_cast<std::size_t>(trail.fault)]);
    if ((stored.size() != 1 || stored[0] != trail.situation) &&
        (stored == "C" || trail.situation == 'C' || hasFamilies(s, id)))
        report.differences.push_back("pedido " + std::string(number) + ": situação guardada " +
                                     std::string(stored) + ", o razão o deixa " +
                                     situationName(trail.situation));
}

// A family row moves the balance by its amount, already signed: an undo
// carries the effected amount negated.
std::int64_t signedCents(std::string_view, std::int64_t cents) {
    return cents;
}

std::string describe(const BalanceKey& k) {
    return "cliente " + std::get<0>(k) + ", consumidor " + std::get<1>(k) + ", família " +
           std::get<2>(k);
}

void compareBalances(Session& s, const std::map<BalanceKey, std::int64_t>& expected,
                     ContentReport& report) {
    std::map<BalanceKey, std::int64_t> stored;
    s.query("SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT FROM SALDOCONS", {},
            [&](const Row& r) {
                stored[{std::string(r.text(0)), std::string(r.text(1)), std::string(r.text(2))}] =
                    r.integer(3);
            });
    const auto cents = [](std::int64_t v) {
        const std::string digits = std::to_string(v < 0 ? -v : v);
        const std::string whole = digits.size() > 2 ? digits.substr(0, digits.size() - 2) : "0";
        const std::string part = std::string(2 - std::min<std::size_t>(2, digits.size()), '0') +
                                 digits.substr(digits.size() > 2 ? digits.size() - 2 : 0);
        return (v < 0 ? "-" : "") + whole + "," + part;
    };
    auto e = expected.begin();
    auto st = stored.begin();
    while (e != expected.end() || st != stored.end()) {
        const bool takeE = st == stored.end() || (e != expected.end() && e->first <= st->first);
        const bool takeS = e == expected.end() || (st != stored.end() && st->first <= e->first);
        const BalanceKey& key = takeE ? e->first : st->first;
        const std::int64_t want = takeE ? e->second : 0;
        const std::int64_t have = takeS ? st->second : 0;
        ++report.balancesChecked;
        if (want != have)
            report.differences.push_back("saldo de " + describe(key) + ": guardado " + cents(have) +
                                         ", o razão soma " + cents(want));
        if (takeE)
            ++e;
        if (takeS)
            ++st;
    }
}

}  // namespace

std::map<std::string, ChainPoint> verifiedPoints(Session& s) {
    std::map<std::string, ChainPoint> points;
    s.query(
        "SELECT NMCADEIA, IDULTIMO, QTLINHAS, DSHASHULTIMO FROM VERIFCADEIA", {},
        [&](const Row& r) {
            points[std::string(r.text(0))] = {r.integer(1), r.integer(2), std::string(r.text(3))};
        });
    return points;
}

ContentReport checkLedgerContent(Session& s, bool full, std::int64_t upToLedgerId) {
    ContentReport report;
    report.upToLedgerId = upToLedgerId;
    std::optional<std::int64_t> after;
    if (!full) {
        const auto points = verifiedPoints(s);
        if (const auto at = points.find(ledgerTable().name); at != points.end())
            after = at->second.lastId;
    }
    report.fromScratch = !after;

    std::vector<std::string> faults;
    if (!after) {
        // Every ledger row, in the order written: balances, and each order's
        // trail, kept by the order's key (numbered densely from 1).
        std::int64_t maxOrder = 0;
        s.query("SELECT COALESCE(MAX(IDPEDCREDCONS), 0) FROM PEDCREDCONS", {},
                [&](const Row& r) { maxOrder = r.integer(0); });
        std::vector<OrderTrail> trails(static_cast<std::size_t>(maxOrder) + 1);
        s.query(
            "SELECT IDPEDCREDCONS, IDOPERACAO, DTLANCSALDO, CDCLIENTE, CDCONSUMIDOR,"
            " CDFAMILISALD, VRLANCSALDO_CENT FROM LANCSALDO WHERE IDLANCSALDO <= ?"
            " ORDER BY IDLANCSALDO",
            {upToLedgerId}, [&](const Row& r) {
                const std::int64_t order = r.integer(0);
                if (order > 0 && order <= maxOrder)
                    step(trails[static_cast<std::size_t>(order)], r.text(1), r.text(2), faults);
                if (!r.isNull(5))
                    report.ledgerBalances[{std::string(r.text(3)), std::string(r.text(4)),
                                           std::string(r.text(5))}] +=
                        signedCents(r.text(1), r.integer(6));
            });
        s.query("SELECT IDPEDCREDCONS, NRPEDCRECONS, IDPEDCREEXTR FROM PEDCREDCONS", {},
                [&](const Row& r) {
                    const std::int64_t order = r.integer(0);
                    compareOrder(s, order,
                                 order > 0 && order <= maxOrder
                                     ? trails[static_cast<std::size_t>(order)]
                                     : OrderTrail{},
                                 r.text(1), r.text(2), faults, report);
                });
        compareBalances(s, report.ledgerBalances, report);
        return report;
    }

    // From the verified point: the balances it kept plus the new rows, and
    // the orders the new rows touch, each followed through its whole ledger.
    std::map<BalanceKey, std::int64_t> balances;
    s.query("SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT FROM VERIFSALDO", {},
            [&](const Row& r) {
                balances[{std::string(r.text(0)), std::string(r.text(1)), std::string(r.text(2))}] =
                    r.integer(3);
            });
    std::vector<std::int64_t> touched;
    s.query(
        "SELECT IDPEDCREDCONS, IDOPERACAO, CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD,"
        " VRLANCSALDO_CENT FROM LANCSALDO WHERE IDLANCSALDO > ? AND IDLANCSALDO <= ?"
        " ORDER BY IDLANCSALDO",
        {*after, upToLedgerId}, [&](const Row& r) {
            touched.push_back(r.integer(0));
            if (!r.isNull(4)) {
                const BalanceKey key{std::string(r.text(2)), std::string(r.text(3)),
                                     std::string(r.text(4))};
                const std::int64_t delta = signedCents(r.text(1), r.integer(5));
                balances[key] += delta;
                report.ledgerBalances[key] = 0;  // set below from `balances`
            }
        });
    for (auto& [key, cents] : report.ledgerBalances)
        cents = balances[key];
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    for (const std::int64_t id : touched) {
        OrderTrail trail;
        s.query(queries::kLedgerOfOrder, {id}, [&](const Row& r) {
            if (r.integer(0) <= upToLedgerId)
                step(trail, r.text(3), r.text(1), faults);
        });
        s.query(queries::kOrderSituation, {id}, [&](const Row& r) {
            compareOrder(s, id, trail, r.text(0), r.text(1), faults, report);
        });
    }
    compareBalances(s, balances, report);
    return report;
}

void saveVerifiedPoint(Session& s, const std::map<std::string, ChainPoint>& heads,
                       const ContentReport& report, const std::string& when) {
    for (const auto& [table, point] : heads) {
        s.execute("DELETE FROM VERIFCADEIA WHERE NMCADEIA = ?", {std::string_view(table)});
        s.execute(
            "INSERT INTO VERIFCADEIA (NMCADEIA, IDULTIMO, QTLINHAS, DSHASHULTIMO, DTVERIFICACAO)"
            " VALUES (?, ?, ?, ?, ?)",
            {std::string_view(table), point.lastId, point.rows, std::string_view(point.hash),
             std::string_view(when)});
    }
    if (report.fromScratch)
        s.execute("DELETE FROM VERIFSALDO");
    for (const auto& [key, cents] : report.ledgerBalances)
        s.execute(
            "INSERT INTO VERIFSALDO (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT)"
            " VALUES (?, ?, ?, ?) ON CONFLICT (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD)"
            " DO UPDATE SET VRSALDO_CENT = excluded.VRSALDO_CENT",
            {std::string_view(std::get<0>(key)), std::string_view(std::get<1>(key)),
             std::string_view(std::get<2>(key)), cents});
}

}  // namespace confcred::server::storage::ledger
