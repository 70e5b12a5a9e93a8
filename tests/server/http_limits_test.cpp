// What keeps one client from stopping the endpoint for the others: the cap of
// connections per address, the deadline of the head, authorisation before the
// body, the shared budget of body memory, and calls on workers apart from the
// network threads. Real loopback sockets; limits in pairs.
#include "server/http/http_server.h"

#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "raw_socket.h"
#include "support/server_process.h"

namespace confcred::server {
namespace {

using namespace std::chrono_literals;
using confcred::testing::HttpClient;
using confcred::testing::RawReply;
using confcred::testing::RawSocket;

const std::string kPath = "/lun90000.rdmConfCredBanc/";
const std::string kHealth = "GET /health HTTP/1.1\r\nHost: x\r\n\r\n";

std::string postHead(std::size_t length, std::string_view extra = "") {
    return "POST " + kPath +
           "echo HTTP/1.1\r\nHost: x\r\nContent-Length: " + std::to_string(length) + "\r\n" +
           std::string(extra) + "\r\n";
}

// A call body of exactly `size` bytes.
std::string bodyOfSize(std::size_t size) {
    const std::string frame = R"({"args":[""]})";
    return R"({"args":[")" + std::string(size - frame.size(), 'a') + R"("]})";
}

// Calls that wait, each on a worker, until the test lets them all go.
class Gate {
  public:
    void waitOpen() {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    bool waitForWaiting(int n, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return waiting_ >= n; });
    }
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool open_ = false;
};

class HttpLimitsTest : public ::testing::Test {
  protected:
    HttpLimitsTest() {
        methods_.add("echo", [](const methods::Args& args, const methods::CallContext&) {
            return "{\"count\":" + std::to_string(args.size()) + "}";
        });
        methods_.add("hold", [this](const methods::Args&, const methods::CallContext&) {
            gate_.waitOpen();
            return std::string("true");
        });
    }
    ~HttpLimitsTest() override {
        gate_.open();  // whatever failed, held calls end and the server stops
        if (server_)
            server_->stop();
    }

    void startServer(http::HttpServerOptions options) {
        options.port = 0;
        options.threads = 2;
        server_ = std::make_unique<http::HttpServer>(methods_, options);
        server_->start();
    }
    std::uint16_t port() const { return server_->port(); }

    // GET /health on a new connection from `from`; the status, 0 for none.
    int healthFrom(const char* from) {
        RawSocket socket(port(), from);
        socket.send(kHealth);
        return socket.read(3s).status;
    }

    Gate gate_;
    methods::MethodTable methods_;
    std::unique_ptr<http::HttpServer> server_;
};

TEST_F(HttpLimitsTest, ConnectionsAreCappedPerAddress) {
    http::HttpServerOptions options;
    options.maxConnectionsPerAddress = 3;
    startServer(options);
    std::vector<std::unique_ptr<RawSocket>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<RawSocket>(port(), "127.0.0.1"));
        held.back()->send(kHealth);
        ASSERT_EQ(held.back()->read().status, 200) << "connection " << i + 1 << " of 3";
    }
    RawSocket fourth(port(), "127.0.0.1");
    fourth.send(kHealth);
    EXPECT_TRUE(fourth.closedWithin(2s)) << "a fourth connection from one address was kept";
    EXPECT_EQ(healthFrom("127.0.0.2"), 200) << "another address is still served";

    // A connection that ends gives its place back.
    held.pop_back();
    int status = 0;
    const auto until = std::chrono::steady_clock::now() + 3s;
    while (status != 200 && std::chrono::steady_clock::now() < until)
        status = healthFrom("127.0.0.1");
    EXPECT_EQ(status, 200);
}

TEST_F(HttpLimitsTest, HeadHasADeadlineOfItsOwn) {
    http::HttpServerOptions options;
    options.headerTimeout = 1s;
    options.requestTimeout = 20s;
    options.idleTimeout = 20s;
    startServer(options);
    const auto closedAfter = [](RawSocket& socket, const std::function<void()>& keepSending) {
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < 5s) {
            keepSending();
            if (socket.closedWithin(100ms))
                break;
        }
        return std::chrono::steady_clock::now() - start;
    };

    RawSocket silent(port());
    EXPECT_LT(closedAfter(silent, [] {}), 3s) << "a new connection that says nothing";

    RawSocket slowHead(port());
    slowHead.send("POST " + kPath + "echo HTTP/1.1\r\n");
    EXPECT_LT(closedAfter(slowHead, [&] { slowHead.send("X"); }), 3s)
        << "a head sent one byte at a time";

    // The body is not bound by the head's deadline: a body trickling in for
    // twice that time is still read and answered.
    RawSocket slowBody(port());
    const std::string body = bodyOfSize(40);
    slowBody.send(postHead(body.size()));
    for (char c : body) {
        slowBody.send(std::string_view(&c, 1));
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(slowBody.read().status, 200);
}

TEST_F(HttpLimitsTest, AuthorisationIsCheckedBeforeTheBody) {
    http::HttpServerOptions options;
    options.token = "s3cret";
    startServer(options);
    const std::size_t big = options.maxBodyBytes;  // announced, never sent
    struct Row {
        const char* name;
        std::string head;
        int status;
    } rows[] = {
        {"no_token", postHead(big), 401},
        {"wrong_token", postHead(big, "Authorization: Bearer s3cres\r\n"), 401},
        {"no_token_expecting_continue", postHead(big, "Expect: 100-continue\r\n"), 401},
        {"right_token_expecting_continue",
         postHead(big, "Authorization: Bearer s3cret\r\nExpect: 100-continue\r\n"), 100},
    };
    for (const Row& row : rows) {
        RawSocket socket(port());
        socket.send(row.head);
        const RawReply reply = socket.read(2s);
        EXPECT_EQ(reply.status, row.status) << row.name << ": " << reply.body;
    }
}

// Each head is followed on the same socket by a whole GET /health: were the
// body's end guessed, those bytes would be answered as a request of their own.
TEST_F(HttpLimitsTest, ABodyOfDoubtfulLengthClosesTheConnection) {
    startServer({});
    const std::string post = "POST " + kPath + "echo HTTP/1.1\r\nHost: x\r\n";
    struct Row {
        const char* name;
        std::string request;
        int status;
    } rows[] = {
        {"xchunked", post + "Transfer-Encoding: xchunked\r\n\r\n", 400},
        {"gzip", post + "Transfer-Encoding: gzip\r\n\r\n", 400},
        {"identity", post + "Transfer-Encoding: identity\r\n\r\n", 400},
        {"chunked_then_identity", post + "Transfer-Encoding: chunked, identity\r\n\r\n", 400},
        {"gzip_and_length", post + "Transfer-Encoding: gzip\r\nContent-Length: 0\r\n\r\n", 400},
        {"chunked_on_http_1_0",
         "POST " + kPath + "echo HTTP/1.0\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", 400},
        {"gzip_then_chunked", post + "Transfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n", 501},
    };
    for (const Row& row : rows) {
        RawSocket socket(port());
        socket.send(row.request + kHealth);
        const RawReply refused = socket.read(3s);
        EXPECT_EQ(refused.status, row.status) << row.name << ": " << refused.body;
        EXPECT_EQ(socket.read(3s).status, 0) << row.name << ": the body was read as a request";
        EXPECT_TRUE(socket.closedWithin(3s)) << row.name;
    }

    // Chunked alone, in any case, still frames the body and keeps the connection.
    const std::string body = R"({"args":[1]})";
    RawSocket socket(port());
    char size[16];
    std::snprintf(size, sizeof size, "%zx", body.size());
    socket.send(post + "Transfer-Encoding: Chunked\r\n\r\n" + size + "\r\n" + body +
                "\r\n0\r\n\r\n" + kHealth);
    EXPECT_EQ(socket.read(3s).status, 200);
    EXPECT_EQ(socket.read(3s).status, 200);
}

TEST_F(HttpLimitsTest, BodiesInFlightShareTheMemoryBudget) {
    http::HttpServerOptions options;
    options.maxBodyBytes = 700'000;
    options.bodyBudgetBytes = 1'000'000;
    startServer(options);
    // The first holds 600,000 bytes of the budget while its body arrives.
    const std::string first = bodyOfSize(600'000);
    RawSocket holder(port());
    holder.send(postHead(first.size()) + first.substr(0, 1000));

    struct Row {
        const char* name;
        std::string request;
        int status;
    } rows[] = {
        {"fits_beside_it", postHead(300'000) + bodyOfSize(300'000), 200},
        {"would_pass_it", postHead(500'000), 503},
        {"chunk_that_would_pass_it",
         "POST " + kPath + "echo HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n" +
             "7a120\r\n",  // 500,000 bytes announced
         503},
    };
    for (const Row& row : rows) {
        RawSocket socket(port());
        socket.send(row.request);
        const RawReply reply = socket.read(2s);
        EXPECT_EQ(reply.status, row.status) << row.name << ": " << reply.body;
        if (row.status == 503) {
            EXPECT_FALSE(reply.retryAfter.empty()) << row.name;
            EXPECT_TRUE(socket.closedWithin(3s)) << row.name;
        }
    }

    holder.send(first.substr(1000));
    EXPECT_EQ(holder.read().status, 200);
    // Once answered, the first gives its share back.
    RawSocket again(port());
    again.send(postHead(500'000) + bodyOfSize(500'000));
    EXPECT_EQ(again.read().status, 200);
}

TEST_F(HttpLimitsTest, HealthAndSmallCallsAnswerWhileLongCallsRun) {
    http::HttpServerOptions options;
    options.workers = 3;
    startServer(options);  // two network threads
    // As many long calls as there are network threads.
    std::vector<std::future<int>> held;
    struct Release {
        Gate& gate;
        ~Release() { gate.open(); }
    } release{gate_};  // before the futures wait for their calls, whatever failed
    for (int i = 0; i < 2; ++i) {
        held.push_back(std::async(std::launch::async, [this] {
            return HttpClient("127.0.0.1", port(), 20s).post("hold", "[]").status;
        }));
    }
    ASSERT_TRUE(gate_.waitForWaiting(2, 5s));
    HttpClient quick("127.0.0.1", port(), 2s);
    EXPECT_EQ(quick.get("/health").status, 200);
    EXPECT_EQ(quick.post("echo", "[1]").status, 200);
    gate_.open();
    for (auto& call : held)
        EXPECT_EQ(call.get(), 200);
}

}  // namespace
}  // namespace confcred::server
