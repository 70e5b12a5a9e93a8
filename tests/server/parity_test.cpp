// The same data and the same operations on SQLite and on PostgreSQL must give
// the same answers, byte for byte, and the same stored rows: filters (dates,
// code lists, selections, order number, description patterns with accents,
// case and wildcards), the family breakdown, the consumer look-up, the import
// and its warnings, balances and the ledger.

#include <map>

#include "platform/clock.h"
#include "server/methods/selection.h"
#include "server_test_util.h"

namespace confcred::servertest {
namespace {

struct Servers {
    Servers()
        : sqlite(optionsFor(TestBackend::Sqlite)), postgres(optionsFor(TestBackend::Postgres)) {
        sqliteDb = openSeeded(sqlite, 300, 5);
        postgresDb = openSeeded(postgres, 300, 5);
    }
    ServerProcess sqlite, postgres;
    std::unique_ptr<server::storage::Database> sqliteDb, postgresDb;
};

struct Compared {
    int comparisons = 0;
    int differences = 0;
};

// Calls both servers alike; the answers must be identical.
testing::HttpReply compareCall(Servers& s, Compared& c, const std::string& what,
                               std::string_view method, const std::string& args) {
    const testing::HttpReply a = s.sqlite.post(method, args);
    const testing::HttpReply b = s.postgres.post(method, args);
    ++c.comparisons;
    if (a.status != b.status || a.body != b.body) {
        ++c.differences;
        ADD_FAILURE() << what << " (" << method << " " << args.substr(0, 300)
                      << ") differs:\n  sqlite   " << a.status << " " << a.body.substr(0, 400)
                      << "\n  postgres " << b.status << " " << b.body.substr(0, 400);
    }
    return a;
}

void compareTable(Servers& s, Compared& c, const std::string& what, const std::string& sql) {
    const auto a = s.sqliteDb->queryText(sql);
    const auto b = s.postgresDb->queryText(sql);
    ++c.comparisons;
    if (a != b) {
        ++c.differences;
        std::size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at])
            ++at;
        ADD_FAILURE() << what << ": " << a.size() << " rows on sqlite, " << b.size()
                      << " on postgres; first difference at row " << at;
    }
}

std::string today() {
    return platform::now().datePart().toIso();
}

TEST(Parity, SameOperationsGiveTheSameRows) {
    if (!std::getenv("CONFCRED_TEST_PG"))
        GTEST_SKIP() << "CONFCRED_TEST_PG is not set: no PostgreSQL cluster to compare with";
    Servers s;
    Compared c;

    // The same seeded data to start from.
    const auto orders = storedOrders(*s.sqliteDb);
    ASSERT_EQ(orders.size(), storedOrders(*s.postgresDb).size());

    // The same operations: every fifth order of each situation, in number order.
    std::vector<OrderKey> pending, effected, cancelled;
    int i = 0;
    for (const auto& [number, o] : orders) {
        if (++i % 5)
            continue;
        if (o.accounted)
            continue;  // neither undone nor cancelled
        (o.situation == 'N' ? pending : o.situation == 'S' ? effected : cancelled).push_back(o.key);
    }
    ASSERT_GT(pending.size(), 4u);
    const std::size_t half = pending.size() / 2;
    const std::vector<OrderKey> toEffect(pending.begin(), pending.begin() + half);
    const std::vector<OrderKey> toCancel(pending.begin() + half, pending.end());
    const auto selection = [](const std::vector<OrderKey>& keys) {
        return "[" + selectionPacket(keys) + "]";
    };
    EXPECT_EQ(compareCall(s, c, "effect", "setEfetivaSaldo", selection(toEffect)).status, 200);
    EXPECT_EQ(compareCall(s, c, "undo effect", "setCancelaCredito", selection(effected)).status,
              200);
    EXPECT_EQ(
        compareCall(s, c, "cancel", "setSituacao", "[" + selectionPacket(toCancel) + ",\"C\"]")
            .status,
        200);
    EXPECT_EQ(compareCall(s, c, "undo cancel", "setSituacao",
                          "[" + selectionPacket(cancelled) + ",\"N\"]")
                  .status,
              200);
    EXPECT_EQ(compareCall(s, c, "refused: already effected", "setEfetivaSaldo", selection(toEffect))
                  .status,
              422);

    // The same file, imported twice: the second time only warnings.
    const std::string file =
        "TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRICAO;FAMILIAS\r\n"
        "C;CLI001;CONS0001;PAR-1;07/12/2026 08:00:00;Crédito Mensal ÁGUA;ALI=10,50;BEB=2\r\n"
        "D;CLI002;CONS0008;PAR-2;07/12/2026;Estorno 50% _x_;LAN=3\r\n"
        "C;CLI999;CONS0001;PAR-3;07/12/2026;;ALI=1\r\n"
        "C;CLI001;CONS0001;PAR-4;07/12/2026;;XYZ=1\r\n"
        "C;CLI001;CONS0001;PAR-1;07/12/2026;;ALI=1\r\n";
    dataset::DataPacket filePacket({{"ARQUIVO", dataset::FieldType::String, 5000}});
    filePacket.column(0).appendText(file);
    const std::string importArgs = "[" + dataset::encodePacket(filePacket) + "]";
    compareCall(s, c, "import", "SetImporSaldoCons", importArgs);
    compareCall(s, c, "import again", "SetImporSaldoCons", importArgs);

    // The lists, through a table of filters.
    const std::string someOrder = toEffect.front().number;
    struct Row {
        const char* name;
        Filter filter;
    };
    auto with = [](auto change) {
        Filter f;
        change(f);
        return f;
    };
    const Row filters[] = {
        {"everything", Filter{}},
        {"pending", with([](Filter& f) { f.situations = "_N_"; })},
        {"effected and cancelled", with([](Filter& f) { f.situations = "_S_C_"; })},
        {"no situation", with([](Filter& f) { f.situations = "_"; })},
        {"empty code lists", with([](Filter& f) { f.situations = f.accounted = ""; })},
        {"not accounted", with([](Filter& f) { f.accounted = "_N_"; })},
        {"today", with([](Filter& f) { f.first = f.last = today(); })},
        {"clients", with([](Filter& f) { f.clients = "'CLI001','CLI003'"; })},
        {"unknown client", with([](Filter& f) { f.clients = "'O''Brien'"; })},
        {"consumers", with([](Filter& f) {
             f.consumers = "'" + server::methods::makeConsumerKey("CLI001", "CONS0001") + "','" +
                           server::methods::makeConsumerKey("CLI002", "CONS0008") + "'";
         })},
        {"order number", with([&](Filter& f) { f.number = someOrder; })},
        {"order number typed short",
         with([&](Filter& f) { f.number = someOrder.substr(someOrder.find_first_not_of('0')); })},
        {"description lower case", with([](Filter& f) { f.description = "%crédito%"; })},
        {"description upper case", with([](Filter& f) { f.description = "%CRÉDITO%"; })},
        {"description without accent", with([](Filter& f) { f.description = "%credito%"; })},
        {"description accented capital", with([](Filter& f) { f.description = "%água%"; })},
        {"description percent", with([](Filter& f) { f.description = "%50%%"; })},
        {"description underscore", with([](Filter& f) { f.description = "%_x_%"; })},
        {"description backslash", with([](Filter& f) { f.description = "%\\%"; })},
        {"bad date", with([](Filter& f) { f.first = "07/12/2026"; })},
        {"bad code list", with([](Filter& f) { f.situations = "_X_"; })},
    };
    std::map<std::string, std::string> listed;
    for (const Row& row : filters) {
        listed[row.name] = compareCall(s, c, row.name, "getPEDCREDCONS", row.filter.args()).body;
        compareCall(s, c, row.name, "getPEDICREDFAMI", row.filter.args());
    }
    // Case and accents are ignored alike on both, and the filters do select.
    EXPECT_EQ(listed["description lower case"], listed["description upper case"]);
    EXPECT_EQ(listed["description lower case"], listed["description without accent"]);
    EXPECT_NE(listed["everything"], listed["pending"]);
    EXPECT_NE(listed["description lower case"], listed["everything"]);
    EXPECT_GT(decodeAnswer({200, listed["description accented capital"], ""}).packet.rowCount(),
              0u);
    EXPECT_GT(decodeAnswer({200, listed["description percent"], ""}).packet.rowCount(), 0u);
    EXPECT_GT(decodeAnswer({200, listed["consumers"], ""}).packet.rowCount(), 0u);
    EXPECT_EQ(decodeAnswer({200, listed["order number typed short"], ""}).packet.rowCount(), 1u);
    compareCall(s, c, "consumers of branch 1", "getConsumidor", R"(["", "T", "1"])");
    compareCall(s, c, "consumers of branch 2 by number", "getConsumidor", R"(["", "T", 2])");
    compareCall(s, c, "consumers of listed clients", "getConsumidor",
                R"(["'CLI001','CLI004'", "", "1"])");

    // And the stored rows themselves.
    compareTable(s, c, "orders",
                 "SELECT IDPEDCREDCONS, NRPEDCRECONS, CDFILIAL, CDCLIENTE, CDCONSUMIDOR, NRBOLETO,"
                 " IDPEDCREEXTR, IDPEDCRECONT, VRPEDCRECONS_CENT, DTPEDCRECONS, DSSITCREBANC,"
                 " DSSITCREBANC_BUSCA FROM PEDCREDCONS ORDER BY IDPEDCREDCONS");
    compareTable(s, c, "families",
                 "SELECT IDPEDCREDCONS, CDFAMILISALD, VRPEDCREFAMI_CENT FROM PEDCREDFAMI"
                 " ORDER BY IDPEDCREDCONS, CDFAMILISALD");
    compareTable(s, c, "balances",
                 "SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT FROM SALDOCONS"
                 " ORDER BY CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD");
    compareTable(s, c, "ledger",
                 "SELECT IDPEDCREDCONS, NRPEDCRECONS, IDOPERACAO, CDCLIENTE, CDCONSUMIDOR,"
                 " CDFAMILISALD, VRLANCSALDO_CENT FROM LANCSALDO"
                 " ORDER BY IDPEDCREDCONS, IDOPERACAO, COALESCE(CDFAMILISALD, '')");
    for (auto* db : {s.sqliteDb.get(), s.postgresDb.get()}) {
        const LedgerReport report = checkLedger(*db);
        EXPECT_TRUE(report.clean()) << describe(report);
    }
    figure(std::to_string(c.comparisons) + " answers and tables compared, " +
           std::to_string(c.differences) + " differences between sqlite and postgres");
}

}  // namespace
}  // namespace confcred::servertest
