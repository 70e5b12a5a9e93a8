// The transport on its own against the fake HTTP server: what goes on the
// wire, any status coming back as an answer, the failures of the link in the
// operator's words (a lost answer told apart from a silent server), and the
// wait that keeps timers running.
#include <gtest/gtest.h>
#include <poll.h>

#include <QTimer>
#include <chrono>
#include <future>

#include "dataset/packet_codec.h"
#include "host/client/call_transport.h"
#include "support/fake_http_server.h"

using namespace confcred::host;
using namespace confcred::host::client;
using confcred::testing::FakeServer;
using confcred::testing::Received;
using confcred::testing::reply;
using confcred::testing::sendAll;

namespace {

client::ServerRequest callTo(int port, int timeoutMs = 5000) {
    client::ServerRequest request;
    request.host = QStringLiteral("127.0.0.1");
    request.port = port;
    request.path = QStringLiteral("/lun90000.rdmConfCredBanc/setSituacao");
    request.what = QStringLiteral("setSituacao");
    request.post = true;
    request.body = R"({"args":[1]})";
    request.timeoutMs = timeoutMs;
    request.setHeader("X-Confcred-Operator", "Ana");
    request.setHeader("X-Confcred-Operator", "Bia");  // replaces
    return request;
}

TEST(CallTransportTest, SendsTheRequestAndTakesAnyStatusAsAnAnswer) {
    const std::string refusal = R"({"error":{"message":"Sessão nova."}})";
    // The answer goes only once the client's timers have run while it waits.
    std::promise<void> ticked;
    const std::shared_future<void> tickedSeen = ticked.get_future().share();
    FakeServer server([&](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        tickedSeen.wait_for(std::chrono::seconds(30));
        sendAll(fd,
                "HTTP/1.1 401 Unauthorized\r\nContent-Type: application/json\r\n"
                "WWW-Authenticate: Bearer realm=\"confcred-session\"\r\nContent-Length: " +
                    std::to_string(refusal.size()) + "\r\nConnection: close\r\n\r\n" + refusal);
        return true;
    });
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (ticks++ == 0)
            ticked.set_value();
    });
    timer.start(1);
    client::NetTransport transport;
    const client::ServerAnswer answer = transport.exchange(callTo(server.port()));
    EXPECT_EQ(answer.status, 401);
    EXPECT_GT(ticks, 0);  // the wait is the nested one: timers fire
    EXPECT_EQ(answer.body, refusal);
    EXPECT_GE(answer.body.capacity(), answer.body.size() + confcred::dataset::kPacketPadding);
    EXPECT_EQ(answer.wwwAuthenticate, R"(Bearer realm="confcred-session")");

    const std::vector<Received> got = server.received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].path, "/lun90000.rdmConfCredBanc/setSituacao");
    EXPECT_EQ(got[0].body, R"({"args":[1]})");
    for (const char* header : {"content-type: application/json", "accept-encoding: identity",
                               "x-confcred-operator: bia"})
        EXPECT_NE(got[0].headers.find(header), std::string::npos) << header << got[0].headers;
    EXPECT_EQ(got[0].headers.find("ana"), std::string::npos);

    // A GET carries no body.
    client::ServerRequest health = callTo(server.port());
    health.post = false;
    health.path = health.what = QStringLiteral("/health");
    EXPECT_EQ(transport.exchange(health).status, 200);
}

struct FailureRow {
    const char* name;
    FakeServer::Responder answer;
    int timeoutMs;
    const char* text;  // the whole message; %1 is host:port
    bool lost;         // AnswerLost: the call may go again with its key
};

TEST(CallTransportTest, FailuresOfTheLinkInTheOperatorsWords) {
    const auto silent = [](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        // Says nothing until the client gives up and closes its end.
        pollfd end{fd, POLLIN, 0};
        ::poll(&end, 1, 30000);
        return true;
    };
    const std::vector<FailureRow> rows = {
        {"closed before answering", [](int, const Received&) { return true; }, 5000,
         "O servidor de aplicação em %1 encerrou a conexão antes de terminar a resposta "
         "(setSituacao).",
         true},
        {"silent", silent, 300,
         "O servidor de aplicação em %1 não respondeu em 0,3 s (setSituacao).", false},
    };
    for (const FailureRow& row : rows) {
        SCOPED_TRACE(row.name);
        FakeServer server(row.answer);
        client::NetTransport transport;
        const QString expected =
            QString::fromUtf8(row.text).arg(QStringLiteral("127.0.0.1:%1").arg(server.port()));
        try {
            transport.exchange(callTo(server.port(), row.timeoutMs));
            ADD_FAILURE() << "no failure";
        } catch (const client::AnswerLost& e) {
            EXPECT_TRUE(row.lost);
            EXPECT_EQ(QString::fromUtf8(e.what()), expected);
        } catch (const client::TransportError& e) {
            EXPECT_FALSE(row.lost);
            EXPECT_EQ(QString::fromUtf8(e.what()), expected);
        }
    }
    int port = 0;
    {
        FakeServer closed([](int, const Received&) { return false; });
        port = closed.port();
    }
    client::NetTransport transport;
    try {
        transport.exchange(callTo(port));
        ADD_FAILURE() << "no failure";
    } catch (const client::AnswerLost& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("O servidor de aplicação em 127.0.0.1:%1 recusou a conexão; "
                                 "verifique se ele está em execução.")
                      .arg(port));
    }
}

}  // namespace
