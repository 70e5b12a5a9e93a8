// The command line of confcred-server.
#pragma once

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "server/http/http_server.h"

namespace confcred::server::ops {

// A bad command line; main answers it with exit code 2.
class OptionsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ServerOptions {
    // --listen, --threads, --workers, --token, --max-body, --body-budget, the timeouts and
    // connection caps, --verbose
    http::HttpServerOptions http;
    std::string dbUrl;   // --db; empty: the default SQLite file
    int seedOrders = 0;  // --seed-orders: add this many generated orders, then serve
    // --session-hours (or --session-seconds): how long a login's session lasts
    std::chrono::seconds sessionLength{std::chrono::hours(8)};
    // --db-timeout: how long the server waits for its database (storage::setDatabaseTimeout)
    std::chrono::milliseconds dbTimeout{std::chrono::seconds(15)};
    bool help = false;     // --help
    bool version = false;  // --version
    // --log-file: stderr goes to this file, opened again on SIGHUP.
    std::string logFile;

    // --metrics-open: GET /metrics without the token.
    bool metricsOpen = false;
    // --no-call-log turns off the JSON line per call on stderr.
    bool callLog = true;
    // --allow-broken-ledger: serve writes on a ledger whose chain does not hold at start.
    bool allowBrokenLedger = false;
};

// The seed --seed-orders uses, so that the same N always adds the same orders.
inline constexpr unsigned kSeedOrdersSeed = 1;

// Reads the arguments after the program name. `envToken` is CONFCRED_TOKEN
// (nullptr when unset); --token and --token-file win over it. Throws OptionsError naming the
// option and what is wrong.
ServerOptions parseServerOptions(const std::vector<std::string>& args, const char* envToken);

// HOST:PORT, [IPV6]:PORT; throws OptionsError.
void parseListen(const std::string& text, http::HttpServerOptions& http);

// 127.0.0.0/8, ::1 and "localhost".
bool isLoopbackHost(const std::string& host);

// Why the server must not start: listening beyond this machine without TLS.
// A Portuguese sentence; empty when it may start.
// Also a token shorter than kMinTokenLength.
std::string exposureRefusal(const ServerOptions& options);
inline constexpr std::size_t kMinTokenLength = 16;

// A warning for stderr when the server would listen beyond this machine
// without a token; empty otherwise.
std::string exposureWarning(const ServerOptions& options);

std::string usageText();

}  // namespace confcred::server::ops
