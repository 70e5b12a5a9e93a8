// The hash chains of the ledger and the import audit on both backends: who
// created what, verify-ledger (the real executable) on a chain that holds, on
// a row changed and on a row deleted behind the server's back, and the
// migration that hashes the rows an older database already holds.

#include <gtest/gtest.h>

#include "server/storage/digest.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/schema.h"
#include "server/storage/sqlite_backend.h"
#include "storage_fixture.h"
#include "support/server_process.h"

namespace confcred::testing {
namespace {

using dataset::DataPacket;
using dataset::FieldType;

class LedgerChain : public BackendTest {
  protected:
    // Direct SQL on the database, with the append-only guard out of the way,
    // as someone with access to it could.
    void tamper(const std::string& sql) {
        std::unique_ptr<server::storage::Session> s;
        std::string script;
        if (GetParam() == "sqlite") {
            s = server::storage::openSqliteSession(scratch_->url().substr(7));
            script =
                "DROP TRIGGER IF EXISTS LANCSALDO_SEM_ALTERACAO;"
                " DROP TRIGGER IF EXISTS LANCSALDO_SEM_EXCLUSAO; ";
        } else {
            s = server::storage::openPostgresSession(scratch_->url());
            script = "ALTER TABLE LANCSALDO DISABLE TRIGGER LANCSALDO_SEM_ALTERACAO; ";
        }
        s->executeScript(script + sql);
    }

    // The full walk; verifyFromPoint() the nightly one, from the point verified last.
    ProcessResult verify() {
        return runServerToExit({"verify-ledger", "--db", scratch_->url(), "--full"});
    }
    ProcessResult verifyFromPoint() {
        return runServerToExit({"verify-ledger", "--db", scratch_->url()});
    }

    // Effects the first `count` pending orders as `who`.
    void effectPending(int count, const std::string& who) {
        const auto pending = db_->queryText(
            "SELECT NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR FROM PEDCREDCONS WHERE IDPEDCREEXTR ="
            " 'N' ORDER BY NRPEDCRECONS");
        ASSERT_GE(pending.size(), static_cast<std::size_t>(count));
        DataPacket picked({{"NRPEDCRECONS", FieldType::String, 20},
                           {"CDCLIENTE", FieldType::String, 21},
                           {"CDCONSUMIDOR", FieldType::String, 21}});
        for (int i = 0; i < count; ++i)
            for (std::size_t f = 0; f < 3; ++f)
                picked.column(f).appendText(*pending[static_cast<std::size_t>(i)][f]);
        call("setEfetivaSaldo", {picked}, who);
    }
};

TEST_P(LedgerChain, VerifyNamesTheRowChangedOrDeletedBehindTheServersBack) {
    open();
    const auto pending = db_->queryText(
        "SELECT NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR FROM PEDCREDCONS WHERE IDPEDCREEXTR = 'N'"
        " ORDER BY NRPEDCRECONS");
    ASSERT_GE(pending.size(), 2u);
    DataPacket picked({{"NRPEDCRECONS", FieldType::String, 20},
                       {"CDCLIENTE", FieldType::String, 21},
                       {"CDCONSUMIDOR", FieldType::String, 21}});
    for (std::size_t i = 0; i < 2; ++i)
        for (std::size_t f = 0; f < 3; ++f)
            picked.column(f).appendText(*pending[i][f]);
    call("setEfetivaSaldo", {picked}, "ana");

    const std::string file =
        "C;CLI001;CONS0001;LEDGER-1;07/12/2026 10:30:00;Crédito;ALI=250,00;BEB=49,90\r\n"
        "C;CLI001;CONS0002;LEDGER-2;07/12/2026 10:31:00;Crédito;ALI=1,00\r\n"
        "C;CLI999;CONS0001;LEDGER-3;07/12/2026 10:32:00;Crédito;ALI=1,00\r\n";
    DataPacket import({{"ARQUIVO", FieldType::String, 5000}});
    import.column(0).appendText(file);
    call("SetImporSaldoCons", {import}, "bia");

    // Who created what: the imported orders and the audit row name the operator.
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PEDCREDCONS WHERE NMOPERCRIACAO = 'bia'"
                     " AND LENGTH(DTCRIACAO) = 23 AND NRBOLETO LIKE 'LEDGER-%'"),
              "2");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PEDCREDCONS WHERE NMOPERCRIACAO IS NOT NULL"), "2");
    const auto audit = db_->queryText(
        "SELECT NMOPERADOR, IDEVENTO, DSHASHARQUIVO, QTPEDIDOS FROM AUDITORIA ORDER BY "
        "IDAUDITORIA");
    ASSERT_EQ(audit.size(), 1u);
    EXPECT_EQ(*audit[0][0], "bia");
    EXPECT_EQ(*audit[0][1], "IMPORTACAO");
    EXPECT_EQ(*audit[0][2], server::storage::sha256Hex(file));
    EXPECT_EQ(*audit[0][3], "2");

    const std::string rows = std::to_string(std::stoll(scalar("SELECT COUNT(*) FROM LANCSALDO")) +
                                            std::stoll(scalar("SELECT COUNT(*) FROM AUDITORIA")));
    ProcessResult r = verify();
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "ok " + rows + " rows") << r.out;

    // One cent more on a row in the middle.
    const std::string changed = scalar(
        "SELECT IDLANCSALDO FROM LANCSALDO WHERE VRLANCSALDO_CENT <> 0 ORDER BY IDLANCSALDO"
        " LIMIT 1 OFFSET 5");
    tamper("UPDATE LANCSALDO SET VRLANCSALDO_CENT = VRLANCSALDO_CENT + 1 WHERE IDLANCSALDO = " +
           changed);
    r = verify();
    EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("broken LANCSALDO " + changed + ":", 0), 0u) << r.out;
    tamper("UPDATE LANCSALDO SET VRLANCSALDO_CENT = VRLANCSALDO_CENT - 1 WHERE IDLANCSALDO = " +
           changed);
    r = verify();
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;

    // A row taken out of the middle, then the last one.
    const std::string deleted = std::to_string(std::stoll(changed) + 3);
    tamper("DELETE FROM LANCSALDO WHERE IDLANCSALDO = " + deleted);
    r = verify();
    EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("broken LANCSALDO " + deleted + ":", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("missing"), std::string::npos) << r.out;
}

TEST_P(LedgerChain, MigrationHashesTheRowsAnOlderDatabaseHolds) {
    const std::string url = scratch_->url();
    {
        // A database as the version before the chains left it, with a gap
        // in its ledger keys (a transaction rolled back on PostgreSQL).
        auto db = std::make_unique<server::storage::Database>(
            GetParam() == "sqlite" ? server::storage::Backend::Sqlite
                                   : server::storage::Backend::Postgres,
            url, [url, sqlite = GetParam() == "sqlite"] {
                return sqlite ? server::storage::openSqliteSession(url.substr(7))
                              : server::storage::openPostgresSession(url);
            });
        server::storage::migrateSchema(*db, {}, 1);
        db->write([](server::storage::Session& s) {
            s.executeScript(
                "INSERT INTO CLIENTE (CDCLIENTE, NMRAZSOCCLIE) VALUES ('C1', 'Um');"
                "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR)"
                " VALUES ('C1', 'K1', 'Ka');"
                "INSERT INTO FAMILIASALDO VALUES ('ALI', 'Alimentação');"
                "INSERT INTO PEDCREDCONS (IDPEDCREDCONS, NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR,"
                " VRPEDCRECONS_CENT, DTPEDCRECONS, IDPEDCREEXTR) VALUES (1,"
                " '00000000000000000001', 'C1', 'K1', 500, '2026-12-01 10:00:00.000', 'C');"
                "INSERT INTO LANCSALDO (IDLANCSALDO, DTLANCSALDO, NMOPERADOR, IDPEDCREDCONS,"
                " NRPEDCRECONS, IDOPERACAO, CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD,"
                " VRLANCSALDO_CENT) VALUES"
                " (1, '2026-12-01 11:00:00.000', 'ana', 1, '00000000000000000001', 'EFETIVA',"
                " 'C1', 'K1', 'ALI', 500),"
                " (2, '2026-12-01 12:00:00.000', 'ana', 1, '00000000000000000001',"
                " 'DESFAZ_EFETIVA', 'C1', 'K1', 'ALI', -500),"
                " (5, '2026-12-01 13:00:00.000', '', 1, '00000000000000000001', 'CANCELA',"
                " 'C1', 'K1', NULL, 0)");
        });
    }
    db_ = server::storage::openDatabase(url);  // migrates to the latest version
    ProcessResult r = verify();
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "ok 3 rows") << r.out;
    EXPECT_THROW(db_->queryText("UPDATE LANCSALDO SET NMOPERADOR = 'x'"),
                 server::storage::DatabaseError);

    db_->write([](server::storage::Session& s) {
        server::storage::ledger::appendLedger(
            s, {{"2026-12-02 09:00:00.000", "bia", 1, "00000000000000000001", "DESFAZ_CANCELA",
                 "C1", "K1", std::nullopt, 0}});
        s.execute("UPDATE PEDCREDCONS SET IDPEDCREEXTR = 'N' WHERE IDPEDCREDCONS = 1");
    });
    EXPECT_EQ(scalar("SELECT MAX(IDLANCSALDO) FROM LANCSALDO"), "6");
    r = verify();
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "ok 4 rows") << r.out << r.err;
}

// What the chain does not cover: the balances and situations the ledger
// implies. The nightly check reads from the point verified last; --full
// reads everything.
TEST_P(LedgerChain, VerifyComparesBalancesAndSituationsWithTheLedger) {
    open();
    effectPending(2, "ana");
    ProcessResult r = verifyFromPoint();
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("whole ledger:"), std::string::npos) << r.out;

    // A balance edited, on a consumer no row written since touches.
    const auto key = db_->queryText(
        "SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD FROM SALDOCONS ORDER BY CDCLIENTE DESC,"
        " CDCONSUMIDOR DESC LIMIT 1");
    ASSERT_EQ(key.size(), 1u);
    const std::string balance =
        "UPDATE SALDOCONS SET VRSALDO_CENT = VRSALDO_CENT %s 100 WHERE CDCLIENTE = ?"
        " AND CDCONSUMIDOR = ? AND CDFAMILISALD = ?";
    db_->queryText(std::string(balance).replace(balance.find("%s"), 2, "+"), key[0]);
    r = verifyFromPoint();
    EXPECT_EQ(r.exitCode, 4) << r.out << r.err;
    EXPECT_NE(r.out.find("saldo de cliente " + *key[0][0] + ", consumidor " + *key[0][1] +
                         ", família " + *key[0][2]),
              std::string::npos)
        << r.out;
    db_->queryText(std::string(balance).replace(balance.find("%s"), 2, "-"), key[0]);
    r = verifyFromPoint();
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("from the point verified before:"), std::string::npos) << r.out;

    // An effected order edited back to pending: the full check sees it at once.
    const std::string effected =
        scalar("SELECT MIN(NRPEDCRECONS) FROM LANCSALDO WHERE NMOPERADOR = 'ana'");
    tamper("UPDATE PEDCREDCONS SET IDPEDCREEXTR = 'N' WHERE NRPEDCRECONS = '" + effected + "'");
    r = verify();
    EXPECT_EQ(r.exitCode, 4) << r.out << r.err;
    EXPECT_NE(r.out.find("pedido " + effected + ": situação guardada N, o razão o deixa efetivado"),
              std::string::npos)
        << r.out;
    // Credited a second time meanwhile: the nightly check, which reads the
    // new rows only, names the second credit.
    ASSERT_EQ(scalar("SELECT MIN(NRPEDCRECONS) FROM PEDCREDCONS WHERE IDPEDCREEXTR = 'N'"),
              effected);
    effectPending(1, "bia");
    r = verifyFromPoint();
    EXPECT_EQ(r.exitCode, 4) << r.out << r.err;
    EXPECT_NE(r.out.find("pedido " + effected + ": o razão registra EFETIVA"), std::string::npos)
        << r.out;

    // A row written since the point, changed: the nightly walk breaks on it.
    const std::string last = scalar("SELECT MAX(IDLANCSALDO) FROM LANCSALDO");
    tamper("UPDATE LANCSALDO SET NMOPERADOR = 'x' WHERE IDLANCSALDO = " + last);
    r = verifyFromPoint();
    EXPECT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("broken LANCSALDO " + last + ":", 0), 0u) << r.out;
}

// At start a server puts dropped guards back, checks its chains' heads, and
// on a broken chain refuses writes and says so on readiness, unless told
// otherwise.
TEST_P(LedgerChain, ServerStartRestoresGuardsAndRefusesWritesOnABrokenChain) {
    open();
    effectPending(1, "ana");
    tamper(GetParam() == "sqlite" ? "SELECT 1"
                                  : "DROP TRIGGER LANCSALDO_SEM_ALTERACAO ON LANCSALDO");
    const auto serverOn = [&](std::vector<std::string> extra) {
        ServerProcessOptions o;
        o.backend = GetParam() == "sqlite" ? TestBackend::Sqlite : TestBackend::Postgres;
        o.dbUrl = scratch_->url();
        o.extraArgs = std::move(extra);
        return std::make_unique<ServerProcess>(o);
    };
    const auto importArgs = [](const std::string& slip) {
        DataPacket p({{"ARQUIVO", FieldType::String, 5000}});
        p.column(0).appendText("C;CLI001;CONS0001;" + slip + ";07/12/2026 10:30:00;;ALI=1,00\r\n");
        return "[" + dataset::encodePacket(p) + "]";
    };
    {
        auto server = serverOn({});
        EXPECT_NE(server->stderrText().find("LANCSALDO_SEM_ALTERACAO was missing"),
                  std::string::npos)
            << server->stderrText();
        EXPECT_EQ(server->get("/health/ready").status, 200);
    }
    EXPECT_THROW(db_->queryText("UPDATE LANCSALDO SET NMOPERADOR = 'x'"),
                 server::storage::DatabaseError);

    tamper(
        "UPDATE LANCSALDO SET NMOPERADOR = 'x' WHERE IDLANCSALDO = (SELECT MAX(IDLANCSALDO)"
        " FROM LANCSALDO)");
    {
        auto server = serverOn({});
        const auto ready = server->get("/health/ready");
        EXPECT_EQ(ready.status, 503);
        EXPECT_NE(ready.body.find("ledger"), std::string::npos) << ready.body;
        const auto write = server->post("SetImporSaldoCons", importArgs("BROKEN-1"));
        EXPECT_EQ(write.status, 503) << write.body;
        EXPECT_NE(write.body.find("cadeia do razão"), std::string::npos) << write.body;
        EXPECT_EQ(server->post("getConsumidor", R"(["", "T", "1"])").status, 200);
    }
    auto server = serverOn({"--allow-broken-ledger"});
    EXPECT_EQ(server->post("SetImporSaldoCons", importArgs("BROKEN-2")).status, 200);
}

INSTANTIATE_TEST_SUITE_P(Backends, LedgerChain, ::testing::Values("sqlite", "postgres"),
                         [](const auto& row) { return std::string(row.param); });

}  // namespace
}  // namespace confcred::testing
