// confcred-server: the application server object rdmConfCredBanc over HTTP.
// Exit codes: 0 after a clean stop, 1 when it cannot listen or open its
// database, 2 for a bad command line.

#include <pthread.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "server/http/http_server.h"
#include "server/http/metrics.h"
#include "server/methods/confcred_methods.h"
#include "server/ops/commands.h"
#include "server/ops/config_file.h"
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
    } catch (const ops::OptionsError& e) {
        std::fprintf(stderr, "confcred-server: %s\n", e.what());
        return 2;
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
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    http::Metrics::process().setScrapeOpen(options.metricsOpen);
    http::Metrics::process().setCallLog(options.callLog);
    auto sessions = std::make_shared<trust::SessionGate>(
        trust::SessionSettings{options.sessionLength, ops::isLoopbackHost(options.http.host)});
    options.http.sessions = sessions;

    methods::MethodTable methods;
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
        database = storage::openDatabase(options.dbUrl.empty() ? storage::defaultSqliteUrl()
                                                               : options.dbUrl);
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
    sigwait(&stopSignals, &signal);
    if (options.http.verbose)
        std::fprintf(stderr, "confcred-server: signal %d, stopping\n", signal);
    server.stop();
    return 0;
}
