// A screen's connection takes host, port and operator from the host context at
// every connect, so a changed context reaches the next connect.
#include <gtest/gtest.h>

#include <QObject>

#include "host/client/net_connection.h"
#include "host/core/application.h"
#include "package/frame/server_connection.h"
#include "support/fake_http_server.h"

using namespace confcred;
using confcred::testing::FakeServer;
using confcred::testing::Received;
using confcred::testing::reply;

namespace {

FakeServer::Responder answerNull() {
    return [](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        reply(fd, 200, R"({"result":null})");
        return true;
    };
}

TEST(ServerConnectionTest, HostContextIsReadAtEveryConnect) {
    FakeServer first(answerNull());
    FakeServer second(answerNull());
    QObject owner;
    host::client::TNetConnection* net = nullptr;
    net = package::createServerConnection(&owner, QStringLiteral("netConfCredBanc"),
                                          QStringLiteral("lun90000.rdmConfCredBanc"),
                                          [&net] { package::pointAtHostServer(*net); });
    const std::vector<std::tuple<FakeServer*, QString, std::string>> rows = {
        {&first, QStringLiteral("Maria"), "x-confcred-operator: maria"},
        {&second, QStringLiteral("Jo\u00e3o"), "x-confcred-operator: jo\xc3\xa3o"},
    };
    for (const auto& [server, name, header] : rows) {
        host::core::WebURL = QStringLiteral("127.0.0.1");
        host::core::WebPort = server->port();
        host::core::Operador = name;
        net->Close();
        ASSERT_TRUE(net->AppServer(QStringLiteral("setSituacao")).ok());
        const std::vector<Received> got = server->received();
        ASSERT_EQ(got.size(), 2u);  // /health, then the call
        EXPECT_NE(got[1].headers.find(header), std::string::npos) << got[1].headers;
    }
}

}  // namespace
