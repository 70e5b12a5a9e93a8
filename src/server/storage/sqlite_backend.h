// SQLite sessions: one connection each, WAL journal, foreign keys on, a busy
// timeout, BEGIN IMMEDIATE for write transactions and a cache of prepared
// statements.
#pragma once

#include <memory>
#include <string>

#include "server/storage/database.h"

namespace confcred::server::storage {

// Opens (creating when missing) the database file. Throws DatabaseError with
// SQLite's own message ("unable to open database file").
std::unique_ptr<Session> openSqliteSession(const std::string& path);

}  // namespace confcred::server::storage
