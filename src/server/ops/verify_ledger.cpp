#include "server/ops/verify_ledger.h"

#include <algorithm>
#include <cstdlib>

#include "platform/clock.h"
#include "server/ops/commands.h"
#include "server/ops/config_file.h"
#include "server/ops/server_options.h"
#include "server/storage/database.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/ledger_check.h"
#include "server/storage/schema.h"
#include "server/storage/stored_values.h"

namespace confcred::server::ops {

namespace {

int schemaVersion(storage::Database& db) {
    return db.read([](storage::Session& s) {
        int found = 0;
        s.query("SELECT COALESCE(MAX(version), 0) FROM schema_version", {},
                [&](const storage::Row& r) { found = static_cast<int>(r.integer(0)); });
        return found;
    });
}

struct Outcome {
    storage::ledger::ChainReport chain;
    std::map<std::string, storage::ledger::ChainPoint> heads, from;
    storage::ledger::ContentReport content;
};

}  // namespace

int runVerifyLedger(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ServerOptions options;
    std::vector<std::string> rest;
    bool full = false;
    for (const std::string& a : args) {
        if (a == "--full")
            full = true;
        else
            rest.push_back(a);
    }
    CommandDatabase database;
    try {
        // The database is named as the server takes it (--db, the configuration, or the
        // default file).
        database = parseCommandDatabase(rest);
        options = parseServerOptions(database.rest, nullptr);
    } catch (const OptionsError& e) {
        err << "confcred-server verify-ledger: " << e.what() << "\n";
        return 2;
    }
    if (options.help) {
        out << "Usage: confcred-server verify-ledger [--db URL | --config FILE] "
               "[--db-password-file FILE] [--full]\n\n"
               "Walks the hash chains of the balance ledger (LANCSALDO) and the import audit\n"
               "(AUDITORIA) from the point verified last (every row with --full, or when no\n"
               "point was verified yet), then recomputes from the ledger every consumer's\n"
               "balance and the situation of each order the walked rows touch (of every order\n"
               "with --full). Prints \"ok N rows\" and exits 0 when all holds, and records the\n"
               "point verified; prints the first row that breaks a chain and exits 3; prints\n"
               "each difference between the ledger and the balances or situations and exits 4.\n"
               "Exit 1: the database cannot be read.\n";
        return 0;
    }
    try {
        if (!database.dbPassword.empty())
            setenv("PGPASSWORD", database.dbPassword.c_str(), 1);
        auto db = storage::openExistingDatabase(database.dbUrl.empty() ? storage::defaultSqliteUrl()
                                                                       : database.dbUrl);
        const int version = schemaVersion(*db);
        if (version != storage::latestSchemaVersion()) {
            err << "confcred-server verify-ledger: the database has schema version " << version
                << ", this program " << storage::latestSchemaVersion()
                << "; start the server on it once to bring it up to date\n";
            return 1;
        }
        if (full)
            err << "confcred-server verify-ledger: --full reads the whole ledger and every "
                   "order; on years of history this takes minutes\n";
        // One read transaction: the chains, their heads and what the ledger
        // says, all as one commit left them.
        const Outcome outcome = db->read([&](storage::Session& s) {
            Outcome o;
            if (!full)
                o.from = storage::ledger::verifiedPoints(s);
            o.chain = storage::ledger::verifyChains(s, o.from);
            if (!o.chain.ok)
                return o;
            o.heads = storage::ledger::chainHeads(s);
            o.content = storage::ledger::checkLedgerContent(
                s, full, o.heads[storage::ledger::ledgerTable().name].lastId);
            return o;
        });
        if (!outcome.chain.ok) {
            out << "broken " << outcome.chain.table << " " << outcome.chain.id << ": "
                << outcome.chain.problem << "\n";
            return 3;
        }
        if (!outcome.content.differences.empty()) {
            for (const std::string& d : outcome.content.differences)
                out << "divergência: " << d << "\n";
            out << outcome.content.differences.size()
                << " divergências entre o razão e os saldos ou situações guardados\n";
            return 4;
        }
        db->write([&](storage::Session& s) {
            storage::ledger::saveVerifiedPoint(s, outcome.heads, outcome.content,
                                               storage::storedDateTime(platform::now()));
        });
        out << "ok " << outcome.chain.rows << " rows\n";
        for (const auto& head : outcome.chain.heads)
            out << head << "\n";
        const bool fromPoint = !outcome.content.fromScratch;
        out << (fromPoint ? "from the point verified before: " : "whole ledger: ")
            << outcome.content.ordersChecked << " orders, " << outcome.content.balancesChecked
            << " balances agree with the ledger\n";
        return 0;
    } catch (const std::exception& e) {
        err << "confcred-server verify-ledger: " << e.what() << "\n";
        return 1;
    }
}

std::string chainProblem(const std::string& url) {
    auto db = storage::openExistingDatabase(url);
    if (schemaVersion(*db) < 2)  // before the chains
        return {};
    const storage::ledger::ChainReport report =
        db->read([](storage::Session& s) { return storage::ledger::verifyChains(s); });
    if (report.ok)
        return {};
    return "a cadeia do razão não confere (" + report.table + " " + std::to_string(report.id) +
           ": " + report.problem + ")";
}

}  // namespace confcred::server::ops
