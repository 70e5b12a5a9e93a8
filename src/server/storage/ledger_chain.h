// The hash chains over the balance ledger (LANCSALDO) and the import audit
// (AUDITORIA): every row carries the SHA-256 of the previous row's hash and
// its own content, so a row changed, removed or slipped in behind the
// server's back breaks the chain from there on (docs/security.md, "Ledger
// chain", defines the canonical form). Rows of these tables are appended only
// through this unit, which numbers them and keeps each chain's head in
// CADEIAHASH under the write transaction's lock.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace confcred::server::storage {

class Session;

namespace ledger {

// A table under a chain: its key, the fields the hash covers (in this order)
// and the column that holds the hash.
struct ChainTable {
    const char* name;
    const char* idColumn;
    std::vector<const char*> fields;
    const char* hashColumn;
};

const ChainTable& ledgerTable();  // LANCSALDO
const ChainTable& auditTable();   // AUDITORIA
const std::vector<const ChainTable*>& chainTables();

// One value as the hash sees it: integers as their decimal digits, texts as
// stored, nullopt for NULL.
using Value = std::optional<std::string>;
using Values = std::vector<Value>;

// The hash of the first row's predecessor: 64 zeros.
const std::string& genesisHash();

// SHA-256 (64 lower-case hex digits) of the row `id` of `table` with `values`
// (one per field, in the table's order) after the row whose hash is `previous`.
std::string rowHash(const ChainTable& table, std::string_view previous, std::int64_t id,
                    const Values& values);

// One LANCSALDO row, before it is numbered.
struct LedgerEntry {
    std::string when;  // stored form, YYYY-MM-DD HH:MM:SS.mmm
    std::string operatorName;
    std::int64_t orderId = 0;
    std::string orderNumber;
    std::string operation;  // EFETIVA, DESFAZ_EFETIVA, CANCELA, DESFAZ_CANCELA
    std::string client;
    std::string consumer;
    std::optional<std::string> family;  // none for cancellations
    std::int64_t cents = 0;
};

// One AUDITORIA row: an import run, with the SHA-256 of the file's text.
struct AuditEntry {
    std::string when;
    std::string operatorName;
    std::string event;  // IMPORTACAO
    std::string fileDigest;
    std::int64_t orders = 0;  // orders the run created
};

// Appends in the running write transaction: takes the chain's head (locking
// its row on PostgreSQL until the transaction ends), numbers and hashes the
// rows, inserts them in a few large statements and moves the head.
void appendLedger(Session& s, const std::vector<LedgerEntry>& entries);
void appendAudit(Session& s, const AuditEntry& entry);

// Migration: hashes the rows a table already holds, in key order, and sets
// its head. The table's guard triggers must be off meanwhile.
void sealExisting(Session& s, const ChainTable& table);

// What the walk of the chains found.
struct ChainReport {
    bool ok = true;
    std::int64_t rows = 0;  // rows checked in all chains
    // The first break: table, row key and what is wrong.
    std::string table;
    std::int64_t id = 0;
    std::string problem;
    // Each chain's length and last hash, to keep elsewhere: a chain rewritten
    // from some row to its end matches only a head written down before.
    std::vector<std::string> heads;
};

// A point of a chain known to hold: its last row's key, the rows up to it
// and that row's hash (VERIFCADEIA keeps the last one verified).
struct ChainPoint {
    std::int64_t lastId = 0;
    std::int64_t rows = 0;
    std::string hash;
};

// Walks every chain row by row (in a read transaction) and stops at the
// first row that breaks it. With `from` (by table name), a chain found there
// is walked from that point on: its last row must still carry the hash
// written down, and the rows after it must follow.
ChainReport verifyChains(Session& s);
ChainReport verifyChains(Session& s, const std::map<std::string, ChainPoint>& from);

// Each chain's head as CADEIAHASH holds it, by table name.
std::map<std::string, ChainPoint> chainHeads(Session& s);

// The cheap check a server makes at start: each chain's head names a last
// row that is there, carries the head's hash, and hashes right after the
// row before it; no row lies beyond the head. Empty when it holds, else what
// is wrong (table and row).
std::string checkHeads(Session& s);

}  // namespace ledger
}  // namespace confcred::server::storage
