// Operators who log in, on a real server over both backends: the session
// names the operator, roles refuse, sessions expire and end, failed logins
// are slowed, the operator command line keeps the accounts, and a loopback
// server without accounts serves as it always did.
#include "server/trust/sessions.h"

#include <simdjson.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "raw_socket.h"
#include "server/ops/operator_cli.h"
#include "server_test_util.h"
#include "support/wait_until.h"

namespace confcred::servertest {
namespace {

using namespace std::chrono_literals;
using testing::HeaderList;
using testing::HttpClient;
using testing::HttpReply;

const std::string kMethods = "/" + std::string(testing::kServerName) + "/";

// Runs `confcred-server operator ...` on the server's database, the password
// given on standard input; returns the exit code and what it printed.
struct CliResult {
    int code;
    std::string out, err;
};
CliResult operatorCli(const ServerProcess& server, std::vector<std::string> args,
                      const std::string& stdinText = {}) {
    args.push_back("--db");
    args.push_back(server.dbUrl());
    std::istringstream in(stdinText);
    std::ostringstream out, err;
    const int code = server::ops::runOperatorCommand(args, in, out, err);
    return {code, out.str(), err.str()};
}

std::string member(const std::string& body, const char* name) {
    simdjson::dom::parser parser;
    std::string_view value;
    if (parser.parse(body)["result"][name].get(value) != simdjson::SUCCESS)
        return {};
    return std::string(value);
}

HttpReply login(const ServerProcess& server, const std::string& name, const std::string& password) {
    return server.client().request(
        "POST", "/session",
        R"({"operator":)" + json(name) + R"(,"password":)" + json(password) + "}");
}

// A client that sends the session of `name` on every call.
HttpClient loggedIn(const ServerProcess& server, const std::string& name,
                    const std::string& password) {
    const HttpReply reply = login(server, name, password);
    EXPECT_EQ(reply.status, 200) << reply.body;
    HttpClient client = server.client();
    client.setHeader("Authorization", "Bearer " + member(reply.body, "token"));
    return client;
}

class Sessions : public ::testing::TestWithParam<TestBackend> {
  protected:
    void SetUp() override {
        CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
        server_ = std::make_unique<ServerProcess>(optionsFor(GetParam(), extraArgs()));
        db_ = openSeeded(*server_);
    }
    virtual std::vector<std::string> extraArgs() const { return {}; }

    void addOperator(const std::string& name, const char* role, const std::string& password) {
        const auto r = operatorCli(*server_, {"add", name, "--role", role}, password + "\n");
        ASSERT_EQ(r.code, 0) << r.err;
    }

    // The server looks for accounts once a second: wait until it has seen
    // what the database says.
    bool waitForHealth(const std::string& body) {
        return testing::waitUntil([&] { return server_->get("/health").body == body; }, 5s);
    }

    OrderKey pendingOrder() {
        for (const auto& [number, order] : storedOrders(*db_))
            if (order.situation == 'N' && !order.accounted)
                return order.key;
        ADD_FAILURE() << "no pending order";
        return {};
    }

    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<server::storage::Database> db_;
};

TEST_P(Sessions, LoopbackWithoutAccountsServesAsBeforeUntilTheFirstAccount) {
    EXPECT_EQ(server_->get("/health").body, R"({"status":"ok"})");
    EXPECT_EQ(server_->post("getNada", "[]").status, 404);

    addOperator("Ana", "operador", "senha-da-ana");
    ASSERT_TRUE(waitForHealth(R"({"status":"ok","sessions":true})"));
    const HttpReply refused = server_->post("getNada", "[]");
    EXPECT_EQ(refused.status, 401) << refused.body;
    EXPECT_NE(refused.body.find("Sessão necessária"), std::string::npos) << refused.body;
    EXPECT_EQ(loggedIn(*server_, "Ana", "senha-da-ana").post("getNada", "[]").status, 404);
}

// The server looks at the accounts as it starts, before it serves: the
// restart makes it see the disabled account without waiting on its clock.
TEST_P(Sessions, DisablingTheLastAccountKeepsSessionsRequired) {
    addOperator("Ana", "operador", "senha-da-ana");
    ASSERT_TRUE(waitForHealth(R"({"status":"ok","sessions":true})"));
    ASSERT_EQ(operatorCli(*server_, {"disable", "Ana"}).code, 0);
    server_->restart();

    EXPECT_EQ(server_->get("/health").body, R"({"status":"ok","sessions":true})");
    HttpClient anonymous = server_->client();
    anonymous.setHeader("X-Confcred-Operator", "Ana");
    EXPECT_EQ(anonymous.post("getPEDCREDCONS", Filter{}.args()).status, 401);
    const HttpReply write =
        anonymous.post("setEfetivaSaldo", "[" + selectionPacket({pendingOrder()}) + "]");
    EXPECT_EQ(write.status, 401) << write.body;

    // Only the explicit command turns them off, stored in the database, and back on.
    EXPECT_EQ(operatorCli(*server_, {"sessions", "maybe"}).code, 2);
    ASSERT_EQ(operatorCli(*server_, {"sessions", "off"}).code, 0);
    ASSERT_TRUE(waitForHealth(R"({"status":"ok"})"));
    EXPECT_EQ(anonymous.post("getPEDCREDCONS", Filter{}.args()).status, 200);
    ASSERT_EQ(operatorCli(*server_, {"sessions", "on"}).code, 0);
    ASSERT_TRUE(waitForHealth(R"({"status":"ok","sessions":true})"));
    EXPECT_EQ(anonymous.post("getPEDCREDCONS", Filter{}.args()).status, 401);
}

TEST_P(Sessions, TheSessionNamesTheOperatorAndTheRoleLimitsWhatHeMayDo) {
    addOperator("Ana", "operador", "senha-da-ana");
    addOperator("Bia", "consulta", "senha-da-bia");
    ASSERT_TRUE(waitForHealth(R"({"status":"ok","sessions":true})"));

    const OrderKey order = pendingOrder();
    const std::string effect = "[" + selectionPacket({order}) + "]";
    HttpClient bia = loggedIn(*server_, "Bia", "senha-da-bia");
    bia.setHeader("X-Confcred-Operator", "Ana");
    EXPECT_EQ(bia.post("getPEDCREDCONS", Filter{}.args()).status, 200);
    const HttpReply forbidden = bia.post("setEfetivaSaldo", effect);
    EXPECT_EQ(forbidden.status, 403) << forbidden.body;
    EXPECT_NE(forbidden.body.find("não permitida para o perfil consulta"), std::string::npos);

    HttpClient ana = loggedIn(*server_, "Ana", "senha-da-ana");
    ana.setHeader("X-Confcred-Operator", "Mallory");
    const HttpReply effected = ana.post("setEfetivaSaldo", effect);
    ASSERT_EQ(effected.status, 200) << effected.body;
    const auto names = db_->queryText(
        "SELECT DISTINCT NMOPERADOR FROM LANCSALDO WHERE NRPEDCRECONS = ?", {order.number});
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0][0], "Ana");

    // No session, a made-up one, and a forged name alone: all refused.
    HttpClient forger = server_->client();
    forger.setHeader("X-Confcred-Operator", "Ana");
    EXPECT_EQ(forger.post("getPEDCREDCONS", Filter{}.args()).status, 401);
    forger.setHeader("Authorization", "Bearer " + std::string(64, 'a'));
    EXPECT_EQ(forger.post("getPEDCREDCONS", Filter{}.args()).status, 401);
}

TEST_P(Sessions, RenewalReplacesTheTokenAndLogoutEndsIt) {
    addOperator("Ana", "operador", "senha-da-ana");
    ASSERT_TRUE(waitForHealth(R"({"status":"ok","sessions":true})"));
    const HttpReply first = login(*server_, "Ana", "senha-da-ana");
    ASSERT_EQ(first.status, 200) << first.body;
    EXPECT_EQ(member(first.body, "operator"), "Ana");
    EXPECT_TRUE(platform::DateTime::parseIso(member(first.body, "expires")));
    const std::string oldToken = member(first.body, "token");
    const HeaderList oldBearer = {{"Authorization", "Bearer " + oldToken}};

    HttpClient client = server_->client();
    const HttpReply renewed = client.request("POST", "/session/renew", "", oldBearer);
    ASSERT_EQ(renewed.status, 200) << renewed.body;
    const std::string newToken = member(renewed.body, "token");
    ASSERT_EQ(newToken.size(), 64u);
    EXPECT_NE(newToken, oldToken);
    EXPECT_EQ(client.request("POST", kMethods + "getNada", R"({"args":[]})", oldBearer).status,
              401);
    const HeaderList newBearer = {{"Authorization", "Bearer " + newToken}};
    EXPECT_EQ(client.request("POST", kMethods + "getNada", R"({"args":[]})", newBearer).status,
              404);

    EXPECT_EQ(client.request("DELETE", "/session", "", newBearer).status, 200);
    EXPECT_EQ(client.request("POST", kMethods + "getNada", R"({"args":[]})", newBearer).status,
              401);
}

TEST_P(Sessions, WrongPasswordsAreSlowedDownPerName) {
    addOperator("Ana", "operador", "senha-da-ana");
    for (int i = 1; i <= 3; ++i) {
        const HttpReply wrong = login(*server_, "Ana", "chute-" + std::to_string(i));
        EXPECT_EQ(wrong.status, 401) << i << ": " << wrong.body;
        EXPECT_NE(wrong.body.find("Operador ou senha incorretos"), std::string::npos);
    }
    // Even the right password waits now, and is not even checked.
    const HttpReply slowed = login(*server_, "Ana", "senha-da-ana");
    EXPECT_EQ(slowed.status, 429) << slowed.body;
    EXPECT_NE(slowed.body.find("Aguarde"), std::string::npos) << slowed.body;
    std::this_thread::sleep_for(1100ms);
    EXPECT_EQ(login(*server_, "Ana", "senha-da-ana").status, 200);
}

TEST_P(Sessions, TheOperatorCommandLineKeepsAccountsAndDisablingEndsSessions) {
    addOperator("  Ana Souza ", "operador", "senha-da-ana");
    addOperator("Bia", "consulta", "senha-da-bia");
    EXPECT_EQ(operatorCli(*server_, {"add", "Bia", "--role", "operador"}, "outra-senha\n").code, 1);
    EXPECT_EQ(operatorCli(*server_, {"add", "Caio", "--role", "chefe"}, "senha-do-caio\n").code, 2);
    EXPECT_EQ(operatorCli(*server_, {"add", "Caio", "--role", "consulta"}, "curta\n").code, 2);
    // Passwords pass Debian's checker: length, dictionary, sequences, repeats.
    for (const char* weak : {"12345678\n", "        \n", "password\n", "aaaab-caio\n"}) {
        const CliResult refused =
            operatorCli(*server_, {"add", "Caio", "--role", "consulta"}, weak);
        EXPECT_EQ(refused.code, 2) << weak;
        EXPECT_NE(refused.err.find("Senha recusada"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(operatorCli(*server_, {"add", std::string(41, 'x'), "--role", "consulta"},
                          "senha-comprida\n")
                  .code,
              2);
    EXPECT_EQ(
        operatorCli(*server_, {"add", "Ca\u200Bio", "--role", "consulta"}, "senha-do-caio\n").code,
        2);
    // Names compare without regard to case; bidirectional controls are refused.
    EXPECT_EQ(operatorCli(*server_, {"add", "bIA", "--role", "operador"}, "outra-senha\n").code, 1);
    EXPECT_EQ(
        operatorCli(*server_, {"add", "Ana\u202Eazuos", "--role", "consulta"}, "senha-do-caio\n")
            .code,
        2);
    EXPECT_EQ(operatorCli(*server_, {"list"}).out,
              "Ana Souza\toperador\tenabled\nBia\tconsulta\tenabled\n");
    ASSERT_TRUE(waitForHealth(R"({"status":"ok","sessions":true})"));

    HttpClient bia = loggedIn(*server_, "Bia", "senha-da-bia");
    EXPECT_EQ(operatorCli(*server_, {"disable", "Bia"}).code, 0);
    EXPECT_EQ(bia.post("getNada", "[]").status, 401);
    EXPECT_EQ(login(*server_, "Bia", "senha-da-bia").status, 401);

    EXPECT_EQ(operatorCli(*server_, {"passwd", "Ana Souza"}, "senha-nova-da-ana\n").code, 0);
    EXPECT_EQ(login(*server_, "Ana Souza", "senha-nova-da-ana").status, 200);
    EXPECT_EQ(login(*server_, "ana souza", "senha-nova-da-ana").status, 200);
}

// Body memory is only for sessions the server knows: a head with a made-up
// session of the right form is refused at once, before its body is read or
// any budget reserved, so heads held open by outsiders never keep an
// operator's import out; a login's body is small or refused at the head.
TEST_P(Sessions, OnlyAKnownSessionReservesBodyMemory) {
    constexpr std::size_t kBudget = 1 << 20;
    ServerProcess budgeted(optionsFor(GetParam(), {"--max-body", std::to_string(kBudget),
                                                   "--body-budget", std::to_string(kBudget)}));
    openSeeded(budgeted);
    {
        std::istringstream in("senha-da-ana\n");
        std::ostringstream out, err;
        ASSERT_EQ(server::ops::runOperatorCommand(
                      {"add", "Ana", "--role", "operador", "--db", budgeted.dbUrl()}, in, out, err),
                  0)
            << err.str();
    }
    ASSERT_TRUE(testing::waitUntil(
        [&] { return budgeted.get("/health").body == R"({"status":"ok","sessions":true})"; }, 5s));
    HttpClient ana = loggedIn(budgeted, "Ana", "senha-da-ana");

    const std::string madeUp = "Authorization: Bearer " + std::string(64, 'a') + "\r\n";
    std::vector<std::unique_ptr<testing::RawSocket>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<testing::RawSocket>(budgeted.port()));
        ASSERT_TRUE(held.back()->send("POST " + kMethods +
                                      "getNada HTTP/1.1\r\nHost: x\r\nContent-Length: 900000\r\n" +
                                      madeUp + "\r\n"));
        const testing::RawReply refused = held.back()->read(10s);
        EXPECT_EQ(refused.status, 401) << i << ": " << refused.body;
    }
    // The operator's call of most of the budget goes through meanwhile.
    const std::string big = R"({"args":[")" + std::string(700'000, 'a') + R"("]})";
    EXPECT_EQ(ana.request("POST", kMethods + "getNada", big).status, 404);

    testing::RawSocket login(budgeted.port());
    ASSERT_TRUE(login.send("POST /session HTTP/1.1\r\nHost: x\r\nContent-Length: 500000\r\n\r\n"));
    EXPECT_EQ(login.read(10s).status, 413);
}

// Behind a trusted proxy each desk is its own address: failures from one
// desk do not refuse another's login; the operator whose name an outsider
// tries waits a few seconds at most; each refusal is in the JSON log with the
// address, the name tried and why.
TEST_P(Sessions, BehindATrustedProxyFailuresStayWithTheirDesk) {
    ServerProcess proxied(optionsFor(GetParam(), {"--trusted-proxy", "127.0.0.1"}));
    openSeeded(proxied);
    for (const char* name : {"Ana", "Bia"}) {
        std::istringstream in(std::string("senha-de-") + name + "\n");
        std::ostringstream out, err;
        ASSERT_EQ(server::ops::runOperatorCommand(
                      {"add", name, "--role", "operador", "--db", proxied.dbUrl()}, in, out, err),
                  0)
            << err.str();
    }
    const auto from = [&](const char* address, const std::string& name,
                          const std::string& password) {
        return proxied.client().request(
            "POST", "/session",
            R"({"operator":)" + json(name) + R"(,"password":)" + json(password) + "}",
            {{"X-Forwarded-For", std::string("10.9.9.9, ") + address}});
    };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(from("203.0.113.9", "Ana", "chute").status, 401);
    EXPECT_EQ(from("198.51.100.7", "Bia", "senha-de-Bia").status, 200);
    const HttpReply waiting = from("198.51.100.7", "Ana", "senha-de-Ana");
    if (waiting.status == 429) {
        const int seconds = std::stoi(waiting.header("Retry-After"));
        EXPECT_LE(seconds, 5);
        // The right password gets in once the short delay has passed; the
        // deadline only bounds a failure.
        EXPECT_TRUE(testing::waitUntil(
            [&] { return from("198.51.100.7", "Ana", "senha-de-Ana").status == 200; }));
    } else {
        EXPECT_EQ(waiting.status, 200) << waiting.body;
    }
    const std::string log = proxied.stderrText();
    EXPECT_NE(
        log.find(R"("event":"refused","status":401,"address":"203.0.113.9","operator":"Ana")"),
        std::string::npos)
        << log;
    EXPECT_EQ(log.find("10.9.9.9"), std::string::npos) << "only the proxy's own entry counts";
}

INSTANTIATE_TEST_SUITE_P(Backends, Sessions, bothBackends(), backendLabel);

class ShortSessions : public Sessions {
    std::vector<std::string> extraArgs() const override { return {"--session-seconds", "1"}; }
};

TEST_P(ShortSessions, AnExpiredSessionIsRefused) {
    addOperator("Ana", "operador", "senha-da-ana");
    HttpClient ana = loggedIn(*server_, "Ana", "senha-da-ana");
    EXPECT_EQ(ana.post("getNada", "[]").status, 404);
    std::this_thread::sleep_for(2100ms);
    const HttpReply expired = ana.post("getNada", "[]");
    EXPECT_EQ(expired.status, 401) << expired.body;
    EXPECT_NE(expired.body.find("expirada"), std::string::npos) << expired.body;
}

INSTANTIATE_TEST_SUITE_P(Backends, ShortSessions, bothBackends(), backendLabel);

// An outsider who fails again and again for one name, each time as soon as he
// may, waits longer and longer from his address; the operator of that name,
// from any other address, is never asked to wait more than a few seconds.
TEST(LoginThrottle, AnOutsiderSlowsHimselfNotTheOperator) {
    server::trust::LoginThrottle throttle;
    using Clock = server::trust::LoginThrottle::Clock;
    Clock::time_point now{};
    for (int i = 0; i < 20; ++i) {
        now += throttle.waitFor("203.0.113.9", "ana", now);
        throttle.failed("203.0.113.9", "ana", now);
    }
    EXPECT_EQ(throttle.waitFor("203.0.113.9", "ana", now), server::trust::LoginThrottle::kMaxDelay);
    EXPECT_LE(throttle.waitFor("198.51.100.7", "ana", now),
              server::trust::LoginThrottle::kMaxNameDelay);
    EXPECT_EQ(throttle.waitFor("198.51.100.7", "bia", now), std::chrono::seconds(0));
    // Many names from one address: after the address's free failures, every
    // name from it waits.
    for (int i = 0; i < 10; ++i)
        throttle.failed("192.0.2.1", "nome" + std::to_string(i), now);
    EXPECT_GT(throttle.waitFor("192.0.2.1", "outro", now), std::chrono::seconds(0));
}

}  // namespace
}  // namespace confcred::servertest
