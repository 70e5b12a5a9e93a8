// What the server tells about itself while it runs: the readiness behind
// GET /health/ready, the Prometheus text of GET /metrics, and one structured
// line per call on stderr. The endpoint reports every call here.
#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace confcred::server::storage {
class Database;
}

namespace confcred::server::http {

class Metrics {
  public:
    // The one the endpoint reports to.
    static Metrics& process();

    // Readiness and the database figures come from `db` from now on (nullptr:
    // not ready). `db` must outlive the server's threads.
    void attach(storage::Database* db);
    // GET /metrics without the token (--metrics-open).
    void setScrapeOpen(bool open) { scrapeOpen_ = open; }
    bool scrapeOpen() const { return scrapeOpen_; }
    // The structured line per call: off in a process that only embeds the
    // endpoint (tests, benchmarks); confcred-server turns it on unless
    // --no-call-log.
    void setCallLog(bool on) { callLog_ = on; }

    void callStarted() { ++inFlight_; }
    // `method` as the client named it (an unknown one counts as "unknown");
    // `result` is the answer's JSON, whose packet rows the call line counts.
    void callFinished(std::string_view method, bool known, int status,
                      std::chrono::steady_clock::duration took, std::string_view operatorName,
                      std::string_view result);

    // The structured line of a refusal (a failed login, a 401, 403 or 429):
    // the client's address, the operator name tried (may be empty) and why.
    // On the same log as the call lines.
    void refused(int status, std::string_view address, std::string_view operatorName,
                 std::string_view reason);

    // Empty when the database answers and holds the schema this server
    // expects; otherwise why not.
    std::string notReadyReason();
    // The Prometheus text exposition format, version 0.0.4.
    std::string prometheusText();

  private:
    struct MethodFigures {
        std::string name;  // the first spelling seen
        std::map<int, std::uint64_t> byStatus;
        std::vector<std::uint64_t> buckets;  // cumulative at output time, per bound here
        double seconds = 0;
        std::uint64_t count = 0;
    };

    std::atomic<storage::Database*> db_{nullptr};
    std::atomic<bool> scrapeOpen_{false}, callLog_{false};
    std::atomic<std::int64_t> inFlight_{0};
    std::mutex mutex_;
    std::map<std::string, MethodFigures> methods_;  // by lower-case name
    std::string lastUnreachable_;                   // told on stderr already
};

// This program's version ("0.1.0"), for --version and confcred_build_info.
std::string buildVersion();

// The number of rows of the data packet in an answer's JSON (the length of
// its "rows" array); 0 when there is none.
std::size_t packetRowCount(std::string_view json);

}  // namespace confcred::server::http
