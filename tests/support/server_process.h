#pragma once
// A real confcred-server process for tests: started on a free loopback port
// with a database of its own (a temporary SQLite file, or a fresh PostgreSQL
// database when CONFCRED_TEST_PG names a cluster), called over HTTP, killed
// and restarted at will, stopped at the end.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace confcred::testing {

// The confcred-server of this build (the environment variable
// CONFCRED_SERVER_EXE, when set, names another).
std::string defaultServerExecutable();

inline constexpr std::string_view kServerName = "lun90000.rdmConfCredBanc";

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct HttpReply {
    int status = 0;
    std::string body;
    std::string contentType;
    HeaderList headers{};  // every header of the answer, as sent

    // The value of header `name` (any letter case), "" when absent.
    std::string header(std::string_view name) const;
};

// A small blocking HTTP/1.1 client on one kept-alive connection (opened on
// first use, reopened when the server has closed it). A request is never
// sent twice: when no answer comes, request() throws. One thread at a time.
class HttpClient {
  public:
    HttpClient(std::string host, std::uint16_t port,
               std::chrono::milliseconds timeout = std::chrono::seconds(120));
    ~HttpClient();
    HttpClient(HttpClient&&) noexcept;
    HttpClient& operator=(HttpClient&&) noexcept;

    // Sent with every request (a token, the operator).
    void setHeader(std::string name, std::string value);

    // Any request. Throws std::runtime_error when no answer comes (the
    // message says what failed and where).
    HttpReply request(std::string_view verb, std::string_view target, std::string_view body = {},
                      const HeaderList& headers = {});
    // POST /lun90000.rdmConfCredBanc/<method> with {"args": <argsJson>};
    // argsJson is the JSON array of the arguments, e.g. R"(["T", 1.5])".
    HttpReply post(std::string_view method, std::string_view argsJson);
    HttpReply get(std::string_view target) { return request("GET", target); }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

enum class TestBackend { Sqlite, Postgres };

struct ProcessOutput;
struct TempDirHolder;

// SQLite always; PostgreSQL too when CONFCRED_TEST_PG is set.
std::vector<TestBackend> availableBackends();
const char* backendName(TestBackend backend);

// A fresh, empty PostgreSQL database on the cluster of `baseUrl` (a
// postgresql:// URL), made by CREATE DATABASE with a unique name and dropped
// in the destructor.
class PgTestDatabase {
  public:
    explicit PgTestDatabase(const std::string& baseUrl);
    ~PgTestDatabase();
    PgTestDatabase(const PgTestDatabase&) = delete;
    PgTestDatabase& operator=(const PgTestDatabase&) = delete;

    const std::string& url() const { return url_; }
    const std::string& name() const { return name_; }

  private:
    std::string baseUrl_, name_, url_;
};

// `baseUrl` with its database name replaced by `database`.
std::string pgUrlWithDatabase(const std::string& baseUrl, const std::string& database);

struct ServerProcessOptions {
    TestBackend backend = TestBackend::Sqlite;
    std::string dbUrl;  // when set, used as is instead of a fresh database
    std::vector<std::string> extraArgs;
    HeaderList environment;  // added to (or replacing in) the test's environment
    std::string executable = defaultServerExecutable();
    std::chrono::milliseconds startTimeout{std::chrono::seconds(60)};
};

// Starts in the constructor and waits for "confcred-server listening on
// HOST:PORT"; throws std::runtime_error with the server's stderr otherwise.
// The server is killed when the thread that started it ends (start and
// restart it from the test's own thread).
class ServerProcess {
  public:
    explicit ServerProcess(ServerProcessOptions options = {});
    ~ServerProcess();  // stop()
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    std::uint16_t port() const { return port_; }
    const std::string& dbUrl() const { return dbUrl_; }
    pid_t pid() const { return pid_; }

    // Each on a connection of its own, so any thread may call them.
    HttpReply post(std::string_view method, std::string_view argsJson) const;
    HttpReply get(std::string_view target) const;
    HttpClient client() const;

    // Sends a signal (SIGKILL to simulate a crash, SIGTERM to stop).
    void kill(int signal);
    // The exit code once the process has ended (128 + signal when killed by
    // one), or nothing when it still runs after `timeout`.
    std::optional<int> wait(std::chrono::milliseconds timeout);
    bool running();
    // SIGTERM, SIGKILL after `grace`; returns the exit code.
    int stop(std::chrono::milliseconds grace = std::chrono::seconds(15));
    // Stops it if it runs and starts it again on the same database (and the
    // same port when that is free).
    void restart();
    // The environment additions of the next start (restart()) onwards.
    void setEnvironment(HeaderList environment) { options_.environment = std::move(environment); }

    // What the server has written to stderr so far.
    std::string stderrText() const;

  private:
    void start(std::uint16_t port);

    ServerProcessOptions options_;
    std::unique_ptr<TempDirHolder> temp_;
    std::unique_ptr<PgTestDatabase> pg_;
    std::string dbUrl_;
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
    std::uint16_t port_ = 0;
    std::shared_ptr<ProcessOutput> output_;
};

// Runs the server executable with `args` until it exits (for start-up
// failures); kills it after `timeout`.
struct ProcessResult {
    int exitCode = -1;  // 128 + signal when killed by one
    std::string out, err;
    bool timedOut = false;
};
ProcessResult runServerToExit(const std::vector<std::string>& args,
                              std::chrono::milliseconds timeout = std::chrono::seconds(30),
                              const HeaderList& environment = {},
                              const std::string& executable = defaultServerExecutable());

}  // namespace confcred::testing
