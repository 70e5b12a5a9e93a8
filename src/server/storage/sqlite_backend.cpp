#include "server/storage/sqlite_backend.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <unordered_map>

namespace confcred::server::storage {

namespace {

constexpr std::size_t kStatementCacheSize = 200;

class SqliteRow final : public Row {
  public:
    explicit SqliteRow(sqlite3_stmt* stmt) : stmt_(stmt), columns_(sqlite3_column_count(stmt)) {}
    int columnCount() const override { return columns_; }
    std::string_view columnName(int c) const override {
        const char* name = sqlite3_column_name(stmt_, c);
        return name ? name : "";
    }
    bool isNull(int c) const override { return sqlite3_column_type(stmt_, c) == SQLITE_NULL; }
    std::string_view text(int c) const override {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
        return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, c)))
                 : std::string_view();
    }
    std::int64_t integer(int c) const override { return sqlite3_column_int64(stmt_, c); }
    double real(int c) const override { return sqlite3_column_double(stmt_, c); }

  private:
    sqlite3_stmt* stmt_;
    int columns_;
};

// Balances and names are nobody else's business: a new database file is made
// readable by its owner only, and SQLite gives its -wal and -shm files the
// mode of the database file.
void createOwnerOnly(const std::string& path) {
    if (path.empty() || path == ":memory:" || path.rfind("file:", 0) == 0)
        return;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

class SqliteSession final : public Session {
  public:
    explicit SqliteSession(const std::string& path) {
        createOwnerOnly(path);
        const int rc = sqlite3_open_v2(path.c_str(), &db_,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                           SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE,
                                       nullptr);
        if (rc != SQLITE_OK) {
            std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            db_ = nullptr;
            throw DatabaseError(message);
        }
        sqlite3_busy_timeout(
            db_, static_cast<int>(std::min<std::int64_t>(databaseTimeout().count(), INT32_MAX)));
        // WAL lets readers go on while one writer works; FULL makes a commit
        // survive a power cut, which money in a balance should. A page cache
        // of up to 64 MiB keeps a 100,000-order list from being read from the
        // file system again on every call (it grows only as pages are used).
        try {
            executeScript(
                "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;"
                " PRAGMA cache_size=-65536;");
        } catch (...) {
            sqlite3_close_v2(db_);
            throw;
        }
    }

    ~SqliteSession() override {
        for (auto& [sql, stmt] : cache_)
            sqlite3_finalize(stmt);
        sqlite3_close_v2(db_);
    }

    Backend backend() const override { return Backend::Sqlite; }
    bool healthy() const override { return db_ != nullptr && !broken_; }

    void executeScript(std::string_view sql) override {
        char* error = nullptr;
        const std::string text(sql);
        if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            std::string message = error ? error : sqlite3_errmsg(db_);
            sqlite3_free(error);
            fail(message, sqlite3_extended_errcode(db_));
        }
    }

    void beginRead() override { simple("BEGIN"); }
    void beginWrite() override { simple("BEGIN IMMEDIATE"); }
    void commit() override { simple("COMMIT"); }
    void rollback() noexcept override {
        if (!sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }

  protected:
    std::int64_t doExecute(std::string_view sql, SqlParams params) override {
        sqlite3_stmt* stmt = prepare(sql, params);
        Reset reset{stmt};
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            fail(sqlite3_errmsg(db_), rc, sql);
        return sqlite3_changes64(db_);
    }

    void doQuery(std::string_view sql, SqlParams params, const RowHandler& onRow) override {
        sqlite3_stmt* stmt = prepare(sql, params);
        Reset reset{stmt};
        SqliteRow row(stmt);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            onRow(row);
        if (rc != SQLITE_DONE)
            fail(sqlite3_errmsg(db_), rc, sql);
    }

  private:
    struct Reset {
        sqlite3_stmt* stmt;
        ~Reset() {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        }
    };

    [[noreturn]] void fail(const std::string& message, int code, std::string_view sql = {}) {
        const int primary = code & 0xFF;
        if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_IOERR ||
            primary == SQLITE_CANTOPEN)
            broken_ = true;
        std::string text = message;
        if (!sql.empty())
            text += " (in: " + std::string(sql.substr(0, 120)) + ")";
        throw DatabaseError(text, {}, primary == SQLITE_BUSY || primary == SQLITE_LOCKED);
    }

    void simple(const char* sql) {
        if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(sqlite3_errmsg(db_), sqlite3_extended_errcode(db_), sql);
    }

    sqlite3_stmt* prepare(std::string_view sql, SqlParams params) {
        sqlite3_stmt* stmt;
        auto found = cache_.find(std::string(sql));
        if (found != cache_.end()) {
            stmt = found->second;
        } else {
            if (cache_.size() >= kStatementCacheSize) {
                for (auto& [text, old] : cache_)
                    sqlite3_finalize(old);
                cache_.clear();
            }
            const char* tail = nullptr;
            if (sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                                   SQLITE_PREPARE_PERSISTENT, &stmt, &tail) != SQLITE_OK)
                fail(sqlite3_errmsg(db_), sqlite3_extended_errcode(db_), sql);
            if (!stmt)
                throw DatabaseError("empty SQL statement");
            cache_.emplace(std::string(sql), stmt);
        }
        if (sqlite3_bind_parameter_count(stmt) != static_cast<int>(params.size()))
            throw DatabaseError("statement expects " +
                                std::to_string(sqlite3_bind_parameter_count(stmt)) +
                                " values, got " + std::to_string(params.size()) +
                                " (in: " + std::string(sql.substr(0, 120)) + ")");
        for (std::size_t i = 0; i < params.size(); ++i) {
            const int at = static_cast<int>(i + 1);
            int rc = SQLITE_OK;
            if (const auto* n = std::get_if<std::int64_t>(&params[i]))
                rc = sqlite3_bind_int64(stmt, at, *n);
            else if (const auto* d = std::get_if<double>(&params[i]))
                rc = sqlite3_bind_double(stmt, at, *d);
            else if (const auto* s = std::get_if<std::string_view>(&params[i]))
                // The text outlives the step: the Reset guard clears the binding.
                // (A null pointer would bind NULL, not the empty text.)
                rc = sqlite3_bind_text64(stmt, at, s->data() ? s->data() : "", s->size(),
                                         SQLITE_STATIC, SQLITE_UTF8);
            else
                rc = sqlite3_bind_null(stmt, at);
            if (rc != SQLITE_OK) {
                sqlite3_clear_bindings(stmt);
                fail(sqlite3_errmsg(db_), rc, sql);
            }
        }
        return stmt;
    }

    sqlite3* db_ = nullptr;
    bool broken_ = false;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
};

}  // namespace

std::unique_ptr<Session> openSqliteSession(const std::string& path) {
    return std::make_unique<SqliteSession>(path);
}

}  // namespace confcred::server::storage
