#include "support/server_process.h"

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <fcntl.h>
#include <libpq-fe.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "support/temp_dir.h"
#include "support/wait_until.h"

extern char** environ;

namespace confcred::testing {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

std::string defaultServerExecutable() {
    if (const char* env = std::getenv("CONFCRED_SERVER_EXE"); env != nullptr && *env != '\0')
        return env;
#ifdef CONFCRED_SERVER_EXE
    return CONFCRED_SERVER_EXE;
#else
    return {};
#endif
}

// ---------------------------------------------------------------------------
// HttpClient

struct HttpClient::Impl {
    std::string host;
    std::uint16_t port;
    std::chrono::milliseconds timeout;
    HeaderList headers;
    net::io_context ioc;
    std::optional<beast::tcp_stream> stream;
    beast::flat_buffer buffer;

    // Runs the queued asynchronous work to its end; every operation carries
    // the stream's deadline, so this cannot hang.
    void run() {
        ioc.restart();
        ioc.run();
    }

    void connect() {
        stream.emplace(ioc);
        buffer.clear();
        // Reads take what the buffer holds: a big answer read 4 KiB at a
        // time costs several times what it does in 256 KiB reads.
        buffer.reserve(std::size_t{256} << 10);
        beast::error_code result;
        stream->expires_after(timeout);
        stream->async_connect(tcp::endpoint(net::ip::make_address(host), port),
                              [&](beast::error_code ec) { result = ec; });
        run();
        if (result) {
            stream.reset();
            throw std::runtime_error("cannot connect to " + host + ":" + std::to_string(port) +
                                     ": " + result.message());
        }
        stream->socket().set_option(tcp::no_delay(true));
    }

    // One exchange on the open connection; the error code tells what failed.
    beast::error_code exchange(http::request<http::string_body>& req, HttpReply& reply,
                               bool& sentAnything) {
        beast::error_code result;
        stream->expires_after(timeout);
        http::async_write(*stream, req, [&](beast::error_code ec, std::size_t) { result = ec; });
        run();
        if (result)
            return result;
        sentAnything = true;
        http::response_parser<http::string_body> parser;
        parser.body_limit(boost::none);
        stream->expires_after(timeout);
        http::async_read(*stream, buffer, parser,
                         [&](beast::error_code ec, std::size_t) { result = ec; });
        run();
        if (result)
            return result;
        auto res = parser.release();
        reply.status = res.result_int();
        reply.contentType = std::string(res[http::field::content_type]);
        for (const auto& field : res)
            reply.headers.emplace_back(std::string(field.name_string()),
                                       std::string(field.value()));
        reply.body = std::move(res.body());
        if (!res.keep_alive())
            stream.reset();
        return {};
    }
};

std::string HttpReply::header(std::string_view name) const {
    for (const auto& [key, value] : headers)
        if (beast::iequals(key, name))
            return value;
    return {};
}

HttpClient::HttpClient(std::string host, std::uint16_t port, std::chrono::milliseconds timeout)
    : impl_(std::make_unique<Impl>()) {
    impl_->host = std::move(host);
    impl_->port = port;
    impl_->timeout = timeout;
}

HttpClient::~HttpClient() = default;
HttpClient::HttpClient(HttpClient&&) noexcept = default;
HttpClient& HttpClient::operator=(HttpClient&&) noexcept = default;

void HttpClient::setHeader(std::string name, std::string value) {
    impl_->headers.emplace_back(std::move(name), std::move(value));
}

HttpReply HttpClient::request(std::string_view verb, std::string_view target, std::string_view body,
                              const HeaderList& headers) {
    http::request<http::string_body> req;
    req.method_string(verb);
    req.target(target);
    req.version(11);
    req.set(http::field::host, impl_->host + ":" + std::to_string(impl_->port));
    for (const auto& [name, value] : impl_->headers)
        req.set(name, value);
    for (const auto& [name, value] : headers)
        req.set(name, value);
    if (!body.empty() || verb == "POST") {
        req.set(http::field::content_type, "application/json");
        req.body() = std::string(body);
    }
    req.prepare_payload();

    // A kept-alive connection the server has closed meanwhile (idle time out,
    // restart) reads as ready: open a new one before sending. A request is
    // never sent twice, so a call that failed did not run behind the test's back.
    if (impl_->stream) {
        pollfd p{impl_->stream->socket().native_handle(), POLLIN, 0};
        if (poll(&p, 1, 0) != 0)
            impl_->stream.reset();
    }
    if (!impl_->stream)
        impl_->connect();
    HttpReply reply;
    bool sent = false;
    const beast::error_code ec = impl_->exchange(req, reply, sent);
    if (!ec)
        return reply;
    impl_->stream.reset();
    throw std::runtime_error(std::string(verb) + " " + std::string(target) + " on " + impl_->host +
                             ":" + std::to_string(impl_->port) + " failed" +
                             (sent ? " waiting for the answer: " : ": ") + ec.message());
}

HttpReply HttpClient::post(std::string_view method, std::string_view argsJson) {
    std::string body = "{\"args\":";
    body += argsJson;
    body += '}';
    return request("POST", "/" + std::string(kServerName) + "/" + std::string(method), body);
}

// ---------------------------------------------------------------------------
// PostgreSQL

std::vector<TestBackend> availableBackends() {
    std::vector<TestBackend> out{TestBackend::Sqlite};
    if (const char* pg = std::getenv("CONFCRED_TEST_PG"); pg != nullptr && *pg != '\0')
        out.push_back(TestBackend::Postgres);
    return out;
}

const char* backendName(TestBackend backend) {
    return backend == TestBackend::Sqlite ? "sqlite" : "postgres";
}

std::string pgUrlWithDatabase(const std::string& baseUrl, const std::string& database) {
    std::size_t start = 0;
    for (const char* scheme : {"postgresql://", "postgres://"}) {
        if (baseUrl.rfind(scheme, 0) == 0)
            start = std::strlen(scheme);
    }
    if (start == 0)
        throw std::runtime_error("CONFCRED_TEST_PG must be a postgresql:// URL, got '" + baseUrl +
                                 "'");
    const std::size_t authorityEnd = baseUrl.find_first_of("/?", start);
    const std::string head = baseUrl.substr(0, authorityEnd);
    std::string query;
    if (authorityEnd != std::string::npos) {
        const std::size_t q = baseUrl.find('?', authorityEnd);
        if (q != std::string::npos)
            query = baseUrl.substr(q);
    }
    return head + "/" + database + query;
}

namespace {

void runPg(const std::string& url, const std::string& sql) {
    PGconn* conn = PQconnectdb(url.c_str());
    const auto closeConn = [&] { PQfinish(conn); };
    if (PQstatus(conn) != CONNECTION_OK) {
        std::string message = PQerrorMessage(conn);
        closeConn();
        throw std::runtime_error("cannot connect to the test cluster: " + message);
    }
    PGresult* res = PQexec(conn, sql.c_str());
    const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    std::string message = ok ? "" : PQerrorMessage(conn);
    PQclear(res);
    closeConn();
    if (!ok)
        throw std::runtime_error(sql + ": " + message);
}

}  // namespace

PgTestDatabase::PgTestDatabase(const std::string& baseUrl) : baseUrl_(baseUrl) {
    static std::atomic<int> counter{0};
    name_ = "confcred_t" + std::to_string(getpid()) + "_" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000) +
            "_" + std::to_string(++counter);
    url_ = pgUrlWithDatabase(baseUrl, name_);
    runPg(baseUrl_, "CREATE DATABASE " + name_);
}

PgTestDatabase::~PgTestDatabase() {
    try {
        runPg(baseUrl_, "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
    } catch (const std::exception&) {
        // A leftover test database is no reason to fail the test run.
    }
}

// ---------------------------------------------------------------------------
// Processes

namespace {

struct Spawned {
    pid_t pid = -1;
    int out = -1, err = -1;
};

Spawned spawn(const std::string& exe, const std::vector<std::string>& args,
              const HeaderList& environment) {
    if (exe.empty())
        throw std::runtime_error("no confcred-server executable (CONFCRED_SERVER_EXE)");
    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls.
    std::vector<std::string> argStore{exe};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [n, v] : environment)
            replaced = replaced || n == name;
        if (!replaced)
            envStore.push_back(entry);
    }
    for (const auto& [n, v] : environment)
        envStore.push_back(n + "=" + v);
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        throw std::runtime_error("pipe failed");
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // A server must not outlive a test that crashed.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        throw std::runtime_error("fork failed");
    }
    return {pid, outPipe[0], errPipe[0]};
}

int exitCodeOf(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds timeout) {
    std::optional<int> code;
    waitUntil(
        [&] {
            int status = 0;
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid)
                code = exitCodeOf(status);
            else if (done < 0)
                code = -1;
            return code.has_value();
        },
        timeout);
    return code;
}

}  // namespace

// The child's stdout and stderr, read by a thread of their own until both
// pipes close, so a talkative server never blocks on a full pipe.
struct ProcessOutput {
    std::mutex mutex;
    std::condition_variable changed;
    std::string out, err;
    bool done = false;
    std::thread reader;

    ProcessOutput(int outFd, int errFd) {
        reader = std::thread([this, outFd, errFd] { readAll(outFd, errFd); });
    }
    ~ProcessOutput() { finish(); }

    // Waits for the reader; call once the process has ended.
    void finish() {
        if (reader.joinable())
            reader.join();
    }

    void readAll(int outFd, int errFd) {
        pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
        int open = 2;
        char chunk[8192];
        while (open > 0) {
            if (poll(fds, 2, -1) < 0 && errno != EINTR)
                break;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
                if (n <= 0) {
                    close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                    continue;
                }
                std::lock_guard lock(mutex);
                (i == 0 ? out : err).append(chunk, static_cast<std::size_t>(n));
                changed.notify_all();
            }
        }
        std::lock_guard lock(mutex);
        done = true;
        changed.notify_all();
    }
};

struct TempDirHolder {
    TempDir dir;
};

ServerProcess::ServerProcess(ServerProcessOptions options) : options_(std::move(options)) {
    if (!options_.dbUrl.empty()) {
        dbUrl_ = options_.dbUrl;
    } else if (options_.backend == TestBackend::Postgres) {
        const char* base = std::getenv("CONFCRED_TEST_PG");
        if (base == nullptr || *base == '\0')
            throw std::runtime_error("PostgreSQL asked for, but CONFCRED_TEST_PG is not set");
        pg_ = std::make_unique<PgTestDatabase>(base);
        dbUrl_ = pg_->url();
    } else {
        temp_ = std::make_unique<TempDirHolder>();
        dbUrl_ = "sqlite:" + (temp_->dir.path() / "confcred.db").string();
    }
    start(0);
}

ServerProcess::~ServerProcess() {
    try {
        stop();
    } catch (...) {
    }
}

void ServerProcess::start(std::uint16_t port) {
    std::vector<std::string> args{"--listen", "127.0.0.1:" + std::to_string(port), "--db", dbUrl_};
    args.insert(args.end(), options_.extraArgs.begin(), options_.extraArgs.end());
    const Spawned child = spawn(options_.executable, args, options_.environment);
    pid_ = child.pid;
    exitCode_.reset();
    output_ = std::make_shared<ProcessOutput>(child.out, child.err);

    static constexpr std::string_view kReady = "confcred-server listening on ";
    std::unique_lock lock(output_->mutex);
    const bool ready = output_->changed.wait_for(lock, options_.startTimeout, [&] {
        return output_->done || output_->out.find('\n') != std::string::npos;
    });
    const std::string firstLine = output_->out.substr(0, output_->out.find('\n'));
    const std::string err = output_->err;
    lock.unlock();
    const auto colon = firstLine.rfind(':');
    if (ready && firstLine.rfind(kReady, 0) == 0 && colon != std::string::npos) {
        port_ = static_cast<std::uint16_t>(std::stoi(firstLine.substr(colon + 1)));
        return;
    }
    ::kill(pid_, SIGKILL);
    exitCode_ = waitFor(pid_, std::chrono::seconds(10));
    output_.reset();
    throw std::runtime_error(
        std::string(ready ? "confcred-server did not start" : "confcred-server not ready in time") +
        " (db " + dbUrl_ + "); stdout: '" + firstLine + "'; stderr: " + err);
}

HttpReply ServerProcess::post(std::string_view method, std::string_view argsJson) const {
    return client().post(method, argsJson);
}

HttpReply ServerProcess::get(std::string_view target) const {
    return client().get(target);
}

HttpClient ServerProcess::client() const {
    return HttpClient("127.0.0.1", port_);
}

void ServerProcess::kill(int signal) {
    if (pid_ > 0 && !exitCode_)
        ::kill(pid_, signal);
}

std::optional<int> ServerProcess::wait(std::chrono::milliseconds timeout) {
    if (pid_ > 0 && !exitCode_) {
        exitCode_ = waitFor(pid_, timeout);
        if (exitCode_ && output_)
            output_->finish();  // the pipes are closed by now
    }
    return exitCode_;
}

bool ServerProcess::running() {
    return pid_ > 0 && !wait(std::chrono::milliseconds(0));
}

int ServerProcess::stop(std::chrono::milliseconds grace) {
    if (pid_ <= 0)
        return -1;
    if (!exitCode_) {
        ::kill(pid_, SIGTERM);
        if (!wait(grace)) {
            ::kill(pid_, SIGKILL);
            wait(std::chrono::seconds(30));
        }
    }
    return exitCode_.value_or(-1);
}

void ServerProcess::restart() {
    const std::uint16_t previous = port_;
    stop();
    try {
        start(previous);
    } catch (const std::runtime_error&) {
        start(0);  // someone else took the port meanwhile
    }
}

std::string ServerProcess::stderrText() const {
    if (!output_)
        return {};
    std::lock_guard lock(output_->mutex);
    return output_->err;
}

ProcessResult runServerToExit(const std::vector<std::string>& args,
                              std::chrono::milliseconds timeout, const HeaderList& environment,
                              const std::string& executable) {
    const Spawned child = spawn(executable, args, environment);
    ProcessResult result;
    auto output = std::make_unique<ProcessOutput>(child.out, child.err);
    std::optional<int> code = waitFor(child.pid, timeout);
    if (!code) {
        result.timedOut = true;
        ::kill(child.pid, SIGKILL);
        code = waitFor(child.pid, std::chrono::seconds(10));
    }
    output->finish();  // the pipes are closed once the process has ended
    result.out = output->out;
    result.err = output->err;
    result.exitCode = code.value_or(-1);
    return result;
}

}  // namespace confcred::testing
