// Idempotency keys on write calls, against the real server on both backends:
// a repeat gets the first answer, another body under the same key is
// refused, concurrent repeats apply once, and a call whose answer was lost to
// a crash right after its commit is answered, after the restart, with its
// first outcome and applied once.

#include <csignal>
#include <future>

#include "server_test_util.h"

namespace confcred::servertest {
namespace {

using namespace std::chrono_literals;

testing::HttpReply postKeyed(const ServerProcess& server, std::string_view method,
                             const std::string& argsJson, const std::string& key) {
    return server.client().request(
        "POST", "/" + std::string(testing::kServerName) + "/" + std::string(method),
        "{\"args\":" + argsJson + "}", {{"Idempotency-Key", key}});
}

std::vector<OrderKey> pending(server::storage::Database& db, std::size_t n) {
    std::vector<OrderKey> out;
    for (const auto& [number, order] : storedOrders(db))
        if (order.situation == 'N' && out.size() < n)
            out.push_back(order.key);
    return out;
}

std::string importArgs(int lines, const std::string& slipPrefix) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += "C;CLI001;CONS000" + std::to_string(1 + i % 7) + ";" + slipPrefix +
                std::to_string(i) + ";07/12/2026 09:00:00;Lote;ALI=1,50\n";
    text += "C;CLI999;CONS0001;X1;07/12/2026 09:00:00;Lote;ALI=1\n";  // one warning
    dataset::DataPacket p({{"ARQUIVO", dataset::FieldType::String, 5000}});
    p.column(0).appendText(text);
    return "[" + dataset::encodePacket(p) + "]";
}

std::string count(server::storage::Database& db, const std::string& sql) {
    return *db.queryText(sql)[0][0];
}

class Idempotency : public ::testing::TestWithParam<TestBackend> {};

TEST_P(Idempotency, RepeatGetsTheFirstAnswerAndAnotherBodyIsRefused) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    ServerProcess server(optionsFor(GetParam()));
    auto db = openSeeded(server);
    const auto orders = pending(*db, 3);
    ASSERT_EQ(orders.size(), 3u);
    const std::string two = "[" + selectionPacket({orders[0], orders[1]}) + "]";

    const auto first = postKeyed(server, "setEfetivaSaldo", two, "efetiva-1");
    ASSERT_EQ(first.status, 200) << first.body;
    EXPECT_EQ(first.header("Idempotent-Replayed"), "");
    const std::string ledger = count(*db, "SELECT COUNT(*) FROM LANCSALDO");
    const auto again = postKeyed(server, "setEfetivaSaldo", two, "efetiva-1");
    EXPECT_EQ(again.status, 200) << again.body;
    EXPECT_EQ(again.header("Idempotent-Replayed"), "true");
    EXPECT_EQ(again.body, first.body);
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM LANCSALDO"), ledger);
    EXPECT_TRUE(checkLedger(*db).clean()) << describe(checkLedger(*db));

    // The same key with another body, or for another method: refused, nothing done.
    const std::string other = "[" + selectionPacket({orders[2]}) + "]";
    for (const auto& [method, args] :
         {std::pair<std::string, std::string>{"setEfetivaSaldo", other},
          {"setSituacao", "[" + selectionPacket({orders[0], orders[1]}) + ",\"C\"]"}}) {
        const Answer refused = decodeAnswer(postKeyed(server, method, args, "efetiva-1"));
        EXPECT_EQ(refused.status, 422) << method;
        EXPECT_NE(refused.error.find("já foi usada"), std::string::npos) << refused.error;
    }
    EXPECT_EQ(storedOrders(*db).at(orders[2].number).situation, 'N');

    // Keys of 1 to 100 printable ASCII characters; a call without a key is as before.
    EXPECT_EQ(
        postKeyed(server, "SetImporSaldoCons", importArgs(1, "K"), std::string(101, 'k')).status,
        400);
    EXPECT_EQ(postKeyed(server, "SetImporSaldoCons", importArgs(1, "K"), "chave-ç").status, 400);
    const auto imported =
        postKeyed(server, "SetImporSaldoCons", importArgs(3, "K"), std::string(100, 'k'));
    ASSERT_EQ(imported.status, 200) << imported.body;
    const auto replayed =
        postKeyed(server, "SetImporSaldoCons", importArgs(3, "K"), std::string(100, 'k'));
    EXPECT_EQ(replayed.header("Idempotent-Replayed"), "true");
    EXPECT_EQ(replayed.body, imported.body);
    EXPECT_EQ(decodeAnswer(imported).packet.rowCount(), 1u);  // the unknown client's line
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM AUDITORIA"), "1");
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM PEDCREDCONS WHERE NRBOLETO LIKE 'K%'"), "3");
    EXPECT_EQ(call(server, "SetImporSaldoCons", importArgs(3, "K")).packet.rowCount(), 4u);
}

TEST_P(Idempotency, ConcurrentRepeatsApplyOnce) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    ServerProcess server(optionsFor(GetParam(), {"--workers", "8"}));
    auto db = openSeeded(server);
    const std::string args = importArgs(3000, "P");
    std::vector<std::future<testing::HttpReply>> calls;
    for (int i = 0; i < 6; ++i)
        calls.push_back(std::async(std::launch::async, [&] {
            return postKeyed(server, "SetImporSaldoCons", args, "lote-concorrente");
        }));
    int firsts = 0, replays = 0, busy = 0;
    std::string body;
    for (auto& c : calls) {
        const auto reply = c.get();
        if (reply.status == 409) {
            ++busy;
            continue;
        }
        ASSERT_EQ(reply.status, 200) << reply.body.substr(0, 300);
        (reply.header("Idempotent-Replayed") == "true" ? replays : firsts) += 1;
        if (body.empty())
            body = reply.body;
        EXPECT_EQ(reply.body, body);
    }
    figure(std::to_string(firsts) + " applied, " + std::to_string(replays) + " replayed, " +
           std::to_string(busy) + " busy of 6 concurrent calls with one key [" +
           testing::backendName(GetParam()) + "]");
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(firsts + replays + busy, 6);
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM AUDITORIA"), "1");
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM PEDCREDCONS WHERE NRBOLETO LIKE 'P%'"), "3000");
}

TEST_P(Idempotency, RetryAfterACrashBetweenCommitAndAnswerGetsTheFirstOutcome) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    auto options = optionsFor(GetParam());
    options.environment = {{"CONFCRED_FAULT", "exit-after-commit:setEfetivaSaldo"}};
    ServerProcess server(options);
    auto db = openSeeded(server);
    const auto orders = pending(*db, 4);
    ASSERT_EQ(orders.size(), 4u);
    const std::string args = "[" + selectionPacket(orders) + "]";

    EXPECT_THROW(postKeyed(server, "setEfetivaSaldo", args, "queda-1"), std::runtime_error);
    EXPECT_EQ(server.wait(10s), 70) << server.stderrText();
    server.restart();

    const auto retry = postKeyed(server, "setEfetivaSaldo", args, "queda-1");
    EXPECT_EQ(retry.status, 200) << retry.body;
    EXPECT_EQ(retry.header("Idempotent-Replayed"), "true");
    const auto stored = storedOrders(*db);
    for (const auto& o : orders)
        EXPECT_EQ(stored.at(o.number).situation, 'S') << o.number;
    const LedgerReport report = checkLedger(*db);
    EXPECT_TRUE(report.clean()) << describe(report);
    // Without its key the same call is a new one: refused, the orders are no longer pending.
    EXPECT_EQ(call(server, "setEfetivaSaldo", args).status, 422);
}

// Each operator's keys are his own: another operator sending the same key is
// a call of his own, neither a replay of the first operator's answer (with
// his warnings) nor a 422 that tells the key was used.
TEST_P(Idempotency, KeysBelongToTheirOperator) {
    CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
    ServerProcess server(optionsFor(GetParam()));
    auto db = openSeeded(server);
    const auto as = [&](const char* name, const std::string& args) {
        return server.client().request(
            "POST", "/" + std::string(testing::kServerName) + "/SetImporSaldoCons",
            "{\"args\":" + args + "}",
            {{"Idempotency-Key", "lote-1"}, {"X-Confcred-Operator", name}});
    };
    const auto ana = as("Ana", importArgs(2, "OP"));
    ASSERT_EQ(ana.status, 200) << ana.body;
    EXPECT_EQ(as("Ana", importArgs(2, "OP")).header("Idempotent-Replayed"), "true");
    const auto bia = as("Bia", importArgs(2, "OP"));
    EXPECT_EQ(bia.status, 200) << bia.body;
    EXPECT_EQ(bia.header("Idempotent-Replayed"), "");
    EXPECT_NE(bia.body.find("já importado"), std::string::npos) << bia.body;
    const auto caio = as("Caio", importArgs(1, "OQ"));
    EXPECT_EQ(caio.status, 200) << caio.body;
    EXPECT_EQ(count(*db, "SELECT COUNT(*) FROM AUDITORIA"), "3");
}

INSTANTIATE_TEST_SUITE_P(Backends, Idempotency, bothBackends(), backendLabel);

}  // namespace
}  // namespace confcred::servertest
