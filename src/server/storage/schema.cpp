#include "server/storage/schema.h"

#include <cctype>
#include <string>
#include <vector>

#include "server/storage/database.h"
#include "server/storage/ledger_chain.h"

namespace confcred::server::storage {

namespace {

// One DDL text serves both backends; the few words that differ are written as
// tokens: {C} gives PostgreSQL byte-order comparison (SQLite's own), so codes
// and dates sort and compare alike on both; {ROWID} is the integer key that
// SQLite stores the table by; {SERIAL} a key numbered by the database.
const char* const kVersion1 = R"sql(
CREATE TABLE CLIENTE (
    CDCLIENTE     VARCHAR(21) {C} NOT NULL PRIMARY KEY CHECK (length(CDCLIENTE) BETWEEN 1 AND 21),
    NRINSJURCLIE  VARCHAR(18) {C} NOT NULL DEFAULT '',
    NMRAZSOCCLIE  VARCHAR(50) NOT NULL
);

CREATE TABLE CLIENFILIAL (
    CDFILIAL   VARCHAR(10) {C} NOT NULL,
    CDCLIENTE  VARCHAR(21) {C} NOT NULL REFERENCES CLIENTE (CDCLIENTE),
    PRIMARY KEY (CDFILIAL, CDCLIENTE)
);
CREATE INDEX CLIENFILIAL_CLIENTE ON CLIENFILIAL (CDCLIENTE);

CREATE TABLE CONSUMIDOR (
    CDCLIENTE     VARCHAR(21) {C} NOT NULL REFERENCES CLIENTE (CDCLIENTE),
    CDCONSUMIDOR  VARCHAR(21) {C} NOT NULL CHECK (length(CDCONSUMIDOR) BETWEEN 1 AND 21),
    NMCONSUMIDOR  VARCHAR(50) NOT NULL,
    NMRESPCONS    VARCHAR(50) NOT NULL DEFAULT '',
    PRIMARY KEY (CDCLIENTE, CDCONSUMIDOR)
);

CREATE TABLE FAMILIASALDO (
    CDFAMILISALD  VARCHAR(3) {C} NOT NULL PRIMARY KEY CHECK (length(CDFAMILISALD) BETWEEN 1 AND 3),
    NMFAMILISALD  VARCHAR(30) NOT NULL
);

CREATE TABLE CONTADOR (
    NMCONTADOR  VARCHAR(30) {C} NOT NULL PRIMARY KEY,
    VRCONTADOR  BIGINT NOT NULL
);
INSERT INTO CONTADOR (NMCONTADOR, VRCONTADOR) VALUES ('PEDCREDCONS', 0);

CREATE TABLE PEDCREDCONS (
    IDPEDCREDCONS       {ROWID},
    NRPEDCRECONS        CHAR(20) {C} NOT NULL UNIQUE CHECK (length(NRPEDCRECONS) = 20),
    CDFILIAL            VARCHAR(10) {C} NOT NULL DEFAULT '',
    CDCLIENTE           VARCHAR(21) {C} NOT NULL,
    CDCONSUMIDOR        VARCHAR(21) {C} NOT NULL,
    NRBOLETO            VARCHAR(20) {C},
    IDPEDCREEXTR        CHAR(1) {C} NOT NULL DEFAULT 'N' CHECK (IDPEDCREEXTR IN ('S', 'N', 'C')),
    IDPEDCRECONT        CHAR(1) {C} NOT NULL DEFAULT 'N' CHECK (IDPEDCRECONT IN ('S', 'N')),
    VRPEDCRECONS_CENT   BIGINT NOT NULL,
    DTPEDCRECONS        CHAR(23) {C} NOT NULL CHECK (length(DTPEDCRECONS) = 23),
    DSSITCREBANC        VARCHAR(50) NOT NULL DEFAULT '',
    DSSITCREBANC_BUSCA  VARCHAR(200) {C} NOT NULL DEFAULT '',
    FOREIGN KEY (CDCLIENTE, CDCONSUMIDOR) REFERENCES CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR)
);
CREATE UNIQUE INDEX PEDCREDCONS_BOLETO ON PEDCREDCONS (CDCLIENTE, NRBOLETO);
CREATE INDEX PEDCREDCONS_DATA ON PEDCREDCONS (DTPEDCRECONS, NRPEDCRECONS);
CREATE INDEX PEDCREDCONS_CONSUMIDOR ON PEDCREDCONS (CDCLIENTE, CDCONSUMIDOR);

CREATE TABLE PEDCREDFAMI (
    IDPEDCREDCONS      BIGINT NOT NULL REFERENCES PEDCREDCONS (IDPEDCREDCONS),
    CDFAMILISALD       VARCHAR(3) {C} NOT NULL REFERENCES FAMILIASALDO (CDFAMILISALD),
    VRPEDCREFAMI_CENT  BIGINT NOT NULL,
    PRIMARY KEY (IDPEDCREDCONS, CDFAMILISALD)
){WITHOUT_ROWID};

CREATE TABLE SALDOCONS (
    CDCLIENTE      VARCHAR(21) {C} NOT NULL,
    CDCONSUMIDOR   VARCHAR(21) {C} NOT NULL,
    CDFAMILISALD   VARCHAR(3) {C} NOT NULL REFERENCES FAMILIASALDO (CDFAMILISALD),
    VRSALDO_CENT   BIGINT NOT NULL DEFAULT 0,
    PRIMARY KEY (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD),
    FOREIGN KEY (CDCLIENTE, CDCONSUMIDOR) REFERENCES CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR)
){WITHOUT_ROWID};

CREATE TABLE LANCSALDO (
    IDLANCSALDO    {SERIAL},
    DTLANCSALDO    CHAR(23) {C} NOT NULL,
    NMOPERADOR     VARCHAR(100) NOT NULL DEFAULT '',
    IDPEDCREDCONS  BIGINT NOT NULL REFERENCES PEDCREDCONS (IDPEDCREDCONS),
    NRPEDCRECONS   CHAR(20) {C} NOT NULL,
    IDOPERACAO     VARCHAR(20) {C} NOT NULL
                   CHECK (IDOPERACAO IN ('EFETIVA', 'DESFAZ_EFETIVA', 'CANCELA', 'DESFAZ_CANCELA')),
    CDCLIENTE      VARCHAR(21) {C} NOT NULL,
    CDCONSUMIDOR   VARCHAR(21) {C} NOT NULL,
    CDFAMILISALD   VARCHAR(3) {C},
    VRLANCSALDO_CENT BIGINT NOT NULL
);
CREATE INDEX LANCSALDO_PEDIDO ON LANCSALDO (IDPEDCREDCONS);
)sql";

// The ledger is append-only: the database itself refuses changes and deletions.
const char* const kLedgerGuardSqlite = R"sql(
CREATE TRIGGER LANCSALDO_SEM_ALTERACAO BEFORE UPDATE ON LANCSALDO
BEGIN SELECT RAISE(ABORT, 'LANCSALDO is append-only'); END;
CREATE TRIGGER LANCSALDO_SEM_EXCLUSAO BEFORE DELETE ON LANCSALDO
BEGIN SELECT RAISE(ABORT, 'LANCSALDO is append-only'); END;
)sql";

const char* const kLedgerGuardPostgres = R"sql(
CREATE FUNCTION LANCSALDO_SOMENTE_INCLUSAO() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN RAISE EXCEPTION 'LANCSALDO is append-only'; END $$;
CREATE TRIGGER LANCSALDO_SEM_ALTERACAO BEFORE UPDATE OR DELETE ON LANCSALDO
FOR EACH ROW EXECUTE FUNCTION LANCSALDO_SOMENTE_INCLUSAO();
)sql";

// Version 2: who created each imported order, the import audit, the heads of
// the ledger's and the audit's hash chains, and the idempotency keys of write
// calls. The rows the ledger already holds are hashed into its chain.
const char* const kVersion2 = R"sql(
ALTER TABLE PEDCREDCONS ADD COLUMN NMOPERCRIACAO VARCHAR(100);
ALTER TABLE PEDCREDCONS ADD COLUMN DTCRIACAO CHAR(23) {C};
ALTER TABLE LANCSALDO ADD COLUMN DSHASHLANC CHAR(64) {C} NOT NULL DEFAULT '';

CREATE TABLE AUDITORIA (
    IDAUDITORIA    {ROWID},
    DTAUDITORIA    CHAR(23) {C} NOT NULL,
    NMOPERADOR     VARCHAR(100) NOT NULL DEFAULT '',
    IDEVENTO       VARCHAR(20) {C} NOT NULL CHECK (IDEVENTO IN ('IMPORTACAO')),
    DSHASHARQUIVO  CHAR(64) {C} NOT NULL,
    QTPEDIDOS      BIGINT NOT NULL,
    DSHASHAUDI     CHAR(64) {C} NOT NULL
);

CREATE TABLE CADEIAHASH (
    NMCADEIA      VARCHAR(30) {C} NOT NULL PRIMARY KEY,
    IDULTIMO      BIGINT NOT NULL,
    QTLINHAS      BIGINT NOT NULL,
    DSHASHULTIMO  CHAR(64) {C} NOT NULL
);

CREATE TABLE CHAVEIDEMP (
    CDCHAVE       VARCHAR(100) {C} NOT NULL PRIMARY KEY,
    DSHASHPEDIDO  CHAR(64) {C} NOT NULL,
    NRSTATUS      INTEGER NOT NULL,
    DSRESPOSTA    TEXT NOT NULL,
    NRCRIACAO     BIGINT NOT NULL
);
CREATE INDEX CHAVEIDEMP_CRIACAO ON CHAVEIDEMP (NRCRIACAO);
)sql";

const char* const kAuditGuardSqlite = R"sql(
CREATE TRIGGER AUDITORIA_SEM_ALTERACAO BEFORE UPDATE ON AUDITORIA
BEGIN SELECT RAISE(ABORT, 'AUDITORIA is append-only'); END;
CREATE TRIGGER AUDITORIA_SEM_EXCLUSAO BEFORE DELETE ON AUDITORIA
BEGIN SELECT RAISE(ABORT, 'AUDITORIA is append-only'); END;
)sql";

const char* const kAuditGuardPostgres = R"sql(
CREATE FUNCTION AUDITORIA_SOMENTE_INCLUSAO() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN RAISE EXCEPTION 'AUDITORIA is append-only'; END $$;
CREATE TRIGGER AUDITORIA_SEM_ALTERACAO BEFORE UPDATE OR DELETE ON AUDITORIA
FOR EACH ROW EXECUTE FUNCTION AUDITORIA_SOMENTE_INCLUSAO();
)sql";

// The ledger's guard refuses the UPDATE that gives its old rows their hashes:
// it is lifted for that, inside the migration's transaction, and put back.
void sealChains(Session& s) {
    const bool pg = s.backend() == Backend::Postgres;
    s.executeScript(pg ? "ALTER TABLE LANCSALDO DISABLE TRIGGER LANCSALDO_SEM_ALTERACAO"
                       : "DROP TRIGGER LANCSALDO_SEM_ALTERACAO");
    for (const ledger::ChainTable* table : ledger::chainTables())
        ledger::sealExisting(s, *table);
    s.executeScript(pg ? "ALTER TABLE LANCSALDO ENABLE TRIGGER LANCSALDO_SEM_ALTERACAO"
                       : "CREATE TRIGGER LANCSALDO_SEM_ALTERACAO BEFORE UPDATE ON LANCSALDO"
                         " BEGIN SELECT RAISE(ABORT, 'LANCSALDO is append-only'); END");
}

// Operator accounts and their sessions. A session is known by the SHA-256 of
// its token only, so the table never holds a usable credential; servers
// sharing the database share the sessions.
const char* const kOperatorsAndSessions = R"sql(
CREATE TABLE OPERADOR (
    NMOPERADOR   VARCHAR(40) {C} NOT NULL PRIMARY KEY CHECK (length(NMOPERADOR) BETWEEN 1 AND 40),
    IDPERFIL     VARCHAR(10) {C} NOT NULL CHECK (IDPERFIL IN ('consulta', 'operador')),
    DSSENHAHASH  VARCHAR(200) {C} NOT NULL,
    IDATIVO      CHAR(1) {C} NOT NULL DEFAULT 'S' CHECK (IDATIVO IN ('S', 'N'))
);

CREATE TABLE SESSAOOPER (
    DSTOKENHASH  CHAR(64) {C} NOT NULL PRIMARY KEY,
    NMOPERADOR   VARCHAR(40) {C} NOT NULL REFERENCES OPERADOR (NMOPERADOR),
    DTEXPIRA_MS  BIGINT NOT NULL
);
CREATE INDEX SESSAOOPER_EXPIRA ON SESSAOOPER (DTEXPIRA_MS);
CREATE INDEX SESSAOOPER_OPERADOR ON SESSAOOPER (NMOPERADOR);
)sql";

// Settings of the server kept in its database, by name: today only whether an
// administrator turned sessions off ('SESSOES' = 'N').
const char* const kServerSettings = R"sql(
CREATE TABLE IF NOT EXISTS CONFIGSERVIDOR (
    NMCONFIG     VARCHAR(40) {C} NOT NULL PRIMARY KEY,
    DSVALOR      VARCHAR(200) {C} NOT NULL
);
)sql";

// A bank slip is unique in its canonical form (kCanonicalSlipSql). Rows that
// already collide in that form keep their slips; the first of them holds it.
const char* const kVersionCanonicalSlip = R"sql(
ALTER TABLE PEDCREDCONS ADD COLUMN NRBOLETO_CANON VARCHAR(20) {C};
UPDATE PEDCREDCONS SET NRBOLETO_CANON = UPPER(LTRIM(TRIM(NRBOLETO), '0'))
 WHERE NRBOLETO IS NOT NULL;
UPDATE PEDCREDCONS SET NRBOLETO_CANON = NULL
 WHERE NRBOLETO_CANON IS NOT NULL AND IDPEDCREDCONS NOT IN (
   SELECT MIN(IDPEDCREDCONS) FROM PEDCREDCONS WHERE NRBOLETO_CANON IS NOT NULL
    GROUP BY CDCLIENTE, NRBOLETO_CANON);
DROP INDEX PEDCREDCONS_BOLETO;
CREATE UNIQUE INDEX PEDCREDCONS_BOLETO_CANON ON PEDCREDCONS (CDCLIENTE, NRBOLETO_CANON);
)sql";

// The responsible person's CPF or CNPJ, when the master data gives it: the
// statement matching compares it with the payer's. Added only where missing,
// so that a database brought back to an older version can be migrated again.
void addResponsibleDocument(Session& s) {
    const bool pg = s.backend() == Backend::Postgres;
    bool present = false;
    s.query(pg ? "SELECT 1 FROM information_schema.columns WHERE table_schema = current_schema()"
                 " AND table_name = 'consumidor' AND column_name = 'nrdocrespcons'"
               : "SELECT 1 FROM pragma_table_info('CONSUMIDOR') WHERE name = 'NRDOCRESPCONS'",
            {}, [&](const Row&) { present = true; });
    if (!present)
        s.executeScript(
            std::string("ALTER TABLE CONSUMIDOR ADD COLUMN NRDOCRESPCONS VARCHAR(18) ") +
            (pg ? "COLLATE \"C\" " : "") + "NOT NULL DEFAULT ''");
}

// Version 6: years of history. The bank return looks orders up by the slip
// alone (the unique slip index leads with the client, which a return file
// does not give); slips holding more than digits, and the few an older
// database kept without a canonical form, sit in a small index of their own,
// since a return matches them by their digits. The ledger is read by date
// (closing a period). The last verified point of each hash chain is kept,
// with the balances the ledger added up to there, so that a nightly check
// reads only what was added since.
const char* const kVersionHistory = R"sql(
CREATE INDEX IF NOT EXISTS PEDCREDCONS_BOLETO_BUSCA ON PEDCREDCONS (NRBOLETO_CANON);
CREATE INDEX IF NOT EXISTS LANCSALDO_DATA ON LANCSALDO (DTLANCSALDO);

CREATE TABLE IF NOT EXISTS VERIFCADEIA (
    NMCADEIA       VARCHAR(30) {C} NOT NULL PRIMARY KEY,
    IDULTIMO       BIGINT NOT NULL,
    QTLINHAS       BIGINT NOT NULL,
    DSHASHULTIMO   CHAR(64) {C} NOT NULL,
    DTVERIFICACAO  CHAR(23) {C} NOT NULL
);

CREATE TABLE IF NOT EXISTS VERIFSALDO (
    CDCLIENTE      VARCHAR(21) {C} NOT NULL,
    CDCONSUMIDOR   VARCHAR(21) {C} NOT NULL,
    CDFAMILISALD   VARCHAR(3) {C} NOT NULL,
    VRSALDO_CENT   BIGINT NOT NULL,
    PRIMARY KEY (CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD)
){WITHOUT_ROWID};
)sql";

const char* const kOddSlipIndexSqlite = R"sql(
CREATE INDEX IF NOT EXISTS PEDCREDCONS_BOLETO_OUTROS ON PEDCREDCONS (NRBOLETO_CANON)
 WHERE NRBOLETO IS NOT NULL AND (NRBOLETO_CANON IS NULL OR NRBOLETO_CANON GLOB '*[^0-9]*');
)sql";

const char* const kOddSlipIndexPostgres = R"sql(
CREATE INDEX IF NOT EXISTS PEDCREDCONS_BOLETO_OUTROS ON PEDCREDCONS (NRBOLETO_CANON)
 WHERE NRBOLETO IS NOT NULL AND (NRBOLETO_CANON IS NULL OR NRBOLETO_CANON ~ '[^0-9]');
)sql";

struct Migration {
    int version;
    const char* description;
    std::vector<const char*> common;
    const char* sqliteOnly;
    const char* postgresOnly;
    void (*afterDdl)(Session&) = nullptr;  // data changes, after the DDL above
};

const std::vector<Migration>& migrations() {
    static const std::vector<Migration> list = {
        {1,
         "clients, consumers, families, credit orders, balances, ledger",
         {kVersion1},
         kLedgerGuardSqlite,
         kLedgerGuardPostgres},
        {2,
         "order creators, import audit, ledger hash chains, idempotency keys",
         {kVersion2},
         kAuditGuardSqlite,
         kAuditGuardPostgres,
         sealChains},
        {3, "operator accounts and sessions", {kOperatorsAndSessions}, nullptr, nullptr},
        {4,
         "bank slips unique per client in canonical form",
         {kVersionCanonicalSlip},
         nullptr,
         nullptr},
        {5,
         "responsible person's document (CPF/CNPJ) of consumers",
         {},
         nullptr,
         nullptr,
         addResponsibleDocument},
        {6,
         "indexes for years of history, ledger verification checkpoints",
         {kVersionHistory},
         kOddSlipIndexSqlite,
         kOddSlipIndexPostgres},
        {7, "server settings", {kServerSettings}, nullptr, nullptr},
    };
    return list;
}

void replaceAll(std::string& text, std::string_view token, std::string_view by) {
    for (auto at = text.find(token); at != std::string::npos; at = text.find(token, at + by.size()))
        text.replace(at, token.size(), by);
}

std::string forBackend(const char* ddl, Backend backend) {
    std::string text = ddl;
    const bool pg = backend == Backend::Postgres;
    replaceAll(text, "{C}", pg ? "COLLATE \"C\"" : "");
    replaceAll(text, "{ROWID}", pg ? "BIGINT PRIMARY KEY" : "INTEGER PRIMARY KEY");
    replaceAll(text, "{SERIAL}",
               pg ? "BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY" : "INTEGER PRIMARY KEY");
    replaceAll(text, "{WITHOUT_ROWID}", pg ? "" : " WITHOUT ROWID");
    return text;
}

}  // namespace

int latestSchemaVersion() {
    return migrations().back().version;
}

std::vector<std::string> restoreGuards(Session& s) {
    struct Guard {
        const char* table;
        const char* name;
        const char* event;  // SQLite: one trigger per event
    };
    std::vector<std::string> restored;
    if (s.backend() == Backend::Sqlite) {
        constexpr Guard kGuards[] = {{"LANCSALDO", "LANCSALDO_SEM_ALTERACAO", "UPDATE"},
                                     {"LANCSALDO", "LANCSALDO_SEM_EXCLUSAO", "DELETE"},
                                     {"AUDITORIA", "AUDITORIA_SEM_ALTERACAO", "UPDATE"},
                                     {"AUDITORIA", "AUDITORIA_SEM_EXCLUSAO", "DELETE"}};
        for (const Guard& g : kGuards) {
            bool present = false;
            s.query("SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND name = ?",
                    {std::string_view(g.name)}, [&](const Row&) { present = true; });
            if (present)
                continue;
            s.executeScript(std::string("CREATE TRIGGER ") + g.name + " BEFORE " + g.event +
                            " ON " + g.table + " BEGIN SELECT RAISE(ABORT, '" + g.table +
                            " is append-only'); END");
            restored.push_back(g.name);
        }
        return restored;
    }
    constexpr Guard kGuards[] = {{"LANCSALDO", "LANCSALDO_SEM_ALTERACAO", nullptr},
                                 {"AUDITORIA", "AUDITORIA_SEM_ALTERACAO", nullptr}};
    for (const Guard& g : kGuards) {
        std::string state;  // tgenabled: 'D' when disabled; none when dropped
        bool present = false;
        std::string table = g.table, name = g.name;
        for (auto& c : table)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (auto& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        s.query(
            "SELECT t.tgenabled FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid"
            " WHERE c.relname = ? AND t.tgname = ? AND c.relnamespace = "
            "current_schema()::regnamespace",
            {std::string_view(table), std::string_view(name)}, [&](const Row& r) {
                present = true;
                state = std::string(r.text(0));
            });
        if (present && state != "D")
            continue;
        if (present) {
            s.executeScript(std::string("ALTER TABLE ") + g.table + " ENABLE TRIGGER " + g.name);
        } else {
            const std::string function = std::string(g.table) + "_SOMENTE_INCLUSAO";
            s.executeScript("CREATE OR REPLACE FUNCTION " + function +
                            "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION '" +
                            g.table + " is append-only'; END $$; CREATE TRIGGER " + g.name +
                            " BEFORE UPDATE OR DELETE ON " + g.table +
                            " FOR EACH ROW EXECUTE FUNCTION " + function + "()");
        }
        restored.push_back(g.name);
    }
    return restored;
}

void lockForSetup(Session& s) {
    if (s.backend() == Backend::Postgres)
        s.execute("SELECT pg_advisory_xact_lock(740900001)");
}

int migrateSchema(Database& db, const std::function<void(Session&)>& whenCreated, int upTo) {
    return db.write([&](Session& s) {
        // Two servers starting at once on one database take turns here.
        lockForSetup(s);
        s.executeScript(
            "CREATE TABLE IF NOT EXISTS schema_version ("
            " version INTEGER NOT NULL PRIMARY KEY,"
            " description VARCHAR(200) NOT NULL,"
            " applied_at CHAR(19) NOT NULL)");
        int found = 0;
        s.query("SELECT COALESCE(MAX(version), 0) FROM schema_version", {},
                [&](const Row& r) { found = static_cast<int>(r.integer(0)); });
        if (found > latestSchemaVersion())
            throw std::runtime_error("the database has schema version " + std::to_string(found) +
                                     ", newer than this server's " +
                                     std::to_string(latestSchemaVersion()));
        for (const auto& m : migrations()) {
            if (m.version <= found || (upTo > 0 && m.version > upTo))
                continue;
            for (const char* ddl : m.common)
                s.executeScript(forBackend(ddl, s.backend()));
            const char* own = s.backend() == Backend::Postgres ? m.postgresOnly : m.sqliteOnly;
            if (own)
                s.executeScript(forBackend(own, s.backend()));
            if (m.afterDdl)
                m.afterDdl(s);
            const std::string when = s.backend() == Backend::Postgres
                                         ? "to_char(LOCALTIMESTAMP, 'YYYY-MM-DD HH24:MI:SS')"
                                         : "datetime('now', 'localtime')";
            s.execute(
                "INSERT INTO schema_version (version, description, applied_at) VALUES (?, ?, " +
                    when + ")",
                {std::int64_t{m.version}, std::string_view(m.description)});
        }
        if (found == 0 && whenCreated)
            whenCreated(s);
        return found;
    });
}

}  // namespace confcred::server::storage
