// Running the server as a service: several instances starting together on a
// new database, the live and ready checks and the metrics.

#include <array>
#include <future>
#include <latch>
#include <thread>

#include "server_test_util.h"
#include "support/temp_dir.h"

namespace confcred::servertest {
namespace {

class Startup : public ::testing::TestWithParam<TestBackend> {};

TEST_P(Startup, ServersStartedTogetherOnANewDatabaseAllSeedAndServe) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    constexpr int kServers = 3, kOrders = 150;
    std::unique_ptr<testing::PgTestDatabase> pg;
    testing::TempDir dir;
    std::string url = "sqlite:" + (dir.path() / "shared.db").string();
    if (GetParam() == TestBackend::Postgres) {
        pg = std::make_unique<testing::PgTestDatabase>(std::getenv("CONFCRED_TEST_PG"));
        url = pg->url();
    }
    // Each server belongs to the thread that started it; the threads stay
    // until the checks are done.
    std::latch started(kServers);
    std::promise<void> checked;
    std::shared_future<void> checkedFuture = checked.get_future().share();
    std::array<std::uint16_t, kServers> ports{};
    std::array<std::string, kServers> failures;
    std::vector<std::thread> threads;
    for (int i = 0; i < kServers; ++i)
        threads.emplace_back([&, i] {
            try {
                testing::ServerProcessOptions options;
                options.dbUrl = url;
                options.extraArgs = {"--seed-orders", std::to_string(kOrders)};
                ServerProcess server(options);
                ports[i] = server.port();
                started.count_down();
                checkedFuture.wait();
            } catch (const std::exception& e) {
                failures[i] = e.what();
                started.count_down();
            }
        });
    started.wait();
    for (int i = 0; i < kServers; ++i) {
        EXPECT_EQ(failures[i], "") << "server " << i;
        if (!failures[i].empty())
            continue;
        testing::HttpClient client("127.0.0.1", ports[i]);
        const Answer consumers = decodeAnswer(client.post("getConsumidor", R"(["", "T", "1"])"));
        EXPECT_TRUE(consumers.ok) << consumers.error;
        EXPECT_GT(consumers.packet.rowCount(), 0u) << "server " << i;
    }
    checked.set_value();
    for (auto& t : threads)
        t.join();
    auto db = server::storage::openDatabase(url);
    const LedgerReport report = checkLedger(*db);
    EXPECT_TRUE(report.clean()) << describe(report);
    // Every server added its orders once (SQLite's new file has its demo orders too).
    const int demo = GetParam() == TestBackend::Sqlite ? 300 : 0;
    EXPECT_EQ(report.orders, demo + kServers * kOrders);
}

INSTANTIATE_TEST_SUITE_P(Backends, Startup, bothBackends(), backendLabel);

TEST(Health, LiveReadyAndMetricsTellApart) {
    ServerProcess server(optionsFor(TestBackend::Sqlite, {"--token", "token-de-16-chars"}));
    auto client = server.client();
    EXPECT_EQ(client.get("/health").body, R"({"status":"ok"})");
    EXPECT_EQ(client.get("/health/ready").body, R"({"status":"ready"})") << "no token needed";
    EXPECT_EQ(client.get("/metrics").status, 401);
    client.setHeader("Authorization", "Bearer token-de-16-chars");
    client.setHeader("X-Confcred-Operator", "Ana \"Caixa\"");
    const Answer consumers = decodeAnswer(client.post("getConsumidor", R"(["", "T", "1"])"));
    ASSERT_TRUE(consumers.ok) << consumers.error;
    client.post("getConsumidor", R"(["", "T", "2"])");
    client.post("noSuchMethod", "[]");
    const auto metrics = client.get("/metrics");
    ASSERT_EQ(metrics.status, 200);
    EXPECT_EQ(metrics.contentType, "text/plain; version=0.0.4; charset=utf-8");
    for (const char* line :
         {"confcred_calls_total{method=\"getConsumidor\",status=\"200\"} 2\n",
          "confcred_calls_total{method=\"unknown\",status=\"404\"} 1\n",
          "confcred_call_duration_seconds_bucket{method=\"getConsumidor\",le=\"+Inf\"} 2\n",
          "confcred_call_duration_seconds_count{method=\"getConsumidor\"} 2\n",
          "confcred_calls_in_flight 0\n", "confcred_db_sessions_in_use 0\n",
          "confcred_ledger_rows_total "})
        EXPECT_NE(metrics.body.find(line), std::string::npos) << line << "\n" << metrics.body;
    const std::string log = server.stderrText();
    const std::string expected = R"("method":"getConsumidor","status":200,"ms":)";
    ASSERT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_NE(log.find(R"("operator":"Ana \"Caixa\"","rows":)" +
                       std::to_string(consumers.packet.rowCount()) + "}"),
              std::string::npos)
        << log;

    // A database without the schema this server expects is live but not ready.
    server::storage::openDatabase(server.dbUrl())
        ->queryText("ALTER TABLE schema_version RENAME TO old_version");
    const auto notReady = client.get("/health/ready");
    EXPECT_EQ(notReady.status, 503);
    EXPECT_NE(notReady.body.find(R"("status":"not ready","reason":)"), std::string::npos)
        << notReady.body;
    EXPECT_EQ(client.get("/health").status, 200);

    ServerProcess open(
        optionsFor(TestBackend::Sqlite, {"--token", "token-de-16-chars", "--metrics-open"}));
    EXPECT_EQ(open.get("/metrics").status, 200);
    EXPECT_EQ(open.post("getConsumidor", R"(["", "T", "1"])").status, 401);
}

}  // namespace
}  // namespace confcred::servertest
