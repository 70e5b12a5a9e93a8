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
    auto db = server::openDatabase(url);
    const LedgerReport report = checkLedger(*db);
    EXPECT_TRUE(report.clean()) << describe(report);
    // Every server added its orders once (SQLite's new file has its demo orders too).
    const int demo = GetParam() == TestBackend::Sqlite ? 300 : 0;
    EXPECT_EQ(report.orders, demo + kServers * kOrders);
}

INSTANTIATE_TEST_SUITE_P(Backends, Startup, bothBackends(), backendLabel);

}  // namespace
}  // namespace confcred::servertest
