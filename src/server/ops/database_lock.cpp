#include "server/ops/database_lock.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "server/storage/database.h"

namespace confcred::server::ops {

namespace {

// Distinct from the schema's setup lock.
constexpr const char* kServersKey = "740900002";

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

class FileLock final : public DatabaseLock {
  public:
    FileLock(const std::string& databasePath, bool exclusive) : path_(databasePath + ".lock") {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0640);
        if (fd_ < 0)
            throw std::runtime_error("cannot open the lock file " + path_ + ": " +
                                     std::strerror(errno));
        if (::flock(fd_, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd_);
            if (error != EWOULDBLOCK)
                throw std::runtime_error("cannot lock " + path_ + ": " + std::strerror(error));
            throw std::runtime_error(exclusive ? busyForRestore() : busyForServer());
        }
    }
    ~FileLock() override { ::close(fd_); }

  private:
    std::string busyForRestore() const {
        return "a server has the database open (it holds " + path_ +
               "); stop every server on it first";
    }
    std::string busyForServer() const {
        return "the database is being restored (" + path_ +
               " is held); start again when the "
               "restore has ended";
    }
    std::string path_;
    int fd_ = -1;
};

class AdvisoryLock final : public DatabaseLock {
  public:
    AdvisoryLock(const std::string& url, bool exclusive) : conn_(PQconnectdb(url.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            const std::string why = oneLine(PQerrorMessage(conn_));
            PQfinish(conn_);
            throw std::runtime_error("cannot connect to lock the database: " + why);
        }
        const std::string sql =
            std::string("SELECT ") +
            (exclusive ? "pg_try_advisory_lock(" : "pg_try_advisory_lock_shared(") + kServersKey +
            ")";
        PGresult* result = PQexec(conn_, sql.c_str());
        const bool ok = PQresultStatus(result) == PGRES_TUPLES_OK;
        const bool held = ok && std::strcmp(PQgetvalue(result, 0, 0), "t") == 0;
        const std::string why = oneLine(PQerrorMessage(conn_));
        PQclear(result);
        if (!held) {
            PQfinish(conn_);
            if (!ok)
                throw std::runtime_error("cannot lock the database: " + why);
            throw std::runtime_error(
                exclusive ? "a server has the database open (it holds the servers' advisory lock "
                            "on it); stop every server on it first"
                          : "the database is being restored; start again when the restore has "
                            "ended");
        }
    }
    // Closing the connection ends the lock.
    ~AdvisoryLock() override { PQfinish(conn_); }

  private:
    PGconn* conn_;
};

std::unique_ptr<DatabaseLock> take(const std::string& url, bool exclusive) {
    if (const std::string path = storage::sqliteFilePath(url); !path.empty())
        return std::make_unique<FileLock>(path, exclusive);
    return std::make_unique<AdvisoryLock>(url, exclusive);
}

}  // namespace

std::unique_ptr<DatabaseLock> DatabaseLock::forServer(const std::string& url) {
    return take(url, false);
}

std::unique_ptr<DatabaseLock> DatabaseLock::forRestore(const std::string& url) {
    return take(url, true);
}

}  // namespace confcred::server::ops
