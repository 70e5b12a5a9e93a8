#include "server/storage/database.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/assert.h"
#include "server/storage/demo_data.h"
#include "server/storage/fault_hook.h"
#include "server/storage/postgres_backend.h"
#include "server/storage/schema.h"
#include "server/storage/sqlite_backend.h"

namespace confcred::server::storage {

namespace {
std::atomic<std::int64_t> timeoutMs{15'000};
}  // namespace

void setDatabaseTimeout(std::chrono::milliseconds timeout) {
    timeoutMs.store(std::max<std::int64_t>(1, timeout.count()));
}

std::chrono::milliseconds databaseTimeout() {
    return std::chrono::milliseconds(timeoutMs.load());
}

namespace {

constexpr std::size_t kMaxIdleSessions = 16;

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The URL as it may appear in messages and logs: a password, in the user
// information or as a parameter of the query string, is replaced by ***.
std::string withoutPassword(std::string url) {
    for (std::size_t at = url.find('?'); at != std::string::npos; at = url.find('&', at + 1)) {
        constexpr std::string_view kKey = "password=";
        std::string key = url.substr(at + 1, kKey.size());
        for (char& c : key)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (key != kKey)
            continue;
        const std::size_t value = at + 1 + kKey.size();
        url.replace(value, std::min(url.find('&', value), url.size()) - value, "***");
    }
    const auto scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const auto at = url.find('@', scheme + 3);
    const auto slash = url.find('/', scheme + 3);
    if (at == std::string::npos || (slash != std::string::npos && slash < at))
        return url;
    const auto colon = url.find(':', scheme + 3);
    if (colon == std::string::npos || colon > at)
        return url;
    return url.substr(0, colon + 1) + "***" + url.substr(at);
}

}  // namespace

// ---------------------------------------------------------------------------
// Session

void Session::countStatement() {
    if (failAt_ > 0 && ++statementCount_ == failAt_) {
        if (faultAction_ == FaultAction::Kill)
            killNow();
        throw DatabaseError("injected failure at statement " + std::to_string(failAt_) +
                            " of the transaction");
    }
}

std::int64_t Session::execute(std::string_view sql, SqlParams params) {
    countStatement();
    return doExecute(sql, params);
}

void Session::query(std::string_view sql, SqlParams params, const RowHandler& onRow) {
    countStatement();
    doQuery(sql, params, onRow);
}

// ---------------------------------------------------------------------------
// Database

Database::Database(Backend backend, std::string displayUrl, Connector connect)
    : backend_(backend), url_(std::move(displayUrl)), connect_(std::move(connect)) {}

Database::~Database() = default;

std::unique_ptr<Session> Database::acquire() {
    for (;;) {
        std::unique_ptr<Session> session;
        {
            std::lock_guard lock(mutex_);
            if (idle_.empty())
                break;
            session = std::move(idle_.back());
            idle_.pop_back();
        }
        if (session->stillConnected())
            return session;
    }
    // Connecting happens outside the lock: it may take a while on PostgreSQL.
    return connect_();
}

void Database::release(std::unique_ptr<Session> session) {
    [[maybe_unused]] const int wasInUse = inUse_--;
    CONFCRED_ASSERT_MSG(wasInUse > 0, "a connection given back twice");
    if (!session || !session->healthy())
        return;
    std::lock_guard lock(mutex_);
    if (idle_.size() < kMaxIdleSessions)
        idle_.push_back(std::move(session));
}

Database::PoolUse Database::poolUse() {
    std::lock_guard lock(mutex_);
    return {inUse_.load(), static_cast<int>(idle_.size())};
}

void Database::dropIdle() {
    std::vector<std::unique_ptr<Session>> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(idle_);
    }
}

// ---------------------------------------------------------------------------
// WriterQueue

WriterQueue::Turn::Turn(WriterQueue& queue) : queue_(queue) {
    std::unique_lock lock(queue_.mutex_);
    const std::uint64_t mine = queue_.issued_++;
    queue_.next_.wait(lock, [&] { return queue_.serving_ == mine; });
}

WriterQueue::Turn::~Turn() {
    {
        std::lock_guard lock(queue_.mutex_);
        // Only the writer being served ends its turn.
        CONFCRED_ASSERT(queue_.serving_ < queue_.issued_);
        ++queue_.serving_;
    }
    queue_.next_.notify_all();
}

std::vector<std::vector<std::optional<std::string>>> Database::queryText(
    std::string_view sql, const std::vector<std::optional<std::string>>& params) {
    std::vector<SqlValue> bound;
    bound.reserve(params.size());
    for (const auto& p : params)
        bound.push_back(p ? SqlValue(std::string_view(*p)) : SqlValue());
    return run(
        true,
        [&](Session& s) {
            std::vector<std::vector<std::optional<std::string>>> rows;
            s.query(sql, bound, [&](const Row& row) {
                auto& out = rows.emplace_back();
                for (int c = 0; c < row.columnCount(); ++c)
                    out.push_back(row.isNull(c) ? std::nullopt
                                                : std::optional<std::string>(row.text(c)));
            });
            return rows;
        },
        false);
}

// ---------------------------------------------------------------------------
// Opening

std::string sqliteFilePath(const std::string& url) {
    if (!startsWith(url, "sqlite:"))
        return {};
    std::string path = url.substr(7);
    if (startsWith(path, "//"))
        path.erase(0, 2);  // sqlite:///abs/path
    return path;
}

namespace {

std::unique_ptr<Database> open(const std::string& url, bool existing, bool demoForNewFile) {
    const std::string shown = withoutPassword(url);
    try {
        std::unique_ptr<Database> db;
        bool newFile = false;
        if (startsWith(url, "sqlite:")) {
            const std::string path = sqliteFilePath(url);
            if (path.empty())
                throw std::runtime_error("no file path after sqlite:");
            std::error_code ec;
            newFile =
                !std::filesystem::exists(path, ec) || std::filesystem::file_size(path, ec) == 0;
            if (existing && newFile)
                throw std::runtime_error("no database file at " + path);
            db = std::make_unique<Database>(Backend::Sqlite, shown,
                                            [path] { return openSqliteSession(path); });
        } else if (startsWith(url, "postgresql://") || startsWith(url, "postgres://")) {
            db = std::make_unique<Database>(Backend::Postgres, shown,
                                            [url] { return openPostgresSession(url); });
        } else {
            throw std::runtime_error(
                "unknown kind of database (use sqlite:PATH or postgresql://...)");
        }
        if (existing)
            return db;
        std::function<void(Session&)> demo;
        if (newFile && demoForNewFile)
            demo = [](Session& s) { seedDemoData(s); };
        migrateSchema(*db, demo);
        return db;
    } catch (const std::exception& e) {
        throw std::runtime_error("cannot open database " + shown + ": " + e.what());
    }
}

}  // namespace

std::unique_ptr<Database> openDatabase(const std::string& url, bool demoForNewFile) {
    return open(url, false, demoForNewFile);
}

std::unique_ptr<Database> openExistingDatabase(const std::string& url) {
    return open(url, true, false);
}

std::string defaultSqliteUrl() {
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".local" / "share";
    else
        base = std::filesystem::current_path();
    const auto folder = base / "confcred";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return "sqlite:" + (folder / "confcred.db").string();
}

}  // namespace confcred::server::storage
