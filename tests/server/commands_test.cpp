// The commands that prepare a database: demo-data, import-master, backup and
// restore, run as the administrator runs them.

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>

#include "server/ops/operator_cli.h"
#include "server/storage/sqlite_backend.h"
#include "server_test_util.h"
#include "support/temp_dir.h"

namespace confcred::servertest {
namespace {

using confcred::testing::runServerToExit;

// A new, empty database of the backend: a file not yet there, or a fresh
// PostgreSQL database.
class Commands : public ::testing::TestWithParam<TestBackend> {
  protected:
    std::string freshUrl(const std::string& name) {
        if (GetParam() == TestBackend::Sqlite)
            return "sqlite:" + (dir_.path() / (name + ".db")).string();
        pg_.push_back(std::make_unique<testing::PgTestDatabase>(std::getenv("CONFCRED_TEST_PG")));
        return pg_.back()->url();
    }
    std::string count(const std::string& url, const std::string& table) {
        return *server::storage::openDatabase(url, false)
                    ->queryText("SELECT COUNT(*) FROM " + table)[0][0];
    }

    testing::TempDir dir_;
    std::vector<std::unique_ptr<testing::PgTestDatabase>> pg_;
};

TEST_P(Commands, DemoDataGoesOnlyIntoAnEmptyDatabase) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    const std::string url = freshUrl("demo");
    auto first = runServerToExit({"demo-data", "--db", url});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(count(url, "CLIENTE"), "6");
    EXPECT_EQ(count(url, "PEDCREDCONS"), "300");
    auto second = runServerToExit({"demo-data", "--db", url});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_NE(second.err.find("already holds data"), std::string::npos) << second.err;
    EXPECT_EQ(count(url, "PEDCREDCONS"), "300");
    EXPECT_EQ(runServerToExit({"demo-data"}).exitCode, 2) << "--db is required";
}

// A history: whole days of orders in every situation whose balances,
// situations and chain the full verification finds consistent.
TEST_P(Commands, HistoryIsConsistentWithItsLedger) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    const std::string url = freshUrl("history");
    const auto made =
        runServerToExit({"demo-data", "--db", url, "--history-days", "4", "--orders-per-day=150"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_NE(made.err.find("4 de 4 dias, 600 pedidos"), std::string::npos) << made.err;
    auto db = server::storage::openDatabase(url, false);
    EXPECT_EQ(db->queryText("SELECT COUNT(DISTINCT SUBSTR(DTPEDCRECONS, 1, 10)),"
                            " COUNT(DISTINCT IDPEDCREEXTR), COUNT(*) FROM PEDCREDCONS"),
              (std::vector<std::vector<std::optional<std::string>>>{{"4", "3", "600"}}));
    EXPECT_EQ(*db->queryText("SELECT COUNT(DISTINCT IDOPERACAO) FROM LANCSALDO")[0][0], "3");
    const auto verified = runServerToExit({"verify-ledger", "--db", url, "--full"});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;
    // The indexes it set aside while writing are all back.
    const auto indexes = [&](const std::string& of) {
        return server::storage::openDatabase(of, false)->queryText(
            GetParam() == TestBackend::Sqlite
                ? "SELECT name, sql FROM sqlite_master WHERE type = 'index' ORDER BY name"
                : "SELECT indexname, indexdef FROM pg_indexes WHERE schemaname = current_schema()"
                  " ORDER BY indexname");
    };
    EXPECT_EQ(indexes(url), indexes(freshUrl("plain")));

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"--history-days", "0", "--orders-per-day", "10"},
             {"--history-days", "3"},
             {"--history-days", "3", "--orders-per-day", "dez"}}) {
        std::vector<std::string> args = {"demo-data", "--db", freshUrl("bad")};
        args.insert(args.end(), bad.begin(), bad.end());
        const auto refused = runServerToExit(args);
        EXPECT_EQ(refused.exitCode, 2) << bad[0] << " " << bad[1] << refused.err;
    }
}

TEST_P(Commands, MasterDataLoadsWholeOrNothing) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    const std::string url = freshUrl("master");
    const std::string families =
        "CDFAMILISALD;NMFAMILISALD\r\nALI;Alimentação\r\nPAP;\"Papelaria; livros\"\r\n";
    const std::string consumers =
        "cdcliente;cdconsumidor;nmconsumidor;nmrespcons\n"
        "C1;A01;Ana Júlia Souza;Renata Souza\n"
        "C2;B01;Caio Brandão;\n";
    dir_.write("bad/familias.csv", families);
    dir_.write("bad/clientes.csv",
               "CDCLIENTE;NRINSJURCLIE;NMRAZSOCCLIE;FILIAIS\n"
               "C1;11222333000181;Escola Alfa;1,2\n" +
                   std::string("C2;12.345;Escola Beta;2\n") + "C3;;" + std::string(51, 'x') +
                   ";2\n");
    dir_.write("bad/consumidores.csv", consumers + "C9;Z01;Zeca;\n");
    const auto bad =
        runServerToExit({"import-master", "--db", url, (dir_.path() / "bad").string()});
    EXPECT_EQ(bad.exitCode, 1);
    for (const char* expected :
         {"Linha 3 de clientes.csv: NRINSJURCLIE deve ter só dígitos",
          "Linha 4 de clientes.csv: NMRAZSOCCLIE passa de 50 caracteres", "Nada foi importado"})
        EXPECT_NE(bad.err.find(expected), std::string::npos) << expected << "\n" << bad.err;
    // Lines that pass on their own are refused together with the rest.
    dir_.write("bad/clientes.csv",
               "CDCLIENTE;NRINSJURCLIE;NMRAZSOCCLIE;FILIAIS\nC1;;Escola Alfa;1,2\nC2;;Escola "
               "Beta;2\n");
    const auto orphan =
        runServerToExit({"import-master", "--db", url, (dir_.path() / "bad").string()});
    EXPECT_EQ(orphan.exitCode, 1);
    EXPECT_NE(orphan.err.find("Linha 4 de consumidores.csv: o cliente C9 não existe"),
              std::string::npos)
        << orphan.err;
    EXPECT_EQ(count(url, "FAMILIASALDO"), "0");
    EXPECT_EQ(count(url, "CLIENTE"), "0");

    dir_.write("good/consumidores.csv", consumers);
    const auto good = runServerToExit({"import-master", "--db", url,
                                       (dir_.path() / "bad" / "familias.csv").string(),
                                       (dir_.path() / "bad" / "clientes.csv").string(),
                                       (dir_.path() / "good" / "consumidores.csv").string()});
    ASSERT_EQ(good.exitCode, 0) << good.err;
    EXPECT_EQ(
        *server::storage::openDatabase(url, false)
             ->queryText("SELECT NMFAMILISALD FROM FAMILIASALDO WHERE CDFAMILISALD = 'PAP'")[0][0],
        "Papelaria; livros");
    testing::ServerProcessOptions options;
    options.dbUrl = url;
    ServerProcess server(options);
    const Answer branch2 = decodeAnswer(server.post("getConsumidor", R"(["", "T", "2"])"));
    ASSERT_TRUE(branch2.ok) << branch2.error;
    ASSERT_EQ(branch2.packet.rowCount(), 2u);
    const auto& p = branch2.packet;
    EXPECT_EQ(p.column(std::size_t(p.fieldIndex("NMRESPCONS"))).textAt(0), "Renata Souza");
    const Answer branch1 = decodeAnswer(server.post("getConsumidor", R"(["", "T", "1"])"));
    EXPECT_EQ(branch1.packet.rowCount(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Backends, Commands, bothBackends(), backendLabel);

TEST(Backup, CopyTakenWhileOrdersAreWrittenRestoresConsistent) {
    testing::TempDir dir;
    const std::string url = "sqlite:" + (dir.path() / "live.db").string();
    auto db = server::storage::openDatabase(url);
    std::atomic<bool> stop{false};
    std::atomic<int> batches{0};
    std::thread writer([&] {
        for (unsigned seed = 1; !stop; ++seed) {
            server::storage::seedOrders(*db, 40, seed);
            ++batches;
        }
    });
    std::vector<std::string> copies;
    for (int i = 0; i < 3; ++i) {
        copies.push_back((dir.path() / ("copy" + std::to_string(i) + ".db")).string());
        const auto result = runServerToExit({"backup", "--db", url, copies.back()});
        EXPECT_EQ(result.exitCode, 0) << result.err;
    }
    stop = true;
    writer.join();
    EXPECT_GT(batches.load(), 0);
    for (const auto& copy : copies) {
        const std::string restored = "sqlite:" + copy + ".restored";
        const auto result = runServerToExit({"restore", "--db", restored, copy});
        ASSERT_EQ(result.exitCode, 0) << result.err;
        auto back = server::storage::openDatabase(restored);
        const LedgerReport report = checkLedger(*back);
        EXPECT_TRUE(report.clean()) << copy << ": " << describe(report);
        EXPECT_EQ(report.orders % 40, 300 % 40) << "whole batches only";
    }
    // A backup whose ledger was changed behind the server's back is refused
    // and the database stays as it was.
    {
        auto copy = server::storage::openSqliteSession(copies[0]);
        copy->executeScript(
            "DROP TRIGGER LANCSALDO_SEM_ALTERACAO; UPDATE LANCSALDO SET VRLANCSALDO_CENT ="
            " VRLANCSALDO_CENT + 1 WHERE IDLANCSALDO = (SELECT MIN(IDLANCSALDO) FROM LANCSALDO)");
    }
    const auto before = server::storage::openDatabase(url)->queryText(
        "SELECT COUNT(*), SUM(VRLANCSALDO_CENT) FROM LANCSALDO");
    const auto tampered = runServerToExit({"restore", "--db", url, copies[0]});
    EXPECT_EQ(tampered.exitCode, 1);
    EXPECT_NE(tampered.err.find("a cadeia do razão não confere"), std::string::npos)
        << tampered.err;
    EXPECT_EQ(server::storage::openDatabase(url)->queryText(
                  "SELECT COUNT(*), SUM(VRLANCSALDO_CENT) FROM LANCSALDO"),
              before);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "live.db.restore-check"));
    dir.write("other.db", "not a database");
    const auto refused =
        runServerToExit({"restore", "--db", url, (dir.path() / "other.db").string()});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(server::storage::openDatabase(url)->queryText("SELECT COUNT(*) FROM CLIENTE")[0][0],
              "6");
}

// What an administrator runs against the installed configuration: the
// database comes from --config, a missing one is never made behind their
// back, copies are private and whole, and a restore neither runs under a
// server nor brings back who was logged in.
TEST(AdminCommands, FollowTheConfigurationAndKeepTheDatabaseSafe) {
    testing::TempDir dir;
    const std::string live = (dir.path() / "live.db").string();
    const std::string conf =
        dir.write("server.conf", "threads = 2\ndb = sqlite:" + live + "\nverbose = no\n").string();
    const auto addOperator = [&](const std::string& name) {
        std::istringstream in("senha-de-teste\n");
        std::ostringstream out, err;
        const int code = server::ops::runOperatorCommand(
            {"add", name, "--role", "operador", "--config", conf}, in, out, err);
        return std::pair{code, err.str()};
    };

    const auto refused = addOperator("ana");
    EXPECT_EQ(refused.first, 1);
    EXPECT_NE(refused.second.find("no database file at " + live), std::string::npos)
        << refused.second;
    EXPECT_FALSE(std::filesystem::exists(live)) << "operator add made a database";

    const auto demo = runServerToExit({"demo-data", "--config", conf});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    ASSERT_EQ(addOperator("ana").first, 0);

    testing::ServerProcessOptions options;
    options.dbUrl = "sqlite:" + live;
    auto server = std::make_unique<ServerProcess>(options);
    const auto login = server->client().request(
        "POST", "/session", R"({"operator":"ana","password":"senha-de-teste"})");
    ASSERT_EQ(login.status, 200) << login.body;
    server::storage::openDatabase("sqlite:" + live)
        ->queryText("INSERT INTO CHAVEIDEMP VALUES ('k1', 'h', 200, '{}', 0)");

    const std::string copy = (dir.path() / "copy.db").string();
    const auto backup = runServerToExit({"backup", "--config", conf, copy});
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    struct stat info {};
    ASSERT_EQ(::stat(copy.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "a copy holds password hashes";
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().string().find(".partial"), std::string::npos) << entry.path();

    const auto underServer = runServerToExit({"restore", "--config", conf, copy});
    EXPECT_EQ(underServer.exitCode, 1);
    EXPECT_NE(underServer.err.find("a server has the database open"), std::string::npos)
        << underServer.err;
    server.reset();

    const auto restored = runServerToExit({"restore", "--config", conf, copy});
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    auto db = server::storage::openDatabase("sqlite:" + live);
    EXPECT_EQ(*db->queryText("SELECT COUNT(*) FROM OPERADOR")[0][0], "1");
    EXPECT_EQ(*db->queryText("SELECT COUNT(*) FROM SESSAOOPER")[0][0], "0");
    EXPECT_EQ(*db->queryText("SELECT COUNT(*) FROM CHAVEIDEMP")[0][0], "0");
}

// The same on PostgreSQL: pg_dump's copy is private, the running server holds
// the servers' advisory lock, and pg_restore's result has no sessions or keys.
TEST(AdminCommands, PostgresRestoreWaitsForTheServersAndDropsSessions) {
    const char* base = std::getenv("CONFCRED_TEST_PG");
    if (base == nullptr)
        GTEST_SKIP() << "CONFCRED_TEST_PG is not set: no PostgreSQL cluster to run on";
    testing::TempDir dir;
    testing::PgTestDatabase pg(base);
    ASSERT_EQ(runServerToExit({"demo-data", "--db", pg.url()}).exitCode, 0);
    std::istringstream in("senha-de-teste\n");
    std::ostringstream out, err;
    ASSERT_EQ(server::ops::runOperatorCommand(
                  {"add", "ana", "--role", "operador", "--db", pg.url()}, in, out, err),
              0)
        << err.str();
    testing::ServerProcessOptions options;
    options.dbUrl = pg.url();
    auto server = std::make_unique<ServerProcess>(options);
    ASSERT_EQ(server->client()
                  .request("POST", "/session", R"({"operator":"ana","password":"senha-de-teste"})")
                  .status,
              200);
    server::storage::openDatabase(pg.url())->queryText(
        "INSERT INTO CHAVEIDEMP VALUES ('k1', 'h', 200, '{}', 0)");

    const std::string copy = (dir.path() / "copy.dump").string();
    const auto backup = runServerToExit({"backup", "--db", pg.url(), copy});
    ASSERT_EQ(backup.exitCode, 0) << backup.err;
    struct stat info {};
    ASSERT_EQ(::stat(copy.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const auto underServer = runServerToExit({"restore", "--db", pg.url(), copy});
    EXPECT_EQ(underServer.exitCode, 1);
    EXPECT_NE(underServer.err.find("a server has the database open"), std::string::npos)
        << underServer.err;
    server.reset();
    const auto restored = runServerToExit({"restore", "--db", pg.url(), copy});
    ASSERT_EQ(restored.exitCode, 0) << restored.err;
    auto db = server::storage::openDatabase(pg.url());
    EXPECT_EQ(*db->queryText("SELECT COUNT(*) FROM OPERADOR")[0][0], "1");
    EXPECT_EQ(*db->queryText("SELECT COUNT(*) FROM SESSAOOPER")[0][0], "0");
    EXPECT_EQ(*db->queryText("SELECT COUNT(*) FROM CHAVEIDEMP")[0][0], "0");
}

}  // namespace
}  // namespace confcred::servertest
