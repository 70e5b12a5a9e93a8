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

#include "server/confcred_methods.h"
#include "server/database.h"
#include "server/demo_data.h"
#include "server/http_server.h"
#include "server/server_options.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "confcred-server: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace confcred::server;

    ServerOptions options;
    try {
        options = parseServerOptions(std::vector<std::string>(argv + 1, argv + argc),
                                     std::getenv("CONFCRED_TOKEN"));
    } catch (const OptionsError& e) {
        std::fprintf(stderr, "confcred-server: %s\n", e.what());
        return 2;
    }
    if (options.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    if (const std::string refusal = exposureRefusal(options); !refusal.empty()) {
        std::fprintf(stderr, "confcred-server: %s\n", refusal.c_str());
        return 2;
    }
    if (const std::string warning = exposureWarning(options); !warning.empty())
        std::fprintf(stderr, "confcred-server: %s\n", warning.c_str());

    // The main thread waits for the stop signals; every other thread, the
    // pool's included, inherits this mask and never sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    MethodTable methods;
    std::unique_ptr<Database> database;
    HttpServer server(methods, options.http);
    try {
        // Listening first: a busy port fails before a database file is created.
        server.listen();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    try {
        database = openDatabase(options.dbUrl.empty() ? defaultSqliteUrl() : options.dbUrl);
        if (options.seedOrders > 0)
            seedOrders(*database, options.seedOrders, kSeedOrdersSeed);
        registerConfCredMethods(methods, *database);
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
