// The HTTP/1.1 endpoint of the application server object rdmConfCredBanc:
// POST /<server name>/<method> with {"args": [...]}, GET /health.
// docs/protocol.md is the reference for clients.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "server/methods/rpc.h"

namespace confcred::server::trust {
class SessionGate;
}

namespace confcred::server::http {

// The names the object answers to; compared without regard to case.
inline constexpr const char* kServerNames[] = {"lun90000.rdmConfCredBanc",
                                               "Lun90000.rdmConfCredBanc"};

struct HttpServerOptions {
    std::string host = "127.0.0.1";
    std::uint16_t port = 8211;  // 0: any free port
    // Threads that read requests and write answers; they never run a call.
    int threads = 0;  // 0: the hardware's concurrency, at least 2
    // Threads that run the calls, so that a long import or batch never keeps
    // /health or a small call from being answered.
    int workers = 0;  // 0: the hardware's concurrency, at least 4
    std::size_t maxBodyBytes = std::size_t{64} << 20;
    std::size_t maxHeaderBytes = std::size_t{16} << 10;
    // Request bodies being read or run share this much memory; a request whose
    // declared length would pass it is answered 503 before its body is read.
    std::size_t bodyBudgetBytes = std::size_t{256} << 20;
    // The head (request line and headers) must arrive within this time, from
    // its first byte; a new connection must send it within this time too.
    std::chrono::milliseconds headerTimeout{std::chrono::seconds(10)};
    // Headers and body of one request must arrive within this time, however
    // slowly the bytes trickle in.
    std::chrono::milliseconds requestTimeout{std::chrono::seconds(30)};
    // A kept-alive connection may wait this long for its next request.
    std::chrono::milliseconds idleTimeout{std::chrono::seconds(30)};
    // Writing one answer may take this long (a client that stops reading).
    std::chrono::milliseconds writeTimeout{std::chrono::seconds(60)};
    // Connections beyond either cap are closed as soon as they are accepted.
    std::size_t maxConnections = 1000;
    std::size_t maxConnectionsPerAddress = 64;
    // When not empty, every request but /health carries "Authorization: Bearer <token>".
    std::string token;
    // When set and it says sessions are in force, every request but /health
    // and POST /session carries a session instead, and the token is not asked.
    std::shared_ptr<trust::SessionGate> sessions;
    // Peers whose X-Forwarded-For is believed (a balancer, a proxy): for a
    // request from one of them the client's address, for the slowing of
    // failed logins and the log, is the last address that header names.
    // From any other peer the header is ignored.
    std::vector<std::string> trustedProxies;
    bool verbose = false;  // one line per request on stderr
    // When set, every connection speaks TLS with this certificate chain and
    // key (PEM files); the handshake counts against the head's time.
    std::string tlsCertFile;
    std::string tlsKeyFile;
};

class HttpServer {
  public:
    // `methods` must outlive the server and not change once it has started.
    HttpServer(const methods::MethodTable& methods, HttpServerOptions options);
    ~HttpServer();  // stop()
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and listens; connections wait in the backlog until start().
    // Throws std::runtime_error "cannot listen on HOST:PORT: reason".
    void listen();
    // Starts the network and worker threads and accepting (listens first if needed).
    void start();
    // Stops accepting, closes idle connections, lets running calls finish and
    // write their answers, then joins the threads. Safe to call twice.
    void stop();
    // Reads the TLS certificate and key files again; new connections use them,
    // open ones keep theirs. Throws std::runtime_error (the old pair stays)
    // when the files cannot be used. Nothing to do without TLS.
    void reloadTls();

    // The bound address, with the real port once listening.
    std::string host() const;
    std::uint16_t port() const;
    std::string address() const;  // HOST:PORT, [HOST]:PORT for IPv6

    int threadCount() const;  // network threads
    int workerCount() const;

    class Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace confcred::server::http
