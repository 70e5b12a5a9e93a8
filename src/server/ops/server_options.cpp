#include "server/ops/server_options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "server/ops/secret_files.h"

namespace confcred::server::ops {

namespace {

// A whole number in [low, high] written in plain digits.
std::uint64_t parseNumber(const std::string& option, const std::string& text, std::uint64_t low,
                          std::uint64_t high) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) {
        throw OptionsError(option + ": expected a whole number from " + std::to_string(low) +
                           " to " + std::to_string(high) + ", got '" + text + "'");
    }
    return value;
}

// The token kept in a file, so that it never shows on a command line; the
// line break an editor leaves at its end is not part of it.
std::string readTokenFile(const std::string& path) {
    checkSecretFileMode(path, "--token-file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw OptionsError("--token-file: cannot read '" + path + "'");
    std::ostringstream text;
    text << in.rdbuf();
    std::string token = text.str();
    while (!token.empty() && (token.back() == '\n' || token.back() == '\r'))
        token.pop_back();
    if (token.empty())
        throw OptionsError("--token-file: '" + path + "' is empty");
    return token;
}

}  // namespace

void parseListen(const std::string& text, http::HttpServerOptions& http) {
    std::string host, port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            throw OptionsError("--listen: expected [IPV6]:PORT, got '" + text + "'");
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos || text.find(':') != colon)
            throw OptionsError("--listen: expected HOST:PORT, got '" + text + "'");
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty())
        throw OptionsError("--listen: the host is missing in '" + text + "'");
    http.host = host;
    http.port = static_cast<std::uint16_t>(parseNumber("--listen port", port, 0, 65535));
}

bool isLoopbackHost(const std::string& host) {
    if (host == "localhost" || host == "::1" || host == "0:0:0:0:0:0:0:1")
        return true;
    // 127.x.y.z, written as a dotted address.
    if (host.rfind("127.", 0) != 0)
        return false;
    return std::all_of(host.begin(), host.end(),
                       [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

ServerOptions parseServerOptions(const std::vector<std::string>& args, const char* envToken) {
    ServerOptions options;
    if (envToken != nullptr) {
        // Set but empty is a mistake, never a wish to serve without a token:
        // it would silently drop the token of token_file.
        if (*envToken == '\0')
            throw OptionsError(
                "CONFCRED_TOKEN: the token is empty (unset it to serve without one)");
        options.http.token = envToken;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i], value;
        bool inlineValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        const auto takeValue = [&]() -> std::string {
            if (inlineValue)
                return value;
            if (i + 1 >= args.size())
                throw OptionsError(name + ": a value is missing");
            return args[++i];
        };
        const auto noValue = [&] {
            if (inlineValue)
                throw OptionsError(name + " takes no value");
        };
        // The yes/no options: --NAME switches one on, --no-NAME off again (the
        // command line over a configuration file).
        const std::pair<const char*, bool*> switches[] = {
            {"verbose", &options.http.verbose},
            {"metrics-open", &options.metricsOpen},
            {"call-log", &options.callLog},
        };
        bool* switched = nullptr;
        bool on = true;
        for (const auto& [switchName, target] : switches) {
            const std::string plain = std::string("--") + switchName;
            const std::string negated = std::string("--no-") + switchName;
            if (name == plain || name == negated) {
                switched = target;
                on = name == plain;
            }
        }
        if (name == "--no-no-call-log") {  // no-call-log = no in a configuration file
            switched = &options.callLog;
            on = true;
        }
        if (switched != nullptr) {
            noValue();
            *switched = on;
        } else if (name == "--help" || name == "-h") {
            noValue();
            options.help = true;
        } else if (name == "-v") {
            noValue();
            options.http.verbose = true;
        } else if (name == "--version") {
            noValue();
            options.version = true;
        } else if (name == "--listen") {
            parseListen(takeValue(), options.http);
        } else if (name == "--db") {
            options.dbUrl = takeValue();
            if (options.dbUrl.empty())
                throw OptionsError("--db: the URL is empty");
        } else if (name == "--threads") {
            options.http.threads = static_cast<int>(parseNumber(name, takeValue(), 1, 256));
        } else if (name == "--workers") {
            options.http.workers = static_cast<int>(parseNumber(name, takeValue(), 1, 1024));
        } else if (name == "--token") {
            options.http.token = takeValue();
            if (options.http.token.empty())
                throw OptionsError("--token: the token is empty");
        } else if (name == "--token-file") {
            options.http.token = readTokenFile(takeValue());
        } else if (name == "--db-timeout") {
            options.dbTimeout = std::chrono::seconds(parseNumber(name, takeValue(), 1, 3600));
        } else if (name == "--trusted-proxy") {
            const std::string address = takeValue();
            if (address.empty() ||
                address.find_first_not_of("0123456789abcdefABCDEF.:") != std::string::npos)
                throw OptionsError("--trusted-proxy: '" + address +
                                   "' is not an IP address (give one per option)");
            options.http.trustedProxies.push_back(address);
        } else if (name == "--tls-cert") {
            options.http.tlsCertFile = takeValue();
        } else if (name == "--tls-key") {
            options.http.tlsKeyFile = takeValue();
            checkSecretFileMode(options.http.tlsKeyFile, "--tls-key");
        } else if (name == "--max-body") {
            options.http.maxBodyBytes = static_cast<std::size_t>(
                parseNumber(name, takeValue(), 1024, std::uint64_t{4} << 30));
        } else if (name == "--body-budget") {
            options.http.bodyBudgetBytes = static_cast<std::size_t>(
                parseNumber(name, takeValue(), 1024, std::uint64_t{64} << 30));
        } else if (name == "--request-timeout") {
            options.http.requestTimeout =
                std::chrono::seconds(parseNumber(name, takeValue(), 1, 3600));
        } else if (name == "--header-timeout") {
            options.http.headerTimeout =
                std::chrono::seconds(parseNumber(name, takeValue(), 1, 3600));
        } else if (name == "--idle-timeout") {
            options.http.idleTimeout =
                std::chrono::seconds(parseNumber(name, takeValue(), 1, 3600));
        } else if (name == "--max-connections") {
            options.http.maxConnections =
                static_cast<std::size_t>(parseNumber(name, takeValue(), 1, 1'000'000));
        } else if (name == "--max-per-address") {
            options.http.maxConnectionsPerAddress =
                static_cast<std::size_t>(parseNumber(name, takeValue(), 1, 1'000'000));
        } else if (name == "--session-hours") {
            options.sessionLength = std::chrono::hours(parseNumber(name, takeValue(), 1, 24 * 30));
        } else if (name == "--session-seconds") {
            options.sessionLength =
                std::chrono::seconds(parseNumber(name, takeValue(), 1, 3600 * 24 * 30));
        } else if (name == "--log-file") {
            options.logFile = takeValue();
            if (options.logFile.empty())
                throw OptionsError("--log-file: the path is empty");
        } else if (name == "--seed-orders") {
            options.seedOrders = static_cast<int>(parseNumber(name, takeValue(), 0, 10'000'000));
        } else if (name == "--allow-broken-ledger") {
            noValue();
            options.allowBrokenLedger = true;
        } else {
            throw OptionsError("unknown option '" + args[i] + "' (see --help)");
        }
    }
    if (options.http.bodyBudgetBytes < options.http.maxBodyBytes) {
        throw OptionsError("--body-budget: " + std::to_string(options.http.bodyBudgetBytes) +
                           " bytes cannot hold one body of --max-body " +
                           std::to_string(options.http.maxBodyBytes) + " bytes");
    }
    if (options.http.tlsCertFile.empty() != options.http.tlsKeyFile.empty())
        throw OptionsError("--tls-cert and --tls-key go together");
    return options;
}

std::string exposureRefusal(const ServerOptions& options) {
    if (options.http.tlsCertFile.empty() && !isLoopbackHost(options.http.host))
        return "recusado escutar em " + options.http.host +
               " sem TLS: fora desta máquina, o token e os créditos passariam abertos pela rede. "
               "Informe --tls-cert ARQUIVO e --tls-key ARQUIVO (veja docs/security.md, \"Running "
               "beyond loopback\") ou escute em 127.0.0.1.";
    // A short token is guessed: whatever gives it (--token, --token-file,
    // CONFCRED_TOKEN, token_file), it has at least kMinTokenLength characters.
    if (!options.http.token.empty() && options.http.token.size() < kMinTokenLength)
        return "recusado: o token tem " + std::to_string(options.http.token.size()) +
               " caracteres; use ao menos " + std::to_string(kMinTokenLength) +
               " (por exemplo: openssl rand -hex 32).";
    return {};
}

std::string exposureWarning(const ServerOptions& options) {
    if (!options.http.token.empty() || isLoopbackHost(options.http.host))
        return {};
    return "warning: listening on " + options.http.host +
           " without a token: anyone who can reach this address can read and change credits; "
           "give --token or CONFCRED_TOKEN";
}

std::string usageText() {
    return R"(Usage: confcred-server [options]
       confcred-server verify-ledger [--db URL]   (checks the ledger's hash chains)

The application server object rdmConfCredBanc over HTTP (see docs/protocol.md).

  --listen HOST:PORT       address to listen on (default 127.0.0.1:8211; port 0 = any free port;
                           IPv6 as [::1]:8211)
  --db URL                 sqlite:PATH or postgresql://... (default: a SQLite file under the
                           user's data folder, created with demo data on first start)
  --db-timeout SECS        how long to wait for the database: a PostgreSQL connection, each
                           statement (PostgreSQL's statement_timeout, and the connection is cut
                           a second later if it does not answer at all), SQLite's wait for a
                           lock; past it a call is answered 503 (default 15)
  --threads N              network threads (default: the number of processors, at least 2)
  --workers N              threads that run calls (default: the number of processors, at least 4)
  --token T                require "Authorization: Bearer T" on every call (also CONFCRED_TOKEN);
                           a request without it is answered 401 before its body is read
  --token-file FILE        the same token read from FILE (keeps it off the command line)
  --tls-cert FILE          serve HTTPS with this PEM certificate chain (with --tls-key); needed to
                           listen beyond loopback
  --tls-key FILE           the PEM private key of --tls-cert
  --trusted-proxy ADDR     a balancer or proxy whose X-Forwarded-For names the client (its last
                           address), for the slowing of failed logins and the log; repeatable
  --max-body BYTES         largest request body (default 67108864)
  --body-budget BYTES      memory for all request bodies in flight together; a request that
                           would pass it is answered 503 with Retry-After (default 268435456)
  --header-timeout SECS    time for a request's headers to arrive, and for a new connection to
                           send them (default 10)
  --request-timeout SECS   time for one request's headers and body to arrive (default 30)
  --idle-timeout SECS      time a kept-alive connection may wait for its next request (default 30)
  --max-connections N      open connections in all (default 1000; more are closed at once)
  --max-per-address N      open connections from one client address (default 64)
  --session-hours N        how long an operator's session lasts after login or renewal
                           (default 8); --session-seconds N gives it in seconds
  --seed-orders N          add N generated orders (a fixed seed) to the database, then serve
                           (command line only: ignored, with a warning, in a configuration file)
  --verbose                one line per request on stderr
  --no-call-log            no JSON line per call on stderr (method, status, ms, operator, rows)
  --metrics-open           GET /metrics without the token (for a scraper on a trusted network)
  --allow-broken-ledger    serve writes even when the ledger's chain does not hold at start
                           (docs/security.md); without it such a server only reads
                           Each yes/no option has its --no- form (--no-verbose, --no-metrics-open,
                           --call-log) to switch off what a configuration file switched on.
  --log-file FILE          append stderr's messages and call lines to FILE instead; SIGHUP
                           opens it again (after logrotate moved it) and rereads the TLS
                           certificate and key
  --db-password-file FILE  the PostgreSQL password, the first line of FILE
  --config FILE            read options from FILE (key = value, keys as the long options
                           without --; the token only as token_file = PATH); the command
                           line wins (docs/deployment.md)
  --version                the program's version
  --help                   this text

Operator accounts (docs/security.md): once the database holds one (even disabled), or when
listening beyond loopback, every call needs a session (POST /session). They are kept with
  confcred-server operator add NAME --role consulta|operador [--db URL]   (password on stdin)
  confcred-server operator passwd NAME | disable NAME | list  [--db URL]

When ready it prints "confcred-server listening on HOST:PORT". SIGTERM or SIGINT stop it
cleanly (running calls finish). Exit codes: 0 stopped, 1 cannot listen or open the database,
2 bad options.
)";
}

}  // namespace confcred::server::ops
