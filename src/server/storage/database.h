// The server's storage: a pool of sessions on a SQLite file or a PostgreSQL
// database, with the same schema and the same SQL (`?` placeholders, values
// always bound) on both. Every method call runs as one transaction through
// Database::read or Database::write.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/assert.h"

namespace confcred::server::storage {

enum class Backend { Sqlite, Postgres };

// A value bound to one `?` of a statement. Texts are not copied: they must
// live until the statement has run.
using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string_view>;
using SqlParams = std::span<const SqlValue>;

// A failure reported by the database, with the SQLSTATE when PostgreSQL gave one.
class DatabaseError : public std::runtime_error {
  public:
    explicit DatabaseError(const std::string& message, std::string sqlState = {}, bool busy = false)
        : std::runtime_error(message), sqlState_(std::move(sqlState)), busy_(busy) {}
    const std::string& sqlState() const { return sqlState_; }
    // A deadlock or serialization failure: the transaction was undone and the
    // same work may succeed when run again.
    bool isConflict() const { return sqlState_ == "40001" || sqlState_ == "40P01"; }
    // Another transaction held the database too long (or a conflict).
    bool isBusy() const { return busy_ || isConflict(); }
    // The database could not be reached or stopped answering (SQLSTATE class 08).
    bool isUnreachable() const { return sqlState_.rfind("08", 0) == 0; }

  private:
    std::string sqlState_;
    bool busy_;
};

// One result row; valid only inside the row handler that received it.
class Row {
  public:
    virtual int columnCount() const = 0;
    // As the database names it: PostgreSQL folds unquoted names to lower case.
    virtual std::string_view columnName(int column) const = 0;
    virtual bool isNull(int column) const = 0;
    virtual std::string_view text(int column) const = 0;  // "" for null
    virtual std::int64_t integer(int column) const = 0;   // 0 for null
    virtual double real(int column) const = 0;            // 0 for null

  protected:
    ~Row() = default;
};

using RowHandler = std::function<void(const Row&)>;

// One connection, used by one thread at a time. Statements are prepared once
// per connection and kept.
class Session {
  public:
    virtual ~Session() = default;
    virtual Backend backend() const = 0;

    // Runs one statement; returns the number of rows it changed.
    std::int64_t execute(std::string_view sql, SqlParams params = {});
    std::int64_t execute(std::string_view sql, std::initializer_list<SqlValue> params) {
        return execute(sql, SqlParams(params.begin(), params.size()));
    }
    // Runs one statement and hands every result row to `onRow`, in order.
    void query(std::string_view sql, SqlParams params, const RowHandler& onRow);
    void query(std::string_view sql, std::initializer_list<SqlValue> params,
               const RowHandler& onRow) {
        query(sql, SqlParams(params.begin(), params.size()), onRow);
    }
    // Several statements without parameters (schema changes).
    virtual void executeScript(std::string_view sql) = 0;

    // False once the connection is known to be broken; the pool drops it then.
    virtual bool healthy() const = 0;
    // Looks whether a connection that waited in the pool is still there (the
    // server may have closed it meanwhile); false drops it.
    virtual bool stillConnected() { return healthy(); }

    // Transactions, driven by Database.
    virtual void beginRead() = 0;
    virtual void beginWrite() = 0;
    virtual void commit() = 0;
    virtual void rollback() noexcept = 0;

    // Fault injection: when `failAt` > 0, the failAt-th statement of the
    // current write transaction throws instead of running (Throw), or the
    // process dies just before it (Kill; the crash-test hook's
    // kill-at-statement). Counting starts again at each arming.
    enum class FaultAction { Throw, Kill };
    void armFault(int failAt, FaultAction action = FaultAction::Throw) {
        CONFCRED_ASSERT(failAt >= 0);
        failAt_ = failAt;
        faultAction_ = action;
        statementCount_ = 0;
    }
    void disarmFault() { failAt_ = 0; }

  protected:
    virtual std::int64_t doExecute(std::string_view sql, SqlParams params) = 0;
    virtual void doQuery(std::string_view sql, SqlParams params, const RowHandler& onRow) = 0;

  private:
    void countStatement();
    int failAt_ = 0;
    FaultAction faultAction_ = FaultAction::Throw;
    int statementCount_ = 0;
};

// Writers take turns in the order they came: on SQLite one write runs at a
// time, and the others wait here for as long as it takes rather than in
// SQLite's busy loop, which gives up after its timeout and favours no one.
class WriterQueue {
  public:
    class Turn {
      public:
        explicit Turn(WriterQueue& queue);
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

      private:
        WriterQueue& queue_;
    };

  private:
    std::mutex mutex_;
    std::condition_variable next_;
    std::uint64_t issued_ = 0, serving_ = 0;
};

class Database {
  public:
    using Connector = std::function<std::unique_ptr<Session>()>;

    // `displayUrl` names the database in messages (no password in it).
    Database(Backend backend, std::string displayUrl, Connector connect);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Backend backend() const { return backend_; }
    const std::string& url() const { return url_; }

    // Runs `work(Session&)` in a read-only transaction and returns its result.
    template <class F>
    auto read(F&& work) -> std::invoke_result_t<F&, Session&> {
        return run(false, std::forward<F>(work));
    }
    // Runs `work(Session&)` in a write transaction: committed when it returns,
    // rolled back when it throws. Work that another transaction got in the
    // way of is run again from the start, up to a few times, so it must not
    // keep state from one attempt to the next.
    template <class F>
    auto write(F&& work) -> std::invoke_result_t<F&, Session&> {
        return run(true, std::forward<F>(work));
    }

    // For tests and checks: the rows of a query with every value as text.
    std::vector<std::vector<std::optional<std::string>>> queryText(
        std::string_view sql, const std::vector<std::optional<std::string>>& params = {});

    // Connections running a transaction now, and those waiting in the pool.
    struct PoolUse {
        int inUse = 0;
        int idle = 0;
    };
    PoolUse poolUse();

    // Fault hook: from now on the n-th statement of each write transaction
    // throws (0 = off), so a suite can make a batch fail at each statement.
    void setFailAtStatement(int n) { failAt_.store(n); }

  private:
    class Lease;
    std::unique_ptr<Session> acquire();
    void release(std::unique_ptr<Session> session);
    // A lost connection seldom goes alone (the database server restarted):
    // the idle ones are dropped with it and made again when needed.
    void dropIdle();

    template <class F>
    auto run(bool writing, F&& work, bool faults = true) -> std::invoke_result_t<F&, Session&>;

    Backend backend_;
    std::string url_;
    Connector connect_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Session>> idle_;
    WriterQueue writers_;
    std::atomic<int> failAt_{0};
    std::atomic<int> inUse_{0};
};

// Opens `sqlite:PATH` or `postgresql://...` (also `postgres://...`), creating
// or migrating the schema; a new SQLite file also gets the demo data unless
// `demoForNewFile` is false. Throws std::runtime_error with a one-line
// message naming the database.
std::unique_ptr<Database> openDatabase(const std::string& url, bool demoForNewFile = true);
// The same for a database that must exist already, without creating or
// migrating anything (checks that only read).
std::unique_ptr<Database> openExistingDatabase(const std::string& url);

// How long the server waits for its database, process-wide, for connections
// opened from now on: a PostgreSQL connection's establishment
// (connect_timeout, unless the URL gives its own) and each statement (the
// server's statement_timeout, and a deadline of the same length plus a second
// on the client, which drops the connection of a database that stopped
// answering altogether, a frozen one included); SQLite's wait for a lock held
// by another process (busy timeout). A statement past it fails with a
// DatabaseError that isBusy(). Default 15 s.
void setDatabaseTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds databaseTimeout();

// The file of a sqlite: URL; empty for any other kind.
std::string sqliteFilePath(const std::string& url);

// sqlite: URL of the default file, $XDG_DATA_HOME (or ~/.local/share) +
// /confcred/confcred.db; the folder is created.
std::string defaultSqliteUrl();

// ---------------------------------------------------------------------------

template <class F>
auto Database::run(bool writing, F&& work, bool faults) -> std::invoke_result_t<F&, Session&> {
    constexpr int kAttempts = 5;
    std::optional<WriterQueue::Turn> turn;
    if (writing && backend_ == Backend::Sqlite)
        turn.emplace(writers_);
    bool reconnected = false;
    for (int attempt = 1;; ++attempt) {
        std::unique_ptr<Session> session = reconnected ? connect_() : acquire();
        ++inUse_;
        struct Return {
            Database* db;
            std::unique_ptr<Session>* session;
            ~Return() { db->release(std::move(*session)); }
        } giveBack{this, &session};
        try {
            try {
                if (writing)
                    session->beginWrite();
                else
                    session->beginRead();
            } catch (const DatabaseError&) {
                // The connection died while it waited in the pool. Nothing of
                // the call reached the database, so it runs once more on a new
                // connection.
                if (session->healthy() || reconnected)
                    throw;
                dropIdle();
                reconnected = true;
                continue;
            }
            if (writing)
                session->armFault(faults ? failAt_.load() : 0);
            if constexpr (std::is_void_v<std::invoke_result_t<F&, Session&>>) {
                work(*session);
                session->disarmFault();
                session->commit();
                return;
            } else {
                auto result = work(*session);
                session->disarmFault();
                session->commit();
                return result;
            }
        } catch (const DatabaseError& e) {
            session->disarmFault();
            session->rollback();
            if (!e.isConflict() || attempt == kAttempts)
                throw;
        } catch (...) {
            session->disarmFault();
            session->rollback();
            throw;
        }
    }
}

}  // namespace confcred::server::storage
