// Who has a database open: every serving server holds a shared lock on it for
// as long as it runs, and a restore takes the lock alone, so a restore never
// runs under a server's open connections and no server starts during one.
// SQLite: flock on the companion file PATH.lock; PostgreSQL: a session-level
// advisory lock of the database on a connection kept for the purpose.
#pragma once

#include <memory>
#include <string>

namespace confcred::server::ops {

class DatabaseLock {
  public:
    virtual ~DatabaseLock() = default;

    // For a server, held until it stops; several servers share it. Throws
    // std::runtime_error while a restore holds the database.
    static std::unique_ptr<DatabaseLock> forServer(const std::string& url);
    // For a restore. Throws std::runtime_error, saying so, while a server has
    // the database open.
    static std::unique_ptr<DatabaseLock> forRestore(const std::string& url);
};

}  // namespace confcred::server::ops
