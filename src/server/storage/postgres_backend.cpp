#include "server/storage/postgres_backend.h"

#include "server/storage/database.h"

#include <libpq-fe.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <unordered_map>
#include <vector>

namespace confcred::server::storage {

namespace {

constexpr std::size_t kStatementCacheSize = 200;

std::string firstLine(const char* message) {
    std::string text = message ? message : "";
    if (const auto end = text.find('\n'); end != std::string::npos)
        text.resize(end);
    return text.empty() ? "unknown PostgreSQL error" : text;
}

class PgRow final : public Row {
  public:
    explicit PgRow(const PGresult* result) : result_(result), columns_(PQnfields(result)) {}
    void moveTo(int row) { row_ = row; }
    int columnCount() const override { return columns_; }
    std::string_view columnName(int c) const override {
        const char* name = PQfname(result_, c);
        return name ? name : "";
    }
    bool isNull(int c) const override { return PQgetisnull(result_, row_, c) != 0; }
    std::string_view text(int c) const override {
        return {PQgetvalue(result_, row_, c),
                static_cast<std::size_t>(PQgetlength(result_, row_, c))};
    }
    std::int64_t integer(int c) const override {
        const auto t = text(c);
        std::int64_t value = 0;
        std::from_chars(t.data(), t.data() + t.size(), value);
        return value;
    }
    double real(int c) const override {
        const auto t = text(c);
        double value = 0;
        std::from_chars(t.data(), t.data() + t.size(), value);
        return value;
    }

  private:
    const PGresult* result_;
    int columns_;
    int row_ = 0;
};

struct ResultGuard {
    PGresult* result;
    ~ResultGuard() { PQclear(result); }
};

class PgSession final : public Session {
  public:
    explicit PgSession(const std::string& url) : timeoutMs_(databaseTimeout().count()) {
        // The URL's own connect_timeout, if it has one, comes later and wins.
        const std::string connectSeconds =
            std::to_string(std::max<std::int64_t>(2, (timeoutMs_ + 999) / 1000));
        const char* keys[] = {"connect_timeout", "dbname", nullptr};
        const char* values[] = {connectSeconds.c_str(), url.c_str(), nullptr};
        conn_ = PQconnectdbParams(keys, values, 1);
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::string message = firstLine(PQerrorMessage(conn_));
            PQfinish(conn_);
            throw DatabaseError(message, "08001");
        }
        // Notices (such as "already exists, skipping") are not for the console.
        // Standard strings keep the '\' of LIKE ... ESCAPE '\' one backslash,
        // as SQLite reads it.
        PQsetNoticeProcessor(
            conn_, [](void*, const char*) {}, nullptr);
        try {
            executeScript(
                "SET client_encoding TO 'UTF8'; SET lock_timeout TO '15s';"
                " SET client_min_messages TO warning; SET standard_conforming_strings TO on;"
                " SET statement_timeout TO " +
                std::to_string(timeoutMs_));
        } catch (...) {
            PQfinish(conn_);
            throw;
        }
    }

    ~PgSession() override { PQfinish(conn_); }

    Backend backend() const override { return Backend::Postgres; }
    bool healthy() const override { return PQstatus(conn_) == CONNECTION_OK; }

    // An idle connection has nothing to read unless the server said goodbye
    // (a restart, a terminated backend); reading that tells libpq it is gone.
    bool stillConnected() override {
        if (!healthy())
            return false;
        pollfd p{PQsocket(conn_), POLLIN, 0};
        if (p.fd >= 0 && poll(&p, 1, 0) > 0)
            PQconsumeInput(conn_);
        return healthy();
    }

    void executeScript(std::string_view sql) override {
        if (!PQsendQuery(conn_, std::string(sql).c_str()))
            throw DatabaseError(firstLine(PQerrorMessage(conn_)));
        ResultGuard r{awaitResult(sql)};
        check(r.result, sql);
    }

    void beginRead() override { executeScript("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"); }
    void beginWrite() override { executeScript("BEGIN"); }
    void commit() override { executeScript("COMMIT"); }
    void rollback() noexcept override {
        if (PQtransactionStatus(conn_) != PQTRANS_IDLE)
            PQclear(PQexec(conn_, "ROLLBACK"));
    }

  protected:
    std::int64_t doExecute(std::string_view sql, SqlParams params) override {
        ResultGuard r{run(sql, params)};
        const char* tuples = PQcmdTuples(r.result);
        std::int64_t changed = 0;
        if (tuples && *tuples)
            std::from_chars(tuples, tuples + std::char_traits<char>::length(tuples), changed);
        return changed;
    }

    void doQuery(std::string_view sql, SqlParams params, const RowHandler& onRow) override {
        ResultGuard r{run(sql, params)};
        PgRow row(r.result);
        const int rows = PQntuples(r.result);
        for (int i = 0; i < rows; ++i) {
            row.moveTo(i);
            onRow(row);
        }
    }

  private:
    // The result of the statement just sent (the first failure, or the last
    // result of a script), waiting at most the statement time-out and a
    // second: the server's own statement_timeout answers first unless the
    // server stopped answering at all. Then the connection is cut (the pool
    // drops it) and the wait fails as busy.
    PGresult* awaitResult(std::string_view sql) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_ + 1000);
        const auto waitFor = [&](short events) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{PQsocket(conn_), events, 0};
            if (left <= 0 || p.fd < 0 || poll(&p, 1, static_cast<int>(left)) <= 0) {
                if (p.fd >= 0)
                    ::shutdown(p.fd, SHUT_RDWR);
                PQconsumeInput(conn_);
                throw DatabaseError("the database did not answer within " +
                                        std::to_string((timeoutMs_ + 1000) / 1000) +
                                        " s (in: " + std::string(sql.substr(0, 120)) + ")",
                                    "08006", true);
            }
        };
        for (;;) {
            const int flushed = PQflush(conn_);
            if (flushed == 0)
                break;
            if (flushed < 0)
                throw DatabaseError(firstLine(PQerrorMessage(conn_)));
            waitFor(POLLOUT | POLLIN);
            PQconsumeInput(conn_);
        }
        PGresult* kept = nullptr;
        for (;;) {
            while (PQisBusy(conn_)) {
                waitFor(POLLIN);
                if (!PQconsumeInput(conn_)) {
                    PQclear(kept);
                    throw DatabaseError(firstLine(PQerrorMessage(conn_)));
                }
            }
            PGresult* next = PQgetResult(conn_);
            if (next == nullptr)
                return kept;
            if (kept != nullptr && PQresultStatus(kept) != PGRES_COMMAND_OK &&
                PQresultStatus(kept) != PGRES_TUPLES_OK) {
                PQclear(next);  // the first failure is the one to tell
            } else {
                PQclear(kept);
                kept = next;
            }
        }
    }

    void check(PGresult* result, std::string_view sql) {
        const auto status = PQresultStatus(result);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return;
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        const char* primary =
            result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
        std::string message = primary ? primary : firstLine(PQerrorMessage(conn_));
        message += " (in: " + std::string(sql.substr(0, 120)) + ")";
        // A connection lost on the way has no SQLSTATE of the server's.
        const std::string code = state ? state : PQstatus(conn_) == CONNECTION_BAD ? "08006" : "";
        // 55P03: lock wait timed out; 57014: statement cancelled by a timeout.
        throw DatabaseError(message, code, code == "55P03" || code == "57014");
    }

    PGresult* run(std::string_view sql, SqlParams params) {
        const std::string& name = prepared(sql, static_cast<int>(params.size()));
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size(), nullptr);
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (const auto* n = std::get_if<std::int64_t>(&params[i])) {
                texts[i] = std::to_string(*n);
            } else if (const auto* d = std::get_if<double>(&params[i])) {
                char buffer[64];
                auto end = std::to_chars(buffer, buffer + sizeof buffer, *d).ptr;
                texts[i].assign(buffer, end);
            } else if (const auto* s = std::get_if<std::string_view>(&params[i])) {
                texts[i].assign(s->data(), s->size());
            } else {
                continue;  // NULL
            }
            values[i] = texts[i].c_str();
        }
        if (!PQsendQueryPrepared(conn_, name.c_str(), static_cast<int>(params.size()),
                                 values.data(), nullptr, nullptr, 0))
            throw DatabaseError(firstLine(PQerrorMessage(conn_)));
        PGresult* result = awaitResult(sql);
        try {
            check(result, sql);
        } catch (...) {
            PQclear(result);
            throw;
        }
        return result;
    }

    const std::string& prepared(std::string_view sql, int paramCount) {
        if (auto found = cache_.find(std::string(sql)); found != cache_.end())
            return found->second;
        if (cache_.size() >= kStatementCacheSize) {
            // Start over; the old statements go with DEALLOCATE ALL, which is
            // not transactional and allowed inside a transaction.
            PQclear(PQexec(conn_, "DEALLOCATE ALL"));
            cache_.clear();
        }
        const std::string name = "s" + std::to_string(++counter_);
        const std::string text = numberPlaceholders(sql);
        if (!PQsendPrepare(conn_, name.c_str(), text.c_str(), paramCount, nullptr))
            throw DatabaseError(firstLine(PQerrorMessage(conn_)));
        ResultGuard r{awaitResult(sql)};
        check(r.result, sql);
        return cache_.emplace(std::string(sql), name).first->second;
    }

    PGconn* conn_ = nullptr;
    std::int64_t timeoutMs_;
    std::unordered_map<std::string, std::string> cache_;
    std::uint64_t counter_ = 0;
};

}  // namespace

std::string numberPlaceholders(std::string_view sql) {
    std::string out;
    out.reserve(sql.size() + 16);
    int next = 0;
    char quote = 0;
    for (char c : sql) {
        if (quote) {
            if (c == quote)
                quote = 0;
            out += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            out += c;
        } else if (c == '?') {
            out += '$';
            out += std::to_string(++next);
        } else {
            out += c;
        }
    }
    return out;
}

std::unique_ptr<Session> openPostgresSession(const std::string& url) {
    return std::make_unique<PgSession>(url);
}

}  // namespace confcred::server::storage
