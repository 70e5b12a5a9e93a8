// confcred-server: the application server object rdmConfCredBanc over HTTP.
// Exit codes: 0 after a clean stop, 1 when it cannot listen or open its
// database, 2 for a bad command line.

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "server/http/http_server.h"
#include "server/http/metrics.h"
#include "server/methods/confcred_methods.h"
#include "server/ops/commands.h"
#include "server/ops/config_file.h"
#include "server/ops/database_lock.h"
#include "server/ops/operator_cli.h"
#include "server/ops/server_options.h"
#include "server/ops/verify_ledger.h"
#include "server/storage/database.h"
#include "server/storage/demo_data.h"
#include "server/storage/ledger_guard.h"
#include "server/trust/operators.h"
#include "server/trust/sessions.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "confcred-server: %s\n", message.c_str());
    return 1;
}

// Points stderr (the call lines and messages) at `path`, appended; again on
// each SIGHUP, so that a log rotated away is let go.
bool openLog(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) {
        std::fprintf(stderr, "confcred-server: cannot open the log %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    std::fflush(stderr);
    ::dup2(fd, STDERR_FILENO);
    ::close(fd);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace confcred::server;

    if (argc > 1 && std::string(argv[1]) == "verify-ledger")
        return ops::runVerifyLedger(std::vector<std::string>(argv + 2, argv + argc), std::cout,
                                    std::cerr);
    if (argc > 1 && std::string(argv[1]) == "operator")
        return ops::runOperatorCommand(std::vector<std::string>(argv + 2, argv + argc), std::cin,
                                       std::cout, std::cerr);
    // demo-data, import-master, backup, restore: run once and exit.
    if (const auto code = ops::runCommand(std::vector<std::string>(argv + 1, argv + argc)))
        return *code;

    ops::ServerOptions options;
    try {
        ops::ConfiguredOptions configured = ops::parseOptionsWithConfig(
            std::vector<std::string>(argv + 1, argv + argc), std::getenv("CONFCRED_TOKEN"));
        options = std::move(configured.options);
        if (!configured.dbPassword.empty())
            setenv("PGPASSWORD", configured.dbPassword.c_str(), 1);
        if (!options.logFile.empty() && !options.help && !options.version &&
            !openLog(options.logFile))
            return 1;
        for (const std::string& warning : configured.warnings)
            std::fprintf(stderr, "confcred-server: warning: %s\n", warning.c_str());
    } catch (const ops::OptionsError& e) {
        std::fprintf(stderr, "confcred-server: %s\n", e.what());
        return 2;
    }
    if (options.version) {
        std::printf("confcred-server %s\n", http::buildVersion().c_str());
        return 0;
    }
    if (options.help) {
        std::fputs(ops::usageText().c_str(), stdout);
        std::fputs(("\n" + ops::commandsUsage()).c_str(), stdout);
        return 0;
    }
    if (const std::string refusal = ops::exposureRefusal(options); !refusal.empty()) {
        std::fprintf(stderr, "confcred-server: %s\n", refusal.c_str());
        return 2;
    }
    if (const std::string warning = ops::exposureWarning(options); !warning.empty())
        std::fprintf(stderr, "confcred-server: %s\n", warning.c_str());

    // The main thread waits for the stop signals; every other thread, the
    // pool's included, inherits this mask and never sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    http::Metrics::process().setScrapeOpen(options.metricsOpen);
    http::Metrics::process().setCallLog(options.callLog);
    auto sessions = std::make_shared<trust::SessionGate>(
        trust::SessionSettings{options.sessionLength, ops::isLoopbackHost(options.http.host)});
    options.http.sessions = sessions;

    methods::MethodTable methods;
    std::unique_ptr<ops::DatabaseLock> databaseLock;  // let go after the database closes
    std::unique_ptr<storage::Database> database;
    // The gate watches the database for accounts: it stops before the database goes.
    const std::unique_ptr<trust::SessionGate, void (*)(trust::SessionGate*)> stopWatching(
        sessions.get(), [](trust::SessionGate* gate) { gate->stopWatching(); });
    http::HttpServer server(methods, options.http);
    try {
        // Listening first: a busy port fails before a database file is created.
        server.listen();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    storage::setDatabaseTimeout(options.dbTimeout);
    try {
        const std::string url = options.dbUrl.empty() ? storage::defaultSqliteUrl() : options.dbUrl;
        database = storage::openDatabase(url);
        // Held while serving: a restore refuses to run under this server.
        databaseLock = ops::DatabaseLock::forServer(url);
        if (options.seedOrders > 0)
            storage::seedOrders(*database, options.seedOrders, ops::kSeedOrdersSeed);
        // The ledger as this server finds it: guards put back, chains checked.
        const storage::LedgerAtStart ledger = storage::checkLedgerAtStart(*database);
        for (const std::string& name : ledger.guardsRestored)
            std::fprintf(stderr,
                         "confcred-server: the ledger's guard trigger %s was missing or "
                         "disabled; put back\n",
                         name.c_str());
        if (!ledger.broken.empty()) {
            std::fprintf(stderr,
                         "confcred-server: the ledger's chain does not hold: %s; %s "
                         "(run 'confcred-server verify-ledger --full')\n",
                         ledger.broken.c_str(),
                         options.allowBrokenLedger ? "serving writes anyway (--allow-broken-ledger)"
                                                   : "refusing writes (readiness says not ready)");
            if (!options.allowBrokenLedger)
                storage::setWriteRefusal(ledger.broken);
        }
        methods::registerConfCredMethods(methods, *database);
        http::Metrics::process().attach(database.get());
        sessions->attach(*database);
        if (!ops::isLoopbackHost(options.http.host) &&
            !trust::OperatorStore(*database).anyEnabled())
            std::fprintf(stderr,
                         "confcred-server: no enabled operator account: beyond loopback every "
                         "call needs a session; add one with 'confcred-server operator add'\n");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    try {
        server.start();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    std::cout << "confcred-server listening on " << server.address() << std::endl;

    int signal = 0;
    while (sigwait(&stopSignals, &signal) == 0 && signal == SIGHUP) {
        // SIGHUP: the log file again (logrotate moved it) and the TLS pair
        // again (a renewed certificate); a failure keeps what serves now.
        if (!options.logFile.empty())
            openLog(options.logFile);
        try {
            server.reloadTls();
            std::fprintf(stderr, "confcred-server: SIGHUP: %s\n",
                         options.http.tlsCertFile.empty() ? "log reopened"
                                                          : "log reopened, TLS certificate reread");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "confcred-server: SIGHUP: keeping the TLS certificate: %s\n",
                         e.what());
        }
    }
    if (options.http.verbose)
        std::fprintf(stderr, "confcred-server: signal %d, stopping\n", signal);
    server.stop();
    return 0;
}
