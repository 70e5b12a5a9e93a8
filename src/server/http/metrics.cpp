#include "server/http/metrics.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include "dataset/json_text.h"
#include "server/storage/database.h"
#include "server/storage/ledger_guard.h"
#include "server/storage/schema.h"

namespace confcred::server::http {

namespace {

// Upper bounds of the latency buckets, in seconds.
constexpr double kBounds[] = {0.001, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30};

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string label(std::string_view value) {
    std::string out;
    for (char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

}  // namespace

Metrics& Metrics::process() {
    static Metrics metrics;
    return metrics;
}

void Metrics::attach(storage::Database* db) {
    db_ = db;
}

void Metrics::callFinished(std::string_view method, bool known, int status,
                           std::chrono::steady_clock::duration took, std::string_view operatorName,
                           std::string_view result) {
    --inFlight_;
    const double seconds = std::chrono::duration<double>(took).count();
    {
        std::lock_guard lock(mutex_);
        auto& m = methods_[known ? lowerCase(method) : std::string("unknown")];
        if (m.name.empty()) {
            m.name = known ? std::string(method.substr(0, 100)) : "unknown";
            m.buckets.assign(std::size(kBounds), 0);
        }
        ++m.byStatus[status];
        ++m.count;
        m.seconds += seconds;
        for (std::size_t i = 0; i < std::size(kBounds); ++i)
            if (seconds <= kBounds[i]) {
                ++m.buckets[i];
                break;
            }
    }
    if (!callLog_)
        return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
    std::string line = "{\"time\":\"" + std::string(when) + "\",\"method\":";
    dataset::appendJsonString(line, known ? method.substr(0, 100) : "unknown");
    line += ",\"status\":" + std::to_string(status) + ",\"ms\":" + number(seconds * 1000) +
            ",\"operator\":";
    dataset::appendJsonString(line, operatorName.substr(0, 100));
    line += ",\"rows\":" + std::to_string(status == 200 ? packetRowCount(result) : 0) + "}\n";
    std::fwrite(line.data(), 1, line.size(), stderr);  // one write: lines do not interleave
}

void Metrics::refused(int status, std::string_view address, std::string_view operatorName,
                      std::string_view reason) {
    if (!callLog_)
        return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
    std::string line = "{\"time\":\"" + std::string(when) +
                       "\",\"event\":\"refused\",\"status\":" + std::to_string(status) +
                       ",\"address\":";
    dataset::appendJsonString(line, address.substr(0, 100));
    line += ",\"operator\":";
    dataset::appendJsonString(line, operatorName.substr(0, 100));
    line += ",\"reason\":";
    dataset::appendJsonString(line, reason.substr(0, 300));
    line += "}\n";
    std::fwrite(line.data(), 1, line.size(), stderr);  // one write: lines do not interleave
}

std::string Metrics::notReadyReason() {
    storage::Database* db = db_;
    if (db == nullptr)
        return "the database is not open yet";
    try {
        int version = 0;
        db->read([&](storage::Session& s) {
            s.query("SELECT COALESCE(MAX(version), 0) FROM schema_version", {},
                    [&](const storage::Row& r) { version = static_cast<int>(r.integer(0)); });
        });
        if (version < storage::latestSchemaVersion())
            return "the database has schema version " + std::to_string(version) +
                   ", this server needs " + std::to_string(storage::latestSchemaVersion());
        if (const std::string refusal = storage::writeRefusal(); !refusal.empty())
            return "the ledger's chain does not hold, writes are refused: " + refusal;
        return {};
    } catch (const std::exception& e) {
        // The answer goes to anyone who asks: the database's host, port and
        // name stay in the server's own log, told once per change.
        const std::string detail = std::string("the database does not answer: ") + e.what();
        {
            std::lock_guard lock(mutex_);
            if (detail == lastUnreachable_)
                return "database unreachable";
            lastUnreachable_ = detail;
        }
        const std::string line = "confcred-server: not ready: " + detail + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        return "database unreachable";
    }
}

std::string Metrics::prometheusText() {
    std::string out;
    {
        std::lock_guard lock(mutex_);
        out +=
            "# HELP confcred_calls_total Calls of the server's methods, by method and HTTP "
            "status.\n# TYPE confcred_calls_total counter\n";
        for (const auto& [key, m] : methods_)
            for (const auto& [status, count] : m.byStatus)
                out += "confcred_calls_total{method=\"" + label(m.name) + "\",status=\"" +
                       std::to_string(status) + "\"} " + std::to_string(count) + "\n";
        out +=
            "# HELP confcred_call_duration_seconds Time to run a call, by method.\n"
            "# TYPE confcred_call_duration_seconds histogram\n";
        for (const auto& [key, m] : methods_) {
            const std::string name = label(m.name);
            std::uint64_t cumulative = 0;
            for (std::size_t i = 0; i < std::size(kBounds); ++i) {
                cumulative += m.buckets[i];
                out += "confcred_call_duration_seconds_bucket{method=\"" + name + "\",le=\"" +
                       number(kBounds[i]) + "\"} " + std::to_string(cumulative) + "\n";
            }
            out += "confcred_call_duration_seconds_bucket{method=\"" + name + "\",le=\"+Inf\"} " +
                   std::to_string(m.count) + "\n";
            out += "confcred_call_duration_seconds_sum{method=\"" + name + "\"} " +
                   number(m.seconds) + "\n";
            out += "confcred_call_duration_seconds_count{method=\"" + name + "\"} " +
                   std::to_string(m.count) + "\n";
        }
    }
    out +=
        "# HELP confcred_build_info The version of this server program.\n"
        "# TYPE confcred_build_info gauge\nconfcred_build_info{version=\"" +
        label(buildVersion()) + "\"} 1\n";
    out +=
        "# HELP confcred_calls_in_flight Calls being run now.\n"
        "# TYPE confcred_calls_in_flight gauge\nconfcred_calls_in_flight " +
        std::to_string(inFlight_.load()) + "\n";
    if (storage::Database* db = db_) {
        const storage::Database::PoolUse pool = db->poolUse();
        out +=
            "# HELP confcred_db_sessions_in_use Database connections running a transaction.\n"
            "# TYPE confcred_db_sessions_in_use gauge\nconfcred_db_sessions_in_use " +
            std::to_string(pool.inUse) +
            "\n# HELP confcred_db_sessions_idle Database connections waiting in the pool.\n"
            "# TYPE confcred_db_sessions_idle gauge\nconfcred_db_sessions_idle " +
            std::to_string(pool.idle) + "\n";
        // Read from the database at each scrape: the same figure on every
        // server of the database (take one server's, never their sum), and it
        // falls when a restore takes rows away, hence a gauge. Counted, not
        // the highest number: PostgreSQL's sequence leaves gaps.
        try {
            std::int64_t rows = 0;
            db->read([&](storage::Session& s) {
                s.query("SELECT COUNT(*) FROM LANCSALDO", {},
                        [&](const storage::Row& r) { rows = r.integer(0); });
            });
            out +=
                "# HELP confcred_ledger_rows_total Rows in the balance ledger (LANCSALDO) of "
                "the whole database, written by all its servers.\n"
                "# TYPE confcred_ledger_rows_total gauge\nconfcred_ledger_rows_total " +
                std::to_string(rows) + "\n";
        } catch (const std::exception&) {
            // Not ready: /health/ready tells why; the other figures still count.
        }
    }
    return out;
}

std::string buildVersion() {
    return CONFCRED_VERSION;
}

std::size_t packetRowCount(std::string_view json) {
    const auto key = json.find("\"rows\":[");
    if (key == std::string_view::npos)
        return 0;
    std::size_t rows = 0;
    int depth = 0;
    const char* p = json.data() + key + 7;
    const char* const end = json.data() + json.size();
    while (p < end) {
        const char c = *p;
        if (c == '"') {
            // Skip the string: find its closing quote, past escaped ones.
            for (++p;;) {
                p = static_cast<const char*>(
                    std::memchr(p, '"', static_cast<std::size_t>(end - p)));
                if (p == nullptr)
                    return rows;
                const char* back = p;
                while (back[-1] == '\\')
                    --back;
                ++p;
                if ((p - 1 - back) % 2 == 0)
                    break;
            }
            continue;
        }
        if (c == '[') {
            if (++depth == 2)
                ++rows;
        } else if (c == ']') {
            if (--depth == 0)
                return rows;
        }
        ++p;
    }
    return rows;
}

}  // namespace confcred::server::http
