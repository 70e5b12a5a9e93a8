// A batch either happens whole or not at all. Two ways to break it:
// - crash points: the methods run in this process on the real storage, and
//   the n-th statement of the batch's transaction fails, for every n in turn;
// - kills: the real server kills itself at a statement inside large
//   batches (or ends right after their commit), then restarts on the same
//   database.
// After each, every order must be fully applied (situation, balances,
// ledger) or untouched, and the orders of one batch must share one fate.

#include <csignal>
#include <random>

#include "server/http/call_codec.h"
#include "server/methods/confcred_methods.h"
#include "server_test_util.h"
#include "support/temp_dir.h"

namespace confcred::servertest {
namespace {

using namespace std::chrono_literals;

// The storage of one suite run, opened in this process.
struct LocalStore {
    explicit LocalStore(TestBackend backend) {
        if (backend == TestBackend::Postgres) {
            pg = std::make_unique<testing::PgTestDatabase>(std::getenv("CONFCRED_TEST_PG"));
            db = server::storage::openDatabase(pg->url());
        } else {
            db = server::storage::openDatabase("sqlite:" + (dir.path() / "crash.db").string());
        }
        server::storage::seedDemoData(*db);
        server::methods::registerConfCredMethods(methods, *db);
    }

    // Calls a method as the endpoint would; true when it succeeded.
    bool call(const std::string& method, const std::string& argsJson, std::string& error) {
        std::string body = "{\"args\":" + argsJson + "}";
        try {
            const server::methods::Args args = server::http::decodeCall(method, body);
            (*methods.find(method))(args, server::methods::CallContext{"crash"});
            return true;
        } catch (const std::exception& e) {
            error = e.what();
            return false;
        }
    }

    testing::TempDir dir;
    std::unique_ptr<testing::PgTestDatabase> pg;
    std::unique_ptr<server::storage::Database> db;
    server::methods::MethodTable methods;
};

// Orders of one situation that every operation may move (none accounted), up
// to `n`, with their keys as the screens send them.
std::vector<OrderKey> ordersIn(server::storage::Database& db, char situation, std::size_t n) {
    std::vector<OrderKey> out;
    for (const auto& [number, order] : storedOrders(db))
        if (order.situation == situation && !order.accounted && out.size() < n)
            out.push_back(order.key);
    return out;
}

// How many of `orders` are now in `situation`.
std::size_t countIn(server::storage::Database& db, const std::vector<OrderKey>& orders,
                    char situation) {
    const auto all = storedOrders(db);
    std::size_t n = 0;
    for (const auto& o : orders)
        n += all.at(o.number).situation == situation;
    return n;
}

std::string importArgs(const std::string& text) {
    dataset::DataPacket p({{"ARQUIVO", dataset::FieldType::String, 5000}});
    p.column(0).appendText(text);
    return "[" + dataset::encodePacket(p) + "]";
}

// Lines for the demo clients CLI001..CLI006 and their consumers (seven each,
// numbered CONS0001 on), two families each.
std::string importFile(int lines, int firstSlip) {
    std::string text;
    char line[160];
    for (int i = 0; i < lines; ++i) {
        const int client = 1 + i % 6, consumer = (client - 1) * 7 + 1 + (i / 6) % 7;
        std::snprintf(line, sizeof line,
                      "%s;CLI%03d;CONS%04d;CR%d;07/12/2026 09:00:00;Lote;ALI=%d,50;BEB=2\n",
                      i % 3 ? "C" : "D", client, consumer, firstSlip + i, 1 + i % 50);
        text += line;
    }
    return text;
}

struct Tally {
    int crashPoints = 0, kills = 0, applied = 0, untouched = 0, halfApplied = 0;
};

// Every statement of each batch fails in turn; the methods run in this process.
void crashEveryStatement(TestBackend backend, Tally& tally) {
    LocalStore store(backend);
    server::storage::Database& db = *store.db;
    constexpr std::size_t kBatch = 6;

    struct Step {
        const char* name;
        Operation op;
        char from;
    };
    const Step steps[] = {{"effect", Operation::Effect, 'N'},
                          {"undo effect", Operation::UndoEffect, 'S'},
                          {"cancel", Operation::Cancel, 'N'},
                          {"undo cancel", Operation::UndoCancel, 'C'}};
    int& crashPoints = tally.crashPoints;
    int& halfApplied = tally.halfApplied;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const std::vector<OrderKey> batch = ordersIn(db, step.from, kBatch);
        ASSERT_EQ(batch.size(), kBatch);
        const std::string packet = selectionPacket(batch);
        std::string method = "setEfetivaSaldo", args = "[" + packet + "]";
        if (step.op == Operation::UndoEffect)
            method = "setCancelaCredito";
        else if (step.op == Operation::Cancel)
            method = "setSituacao", args = "[" + packet + ",\"C\"]";
        else if (step.op == Operation::UndoCancel)
            method = "setSituacao", args = "[" + packet + ",\"N\"]";
        for (int n = 1;; ++n) {
            db.setFailAtStatement(n);
            std::string error;
            const bool done = store.call(method, args, error);
            db.setFailAtStatement(0);
            const LedgerReport report = checkLedger(db);
            halfApplied += report.halfApplied + report.balanceMismatches;
            EXPECT_TRUE(report.clean()) << "failing at statement " << n << ": " << describe(report);
            if (done) {
                // Past the last statement: the batch went through, whole.
                EXPECT_EQ(countIn(db, batch, toSituation(step.op)), kBatch);
                EXPECT_GT(n, 1);
                break;
            }
            ++crashPoints;
            EXPECT_NE(error.find("injected failure"), std::string::npos) << error;
            EXPECT_EQ(countIn(db, batch, step.from), kBatch) << "statement " << n;
            ASSERT_LT(n, 1000) << "the batch never got through";
        }
    }
    // The import of a file: one transaction of its own.
    const std::string args = importArgs(importFile(900, 500000));
    const std::size_t ordersBefore = storedOrders(db).size();
    for (int n = 1;; ++n) {
        db.setFailAtStatement(n);
        std::string error;
        const bool done = store.call("SetImporSaldoCons", args, error);
        db.setFailAtStatement(0);
        const std::size_t orders = storedOrders(db).size();
        const std::size_t families =
            std::stoul(*db.queryText("SELECT COUNT(*) FROM PEDCREDFAMI F JOIN PEDCREDCONS P ON"
                                     " P.IDPEDCREDCONS = F.IDPEDCREDCONS WHERE P.NRBOLETO LIKE"
                                     " 'CR%'")[0][0]);
        if (done) {
            EXPECT_EQ(orders, ordersBefore + 900);
            EXPECT_EQ(families, 1800u);
            break;
        }
        ++crashPoints;
        if (orders != ordersBefore || families != 0) {
            ++halfApplied;
            ADD_FAILURE() << "import failing at statement " << n << " left "
                          << orders - ordersBefore << " orders and " << families << " family rows";
        }
        ASSERT_LT(n, 1000);
    }
}

// Runs `op` on `batch`; false when no answer came (the server died under it).
bool answered(const ServerProcess& server, Operation op, const std::vector<OrderKey>& batch) {
    try {
        const Answer answer = runOperation(server, op, batch);
        EXPECT_TRUE(answer.ok) << answer.error;
        return true;
    } catch (const std::exception&) {
        return false;  // the connection died with the server
    }
}

// The real server dies inside large batches at its own fault points
// (CONFCRED_FAULT=kill-at-statement), so every kill lands in an open
// transaction however fast or slow the machine; then it restarts on the same
// database. The last run of each round goes through, on even rounds with the
// server ending right after the commit.
void killDuringBatches(TestBackend backend, Tally& tally) {
    constexpr int kBatch = 1500;
    constexpr int kRounds = 5;
    ServerProcess server(optionsFor(backend));
    auto db = openSeeded(server, 4000, 11);

    std::mt19937 random(42);
    int& kills = tally.kills;
    int& halfApplied = tally.halfApplied;
    // Restarts the server with `fault` (none when empty).
    const auto restartWith = [&](const std::string& fault) {
        server.setEnvironment(fault.empty() ? testing::HeaderList{}
                                            : testing::HeaderList{{"CONFCRED_FAULT", fault}});
        server.restart();
    };
    // After a run and a restart: the ledger holds, and the batch moved whole
    // or not at all; true when it moved.
    const auto checkBatch = [&](const std::vector<OrderKey>& batch, Operation op) {
        const LedgerReport report = checkLedger(*db);
        halfApplied += report.halfApplied + report.balanceMismatches;
        EXPECT_TRUE(report.clean()) << describe(report);
        const std::size_t moved = countIn(*db, batch, toSituation(op));
        if (moved == batch.size()) {
            ++tally.applied;
        } else if (moved == 0) {
            ++tally.untouched;
        } else {
            halfApplied += 1;
            ADD_FAILURE() << moved << " of " << batch.size() << " orders of one batch moved";
        }
        return moved == batch.size();
    };

    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Alternate directions so that each round finds a large batch to move.
        const bool manyPending = ordersIn(*db, 'N', kBatch).size() == kBatch;
        const bool manyEffected = ordersIn(*db, 'S', kBatch).size() == kBatch;
        const Operation op = manyPending && (round % 2 == 0 || !manyEffected)
                                 ? Operation::Effect
                                 : Operation::UndoEffect;
        const std::string method =
            op == Operation::Effect ? "setEfetivaSaldo" : "setCancelaCredito";
        const std::vector<OrderKey> batch = ordersIn(*db, fromSituation(op), kBatch);
        ASSERT_EQ(batch.size(), std::size_t{kBatch});

        // Each order takes an UPDATE and a SELECT of its families before the
        // balances and the ledger are written, so statements 1 to 2 * kBatch
        // all run inside the transaction: early, middle and late kills.
        const int points[] = {2 + static_cast<int>(random() % 10),
                              kBatch / 2 + static_cast<int>(random() % kBatch),
                              2 * kBatch - static_cast<int>(random() % 10)};
        std::string killedAt;
        for (const int point : points) {
            restartWith("kill-at-statement:" + method + ":" + std::to_string(point));
            EXPECT_FALSE(answered(server, op, batch))
                << "the batch went through before statement " << point;
            const std::optional<int> exit = server.wait(60s);
            ASSERT_EQ(exit, 128 + SIGKILL)
                << "at statement " << point << ": " << server.stderrText();
            ++kills;
            killedAt += (killedAt.empty() ? "" : ", ") + std::to_string(point);
            restartWith("");
            EXPECT_FALSE(checkBatch(batch, op)) << "killed at statement " << point;
        }
        // The batch goes through; on even rounds the server ends right after
        // its commit, before the answer, and the restarted one must keep it.
        const bool exitAfterCommit = round % 2 == 0;
        if (exitAfterCommit) {
            restartWith("exit-after-commit:" + method);
            EXPECT_FALSE(answered(server, op, batch)) << "the server answered after its commit";
            ASSERT_EQ(server.wait(60s), 70) << server.stderrText();
            ++kills;
            restartWith("");
        } else {
            EXPECT_TRUE(answered(server, op, batch));
        }
        EXPECT_TRUE(checkBatch(batch, op));
        std::printf("# round %d: %s %d orders, killed at statements %s (untouched), then %s\n",
                    round, operationName(op), kBatch, killedAt.c_str(),
                    exitAfterCommit ? "ended after the commit (applied)" : "applied");
    }
    // A server restarted after the kills answers as before.
    const Answer list = call(server, "getPEDCREDCONS", Filter{}.args());
    EXPECT_TRUE(list.ok) << list.error;
}

class Crash : public ::testing::TestWithParam<TestBackend> {};

TEST_P(Crash, EveryBatchIsWholeOrUntouched) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    Tally tally;
    crashEveryStatement(GetParam(), tally);
    killDuringBatches(GetParam(), tally);
    figure(std::to_string(tally.crashPoints) + " crash points, " + std::to_string(tally.kills) +
           " kills (" + std::to_string(tally.applied) + " batches applied, " +
           std::to_string(tally.untouched) + " untouched), " + std::to_string(tally.halfApplied) +
           " half-applied orders [" + testing::backendName(GetParam()) + "]");
}

INSTANTIATE_TEST_SUITE_P(Backends, Crash, bothBackends(), backendLabel);

}  // namespace
}  // namespace confcred::servertest
