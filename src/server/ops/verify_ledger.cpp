#include "server/ops/verify_ledger.h"

#include <cstdlib>

#include "server/ops/commands.h"
#include "server/ops/config_file.h"
#include "server/ops/server_options.h"
#include "server/storage/database.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/schema.h"

namespace confcred::server::ops {

int runVerifyLedger(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ServerOptions options;
    CommandDatabase database;
    try {
        // The database is named as the server takes it (--db, the configuration, or the
        // default file).
        database = parseCommandDatabase(args);
        options = parseServerOptions(database.rest, nullptr);
    } catch (const OptionsError& e) {
        err << "confcred-server verify-ledger: " << e.what() << "\n";
        return 2;
    }
    if (options.help) {
        out << "Usage: confcred-server verify-ledger [--db URL | --config FILE] "
               "[--db-password-file FILE]\n\n"
               "Walks the hash chains of the balance ledger (LANCSALDO) and the import audit\n"
               "(AUDITORIA). Prints \"ok N rows\" and exits 0 when they hold; prints the first\n"
               "row that breaks one and exits 3. Exit 1: the database cannot be read.\n";
        return 0;
    }
    try {
        if (!database.dbPassword.empty())
            setenv("PGPASSWORD", database.dbPassword.c_str(), 1);
        auto db = storage::openExistingDatabase(database.dbUrl.empty() ? storage::defaultSqliteUrl()
                                                                       : database.dbUrl);
        const int version = db->read([](storage::Session& s) {
            int found = 0;
            s.query("SELECT COALESCE(MAX(version), 0) FROM schema_version", {},
                    [&](const storage::Row& r) { found = static_cast<int>(r.integer(0)); });
            return found;
        });
        if (version != storage::latestSchemaVersion()) {
            err << "confcred-server verify-ledger: the database has schema version " << version
                << ", this program " << storage::latestSchemaVersion()
                << "; start the server on it once to bring it up to date\n";
            return 1;
        }
        const storage::ledger::ChainReport report = db->read(storage::ledger::verifyChains);
        if (!report.ok) {
            out << "broken " << report.table << " " << report.id << ": " << report.problem << "\n";
            return 3;
        }
        out << "ok " << report.rows << " rows\n";
        for (const auto& head : report.heads)
            out << head << "\n";
        return 0;
    } catch (const std::exception& e) {
        err << "confcred-server verify-ledger: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace confcred::server::ops
