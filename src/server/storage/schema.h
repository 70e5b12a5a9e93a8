// The database schema and its versioned migrations (docs/schema.md).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace confcred::server::storage {

class Database;
class Session;

// The form in which a bank slip is unique per client (PEDCREDCONS.NRBOLETO_CANON):
// blanks trimmed, leading zeros dropped, letters in upper case, so "0AB28",
// "AB28" and "ab28" are one slip. SQL over one bound value, alike on both
// backends; canonicalSlip (import_reader.h) is the same rule in C++.
inline constexpr const char* kCanonicalSlipSql = "UPPER(LTRIM(TRIM(CAST(? AS TEXT)), '0'))";

// The version the code expects.
int latestSchemaVersion();

// Brings the schema to the latest version in one write transaction; safe when
// several processes start at once on the same database. Returns the version
// found before (0 for an empty database). `whenCreated` runs in the same
// transaction when the schema was created from nothing, so that data given
// to a new database is there entirely or not at all. Throws when the
// database holds a newer schema than this program knows. `upTo` (0: the
// latest) stops at an older version, for tests of the migrations.
int migrateSchema(Database& db, const std::function<void(Session&)>& whenCreated = {},
                  int upTo = 0);

// Inside a write transaction: puts back the append-only guard triggers of
// the ledger and the import audit that were dropped or disabled behind the
// server's back. Returns the names of those put back.
std::vector<std::string> restoreGuards(Session& s);

// Inside a write transaction: waits until no other process is migrating or
// seeding the same database, and keeps the others waiting until this
// transaction ends. PostgreSQL takes a transaction-scoped advisory lock;
// SQLite's BEGIN IMMEDIATE already holds the whole file.
void lockForSetup(Session& s);

}  // namespace confcred::server::storage
