// A scripted HTTP/1.1 answerer on loopback for client tests: it reads one
// request per connection, hands it to a responder that writes whatever answer
// the test needs (good, broken, none at all), and closes the connection.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace confcred::testing {

struct Received {
    std::string method;
    std::string path;
    std::string headers;  // lower-cased header block
    std::string body;
};

// Writes all of `data` to the socket (stops quietly when the peer has gone).
void sendAll(int fd, std::string_view data);
// A complete JSON answer with the status and Connection: close.
void reply(int fd, int status, std::string_view body);

// One connection at a time, each closed after its answer. /health answers ok
// unless the responder handles it.
class FakeServer {
  public:
    using Responder = std::function<bool(int fd, const Received& request)>;

    explicit FakeServer(Responder responder);
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    int port() const { return port_; }
    std::vector<Received> received();
    bool stopping() const { return stop_; }

  private:
    void run();
    bool readRequest(int fd, Received& r);

    Responder responder_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<Received> received_;
};

}  // namespace confcred::testing
