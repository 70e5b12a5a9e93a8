// Copies of the whole database: made while servers keep working on it, and
// put back with the servers stopped.
#pragma once

#include <string>

namespace confcred::server::ops {

// Copies the database at `url` into `file` as one consistent snapshot.
// SQLite: the online backup API, in one read transaction, so writers go on
// meanwhile; the copy is written beside `file` and renamed over it at the
// end. PostgreSQL: pg_dump --format=custom. Throws std::runtime_error.
void backupDatabase(const std::string& url, const std::string& file);

// Replaces the database at `url` with the copy in `file`, after checking that
// the copy is a confcred database. Every server on that database must be
// stopped first. SQLite: the backup API from the copy into the file;
// PostgreSQL: pg_restore --clean --if-exists --single-transaction.
void restoreDatabase(const std::string& url, const std::string& file);

}  // namespace confcred::server::ops
