#include "server/ops/backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "server/ops/database_lock.h"
#include "server/ops/verify_ledger.h"
#include "server/storage/database.h"
#include "server/storage/schema.h"

namespace confcred::server::ops {

namespace {

class SqliteFile {
  public:
    SqliteFile(const std::string& path, int flags) {
        const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            throw std::runtime_error("cannot open " + path + ": " + why);
        }
        sqlite3_busy_timeout(db_, 10'000);
    }
    ~SqliteFile() { sqlite3_close_v2(db_); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;
    sqlite3* handle() const { return db_; }

  private:
    sqlite3* db_ = nullptr;
};

// All pages in one step: one read transaction, so the copy is the database
// as one commit left it, however busy the writers are.
void copyPages(const SqliteFile& from, const SqliteFile& to, const std::string& what) {
    sqlite3_backup* backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (backup == nullptr)
        throw std::runtime_error(what + ": " + sqlite3_errmsg(to.handle()));
    int rc = SQLITE_OK;
    for (int tries = 0; tries < 600; ++tries) {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        sqlite3_sleep(50);
    }
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(what + ": " + sqlite3_errstr(rc));
}

// The schema version the file holds; throws when it is not a confcred database.
int schemaVersionOf(const std::string& path) {
    SqliteFile file(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* statement = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(file.handle(), "SELECT MAX(version) FROM schema_version", -1, &statement,
                           nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    if (version <= 0)
        throw std::runtime_error(path + " is not a confcred database (no schema_version)");
    return version;
}

// The tables a restore leaves behind: sessions and idempotency keys belong to
// the database as it ran, not to the copy (a session of the copy would log
// an operator in again; a key would replay an answer the restore undid).
constexpr const char* kRunTables[] = {"SESSAOOPER", "CHAVEIDEMP"};

void execute(const SqliteFile& file, const std::string& sql, const std::string& what) {
    char* message = nullptr;
    if (sqlite3_exec(file.handle(), sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string why = message ? message : "?";
        sqlite3_free(message);
        throw std::runtime_error(what + ": " + why);
    }
}

// A new empty file only its owner may read: copies hold password hashes.
void createPrivate(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path + ": " + std::strerror(errno));
    ::fchmod(fd, 0600);  // an older file of that name keeps its mode otherwise
    ::close(fd);
}

void removeWithCompanions(const std::string& path) {
    std::error_code ec;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::filesystem::remove(path + suffix, ec);
}

// Runs a PostgreSQL client program and waits for it; throws unless it ends with 0.
void runTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv.data());
        const int error = errno;
        (void)!write(pipeFds[1], &error, sizeof error);
        _exit(127);
    }
    close(pipeFds[1]);
    int execError = 0;
    const bool execFailed = read(pipeFds[0], &execError, sizeof execError) == sizeof execError;
    close(pipeFds[0]);
    int status = 0;
    while (pid > 0 && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (pid < 0 || execFailed)
        throw std::runtime_error(
            "cannot run " + args[0] + ": " + std::strerror(pid < 0 ? errno : execError) +
            (execError == ENOENT ? " (install the PostgreSQL client programs, Debian package "
                                   "postgresql-client)"
                                 : ""));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(args[0] + " failed (exit status " +
                                 std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
                                 ")");
}

}  // namespace

void backupDatabase(const std::string& url, const std::string& file) {
    if (const std::string path = storage::sqliteFilePath(url); !path.empty()) {
        if (!std::filesystem::exists(path))
            throw std::runtime_error("no database file " + path);
        const std::string partial = file + ".partial";
        removeWithCompanions(partial);
        try {
            createPrivate(partial);
            {
                SqliteFile from(path, SQLITE_OPEN_READONLY);
                SqliteFile to(partial, SQLITE_OPEN_READWRITE);
                copyPages(from, to, "cannot back up " + path);
                // The pages came with the live file's WAL mode: the copy is
                // one file on its own, without -wal and -shm beside it.
                execute(to, "PRAGMA journal_mode=DELETE", "cannot back up " + path);
            }
            schemaVersionOf(partial);
        } catch (...) {
            removeWithCompanions(partial);
            throw;
        }
        std::filesystem::rename(partial, file);
        return;
    }
    const std::string partial = file + ".partial";
    createPrivate(partial);
    try {
        runTool(
            {"pg_dump", "--format=custom", "--no-owner", "--file=" + partial, "--dbname=" + url});
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(partial, ec);
        throw;
    }
    std::filesystem::rename(partial, file);
}

void restoreDatabase(const std::string& url, const std::string& file) {
    if (!std::filesystem::exists(file))
        throw std::runtime_error("no backup file " + file);
    if (const std::string path = storage::sqliteFilePath(url); !path.empty()) {
        const int version = schemaVersionOf(file);
        if (version > storage::latestSchemaVersion())
            throw std::runtime_error(file + " has schema version " + std::to_string(version) +
                                     ", newer than this server's " +
                                     std::to_string(storage::latestSchemaVersion()));
        const auto lock = DatabaseLock::forRestore(url);
        // The copy without the tables a restore leaves behind, made beside
        // the database, its chains walked, and put in place in one step: a
        // backup that does not verify leaves the database as it was.
        const std::string staged = path + ".restoring";
        removeWithCompanions(staged);
        try {
            createPrivate(staged);
            {
                SqliteFile from(file, SQLITE_OPEN_READONLY);
                SqliteFile to(staged, SQLITE_OPEN_READWRITE);
                copyPages(from, to, "cannot read " + file);
                execute(to, "PRAGMA journal_mode=DELETE", "cannot read " + file);
                for (const char* table : kRunTables) {
                    sqlite3_stmt* statement = nullptr;
                    bool present = false;
                    if (sqlite3_prepare_v2(to.handle(),
                                           "SELECT 1 FROM sqlite_master WHERE type = 'table' AND "
                                           "upper(name) = ?",
                                           -1, &statement, nullptr) == SQLITE_OK) {
                        sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
                        present = sqlite3_step(statement) == SQLITE_ROW;
                    }
                    sqlite3_finalize(statement);
                    if (present)
                        execute(to, std::string("DELETE FROM ") + table, "cannot read " + file);
                }
            }
            if (const std::string problem = chainProblem("sqlite:" + staged); !problem.empty())
                throw std::runtime_error(file + ": " + problem + "; nothing was restored");
            SqliteFile from(staged, SQLITE_OPEN_READONLY);
            SqliteFile to(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            copyPages(from, to, "cannot restore into " + path);
        } catch (...) {
            removeWithCompanions(staged);
            throw;
        }
        removeWithCompanions(staged);
        return;
    }
    const auto lock = DatabaseLock::forRestore(url);
    runTool({"pg_restore", "--clean", "--if-exists", "--no-owner", "--single-transaction",
             "--dbname=" + url, file});
    {
        auto db = storage::openExistingDatabase(url);
        db->write([](storage::Session& s) {
            for (const char* table : kRunTables)
                s.execute(std::string("DELETE FROM ") + table);
        });
    }
    // pg_restore cannot be held back: what it restored is checked at once,
    // and servers refuse writes on it while the chain does not verify.
    if (const std::string problem = chainProblem(url); !problem.empty())
        throw std::runtime_error("restored from " + file + ", but " + problem +
                                 ": servers started on it refuse writes; restore another backup");
}

}  // namespace confcred::server::ops
