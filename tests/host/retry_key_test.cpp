// TNetConnection's write calls carry a fresh Idempotency-Key and, when their
// answer is lost, go once more with the same key; reads carry none and do not.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>

#include "host/client/net_connection.h"
#include "host/client/retry_key.h"
#include "support/fake_http_server.h"

using namespace confcred::host;
using namespace confcred::host::client;
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
    // Each call loses its answers for its first 200 ms, as to a server that
    // died after its commit and is back soon after. Qt sends a request once
    // more at once by itself when its connection closes before an answer;
    // only the connection's own retry, after its pause, gets through.
    using Clock = std::chrono::steady_clock;
    std::map<std::string, Clock::time_point> firstSeen;
    FakeServer server([&](int fd, const Received& r) {
        if (r.method != "POST")
            return false;
        const std::string key = keyOf(r) + r.path;
        const auto now = Clock::now();
        firstSeen.emplace(key, now);
        if (keyOf(r).empty() || now - firstSeen[key] < std::chrono::milliseconds(200))
            return true;  // closed without an answer
        reply(fd, 200, R"({"result":"pronto"})");
        return true;
    });
    client::TNetConnection net;
    net.setServerName(QStringLiteral("lun90000.rdmConfCredBanc"));
    net.setPort(server.port());
    net.setRetryDelayMs(400);

    EXPECT_EQ(net.AppServer(QStringLiteral("setEfetivaSaldo")).value(), QStringLiteral("pronto"));
    EXPECT_EQ(net.AppServer(QStringLiteral("SetImporSaldoCons")).value(), QStringLiteral("pronto"));
    // A read whose answer is lost is not sent again after a pause.
    EXPECT_THROW(net.AppServer(QStringLiteral("getPEDCREDCONS")), client::TransportError);

    std::map<std::string, std::set<std::string>> keysByPath;
    std::map<std::string, std::set<std::string>> bodiesByKey;
    for (const Received& r : server.received())
        if (r.method == "POST") {
            keysByPath[r.path].insert(keyOf(r));
            bodiesByKey[keyOf(r)].insert(r.body);
        }
    ASSERT_EQ(keysByPath.size(), 3u);
    const std::string effect = *keysByPath["/lun90000.rdmConfCredBanc/setEfetivaSaldo"].begin();
    const std::string import = *keysByPath["/lun90000.rdmConfCredBanc/SetImporSaldoCons"].begin();
    EXPECT_EQ(keysByPath["/lun90000.rdmConfCredBanc/setEfetivaSaldo"].size(), 1u);
    EXPECT_EQ(keysByPath["/lun90000.rdmConfCredBanc/SetImporSaldoCons"].size(), 1u);
    EXPECT_EQ(effect.size(), 36u) << effect;
    EXPECT_NE(effect, import);
    EXPECT_EQ(bodiesByKey[effect].size(), 1u);
    EXPECT_EQ(keysByPath["/lun90000.rdmConfCredBanc/getPEDCREDCONS"], (std::set<std::string>{""}));
    EXPECT_TRUE(client::isWriteCall(QStringLiteral("setsituacao")));
}

}  // namespace
