// The endpoint over real loopback sockets: routes, errors, limits in pairs,
// slow and vanishing clients, token, stop. Methods are a small table of our own.
#include "server/http/http_server.h"

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <gtest/gtest.h>
#include <atomic>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

#include "dataset/packet_codec.h"
#include "raw_socket.h"
#include "server/http/call_codec.h"
#include "support/server_process.h"
#include "support/wait_until.h"

namespace confcred::server {
namespace {

using namespace std::chrono_literals;
using confcred::testing::HttpClient;
using confcred::testing::HttpReply;
using confcred::testing::RawSocket;
using confcred::testing::waitUntil;
namespace http = boost::beast::http;

const std::string kPath = "/lun90000.rdmConfCredBanc/";

std::string postHead(std::string_view method, std::size_t length, std::string_view extra = "") {
    return "POST " + kPath + std::string(method) +
           " HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(length) + "\r\n" +
           std::string(extra) + "\r\n";
}

std::string chunked(std::string_view body, std::size_t chunkSize) {
    std::string out;
    char size[32];
    for (std::size_t at = 0; at < body.size(); at += chunkSize) {
        const auto piece = body.substr(at, chunkSize);
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        out += size;
        out += piece;
        out += "\r\n";
    }
    return out + "0\r\n\r\n";
}

// A call body of exactly `size` bytes.
std::string bodyOfSize(std::size_t size) {
    const std::string frame = R"({"args":[""]})";
    return R"({"args":[")" + std::string(size - frame.size(), 'a') + R"("]})";
}

// Calls of "slow" that have begun to run, so a test can act while one runs.
std::atomic<int> slowCallsStarted{0};

methods::MethodTable testMethods() {
    methods::MethodTable table;
    table.add("echo", [](const methods::Args& args, const methods::CallContext& context) {
        std::string out = "{\"count\":" + std::to_string(args.size()) + ",\"operator\":";
        dataset::appendJsonString(out, context.operatorName);
        return out + "}";
    });
    table.add("twoTexts", [](const methods::Args& args, const methods::CallContext&) {
        args.expectCount(2);
        return "\"" + args.string(0) + args.string(1) + "\"";
    });
    table.add("refuse", [](const methods::Args&, const methods::CallContext&) -> std::string {
        throw methods::MethodError("Pedido 00000000000000000012 já foi efetivado.");
    });
    table.add("crash", [](const methods::Args&, const methods::CallContext&) -> std::string {
        throw std::runtime_error("disk I/O error");
    });
    table.add("throwInt",
              [](const methods::Args&, const methods::CallContext&) -> std::string { throw 42; });
    table.add("echoPacket", [](const methods::Args& args, const methods::CallContext&) {
        return dataset::encodePacket(args.packet(0));
    });
    table.add("slow", [](const methods::Args&, const methods::CallContext&) {
        ++slowCallsStarted;
        std::this_thread::sleep_for(400ms);
        return std::string("true");
    });
    return table;
}

class HttpServerTest : public ::testing::Test {
  protected:
    void startServer(server::http::HttpServerOptions options = {}) {
        options.port = 0;
        options.threads = 2;
        server_ = std::make_unique<server::http::HttpServer>(methods_, options);
        server_->start();
    }
    void SetUp() override { startServer(); }

    std::uint16_t port() const { return server_->port(); }
    HttpClient client() const { return HttpClient("127.0.0.1", port(), 20s); }
    bool serverAnswers() {
        try {
            return client().get("/health").status == 200;
        } catch (const std::exception&) {
            return false;
        }
    }

    methods::MethodTable methods_ = testMethods();
    std::unique_ptr<server::http::HttpServer> server_;
};

struct RouteRow {
    const char* name;
    const char* verb;
    std::string target;
    std::string body;
    int status;
    const char* answerPart;
};

class RouteTest : public HttpServerTest, public ::testing::WithParamInterface<RouteRow> {};

TEST_P(RouteTest, Answers) {
    const RouteRow& row = GetParam();
    HttpClient c = client();
    c.setHeader("X-Confcred-Operator", "Maria José");
    const HttpReply reply = c.request(row.verb, row.target, row.body);
    EXPECT_EQ(reply.status, row.status) << reply.body;
    EXPECT_NE(reply.body.find(row.answerPart), std::string::npos) << reply.body;
    EXPECT_EQ(reply.contentType, "application/json; charset=utf-8");
    EXPECT_TRUE(serverAnswers());
}

INSTANTIATE_TEST_SUITE_P(
    Routes, RouteTest,
    ::testing::Values(
        RouteRow{"health", "GET", "/health", "", 200, R"({"status":"ok"})"},
        RouteRow{"call", "POST", kPath + "echo", R"({"args":["a",1]})", 200,
                 R"({"result":{"count":2,"operator":"Maria José"}})"},
        RouteRow{"name_capitalised", "POST", "/Lun90000.rdmConfCredBanc/echo", R"({"args":[]})",
                 200, R"("count":0)"},
        RouteRow{"name_any_case", "POST", "/LUN90000.RDMCONFCREDBANC/ECHO", R"({"args":[]})", 200,
                 R"("count":0)"},
        RouteRow{"query_ignored", "POST", kPath + "echo?x=1", R"({"args":[]})", 200,
                 R"("count":0)"},
        RouteRow{"unknown_server_name", "POST", "/lun90001.rdmConfCredBanc/echo", R"({"args":[]})",
                 404, "Objeto de servidor desconhecido: lun90001"},
        RouteRow{"unknown_method", "POST", kPath + "getNada", R"({"args":[]})", 404,
                 "Método desconhecido: getNada."},
        RouteRow{"no_method", "POST", kPath, R"({"args":[]})", 404, "Recurso não encontrado"},
        RouteRow{"extra_segment", "POST", kPath + "echo/x", R"({"args":[]})", 404,
                 "Recurso não encontrado"},
        RouteRow{"get_on_method", "GET", kPath + "echo", "", 405, "POST"},
        RouteRow{"post_on_health", "POST", "/health", "{}", 405, "GET"},
        RouteRow{"malformed_json", "POST", kPath + "echo", R"({"args":[)", 400, "JSON malformado"},
        RouteRow{"empty_body", "POST", kPath + "echo", "", 400, "Corpo da requisição inválido"},
        RouteRow{"wrong_count", "POST", kPath + "twoTexts", R"({"args":["a"]})", 400,
                 "O método twoTexts espera 2 argumentos e recebeu 1."},
        RouteRow{"wrong_type", "POST", kPath + "twoTexts", R"({"args":["a",2]})", 400,
                 "Argumento 2 do método twoTexts: esperado um texto."},
        RouteRow{"right_call", "POST", kPath + "twoTexts", R"({"args":["a","b"]})", 200,
                 R"({"result":"ab"})"},
        RouteRow{"method_error", "POST", kPath + "refuse", R"({"args":[]})", 422,
                 R"({"error":{"message":"Pedido 00000000000000000012 já foi efetivado."}})"},
        RouteRow{"internal_error", "POST", kPath + "crash", R"({"args":[]})", 500,
                 "Erro interno do servidor no método crash: disk I/O error"},
        RouteRow{"non_standard_throw", "POST", kPath + "throwInt", R"({"args":[]})", 500,
                 "Erro interno do servidor no método throwInt."}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(HttpServerTest, TokenGuardsEveryCallButHealth) {
    server::http::HttpServerOptions options;
    options.token = "s3cret";
    startServer(options);
    struct Row {
        const char* name;
        const char* authorization;  // nullptr: no header
        int status;
    } rows[] = {{"none", nullptr, 401},
                {"wrong", "Bearer s3cres", 401},
                {"prefix_of_token", "Bearer s3c", 401},
                {"no_scheme", "s3cret", 401},
                {"right", "Bearer s3cret", 200},
                {"scheme_lower_case", "bearer s3cret", 200}};
    for (const Row& row : rows) {
        testing::HeaderList headers;
        if (row.authorization != nullptr)
            headers.emplace_back("Authorization", row.authorization);
        const HttpReply reply = client().request("POST", kPath + "echo", R"({"args":[]})", headers);
        EXPECT_EQ(reply.status, row.status) << row.name << ": " << reply.body;
    }
    EXPECT_EQ(client().request("POST", kPath + "nothing", "{}").status, 401)
        << "an unauthorised client learns nothing about methods";
    EXPECT_EQ(client().get("/health").status, 200);
}

struct LimitRow {
    const char* name;
    std::size_t size;
    bool chunked;
    int status;
};

class BodyLimitTest : public HttpServerTest, public ::testing::WithParamInterface<LimitRow> {
  protected:
    void SetUp() override {
        server::http::HttpServerOptions options;
        options.maxBodyBytes = 1000;
        startServer(options);
    }
};

TEST_P(BodyLimitTest, HoldsPlainAndChunked) {
    const LimitRow& row = GetParam();
    const std::string body = bodyOfSize(row.size);
    ASSERT_EQ(body.size(), row.size);
    RawSocket socket(port());
    if (row.chunked) {
        socket.send("POST " + kPath +
                    "echo HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n" +
                    chunked(body, 97));
    } else {
        socket.send(postHead("echo", body.size()) + body);
    }
    const HttpReply reply = socket.read();
    EXPECT_EQ(reply.status, row.status) << reply.body;
    if (row.status == 413) {
        EXPECT_NE(reply.body.find("excede o tamanho máximo de 1000 bytes"), std::string::npos)
            << reply.body;
        EXPECT_TRUE(socket.closedWithin(5s));
    }
    EXPECT_TRUE(serverAnswers());
}

INSTANTIATE_TEST_SUITE_P(Pairs, BodyLimitTest,
                         ::testing::Values(LimitRow{"plain_at_limit", 1000, false, 200},
                                           LimitRow{"plain_over_limit", 1001, false, 413},
                                           LimitRow{"chunked_at_limit", 1000, true, 200},
                                           LimitRow{"chunked_over_limit", 1001, true, 413}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(HttpServerTest, OversizedHeaderIsRefused) {
    RawSocket socket(port());
    socket.send(postHead("echo", 11, "X-Big: " + std::string(20000, 'b') + "\r\n") +
                R"({"args":[]})");
    EXPECT_EQ(socket.read().status, 431);
    EXPECT_TRUE(serverAnswers());
}

TEST_F(HttpServerTest, GarbageIsABadRequest) {
    RawSocket socket(port());
    socket.send("HELLO THERE\r\n\r\n");
    const HttpReply reply = socket.read();
    EXPECT_EQ(reply.status, 400);
    EXPECT_NE(reply.body.find("Requisição HTTP inválida"), std::string::npos) << reply.body;
    EXPECT_TRUE(serverAnswers());
}

TEST_F(HttpServerTest, SlowClientsDoNotStarveOthersAndAreCutOff) {
    server::http::HttpServerOptions options;
    options.requestTimeout = 3s;
    options.idleTimeout = 3s;
    startServer(options);  // two threads
    std::vector<std::unique_ptr<RawSocket>> slow;
    for (int i = 0; i < 8; ++i) {
        slow.push_back(std::make_unique<RawSocket>(port()));
        slow.back()->send("POST " + kPath + "echo HTTP/1.1\r\n");
    }
    const auto start = std::chrono::steady_clock::now();
    // One header line every 500 ms from each slow client, while a ninth
    // client makes a normal call.
    auto ninth = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(700ms);
        const auto asked = std::chrono::steady_clock::now();
        const HttpReply reply = client().request("POST", kPath + "echo", R"({"args":[]})");
        return std::make_pair(reply.status, std::chrono::steady_clock::now() - asked);
    });
    int linesSent = 0;
    while (std::chrono::steady_clock::now() - start < 5s) {
        for (auto& s : slow)
            s->send("X-Line-" + std::to_string(linesSent) + ": still typing\r\n");
        ++linesSent;
        std::this_thread::sleep_for(500ms);
    }
    const auto [status, took] = ninth.get();
    EXPECT_EQ(status, 200);
    EXPECT_LT(took, 2s) << "the normal call waited behind the slow clients";
    // Each slow client had 3 s for its whole request and is gone by now.
    for (auto& s : slow)
        EXPECT_TRUE(s->closedWithin(2s));
    std::printf("[ figure ] 8 slow clients: normal call answered in %.1f ms\n",
                std::chrono::duration<double, std::milli>(took).count());
}

TEST_F(HttpServerTest, ClientThatVanishesMidRequestLeavesTheServerUp) {
    for (int i = 0; i < 5; ++i) {
        RawSocket socket(port());
        socket.send(postHead("echo", 500) + R"({"args":["abc)");
    }
    {
        RawSocket socket(port());
        socket.send("POST " + kPath + "echo HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab");
    }
    EXPECT_TRUE(serverAnswers());
}

TEST_F(HttpServerTest, PipelinedAndContinuedRequests) {
    RawSocket socket(port());
    const std::string body = R"({"args":[1]})";
    socket.send(postHead("echo", body.size()) + body + postHead("echo", body.size()) + body);
    EXPECT_EQ(socket.read().status, 200);
    EXPECT_EQ(socket.read().status, 200);

    socket.send(postHead("echo", body.size(), "Expect: 100-continue\r\n"));
    EXPECT_EQ(socket.read().status, 100);
    socket.send(body);
    const HttpReply reply = socket.read();
    EXPECT_EQ(reply.status, 200);
    EXPECT_NE(reply.body.find(R"("count":1)"), std::string::npos);
}

TEST_F(HttpServerTest, IdleConnectionsAreClosedAndClientsReconnect) {
    server::http::HttpServerOptions options;
    options.idleTimeout = 300ms;
    startServer(options);
    RawSocket idle(port());
    EXPECT_TRUE(idle.closedWithin(3s));
    HttpClient c = client();
    EXPECT_EQ(c.get("/health").status, 200);
    std::this_thread::sleep_for(600ms);  // the server has closed c's connection by now
    EXPECT_EQ(c.get("/health").status, 200);
}

TEST_F(HttpServerTest, KeptAliveConnectionAnswersQuickly) {
    HttpClient c = client();
    constexpr int kRequests = 2000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRequests; ++i)
        ASSERT_EQ(c.post("echo", "[]").status, 200);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ figure ] keep-alive: %.0f requests/s for a tiny method\n", kRequests / seconds);
}

// 100,000 orders of the order list's shape.
dataset::DataPacket bigOrderPacket() {
    using dataset::FieldType;
    dataset::DataPacket packet({{"NRPEDCRECONS", FieldType::String, 20},
                                {"CDCLIENTE", FieldType::String, 21},
                                {"VRPEDCRECONS", FieldType::Double, 0},
                                {"DTPEDCRECONS", FieldType::DateTime, 0},
                                {"DSSITCREBANC", FieldType::String, 50},
                                {"NMCONSUMIDOR", FieldType::String, 50}});
    const auto day = platform::DateTime::fromParts(2026, 12, 7, 8);
    for (int i = 0; i < 100000; ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%020d", i);
        packet.column(0).appendText(number);
        packet.column(1).appendText("CLI00" + std::to_string(i % 7));
        packet.column(2).appendDouble(i * 1.25);
        packet.column(3).appendDateTime(day.addMs(i * 1000));
        packet.column(4).appendText("Crédito mensal \"" + std::to_string(i) + "\"");
        packet.column(5).appendText("João da Conceição");
    }
    return packet;
}

TEST_F(HttpServerTest, LargePacketTravelsWholeBothWays) {
    const std::string packet = dataset::encodePacket(bigOrderPacket());
    HttpClient c = client();
    const auto start = std::chrono::steady_clock::now();
    const HttpReply reply = c.post("echoPacket", "[" + packet + "]");
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(reply.status, 200) << reply.body.substr(0, 300);
    EXPECT_EQ(reply.body.size(), packet.size() + 11);
    EXPECT_TRUE(reply.body == server::http::encodeResult(packet));
    std::printf(
        "[ figure ] 100,000-order packet (%.1f MB) sent, decoded, encoded and received "
        "in %.0f ms\n",
        packet.size() / 1e6, ms);
}

TEST_F(HttpServerTest, StopLetsARunningCallFinish) {
    const int startedBefore = slowCallsStarted.load();
    auto call = std::async(std::launch::async, [&] {
        return client().request("POST", kPath + "slow", R"({"args":[]})");
    });
    ASSERT_TRUE(waitUntil([&] { return slowCallsStarted.load() > startedBefore; }));
    HttpClient idle = client();  // a kept-alive connection that stop() must close
    ASSERT_EQ(idle.get("/health").status, 200);
    server_->stop();
    const HttpReply reply = call.get();
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, R"({"result":true})");
    EXPECT_FALSE(serverAnswers());
}

TEST(HttpServerListen, BusyPortIsAClearError) {
    methods::MethodTable methods;
    server::http::HttpServerOptions options;
    options.port = 0;
    server::http::HttpServer first(methods, options);
    first.listen();
    options.port = first.port();
    server::http::HttpServer second(methods, options);
    try {
        second.listen();
        FAIL() << "listened twice on one port";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("cannot listen on 127.0.0.1:" +
                                             std::to_string(first.port())),
                  std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace confcred::server
