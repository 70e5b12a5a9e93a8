// Seeded random operations against the real server and, side by side, a small
// in-memory model of the rules: which calls must succeed, which must be
// refused whole, what every order's situation and every balance become, and
// what the situation filter of the list returns. The seed is printed;
// CONFCRED_MODEL_SEED=<seed> replays a run.

#include <chrono>
#include <map>
#include <random>
#include <set>

#include "server_test_util.h"

namespace confcred::servertest {
namespace {

constexpr int kSteps = 250;

// The rules, as the operator knows them.
class Model {
  public:
    struct Order {
        OrderKey key;
        char situation;
        bool accounted;
        std::map<std::string, std::int64_t> families;  // cents
    };

    explicit Model(server::storage::Database& db) {
        for (const auto& [number, stored] : storedOrders(db))
            orders_[number] = {stored.key, stored.situation, stored.accounted, {}};
        for (const auto& r : db.queryText(
                 "SELECT P.NRPEDCRECONS, F.CDFAMILISALD, F.VRPEDCREFAMI_CENT FROM PEDCREDCONS P"
                 " JOIN PEDCREDFAMI F ON F.IDPEDCREDCONS = P.IDPEDCREDCONS"))
            orders_[*r[0]].families[*r[1]] = std::stoll(*r[2]);
        for (const auto& r : db.queryText(
                 "SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT FROM SALDOCONS"))
            balances_[{*r[0], *r[1], *r[2]}] = std::stoll(*r[3]);
    }

    const std::map<std::string, Order>& orders() const { return orders_; }

    // Whether the call may go through; when it may, its effect is applied.
    bool apply(Operation op, const std::vector<OrderKey>& sent) {
        std::set<std::string> seen;
        for (const OrderKey& k : sent) {
            const auto found = orders_.find(k.number);
            if (found == orders_.end() || !seen.insert(k.number).second)
                return false;
            const Order& o = found->second;
            if (o.situation != fromSituation(op) || o.key.client != k.client ||
                o.key.consumer != k.consumer)
                return false;
            if (op == Operation::UndoEffect && o.key.when != k.when)
                return false;
            if (o.accounted && (op == Operation::UndoEffect || op == Operation::Cancel))
                return false;
        }
        if (sent.empty())
            return false;
        for (const OrderKey& k : sent) {
            Order& o = orders_[k.number];
            o.situation = toSituation(op);
            const int sign = op == Operation::Effect ? 1 : op == Operation::UndoEffect ? -1 : 0;
            for (const auto& [family, cents] : o.families)
                balances_[{o.key.client, o.key.consumer, family}] += sign * cents;
        }
        return true;
    }

    std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> balances() const {
        auto out = balances_;
        std::erase_if(out, [](const auto& entry) { return entry.second == 0; });
        return out;
    }

  private:
    std::map<std::string, Order> orders_;
    std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> balances_;
};

unsigned chooseSeed() {
    if (const char* text = std::getenv("CONFCRED_MODEL_SEED"))
        return static_cast<unsigned>(std::strtoul(text, nullptr, 10));
    return static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count());
}

std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> storedBalances(
    server::storage::Database& db) {
    std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> out;
    for (const auto& r :
         db.queryText("SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT FROM SALDOCONS"))
        if (std::stoll(*r[3]) != 0)
            out[{*r[0], *r[1], *r[2]}] = std::stoll(*r[3]);
    return out;
}

class ModelRun : public ::testing::TestWithParam<TestBackend> {};

TEST_P(ModelRun, ServerFollowsTheRules) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    const unsigned seed = chooseSeed();
    std::printf("# model seed %u (replay with CONFCRED_MODEL_SEED=%u)\n", seed, seed);
    SCOPED_TRACE("CONFCRED_MODEL_SEED=" + std::to_string(seed));
    ServerProcess server(optionsFor(GetParam()));
    auto db = openSeeded(server);
    Model model(*db);
    std::vector<std::string> numbers;
    for (const auto& [number, order] : model.orders())
        numbers.push_back(number);
    // A small working set, so that operations keep meeting the same orders.
    std::mt19937 random(seed);
    std::shuffle(numbers.begin(), numbers.end(), random);
    numbers.resize(std::min<std::size_t>(numbers.size(), 30));

    int accepted = 0, refused = 0, disagreements = 0;
    for (int step = 0; step < kSteps && disagreements == 0; ++step) {
        const auto op = static_cast<Operation>(random() % 4);
        std::vector<OrderKey> sent;
        const std::size_t count = 1 + random() % 3;
        std::vector<std::string> fitting;
        for (const auto& n : numbers)
            if (model.orders().at(n).situation == fromSituation(op))
                fitting.push_back(n);
        for (std::size_t i = 0; i < count; ++i) {
            // Mostly orders the operation applies to, so that calls often succeed.
            const auto& from = !fitting.empty() && random() % 8 ? fitting : numbers;
            OrderKey k = model.orders().at(from[random() % from.size()]).key;
            // Now and then what a stale or careless client sends.
            switch (random() % 20) {
                case 0:
                    k.client = "CLI999";
                    break;
                case 1:
                    k.when = "2001-01-01T00:00:00";
                    break;
                case 2:
                    k.number = "99999999999999999999";
                    break;
                default:
                    break;
            }
            sent.push_back(k);
        }
        const bool expected = model.apply(op, sent);
        const Answer a = runOperation(server, op, sent);
        (a.ok ? accepted : refused)++;
        if (a.ok != expected) {
            ++disagreements;
            ADD_FAILURE() << "step " << step << ": " << operationName(op) << " of " << sent.size()
                          << " orders, first " << sent[0].number << ": model says "
                          << (expected ? "accept" : "refuse") << ", server answered " << a.status
                          << " " << a.error;
        } else if (!a.ok && (a.status != 422 || a.error.empty())) {
            ADD_FAILURE() << "step " << step << ": refusal without a clear message: " << a.status
                          << " " << a.body;
        }
        if (step % 25 == 24 || step == kSteps - 1) {
            // The list's situation filter shows what the model holds.
            for (const char* code : {"S", "N", "C"}) {
                Filter f;
                f.situations = std::string("_") + code + "_";
                const Answer list = call(server, "getPEDCREDCONS", f.args());
                ASSERT_TRUE(list.ok) << list.error;
                std::set<std::string> listed, modelled;
                const auto& col = list.packet.column(
                    static_cast<std::size_t>(list.packet.fieldIndex("NRPEDCRECONS")));
                for (std::size_t r = 0; r < list.packet.rowCount(); ++r)
                    listed.insert(std::string(col.textAt(r)));
                for (const auto& [number, order] : model.orders())
                    if (order.situation == code[0])
                        modelled.insert(number);
                if (listed != modelled) {
                    ++disagreements;
                    ADD_FAILURE() << "step " << step << ": situation " << code << " lists "
                                  << listed.size() << " orders, the model " << modelled.size();
                }
            }
            if (storedBalances(*db) != model.balances()) {
                ++disagreements;
                ADD_FAILURE() << "step " << step << ": balances differ from the model";
            }
        }
    }
    const LedgerReport report = checkLedger(*db);
    EXPECT_TRUE(report.clean()) << describe(report);
    EXPECT_GT(accepted, 10);
    EXPECT_GT(refused, 10);
    figure("model seed " + std::to_string(seed) + ": " + std::to_string(kSteps) + " operations (" +
           std::to_string(accepted) + " accepted, " + std::to_string(refused) + " refused), " +
           std::to_string(disagreements) + " disagreements [" + testing::backendName(GetParam()) +
           "]");
}

INSTANTIATE_TEST_SUITE_P(Backends, ModelRun, bothBackends(), backendLabel);

}  // namespace
}  // namespace confcred::servertest
