// Several operators at once on the same orders, through the real server:
// effect, undo, cancel and undo cancellations race on an overlapping pool.
// Afterwards every balance must equal its ledger and no order may have been
// credited twice; each operator's accepted calls must explain the end state.

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "server_test_util.h"

namespace confcred::servertest {
namespace {

constexpr int kClients = 8;
constexpr int kCallsPerClient = 40;
constexpr std::size_t kPoolSize = 40;

class Concurrency : public ::testing::TestWithParam<TestBackend> {};

TEST_P(Concurrency, OverlappingOperationsCreditEachOrderOnce) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    ServerProcess server(optionsFor(GetParam()));
    auto db = openSeeded(server);
    {
        const LedgerReport before = checkLedger(*db);
        ASSERT_TRUE(before.clean()) << "the seeded data is not consistent: " << describe(before);
    }
    // The pool: orders that start pending, effected and cancelled alike.
    const auto initial = storedOrders(*db);
    std::vector<StoredOrder> pool;
    for (const auto& [number, order] : initial) {
        pool.push_back(order);
        if (pool.size() == kPoolSize)
            break;
    }
    ASSERT_EQ(pool.size(), kPoolSize);

    // First, every client effects the same pending orders at the same moment:
    // exactly one call may succeed.
    std::vector<OrderKey> same;
    for (const auto& [number, order] : initial)
        if (order.situation == 'N' && same.size() < 5 && number > pool.back().key.number)
            same.push_back(order.key);
    ASSERT_EQ(same.size(), 5u);
    {
        std::atomic<int> ready{0}, won{0}, lost{0};
        std::vector<std::thread> racers;
        for (int i = 0; i < kClients; ++i)
            racers.emplace_back([&] {
                auto connection = server.client();
                const std::string args = "[" + selectionPacket(same) + "]";
                ++ready;
                while (ready.load() < kClients)
                    std::this_thread::yield();
                const Answer a = decodeAnswer(connection.post("setEfetivaSaldo", args));
                ++(a.ok ? won : lost);
            });
        for (auto& t : racers)
            t.join();
        EXPECT_EQ(won.load(), 1);
        EXPECT_EQ(lost.load(), kClients - 1);
    }

    // Per order: accepted effects minus accepted undos, as the clients saw them.
    std::vector<std::atomic<int>> netEffects(kPoolSize);
    std::atomic<int> accepted{0}, refused{0}, failures{0};
    std::mutex failureMutex;
    std::string firstFailure;

    // Each client works like an operator at a screen: it reloads its list now
    // and then, so it often acts on what another one has just changed.
    auto client = [&](int id) {
        std::mt19937 random(static_cast<unsigned>(1000 + id));
        auto connection = server.client();
        std::map<std::string, char> view;
        for (int call = 0; call < kCallsPerClient; ++call) {
            if (call % 3 == 0) {
                const Answer list =
                    decodeAnswer(connection.post("getPEDCREDCONS", Filter{}.args()));
                if (list.ok) {
                    const auto& p = list.packet;
                    const auto& numbers = p.column(std::size_t(p.fieldIndex("NRPEDCRECONS")));
                    const auto& situations = p.column(std::size_t(p.fieldIndex("IDPEDCREEXTR")));
                    for (std::size_t r = 0; r < p.rowCount(); ++r)
                        view[std::string(numbers.textAt(r))] = situations.textAt(r)[0];
                }
            }
            const auto op = static_cast<Operation>(random() % 4);
            std::vector<std::size_t> candidates, picked;
            for (std::size_t at = 0; at < kPoolSize; ++at)
                if (view[pool[at].key.number] == fromSituation(op))
                    candidates.push_back(at);
            std::shuffle(candidates.begin(), candidates.end(), random);
            const std::size_t count = 1 + random() % 4;
            for (std::size_t i = 0; i < candidates.size() && i < count; ++i)
                picked.push_back(candidates[i]);
            if (picked.empty())
                picked.push_back(random() % kPoolSize);  // a stale pick: must be refused whole
            std::vector<OrderKey> keys;
            for (std::size_t at : picked)
                keys.push_back(pool[at].key);
            const std::string packet = selectionPacket(keys);
            std::string method = "setEfetivaSaldo", args = "[" + packet + "]";
            if (op == Operation::UndoEffect)
                method = "setCancelaCredito";
            else if (op == Operation::Cancel)
                method = "setSituacao", args = "[" + packet + ",\"C\"]";
            else if (op == Operation::UndoCancel)
                method = "setSituacao", args = "[" + packet + ",\"N\"]";
            Answer a;
            try {
                a = decodeAnswer(connection.post(method, args));
            } catch (const std::exception& e) {
                std::lock_guard lock(failureMutex);
                ++failures;
                if (firstFailure.empty())
                    firstFailure = e.what();
                continue;
            }
            if (a.ok) {
                ++accepted;
                for (std::size_t at : picked) {
                    view[pool[at].key.number] = toSituation(op);
                    if (op == Operation::Effect)
                        ++netEffects[at];
                    else if (op == Operation::UndoEffect)
                        --netEffects[at];
                }
            } else if (a.status == 422 && !a.error.empty()) {
                ++refused;  // another operator got there first: the whole call is refused
            } else {
                std::lock_guard lock(failureMutex);
                ++failures;
                if (firstFailure.empty())
                    firstFailure = std::to_string(a.status) + " " + a.error;
            }
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < kClients; ++i)
        threads.emplace_back(client, i);
    for (auto& t : threads)
        t.join();

    EXPECT_EQ(failures.load(), 0) << firstFailure;
    EXPECT_GT(accepted.load(), 0);
    EXPECT_GT(refused.load(), 0) << "the clients never got in each other's way";

    const LedgerReport after = checkLedger(*db);
    EXPECT_TRUE(after.clean()) << describe(after);
    const auto final = storedOrders(*db);
    int unexplained = 0;
    for (std::size_t i = 0; i < kPoolSize; ++i) {
        const StoredOrder& start = pool[i];
        const int wasEffected = start.situation == 'S' ? 1 : 0;
        const int isEffected = final.at(start.key.number).situation == 'S' ? 1 : 0;
        if (wasEffected + netEffects[i].load() != isEffected) {
            ++unexplained;
            ADD_FAILURE() << "order " << start.key.number << ": started " << start.situation
                          << ", net accepted effects " << netEffects[i].load() << ", ends "
                          << final.at(start.key.number).situation;
        }
    }
    figure(std::to_string(kClients) + " clients, " + std::to_string(kClients * kCallsPerClient) +
           " operations (" + std::to_string(accepted.load()) + " accepted, " +
           std::to_string(refused.load()) + " refused), " +
           std::to_string(after.doubleCredits + unexplained) + " double credits [" +
           testing::backendName(GetParam()) + "]");
}

INSTANTIATE_TEST_SUITE_P(Backends, Concurrency, bothBackends(), backendLabel);

}  // namespace
}  // namespace confcred::servertest
