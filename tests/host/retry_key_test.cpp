// TNetConnection's write calls carry a fresh Idempotency-Key and, when their
// answer is lost, go once more with the same key; reads carry none and do not.
#include <gtest/gtest.h>

#include <atomic>

#include "host/net_connection.h"
#include "host/retry_key.h"
#include "support/fake_http_server.h"

using namespace confcred::host;
using confcred::testing::FakeServer;
using confcred::testing::Received;
using confcred::testing::reply;

namespace {

std::string keyOf(const Received& r) {
    const std::string name = "idempotency-key: ";
    const auto at = r.headers.find(name);
    if (at == std::string::npos)
        return {};
    const auto end = r.headers.find('\r', at);
    return r.headers.substr(at + name.size(), end - at - name.size());
}

TEST(RetryKeyTest, LostAnswerOfAWriteIsAskedAgainWithTheSameKey) {
    // Every other call is dropped without an answer, as by a server that
    // died after its commit.
    std::atomic<int> posts{0};
    FakeServer server([&](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        if (posts++ % 2 == 0)
            return true;  // closed without an answer
        reply(fd, 200, R"({"result":"pronto"})");
        return true;
    });
    TNetConnection net;
    net.setServerName(QStringLiteral("lun90000.rdmConfCredBanc"));
    net.setPort(server.port());
    net.setRetryDelayMs(10);

    EXPECT_EQ(net.AppServer(QStringLiteral("setEfetivaSaldo")).value(), QStringLiteral("pronto"));
    EXPECT_EQ(net.AppServer(QStringLiteral("SetImporSaldoCons")).value(), QStringLiteral("pronto"));
    // A read whose answer is lost is not sent again.
    EXPECT_THROW(net.AppServer(QStringLiteral("getPEDCREDCONS")), TransportError);

    std::vector<Received> got;
    for (const Received& r : server.received())
        if (r.method == "POST")
            got.push_back(r);
    ASSERT_EQ(got.size(), 5u);
    const std::string first = keyOf(got[0]), second = keyOf(got[2]);
    EXPECT_EQ(first.size(), 36u) << first;
    EXPECT_EQ(keyOf(got[1]), first);
    EXPECT_EQ(keyOf(got[3]), second);
    EXPECT_NE(second, first);
    EXPECT_EQ(got[1].body, got[0].body);
    EXPECT_EQ(keyOf(got[4]), "");
    EXPECT_TRUE(isWriteCall(QStringLiteral("setsituacao")));
}

}  // namespace
