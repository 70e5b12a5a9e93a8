#include "server/storage/ledger_chain.h"

#include <algorithm>

#include "platform/assert.h"
#include "server/storage/database.h"
#include "server/storage/digest.h"

namespace confcred::server::storage::ledger {

namespace {

// Keeps one statement's bound values well below both backends' limits.
constexpr std::size_t kValuesPerInsert = 6000;

void netstring(std::string& out, std::string_view bytes) {
    out += std::to_string(bytes.size());
    out += ':';
    out += bytes;
    out += ',';
}

struct Head {
    std::int64_t lastId = 0;
    std::int64_t rows = 0;
    std::string hash;
};

// The head row of `table`'s chain; locked on PostgreSQL (SQLite's write
// transactions already run one at a time).
Head takeHead(Session& s, const ChainTable& table) {
    Head head;
    bool found = false;
    const std::string sql =
        std::string("SELECT IDULTIMO, QTLINHAS, DSHASHULTIMO FROM CADEIAHASH WHERE NMCADEIA = ?") +
        (s.backend() == Backend::Postgres ? " FOR UPDATE" : "");
    s.query(sql, {std::string_view(table.name)}, [&](const Row& r) {
        found = true;
        head = {r.integer(0), r.integer(1), std::string(r.text(2))};
    });
    if (!found)
        throw std::runtime_error(std::string("the hash chain of ") + table.name +
                                 " has no head in CADEIAHASH");
    return head;
}

void storeHead(Session& s, const ChainTable& table, const Head& head) {
    s.execute(
        "UPDATE CADEIAHASH SET IDULTIMO = ?, QTLINHAS = ?, DSHASHULTIMO = ? WHERE NMCADEIA = ?",
        {head.lastId, head.rows, std::string_view(head.hash), std::string_view(table.name)});
}

void append(Session& s, const ChainTable& table, const std::vector<Values>& rows) {
    if (rows.empty())
        return;
    Head head = takeHead(s, table);
    // Rows are numbered from 1 on and never removed, so a chain's head has
    // at most as many rows as its last number.
    CONFCRED_ASSERT(head.rows >= 0 && head.rows <= head.lastId);
    [[maybe_unused]] const std::int64_t firstId = head.lastId + 1;
    const std::size_t columns = table.fields.size() + 2;
    std::string prefix = std::string("INSERT INTO ") + table.name + " (" + table.idColumn;
    for (const char* field : table.fields)
        prefix += std::string(", ") + field;
    prefix += std::string(", ") + table.hashColumn + ") VALUES ";
    std::string tuple = "(?";
    for (std::size_t i = 1; i < columns; ++i)
        tuple += ", ?";
    tuple += ')';

    const std::size_t perInsert = std::max<std::size_t>(1, kValuesPerInsert / columns);
    std::vector<std::string> ids, hashes;
    std::vector<SqlValue> params;
    for (std::size_t start = 0; start < rows.size(); start += perInsert) {
        const std::size_t end = std::min(rows.size(), start + perInsert);
        ids.assign(end - start, {});
        hashes.assign(end - start, {});
        params.clear();
        std::string sql = prefix;
        for (std::size_t i = start; i < end; ++i) {
            const std::int64_t id = ++head.lastId;
            head.hash = rowHash(table, head.hash, id, rows[i]);
            ids[i - start] = std::to_string(id);
            hashes[i - start] = head.hash;
            sql += i == start ? tuple : ", " + tuple;
            params.push_back(std::string_view(ids[i - start]));
            for (const Value& v : rows[i])
                params.push_back(v ? SqlValue(std::string_view(*v)) : SqlValue());
            params.push_back(std::string_view(hashes[i - start]));
        }
        s.execute(sql, params);
    }
    head.rows += static_cast<std::int64_t>(rows.size());
    CONFCRED_ASSERT(head.lastId - firstId + 1 == static_cast<std::int64_t>(rows.size()));
    storeHead(s, table, head);
}

// The rows of `table` in key order; `where` (may be empty) goes before the
// ORDER BY.
std::string selectRows(const ChainTable& table, std::string_view where = {}) {
    std::string sql = std::string("SELECT ") + table.idColumn;
    for (const char* field : table.fields)
        sql += std::string(", ") + field;
    sql += std::string(", ") + table.hashColumn + " FROM " + table.name;
    if (!where.empty())
        sql += std::string(" WHERE ") + std::string(where);
    return sql + " ORDER BY " + table.idColumn;
}

Values rowValues(const Row& r, std::size_t fields) {
    Values values;
    values.reserve(fields);
    for (std::size_t f = 0; f < fields; ++f) {
        const int c = static_cast<int>(f) + 1;
        values.push_back(r.isNull(c) ? Value() : Value(std::string(r.text(c))));
    }
    return values;
}

std::string idRange(std::int64_t from, std::int64_t to) {
    return from == to ? std::to_string(from) : std::to_string(from) + " to " + std::to_string(to);
}

}  // namespace

const ChainTable& ledgerTable() {
    static const ChainTable table{
        "LANCSALDO",
        "IDLANCSALDO",
        {"DTLANCSALDO", "NMOPERADOR", "IDPEDCREDCONS", "NRPEDCRECONS", "IDOPERACAO", "CDCLIENTE",
         "CDCONSUMIDOR", "CDFAMILISALD", "VRLANCSALDO_CENT"},
        "DSHASHLANC"};
    return table;
}

const ChainTable& auditTable() {
    static const ChainTable table{
        "AUDITORIA",
        "IDAUDITORIA",
        {"DTAUDITORIA", "NMOPERADOR", "IDEVENTO", "DSHASHARQUIVO", "QTPEDIDOS"},
        "DSHASHAUDI"};
    return table;
}

const std::vector<const ChainTable*>& chainTables() {
    static const std::vector<const ChainTable*> tables = {&ledgerTable(), &auditTable()};
    return tables;
}

const std::string& genesisHash() {
    static const std::string zeros(64, '0');
    return zeros;
}

std::string rowHash(const ChainTable& table, std::string_view previous, std::int64_t id,
                    const Values& values) {
    CONFCRED_ASSERT(values.size() == table.fields.size());
    CONFCRED_ASSERT(previous.size() == genesisHash().size());
    std::string text;
    text.reserve(160);
    netstring(text, previous);
    netstring(text, table.name);
    netstring(text, std::to_string(id));
    for (const Value& v : values) {
        if (v)
            netstring(text, *v);
        else
            text += "~,";
    }
    return sha256Hex(text);
}

void appendLedger(Session& s, const std::vector<LedgerEntry>& entries) {
    std::vector<Values> rows;
    rows.reserve(entries.size());
    for (const LedgerEntry& e : entries)
        rows.push_back({e.when, e.operatorName, std::to_string(e.orderId), e.orderNumber,
                        e.operation, e.client, e.consumer, e.family, std::to_string(e.cents)});
    append(s, ledgerTable(), rows);
}

void appendAudit(Session& s, const AuditEntry& e) {
    append(s, auditTable(),
           {{e.when, e.operatorName, e.event, e.fileDigest, std::to_string(e.orders)}});
}

void sealExisting(Session& s, const ChainTable& table) {
    Head head{0, 0, genesisHash()};
    std::vector<std::pair<std::int64_t, std::string>> sealed;
    s.query(selectRows(table), {}, [&](const Row& r) {
        head.lastId = r.integer(0);
        head.hash = rowHash(table, head.hash, head.lastId, rowValues(r, table.fields.size()));
        ++head.rows;
        sealed.emplace_back(head.lastId, head.hash);
    });
    const std::string update = std::string("UPDATE ") + table.name + " SET " + table.hashColumn +
                               " = ? WHERE " + table.idColumn + " = ?";
    for (const auto& [id, hash] : sealed)
        s.execute(update, {std::string_view(hash), id});
    s.execute(
        "INSERT INTO CADEIAHASH (NMCADEIA, IDULTIMO, QTLINHAS, DSHASHULTIMO) VALUES (?, ?, ?, ?)",
        {std::string_view(table.name), head.lastId, head.rows, std::string_view(head.hash)});
}

std::map<std::string, ChainPoint> chainHeads(Session& s) {
    std::map<std::string, ChainPoint> heads;
    s.query(
        "SELECT NMCADEIA, IDULTIMO, QTLINHAS, DSHASHULTIMO FROM CADEIAHASH", {}, [&](const Row& r) {
            heads[std::string(r.text(0))] = {r.integer(1), r.integer(2), std::string(r.text(3))};
        });
    return heads;
}

ChainReport verifyChains(Session& s) {
    return verifyChains(s, {});
}

ChainReport verifyChains(Session& s, const std::map<std::string, ChainPoint>& from) {
    ChainReport report;
    const auto fail = [&](const ChainTable& table, std::int64_t id, std::string problem) {
        report.ok = false;
        report.table = table.name;
        report.id = id;
        report.problem = std::move(problem);
    };
    const std::map<std::string, ChainPoint> heads = chainHeads(s);
    for (const ChainTable* table : chainTables()) {
        const auto headAt = heads.find(table->name);
        if (headAt == heads.end()) {
            fail(*table, 0, "the chain has no head in CADEIAHASH");
            return report;
        }
        const ChainPoint& head = headAt->second;
        std::string previous = genesisHash();
        std::int64_t lastId = 0, rows = 0;
        if (const auto start = from.find(table->name);
            start != from.end() && start->second.lastId > 0) {
            const ChainPoint& point = start->second;
            if (point.lastId > head.lastId || point.rows > head.rows) {
                fail(*table, head.lastId,
                     "the chain's head (" + std::to_string(head.rows) + " rows, last " +
                         std::to_string(head.lastId) + ") is behind the point verified before (" +
                         std::to_string(point.rows) + " rows, last " +
                         std::to_string(point.lastId) + ")");
                return report;
            }
            std::string stored;
            s.query(std::string("SELECT ") + table->hashColumn + " FROM " + table->name +
                        " WHERE " + table->idColumn + " = ?",
                    {point.lastId}, [&](const Row& r) { stored = std::string(r.text(0)); });
            if (stored != point.hash) {
                fail(*table, point.lastId,
                     stored.empty() ? "the row verified last is missing"
                                    : "the row verified last no longer carries the hash written "
                                      "down then (the chain was rewritten)");
                return report;
            }
            previous = point.hash;
            lastId = point.lastId;
            rows = point.rows;
        }
        const std::int64_t walkedFrom = rows;
        s.query(
            selectRows(*table, std::string(table->idColumn) + " > ?"), {lastId}, [&](const Row& r) {
                if (!report.ok)
                    return;
                const std::int64_t id = r.integer(0);
                const std::string expected =
                    rowHash(*table, previous, id, rowValues(r, table->fields.size()));
                const std::string_view stored = r.text(static_cast<int>(table->fields.size()) + 1);
                if (stored != expected) {
                    if (id > lastId + 1 && lastId < head.lastId)
                        fail(*table, lastId + 1,
                             "row " + idRange(lastId + 1, id - 1) +
                                 " missing: the chain goes from row " + std::to_string(lastId) +
                                 " to row " + std::to_string(id));
                    else
                        fail(*table, id,
                             "the stored hash does not match the row's content (changed, "
                             "or added behind the server's back)");
                    return;
                }
                previous = expected;
                lastId = id;
                ++rows;
            });
        if (!report.ok)
            return report;
        if (lastId < head.lastId) {
            fail(*table, lastId + 1,
                 "row " + idRange(lastId + 1, head.lastId) +
                     " missing: the chain's head ends at row " + std::to_string(head.lastId));
            return report;
        }
        if (lastId != head.lastId || rows != head.rows || previous != head.hash) {
            fail(*table, lastId,
                 "the chain's head (" + std::to_string(head.rows) + " rows, last " +
                     std::to_string(head.lastId) + ") does not match the table's rows");
            return report;
        }
        report.rows += rows - walkedFrom;
        report.heads.push_back(std::string(table->name) + " " + std::to_string(rows) +
                               " rows, last hash " + previous);
    }
    return report;
}

std::string checkHeads(Session& s) {
    const std::map<std::string, ChainPoint> heads = chainHeads(s);
    for (const ChainTable* table : chainTables()) {
        const auto at = heads.find(table->name);
        if (at == heads.end())
            return std::string(table->name) + ": the chain has no head in CADEIAHASH";
        const ChainPoint& head = at->second;
        // The head's row and the one before it (rows are never removed, but
        // keys may skip after a failed transaction on PostgreSQL).
        std::vector<std::pair<std::int64_t, std::string>> last;
        Values values;
        s.query(selectRows(*table, std::string(table->idColumn) + " <= ?") + " DESC LIMIT 2",
                {head.lastId}, [&](const Row& r) {
                    if (last.empty())
                        values = rowValues(r, table->fields.size());
                    last.emplace_back(
                        r.integer(0),
                        std::string(r.text(static_cast<int>(table->fields.size()) + 1)));
                });
        bool beyond = false;
        s.query(std::string("SELECT 1 FROM ") + table->name + " WHERE " + table->idColumn +
                    " > ? LIMIT 1",
                {head.lastId}, [&](const Row&) { beyond = true; });
        const std::string where = std::string(table->name) + " row " + std::to_string(head.lastId);
        if (beyond)
            return std::string(table->name) + ": rows beyond the chain's head (row " +
                   std::to_string(head.lastId) + ")";
        if (head.lastId == 0)
            continue;
        if (last.empty() || last[0].first != head.lastId)
            return where + ": the chain's last row is missing";
        const std::string& previous = last.size() > 1 ? last[1].second : genesisHash();
        if (last[0].second != head.hash ||
            rowHash(*table, previous, head.lastId, values) != head.hash)
            return where + ": the chain's last row does not carry the head's hash";
    }
    return {};
}

}  // namespace confcred::server::storage::ledger
