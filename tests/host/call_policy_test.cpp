// The call policy against a scripted transport: a write whose answer is lost
// goes once more with the same key after its pause, a read does not; a call
// refused because the session ended goes once more after one new login,
// unless the login was cancelled or refused or another operator took over a
// write. The logins themselves go to a small fake server.
#include <gtest/gtest.h>

#include <deque>

#include "host/client/call_policy.h"
#include "host/client/server_session.h"
#include "support/fake_http_server.h"

using namespace confcred::host;
using namespace confcred::host::client;
using confcred::testing::FakeServer;
using confcred::testing::Received;
using confcred::testing::reply;

namespace {

using Step = std::function<client::ServerAnswer()>;

// Answers from its script in order; keeps what was sent and each pause (with
// how many requests had gone before it).
class ScriptedTransport : public client::CallTransport {
  public:
    explicit ScriptedTransport(const std::vector<Step>& steps)
        : steps_(steps.begin(), steps.end()) {}

    client::ServerAnswer exchange(const client::ServerRequest& request) override {
        sent.push_back(request);
        if (steps_.empty()) {
            ADD_FAILURE() << "sent once more than scripted";
            throw client::TransportError("nada previsto");
        }
        const Step step = steps_.front();
        steps_.pop_front();
        return step();
    }
    void pause(int ms) override { pauses.emplace_back(ms, sent.size()); }

    std::vector<client::ServerRequest> sent;
    std::vector<std::pair<int, size_t>> pauses;

  private:
    std::deque<Step> steps_;
};

Step answer(int status, QByteArray authenticate = {}) {
    return [=] {
        client::ServerAnswer a;
        a.status = status;
        a.body = R"({"result":"pronto"})";
        a.wwwAuthenticate = authenticate;
        return a;
    };
}
const Step ok = answer(200);
const Step sessionEnded = answer(401, R"(Bearer realm="confcred-session")");
const Step lost = []() -> client::ServerAnswer { throw client::AnswerLost("resposta perdida"); };
const Step timedOut = []() -> client::ServerAnswer {
    throw client::TransportError("não respondeu");
};

client::ServerRequest callRequest(const QString& method) {
    client::ServerRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = 8211;
    request.path = QStringLiteral("/lun90000.rdmConfCredBanc/") + method;
    request.what = method;
    request.post = true;
    request.body = R"({"args":[]})";
    return request;
}

struct LostRow {
    const char* name;
    const char* method;
    std::vector<Step> steps;
    size_t sends;
    bool fails;  // the transport's failure reaches the caller
};

TEST(CallPolicyTest, OnlyAWriteWhoseAnswerWasLostGoesAgainWithItsKey) {
    const std::vector<LostRow> rows = {
        {"write, lost once", "setEfetivaSaldo", {lost, ok}, 2, false},
        {"write, lost twice", "SetImporSaldoCons", {lost, lost}, 2, true},
        {"read, lost", "getPEDCREDCONS", {lost}, 1, true},
        // Silent is not lost: the call may still be running on the server.
        {"write, timed out", "setSituacao", {timedOut}, 1, true},
        {"read, answered", "getPEDCREDCONS", {ok}, 1, false},
    };
    for (const LostRow& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedTransport transport(row.steps);
        client::CallPolicy policy(transport, nullptr);
        policy.setRetryDelayMs(250);
        int linkLost = 0;
        policy.setLinkLost([&] { ++linkLost; });
        QString operatorName = QStringLiteral("Ana");
        const QString method = QString::fromUtf8(row.method);
        if (row.fails) {
            EXPECT_THROW(policy.send(method, callRequest(method), operatorName),
                         client::TransportError);
        } else {
            const client::CallOutcome outcome =
                policy.send(method, callRequest(method), operatorName);
            EXPECT_EQ(outcome.status, 200);
            EXPECT_EQ(outcome.body, R"({"result":"pronto"})");
        }
        EXPECT_EQ(linkLost, row.fails ? 1 : 0);
        ASSERT_EQ(transport.sent.size(), row.sends);
        const QByteArray key = transport.sent[0].header("Idempotency-Key");
        // The writes are the set... methods.
        EXPECT_EQ(key.size(), method.startsWith(QLatin1String("set"), Qt::CaseInsensitive) ? 36 : 0)
            << key.toStdString();
        EXPECT_EQ(transport.sent[0].header("X-Confcred-Operator"), "Ana");
        EXPECT_TRUE(transport.sent[0].header("Authorization").isEmpty());
        if (row.sends == 2) {
            EXPECT_EQ(transport.sent[1].header("Idempotency-Key"), key);
            EXPECT_EQ(transport.sent[1].body, transport.sent[0].body);
            EXPECT_EQ(transport.pauses, (std::vector<std::pair<int, size_t>>{{250, 1}}));
        } else {
            EXPECT_TRUE(transport.pauses.empty());
        }
    }
    // Two writes never share a key.
    ScriptedTransport transport({ok, ok});
    client::CallPolicy policy(transport, nullptr);
    QString operatorName;
    policy.send(QStringLiteral("setSituacao"), callRequest(QStringLiteral("setSituacao")),
                operatorName);
    policy.send(QStringLiteral("setSituacao"), callRequest(QStringLiteral("setSituacao")),
                operatorName);
    EXPECT_NE(transport.sent[0].header("Idempotency-Key"),
              transport.sent[1].header("Idempotency-Key"));
}

// Logs in whoever the body names, with a new token each time: tok-<name>-<n>.
class LoginServer {
  public:
    LoginServer()
        : server_([this](int fd, const Received& r) {
              if (r.path != "/session")
                  return false;
              if (r.method == "POST") {
                  const std::string name =
                      r.body.find("\"Bia\"") != std::string::npos ? "Bia" : "Ana";
                  reply(fd, 200,
                        R"({"result":{"token":"tok-)" + name + "-" + std::to_string(++logins_) +
                            R"(","operator":")" + name + R"(","expires":"2099-01-01T00:00:00"}})");
              } else {
                  reply(fd, 200, R"({"result":null})");
              }
              return true;
          }) {}
    int port() const { return server_.port(); }

  private:
    int logins_ = 0;  // the server's thread only
    FakeServer server_;
};

enum class Relogin { Ana, Bia, Cancelled, Refused };

struct SessionRow {
    const char* name;
    const char* method;
    Relogin relogin;
    std::vector<Step> steps;
    size_t sends;
    const char* refused;  // the start of the call's error; null when answered
    const char* operatorAfter;
};

TEST(CallPolicyTest, EndedSessionLogsInOnceAndTheCallGoesAgainUnderIt) {
    const LoginServer logins;
    const std::vector<SessionRow> rows = {
        {"write, same operator",
         "setEfetivaSaldo",
         Relogin::Ana,
         {sessionEnded, ok},
         2,
         nullptr,
         "Ana"},
        {"read, another operator",
         "getPEDCREDCONS",
         Relogin::Bia,
         {sessionEnded, ok},
         2,
         nullptr,
         "Bia"},
        {"write, another operator",
         "setEfetivaSaldo",
         Relogin::Bia,
         {sessionEnded},
         1,
         "A sessão passou para o operador Bia; a operação pedida por Ana não foi enviada e nada "
         "foi alterado no servidor. Repita-a se for o caso.",
         "Bia"},
        {"login cancelled",
         "setSituacao",
         Relogin::Cancelled,
         {sessionEnded},
         1,
         "Sua sessão no servidor de aplicação terminou e a nova entrada foi cancelada; nada foi "
         "alterado no servidor. Repita a operação para entrar novamente.",
         "Ana"},
        {"login refused",
         "getPEDCREDCONS",
         Relogin::Refused,
         {sessionEnded},
         1,
         "Sua sessão no servidor de aplicação terminou e a nova entrada foi recusada: Operador "
         "ou senha incorretos. Nada foi alterado no servidor.",
         "Ana"},
        // Refused again under the new session: its answer is the call's.
        {"ended again",
         "getPEDCREDCONS",
         Relogin::Ana,
         {sessionEnded, sessionEnded},
         2,
         nullptr,
         "Ana"},
    };
    for (const SessionRow& row : rows) {
        SCOPED_TRACE(row.name);
        client::ServerSession session;
        ASSERT_TRUE(session
                        .login(QStringLiteral("127.0.0.1"), logins.port(), QStringLiteral("Ana"),
                               QStringLiteral("senha"))
                        .ok);
        const QByteArray firstBearer = session.bearer();
        int relogins = 0;
        session.setRelogin([&](QString& message) {
            ++relogins;
            switch (row.relogin) {
                case Relogin::Cancelled:
                    return client::LoginAgain::Cancelled;
                case Relogin::Refused:
                    message = QStringLiteral("Operador ou senha incorretos.");
                    return client::LoginAgain::Refused;
                default: {
                    const QString name =
                        row.relogin == Relogin::Bia ? QStringLiteral("Bia") : QStringLiteral("Ana");
                    EXPECT_TRUE(session
                                    .login(QStringLiteral("127.0.0.1"), logins.port(), name,
                                           QStringLiteral("senha"))
                                    .ok);
                    return client::LoginAgain::LoggedIn;
                }
            }
        });
        ScriptedTransport transport(row.steps);
        client::CallPolicy policy(transport, &session);
        QString operatorName = QStringLiteral("Ana");
        const QString method = QString::fromUtf8(row.method);
        const client::CallOutcome outcome = policy.send(method, callRequest(method), operatorName);

        EXPECT_EQ(relogins, 1);
        EXPECT_EQ(operatorName, QString::fromUtf8(row.operatorAfter));
        ASSERT_EQ(transport.sent.size(), row.sends);
        EXPECT_EQ(transport.sent[0].header("Authorization"), firstBearer);
        if (row.refused) {
            EXPECT_EQ(outcome.refused, QString::fromUtf8(row.refused));
            continue;
        }
        EXPECT_TRUE(outcome.refused.isEmpty());
        EXPECT_EQ(outcome.status, row.steps.back()().status);
        const client::ServerRequest& again = transport.sent[1];
        EXPECT_EQ(again.header("Authorization"), session.bearer());
        EXPECT_NE(again.header("Authorization"), firstBearer);
        EXPECT_EQ(again.header("X-Confcred-Operator"), operatorName.toUtf8());
        EXPECT_EQ(again.header("Idempotency-Key"), transport.sent[0].header("Idempotency-Key"));
    }

    // Without a way to log in again, or without the session's realm, the
    // refusal is the answer and nothing is sent again.
    for (const Step& refusal : {sessionEnded, answer(401)}) {
        client::ServerSession session;
        if (refusal().wwwAuthenticate.isEmpty())
            session.setRelogin([](QString&) -> client::LoginAgain {
                ADD_FAILURE() << "logged in again for another 401";
                return client::LoginAgain::Cancelled;
            });
        ScriptedTransport transport({refusal});
        client::CallPolicy policy(transport, &session);
        QString operatorName = QStringLiteral("Ana");
        EXPECT_EQ(policy
                      .send(QStringLiteral("setSituacao"),
                            callRequest(QStringLiteral("setSituacao")), operatorName)
                      .status,
                  401);
        EXPECT_EQ(transport.sent.size(), 1u);
    }
}

}  // namespace

namespace {

// A balancer's own error page: HTML, not the server's JSON.
Step page(int status) {
    return [=] {
        client::ServerAnswer a;
        a.status = status;
        a.body = "<html><body><h1>" + std::to_string(status) + " Service Unavailable</h1></body>";
        return a;
    };
}
Step serverBusy() {
    return [] {
        client::ServerAnswer a;
        a.status = 503;
        a.body = R"({"error":{"message":"Servidor ocupado."}})";
        return a;
    };
}

}  // namespace

// No server behind the balancer for a moment: the call goes again (a write
// with its key), and only a balancer's page that stays becomes
// "indisponível"; a 503 the server wrote itself keeps its own message.
TEST(CallPolicyTest, BalancerPagesGoAgainThenTellTheServerIsUnavailable) {
    struct Row {
        const char* name;
        const char* method;
        std::vector<Step> steps;
        int status;  // 0: the call fails with "indisponível"
    };
    const std::vector<Row> rows = {
        {"write, one 503 page", "setEfetivaSaldo", {page(503), ok}, 200},
        {"read, pages all along", "getPEDCREDCONS", {page(502), page(504), page(503)}, 0},
        {"read, the server's own 503",
         "getPEDCREDCONS",
         {serverBusy(), serverBusy(), serverBusy()},
         503},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedTransport transport(row.steps);
        client::CallPolicy policy(transport, nullptr);
        policy.setRetryDelayMs(100);
        QString operatorName = QStringLiteral("Ana");
        const QString method = QString::fromUtf8(row.method);
        if (row.status == 0) {
            try {
                policy.send(method, callRequest(method), operatorName);
                ADD_FAILURE() << "no failure";
            } catch (const client::TransportError& e) {
                EXPECT_EQ(std::string(e.what()).rfind(
                              "Servidor de aplicação indisponível em 127.0.0.1:8211 (HTTP 503, "
                              "getPEDCREDCONS)",
                              0),
                          0u)
                    << e.what();
            }
        } else {
            EXPECT_EQ(policy.send(method, callRequest(method), operatorName).status, row.status);
        }
        ASSERT_EQ(transport.sent.size(), row.steps.size());
        for (const auto& sent : transport.sent)
            EXPECT_EQ(sent.header("Idempotency-Key"), transport.sent[0].header("Idempotency-Key"));
    }
}

TEST(CallPolicyTest, LoginThroughABalancerWithoutServersSaysUnavailable) {
    FakeServer balancer([](int fd, const Received& r) {
        if (r.path != "/session")
            return false;
        ::confcred::testing::reply(fd, 503, "<html>503 Service Unavailable</html>");
        return true;
    });
    client::ServerSession session;
    const auto reply = session.login(QStringLiteral("127.0.0.1"), balancer.port(),
                                     QStringLiteral("Ana"), QStringLiteral("senha"));
    EXPECT_FALSE(reply.ok);
    EXPECT_TRUE(reply.message.startsWith(
        QStringLiteral("Servidor de aplicação indisponível em 127.0.0.1:%1 (HTTP 503)")
            .arg(balancer.port())))
        << reply.message.toStdString();
    EXPECT_EQ(balancer.received().size(), 3u);
}
