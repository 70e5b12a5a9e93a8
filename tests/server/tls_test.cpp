// HTTPS on the endpoint: calls over TLS with the limits of plain HTTP, a
// client that does not trust the server's authority refused, plain HTTP and
// silent handshakes cut off without keeping a slot, and no plain HTTP beyond
// loopback. Certificates are made for the run by the openssl command.
#include "server/http/http_server.h"

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <openssl/ssl.h>

#include <gtest/gtest.h>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include "raw_socket.h"
#include "support/server_process.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

namespace confcred::server {
namespace {

using namespace std::chrono_literals;
namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
namespace ssl = net::ssl;
using confcred::testing::RawSocket;
using confcred::testing::TestCertificates;

struct TlsReply {
    int status = 0;  // 0: no answer
    std::string body;
    std::string failure;  // what went wrong, when no answer came
};

struct TlsCall {
    std::filesystem::path trust;  // the authority the client trusts
    std::string target = "/health";
    std::string body;
    std::string token;
    int maxVersion = 0;  // e.g. TLS1_1_VERSION for an outdated client
};

// One request on a new TLS connection that checks the certificate and that
// it names "localhost", as a careful client does.
TlsReply callOverTls(std::uint16_t port, const TlsCall& call) {
    net::io_context ioc;
    ssl::context context(ssl::context::tls_client);
    context.load_verify_file(call.trust.string());
    context.set_verify_mode(ssl::verify_peer);
    if (call.maxVersion != 0) {
        SSL_CTX_set_min_proto_version(context.native_handle(), 0);
        SSL_CTX_set_max_proto_version(context.native_handle(), call.maxVersion);
    }
    beast::ssl_stream<beast::tcp_stream> stream(ioc, context);
    SSL_set_tlsext_host_name(stream.native_handle(), "localhost");
    SSL_set1_host(stream.native_handle(), "localhost");
    beast::get_lowest_layer(stream).expires_after(10s);
    beast::error_code ec;
    beast::get_lowest_layer(stream).socket().connect({net::ip::address_v4::loopback(), port}, ec);
    if (!ec)
        stream.handshake(ssl::stream_base::client, ec);
    if (ec)
        return {0, {}, "handshake: " + ec.message()};
    http::request<http::string_body> request{call.body.empty() ? http::verb::get : http::verb::post,
                                             call.target, 11};
    request.set(http::field::host, "localhost");
    if (!call.token.empty())
        request.set(http::field::authorization, "Bearer " + call.token);
    request.body() = call.body;
    request.prepare_payload();
    http::write(stream, request, ec);
    beast::flat_buffer buffer;
    http::response<http::string_body> response;
    http::read(stream, buffer, response, ec);
    if (ec)
        return {0, {}, "exchange: " + ec.message()};
    return {static_cast<int>(response.result_int()), response.body(), {}};
}

class TlsServerTest : public ::testing::Test {
  protected:
    TlsServerTest() {
        methods_.add("echo", [](const methods::Args& args, const methods::CallContext&) {
            return "{\"count\":" + std::to_string(args.size()) + "}";
        });
    }

    void startServer(server::http::HttpServerOptions options) {
        options.port = 0;
        options.threads = 2;
        options.tlsCertFile = certificates_.certFile().string();
        options.tlsKeyFile = certificates_.keyFile().string();
        server_ = std::make_unique<server::http::HttpServer>(methods_, options);
        server_->start();
    }
    std::uint16_t port() const { return server_->port(); }
    TlsCall trusted() const {
        TlsCall call;
        call.trust = certificates_.caFile();
        return call;
    }

    TestCertificates certificates_;
    methods::MethodTable methods_;
    std::unique_ptr<server::http::HttpServer> server_;
};

TEST_F(TlsServerTest, CallsGoOverTlsToTrustingClientsOnly) {
    server::http::HttpServerOptions options;
    options.token = "s3cret";
    startServer(options);

    EXPECT_EQ(callOverTls(port(), trusted()).status, 200) << callOverTls(port(), trusted()).failure;
    TlsCall call = trusted();
    call.target = "/lun90000.rdmConfCredBanc/echo";
    call.body = R"({"args":["a",1]})";
    call.token = "s3cret";
    const TlsReply answered = callOverTls(port(), call);
    EXPECT_EQ(answered.status, 200) << answered.failure;
    EXPECT_EQ(answered.body, R"({"result":{"count":2}})");

    // Refused after the head, over TLS as over plain HTTP: the answer still
    // arrives although the client goes on sending its body.
    call.token.clear();
    call.body = R"({"args":[")" + std::string(1 << 20, 'a') + R"("]})";
    const TlsReply refused = callOverTls(port(), call);
    EXPECT_EQ(refused.status, 401) << refused.failure;

    TlsCall stranger = trusted();
    stranger.trust = certificates_.strangerCaFile();
    const TlsReply untrusted = callOverTls(port(), stranger);
    EXPECT_EQ(untrusted.status, 0);
    EXPECT_NE(untrusted.failure.find("handshake"), std::string::npos) << untrusted.failure;

    TlsCall outdated = trusted();
    outdated.maxVersion = TLS1_1_VERSION;
    EXPECT_EQ(callOverTls(port(), outdated).status, 0) << "TLS 1.1 was accepted";
}

// A renewed certificate is read again on request (SIGHUP in confcred-server):
// new connections get it; files that cannot be used keep the pair in service.
TEST_F(TlsServerTest, ReloadServesTheRenewedCertificateAndKeepsAGoodOne) {
    const TestCertificates renewed;
    testing::TempDir dir;
    const auto cert = dir.path() / "server.pem", key = dir.path() / "server.key";
    const auto install = [&](const TestCertificates& from) {
        std::filesystem::copy_file(from.certFile(), cert,
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(from.keyFile(), key,
                                   std::filesystem::copy_options::overwrite_existing);
    };
    install(certificates_);
    server::http::HttpServerOptions options;
    options.port = 0;
    options.threads = 2;
    options.tlsCertFile = cert.string();
    options.tlsKeyFile = key.string();
    server_ = std::make_unique<server::http::HttpServer>(methods_, options);
    server_->start();
    TlsCall renewedTrust = trusted();
    renewedTrust.trust = renewed.caFile();
    EXPECT_EQ(callOverTls(port(), trusted()).status, 200);

    install(renewed);
    server_->reloadTls();
    EXPECT_EQ(callOverTls(port(), renewedTrust).status, 200)
        << callOverTls(port(), renewedTrust).failure;
    EXPECT_EQ(callOverTls(port(), trusted()).status, 0) << "the old certificate still served";

    dir.write("server.key", "not a key");
    EXPECT_THROW(server_->reloadTls(), std::runtime_error);
    EXPECT_EQ(callOverTls(port(), renewedTrust).status, 200);
}

TEST_F(TlsServerTest, PlainHttpAndSilentHandshakesDoNotKeepASlot) {
    server::http::HttpServerOptions options;
    options.maxConnectionsPerAddress = 2;
    options.headerTimeout = 1s;
    startServer(options);

    RawSocket plain(port());
    plain.send("GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(plain.closedWithin(3s)) << "plain HTTP kept its connection";
    RawSocket silent(port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(silent.closedWithin(5s)) << "a connection without a handshake was kept";
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);

    // Both places are free again (a closed connection gives its place back
    // as soon as its last handler has run).
    RawSocket holder(port());
    TlsReply reply;
    const auto until = std::chrono::steady_clock::now() + 3s;
    while (reply.status != 200 && std::chrono::steady_clock::now() < until)
        reply = callOverTls(port(), trusted());
    EXPECT_EQ(reply.status, 200) << reply.failure;
}

TEST(TlsServerStart, BeyondLoopbackOnlyWithTls) {
    confcred::testing::TempDir dir;
    const std::string db = "sqlite:" + (dir.path() / "x.db").string();
    const auto refused = confcred::testing::runServerToExit({"--listen", "0.0.0.0:0", "--db", db});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("sem TLS"), std::string::npos) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.db")) << "started before refusing";

    const auto halfTls = confcred::testing::runServerToExit(
        {"--listen", "0.0.0.0:0", "--db", db, "--tls-cert", "/nowhere.pem"});
    EXPECT_EQ(halfTls.exitCode, 2) << halfTls.err;

    const auto badCert =
        confcred::testing::runServerToExit({"--listen", "127.0.0.1:0", "--db", db, "--tls-cert",
                                            "/nowhere.pem", "--tls-key", "/nowhere.key"});
    EXPECT_EQ(badCert.exitCode, 1);
    EXPECT_NE(badCert.err.find("/nowhere.pem"), std::string::npos) << badCert.err;
}

}  // namespace
}  // namespace confcred::server
