#pragma once
// Clients for the server's load benchmarks, on plain sockets so that each
// can come from its own loopback address (Linux routes all of 127.0.0.0/8
// to loopback): a normal client timing small calls, a hog holding idle
// connections, slow-header senders, and senders of large unauthorised bodies.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace confcred::bench {

// What a stream of small calls saw.
struct Latencies {
    std::vector<double> seconds;  // one per call; a call left unanswered counts as the timeout
    int failed = 0;               // no answer, or one other than 200

    double percentile(double p) const;
};

// Small calls, each on a new connection from `from`, as a client that was not
// connected before sees them; `request` is the whole HTTP request. Stops after
// `calls` calls, or earlier when `more` says so. With a `pace`, a call starts
// no sooner than that after the one before, as a person's screen calls; without
// one, each starts as soon as the one before is answered.
Latencies timeCalls(std::uint16_t port, const char* from, const std::string& request, int calls,
                    std::chrono::milliseconds timeout, const std::function<bool()>& more = nullptr,
                    std::chrono::microseconds pace = {});

// POST /lun90000.rdmConfCredBanc/<method> with `body`, closing after the answer.
std::string callRequest(const std::string& method, const std::string& body);

// Connections from `from` that say nothing, held until destroyed.
class IdleHog {
  public:
    IdleHog(std::uint16_t port, const char* from, int count);
    ~IdleHog();
    IdleHog(const IdleHog&) = delete;
    IdleHog& operator=(const IdleHog&) = delete;

    int opened() const { return static_cast<int>(fds_.size()); }

  private:
    std::vector<int> fds_;
};

// `perAddress` connections from each of `addresses`, each sending a request
// head that never ends, one byte per connection every `interval`, on a thread
// of its own; a connection the server closes is opened again.
class SlowHeaders {
  public:
    SlowHeaders(std::uint16_t port, std::vector<std::string> addresses, int perAddress,
                std::chrono::milliseconds interval);
    ~SlowHeaders();
    SlowHeaders(const SlowHeaders&) = delete;
    SlowHeaders& operator=(const SlowHeaders&) = delete;

    std::size_t bytesSent() const { return bytes_.load(); }
    std::size_t reopened() const { return reopened_.load(); }

  private:
    void run(std::uint16_t port, std::vector<std::string> addresses, int perAddress,
             std::chrono::milliseconds interval);

    std::atomic<bool> stop_{false};
    std::atomic<std::size_t> bytes_{0}, reopened_{0};
    std::thread thread_;
};

// What a flood of bodies did, and the highest resident memory of this
// process seen while it ran.
struct FloodResult {
    std::size_t peakResidentBytes = 0;
    std::size_t bytesSent = 0;
    int answered = 0;  // connections that got an answer
};

// `clients` connections that each send `head` (announcing `bodyBytes`) and
// then the body as fast as the server takes it, until the server closes,
// the body is sent or `limit` passes.
FloodResult floodBodies(std::uint16_t port, const std::string& head, int clients,
                        std::size_t bodyBytes, std::chrono::milliseconds limit);

// The resident memory of this process.
std::size_t residentBytes();

}  // namespace confcred::bench
