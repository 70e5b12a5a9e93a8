#include "server/http/http_server.h"

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <type_traits>
#include <unordered_map>

#include "platform/assert.h"
#include "server/http/call_codec.h"
#include "server/http/http_routes.h"
#include "server/http/metrics.h"
#include "server/http/session_routes.h"
#include "server/http/tls_context.h"
#include "server/trust/sessions.h"

namespace confcred::server::http {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

constexpr std::size_t kBigBody = std::size_t{256} << 10;
// A call whose body reaches this runs on the bulk workers, this many of them,
// at this nice value (the small calls' threads stay at 0). At nice 5 a bulk
// call running on a core still often kept it from a small call's thread that
// woke there, so that one small call in a hundred waited several times its
// time during an import; at 19 the woken thread takes the core, and the bulk
// call still has every moment the small calls leave.
constexpr std::size_t kBulkBodyBytes = std::size_t{1} << 20;
constexpr std::size_t kBulkWorkers = 2;
constexpr int kBulkNice = 19;
// What a client refused for want of body memory is told to wait, in seconds.
constexpr int kRetryAfterSeconds = 2;

int orDefault(int configured, int atLeast) {
    return configured > 0
               ? configured
               : std::max(atLeast, static_cast<int>(std::thread::hardware_concurrency()));
}

std::string endpointText(const tcp::endpoint& ep) {
    const auto address = ep.address();
    const std::string host = address.to_string();
    return (address.is_v6() ? "[" + host + "]" : host) + ":" + std::to_string(ep.port());
}

std::string nowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

}  // namespace

// A connection as the server keeps it, whatever stream it reads.
class Connection : public std::enable_shared_from_this<Connection> {
  public:
    virtual ~Connection() = default;
    virtual void run() = 0;
    // Closes the connection on its own strand; a running call still answers.
    virtual void stopOnStrand() = 0;
    // The TLS context the connection's stream was made with: held here, in
    // the base, so that it outlives the stream when SIGHUP replaces it.
    std::shared_ptr<const void> tlsContext;
};

class HttpServer::Impl {
  public:
    Impl(const methods::MethodTable& methods, HttpServerOptions options)
        : methods_(methods),
          options_(std::move(options)),
          acceptor_(net::make_strand(ioc_)),
          retry_(acceptor_.get_executor()) {}

    void listen();
    void start();
    void stop();
    void reloadTls();

    // Never throws; runs on a worker (a call) or a network thread (/health).
    Response handle(Request& request, const std::string& remote) noexcept;
    void logLine(const std::string& remote, const Request* request, unsigned status,
                 std::uint64_t bytes, std::chrono::steady_clock::duration took) const;

    // Hands a call to the workers. The network threads keep running until the
    // call has posted its answer back to its connection. A bulk call (a body
    // of a megabyte or more: an import, a bank return) runs on workers of its
    // own at a lower priority, so the small calls of everyone else keep their
    // workers and get the processor first while it runs.
    void runCall(std::function<void()> call, bool bulk);

    // The memory budget of request bodies: false when `bytes` more would pass it.
    bool reserveBody(std::size_t bytes);
    void releaseBody(std::size_t bytes) {
        [[maybe_unused]] const std::size_t held = bodyBytes_.fetch_sub(bytes);
        CONFCRED_ASSERT_MSG(held >= bytes, "a body gave back more budget than it held");
    }

    void removed(Connection* session, const std::string& address);
    bool stopping() const { return stopping_.load(); }

    const HttpServerOptions& options() const { return options_; }
    tcp::endpoint bound() const { return bound_; }
    int threadCount() const { return threadCount_; }
    int workerCount() const { return workerCount_; }

  private:
    void accept();
    void admit(tcp::socket socket);
    void runLoop();

    const methods::MethodTable& methods_;
    HttpServerOptions options_;
    net::io_context ioc_;
    tcp::acceptor acceptor_;
    net::steady_timer retry_;
    tcp::endpoint bound_;
    bool listening_ = false;
    int threadCount_ = 0;
    int workerCount_ = 0;
    std::vector<std::thread> threads_;
    // Declared after the io_context: joined in stop(), gone before it.
    std::optional<net::thread_pool> workers_;
    std::optional<net::thread_pool> bulkWorkers_;
    // Set when the server was given a certificate: every connection is TLS.
    // A reload puts a new context here; connections keep the one they began with.
    std::mutex tlsMutex_;
    std::shared_ptr<net::ssl::context> tls_;
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> bodyBytes_{0};
    std::mutex sessionsMutex_;
    std::unordered_map<Connection*, std::weak_ptr<Connection>> sessions_;
    std::unordered_map<std::string, std::size_t> perAddress_;
};

// The share of the body budget one request holds, given back when the body
// is no longer needed or the connection goes.
class BodyLease {
  public:
    explicit BodyLease(HttpServer::Impl& server) : server_(server) {}
    ~BodyLease() { clear(); }
    BodyLease(const BodyLease&) = delete;
    BodyLease& operator=(const BodyLease&) = delete;

    bool grow(std::size_t bytes) {
        if (!server_.reserveBody(bytes))
            return false;
        bytes_ += bytes;
        return true;
    }
    void clear() {
        server_.releaseBody(bytes_);
        bytes_ = 0;
    }

  private:
    HttpServer::Impl& server_;
    std::size_t bytes_ = 0;
};

// One connection: reads requests one at a time and answers each, until the
// client closes, a limit is broken or the server stops. All its handlers run
// on the connection's strand; the call itself runs on a worker thread, and
// its answer comes back to the strand. `Stream` is a plain TCP stream or a TLS
// stream over one: the limits hold alike on both, on the TCP layer.
template <class Stream>
class HttpConnection final : public Connection {
    static constexpr bool kTls = !std::is_same_v<Stream, beast::tcp_stream>;

  public:
    template <class... StreamArgs>
    HttpConnection(HttpServer::Impl& server, std::string remote, std::string address,
                   tcp::socket socket, StreamArgs&... streamArgs)
        : server_(server),
          stream_(std::move(socket), streamArgs...),
          remote_(std::move(remote)),
          address_(std::move(address)),
          body_(server) {}
    ~HttpConnection() override { server_.removed(this, address_); }

    void run() override {
        net::dispatch(stream_.get_executor(), [self = shared()] {
            if constexpr (kTls)
                self->handshake();
            else
                self->waitForRequest();
        });
    }
    void stopOnStrand() override {
        net::post(stream_.get_executor(), [self = shared()] { self->stopping(); });
    }

  private:
    std::shared_ptr<HttpConnection> shared() {
        return std::static_pointer_cast<HttpConnection>(shared_from_this());
    }
    beast::tcp_stream& tcp() { return beast::get_lowest_layer(stream_); }

    // The handshake and the first request's head share the head's time: a
    // client that never finishes its handshake holds its slot no longer than
    // one that never sends a head.
    void handshake() {
        tcp().expires_at(accepted_ + server_.options().headerTimeout);
        stream_.async_handshake(net::ssl::stream_base::server,
                                [self = shared()](beast::error_code ec) {
                                    if (ec)
                                        return self->close();
                                    self->waitForRequest();
                                });
    }

    // On the strand, when the server stops: a running call still answers.
    void stopping() {
        if (state_ == State::Writing || state_ == State::Calling)
            closeAfterWrite_ = true;
        else if (state_ != State::Closed)
            close();
    }

    enum class State { Waiting, Reading, Calling, Writing, Draining, Closed };

    void waitForRequest();
    void readHeader();
    void onHeader(beast::error_code ec);
    enum class SessionCheck { Valid, Unknown, DatabaseDown };
    void sessionChecked(SessionCheck outcome);
    void admitBody();
    void refuseTooLarge(std::size_t limit);
    void readBody();
    void onBody(beast::error_code ec);
    void called(Response response);
    void onChunkHeader(std::uint64_t size, beast::error_code& ec);
    void onReadError(beast::error_code ec);
    void refuseForMemory();
    void answer(Response response, bool close);
    void onWritten(beast::error_code ec, std::size_t bytes);
    void drainAndClose();
    void drainSome();
    void close();

    HttpServer::Impl& server_;
    Stream stream_;
    std::string remote_;   // HOST:PORT, for the log
    std::string address_;  // HOST, for the cap per address
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::function<void(std::uint64_t, beast::string_view, beast::error_code&)> chunkHeader_ =
        [this](std::uint64_t size, beast::string_view, beast::error_code& ec) {
            onChunkHeader(size, ec);
        };
    std::optional<Request> request_;
    BodyLease body_;
    bool overBudget_ = false;
    std::size_t bodyLimit_ = 0;  // of the request being read
    Response response_;
    State state_ = State::Waiting;
    bool closeAfterWrite_ = false;
    bool firstRequest_ = true;
    std::chrono::steady_clock::time_point started_;
    const std::chrono::steady_clock::time_point accepted_ = std::chrono::steady_clock::now();
    std::array<char, 4096> scratch_{};
    std::size_t drained_ = 0;
};

template <class Stream>
void HttpConnection<Stream>::waitForRequest() {
    if (server_.stopping())
        return close();
    state_ = State::Waiting;
    request_.reset();
    body_.clear();
    if (buffer_.size() > 0)  // the client sent its next request early
        return readHeader();
    // A kept-alive connection may wait the idle time for its next request; a
    // new one that says nothing is closed as soon as a head would be late.
    const auto& options = server_.options();
    if (firstRequest_)
        tcp().expires_at(accepted_ + std::min(options.idleTimeout, options.headerTimeout));
    else
        tcp().expires_after(options.idleTimeout);
    stream_.async_read_some(buffer_.prepare(4096),
                            [self = shared()](beast::error_code ec, std::size_t n) {
                                if (ec)
                                    return self->close();
                                self->buffer_.commit(n);
                                self->readHeader();
                            });
}

template <class Stream>
void HttpConnection<Stream>::readHeader() {
    const auto& options = server_.options();
    state_ = State::Reading;
    firstRequest_ = false;
    overBudget_ = false;
    started_ = std::chrono::steady_clock::now();
    parser_.emplace();
    parser_->body_limit(options.maxBodyBytes);
    bodyLimit_ = options.maxBodyBytes;
    parser_->header_limit(
        static_cast<std::uint32_t>(std::min<std::size_t>(options.maxHeaderBytes, UINT32_MAX)));
    parser_->on_chunk_header(chunkHeader_);
    // From its first byte, the head has the header time and the whole request
    // the request time, however slowly the bytes trickle in.
    tcp().expires_after(std::min(options.headerTimeout, options.requestTimeout));
    http::async_read_header(
        stream_, buffer_, *parser_,
        [self = shared()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
}

template <class Stream>
void HttpConnection<Stream>::onHeader(beast::error_code ec) {
    if (ec)
        return onReadError(ec);
    // Whatever needs only the head is settled before a byte of the body is
    // read: a client without authorisation never costs the server its body.
    // A body whose end is in doubt closes the connection: its bytes are never
    // read as a request of their own.
    if (auto refused = framingFailure(parser_->get()))
        return answer(std::move(*refused), true);
    if (auto refused = authorisationFailure(parser_->get(), server_.options()))
        return answer(std::move(*refused), true);
    if (isLogin(parser_->get())) {
        // Whoever logs in is not known yet: a login's body is small or refused.
        if (const auto length = parser_->content_length(); length && *length > kMaxLoginBodyBytes)
            return refuseTooLarge(kMaxLoginBodyBytes);
        parser_->body_limit(kMaxLoginBodyBytes);
        bodyLimit_ = kMaxLoginBodyBytes;
    }
    // The session a head names must be one this server saw valid lately, or
    // be found in the database first (on a worker: the network thread never
    // waits for it). Only then is body budget reserved and the body read, so
    // a made-up token costs the server neither.
    const std::string_view bearer = bearerToConfirm(parser_->get(), server_.options());
    if (bearer.empty() || server_.options().sessions->knownLately(bearer))
        return admitBody();
    state_ = State::Calling;
    server_.runCall(
        [self = shared(), strand = stream_.get_executor(), token = std::string(bearer)] {
            SessionCheck outcome = SessionCheck::Unknown;
            try {
                if (self->server_.options().sessions->caller(token))
                    outcome = SessionCheck::Valid;
            } catch (const std::exception&) {
                outcome = SessionCheck::DatabaseDown;
            }
            net::post(strand, [self, outcome] { self->sessionChecked(outcome); });
        },
        false);
}

template <class Stream>
void HttpConnection<Stream>::sessionChecked(SessionCheck outcome) {
    if (state_ == State::Closed)
        return;
    if (closeAfterWrite_ || server_.stopping())
        return close();
    const unsigned version = parser_->get().version();
    if (outcome == SessionCheck::Unknown)
        return answer(sessionExpired(version), true);
    if (outcome == SessionCheck::DatabaseDown)
        return answer(databaseUnavailable(version), true);
    state_ = State::Reading;
    admitBody();
}

template <class Stream>
void HttpConnection<Stream>::admitBody() {
    if (const auto length = parser_->content_length(); length && *length > 0) {
        // Room for the JSON reader's padding, so the body is read in place later.
        const std::size_t bytes = static_cast<std::size_t>(*length) + kBodyPadding;
        if (!body_.grow(bytes))
            return refuseForMemory();
        parser_->get().body().reserve(bytes);
        // The reads take what the buffer can hold; a big body in 4 KiB reads
        // costs several times the time of one in 256 KiB reads.
        if (*length > kBigBody)
            buffer_.reserve(kBigBody);
    } else if (parser_->chunked()) {
        buffer_.reserve(kBigBody);  // chunks take their budget as they are announced
    }
    tcp().expires_at(started_ + server_.options().requestTimeout);
    if (parser_->is_done())
        return onBody({});
    if (beast::iequals(parser_->get()[http::field::expect], "100-continue")) {
        auto cont = std::make_shared<http::response<http::empty_body>>(http::status::continue_, 11);
        return http::async_write(stream_, *cont,
                                 [self = shared(), cont](beast::error_code e, std::size_t) {
                                     if (e)
                                         return self->close();
                                     self->readBody();
                                 });
    }
    readBody();
}

template <class Stream>
void HttpConnection<Stream>::onChunkHeader(std::uint64_t size, beast::error_code& ec) {
    if (size > 0 && !body_.grow(static_cast<std::size_t>(size))) {
        overBudget_ = true;
        ec = net::error::no_buffer_space;
    }
}

template <class Stream>
void HttpConnection<Stream>::readBody() {
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared()](beast::error_code ec, std::size_t) { self->onBody(ec); });
}

template <class Stream>
void HttpConnection<Stream>::onBody(beast::error_code ec) {
    if (ec)
        return onReadError(ec);
    request_.emplace(parser_->release());
    parser_.reset();
    if (answersWithoutCall(*request_))
        return answer(server_.handle(*request_, address_), !request_->keep_alive());
    // The call runs on a worker; this connection waits without holding a
    // network thread, and a slow client never holds a worker.
    state_ = State::Calling;
    const bool bulk = request_->body().size() >= kBulkBodyBytes;
    server_.runCall(
        [self = shared(), strand = stream_.get_executor()] {
            Response response = self->server_.handle(*self->request_, self->address_);
            net::post(strand, [self, response = std::move(response)]() mutable {
                self->called(std::move(response));
            });
        },
        bulk);
}

template <class Stream>
void HttpConnection<Stream>::called(Response response) {
    // The body has served its purpose: its memory and budget go back now.
    std::string().swap(request_->body());
    body_.clear();
    if (state_ == State::Closed)
        return;
    answer(std::move(response), !request_->keep_alive());
}

template <class Stream>
void HttpConnection<Stream>::refuseForMemory() {
    auto res = errorResponse(http::status::service_unavailable, parser_->get().version(),
                             "O servidor está recebendo requisições demais ao mesmo tempo; tente "
                             "novamente em instantes.");
    res.set(http::field::retry_after, std::to_string(kRetryAfterSeconds));
    answer(std::move(res), true);
}

template <class Stream>
void HttpConnection<Stream>::refuseTooLarge(std::size_t limit) {
    answer(errorResponse(
               http::status::payload_too_large, 11,
               "A requisição excede o tamanho máximo de " + std::to_string(limit) + " bytes."),
           true);
}

template <class Stream>
void HttpConnection<Stream>::onReadError(beast::error_code ec) {
    const auto& options = server_.options();
    if (overBudget_)
        return refuseForMemory();
    if (ec == http::error::body_limit)
        return refuseTooLarge(bodyLimit_);
    if (ec == http::error::header_limit) {
        return answer(errorResponse(http::status::request_header_fields_too_large, 11,
                                    "Os cabeçalhos da requisição excedem o tamanho máximo de " +
                                        std::to_string(options.maxHeaderBytes) + " bytes."),
                      true);
    }
    if (ec.category() == make_error_code(http::error::end_of_stream).category() &&
        ec != http::error::end_of_stream && ec != http::error::partial_message) {
        // The bytes are not HTTP: say so before closing.
        return answer(errorResponse(http::status::bad_request, 11,
                                    "Requisição HTTP inválida: " + ec.message()),
                      true);
    }
    // Closed by the client, cut off, or too slow (the stream is closed by then).
    if (server_.options().verbose && ec != http::error::end_of_stream)
        server_.logLine(remote_, nullptr, 0, 0, std::chrono::steady_clock::now() - started_);
    close();
}

template <class Stream>
void HttpConnection<Stream>::answer(Response response, bool closeAfter) {
    state_ = State::Writing;
    // Refusals of who may call go to the log (a login's own lines say more).
    const unsigned status = response.result_int();
    if (status == 401 || status == 403 || status == 429) {
        const Request* head = request_ ? &*request_ : parser_ ? &parser_->get() : nullptr;
        if (head == nullptr || !isLogin(*head)) {
            const std::string client =
                head ? clientAddress(*head, address_, server_.options()) : address_;
            const std::string_view named =
                head ? (*head)["X-Confcred-Operator"] : std::string_view();
            Metrics::process().refused(
                static_cast<int>(status), client, named,
                std::string(head ? std::string_view(head->target()).substr(0, 200) : "") + ": " +
                    response.body().head.substr(0, 300));
        }
    }
    closeAfterWrite_ = closeAfterWrite_ || closeAfter || server_.stopping();
    response_ = std::move(response);
    response_.keep_alive(!closeAfterWrite_);
    response_.prepare_payload();
    tcp().expires_after(server_.options().writeTimeout);
    http::async_write(
        stream_, response_,
        [self = shared()](beast::error_code ec, std::size_t bytes) { self->onWritten(ec, bytes); });
}

template <class Stream>
void HttpConnection<Stream>::onWritten(beast::error_code ec, std::size_t bytes) {
    if (server_.options().verbose) {
        server_.logLine(remote_, request_ ? &*request_ : nullptr, response_.result_int(), bytes,
                        std::chrono::steady_clock::now() - started_);
    }
    response_.body() = {};
    if (ec)
        return close();
    if (closeAfterWrite_)
        return drainAndClose();
    waitForRequest();
}

// Closing a socket that still has unread bytes resets the connection, and the
// client may then lose the answer just sent (a 413 while it is still sending
// its body). So stop sending, read and drop what still comes for a moment,
// and close after that.
template <class Stream>
void HttpConnection<Stream>::drainAndClose() {
    state_ = State::Draining;
    if constexpr (kTls) {
        // close_notify first; the shutdown then reads and drops what the
        // client still sends until its own close_notify, or the time is up.
        tcp().expires_after(std::chrono::seconds(2));
        return stream_.async_shutdown([self = shared()](beast::error_code) { self->close(); });
    }
    beast::error_code failed;
    tcp().socket().shutdown(tcp::socket::shutdown_send, failed);
    if (failed)
        return close();
    tcp().expires_after(std::chrono::seconds(2));
    drainSome();
}

template <class Stream>
void HttpConnection<Stream>::drainSome() {
    stream_.async_read_some(net::buffer(scratch_),
                            [self = shared()](beast::error_code e, std::size_t n) {
                                self->drained_ += n;
                                if (e || self->drained_ > (std::size_t{8} << 20))
                                    return self->close();
                                self->drainSome();
                            });
}

template <class Stream>
void HttpConnection<Stream>::close() {
    state_ = State::Closed;
    beast::error_code ignored;
    tcp().socket().shutdown(tcp::socket::shutdown_both, ignored);
    tcp().close();
}

// ---------------------------------------------------------------------------

void HttpServer::Impl::listen() {
    if (listening_)
        return;
    // A certificate that cannot be used fails here, before anything is bound.
    if (!options_.tlsCertFile.empty() && !tls_)
        tls_ = std::make_shared<net::ssl::context>(
            makeServerTlsContext(options_.tlsCertFile, options_.tlsKeyFile));
    const std::string where = options_.host + ":" + std::to_string(options_.port);
    try {
        net::ip::address address;
        beast::error_code ec;
        address = net::ip::make_address(options_.host, ec);
        if (ec) {
            tcp::resolver resolver(ioc_);
            auto results = resolver.resolve(options_.host, std::to_string(options_.port));
            if (results.empty())
                throw std::runtime_error("host not found");
            address = results.begin()->endpoint().address();
        }
        const tcp::endpoint endpoint(address, options_.port);
        acceptor_.open(endpoint.protocol());
        acceptor_.set_option(net::socket_base::reuse_address(true));
        acceptor_.bind(endpoint);
        acceptor_.listen(net::socket_base::max_listen_connections);
        bound_ = acceptor_.local_endpoint();
        listening_ = true;
    } catch (const std::exception& e) {
        beast::error_code ignored;
        acceptor_.close(ignored);
        throw std::runtime_error("cannot listen on " + where + ": " + e.what());
    }
}

void HttpServer::Impl::start() {
    listen();
    if (!threads_.empty())
        return;
    // Bodies and answers of a megabyte or more get memory of their own, given
    // back to the system as soon as they are freed: otherwise the allocator
    // raises this bound as large blocks come and go, keeps them in its heap,
    // and a flood of bodies leaves the process hundreds of megabytes larger.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(kBulkBodyBytes));
    threadCount_ = orDefault(options_.threads, 2);
    workerCount_ = orDefault(options_.workers, 4);
    workers_.emplace(static_cast<std::size_t>(workerCount_));
    bulkWorkers_.emplace(kBulkWorkers);
    net::post(acceptor_.get_executor(), [this] { accept(); });
    for (int i = 0; i < threadCount_; ++i)
        threads_.emplace_back([this] { runLoop(); });
}

Response HttpServer::Impl::handle(Request& request, const std::string& remote) noexcept {
    try {
        return routeRequest(request, methods_, options_, remote);
    } catch (const std::exception& e) {  // building the answer itself failed
        return errorResponse(http::status::internal_server_error, 11,
                             std::string("Erro interno do servidor: ") + e.what());
    } catch (...) {
        return errorResponse(http::status::internal_server_error, 11, "Erro interno do servidor.");
    }
}

void HttpServer::Impl::runCall(std::function<void()> call, bool bulk) {
    net::post(bulk ? *bulkWorkers_ : *workers_,
              [call = std::move(call), bulk, work = net::make_work_guard(ioc_)] {
                  // Linux gives each thread its own nice value; a bulk worker only ever
                  // lowers its own, once, and needs no privilege for that.
                  if (bulk && getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())) < kBulkNice)
                      setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kBulkNice);
                  try {
                      call();
                  } catch (const std::exception& e) {
                      // Out of memory while answering: that connection is lost, the
                      // server goes on.
                      std::fprintf(stderr, "confcred-server: internal error: %s\n", e.what());
                  }
              });
}

bool HttpServer::Impl::reserveBody(std::size_t bytes) {
    std::size_t held = bodyBytes_.load();
    do {
        if (bytes > options_.bodyBudgetBytes || held > options_.bodyBudgetBytes - bytes)
            return false;
    } while (!bodyBytes_.compare_exchange_weak(held, held + bytes));
    return true;
}

void HttpServer::Impl::runLoop() {
    for (;;) {
        try {
            ioc_.run();
            return;
        } catch (const std::exception& e) {
            // A handler failed outside any call (out of memory, ...): that
            // connection is lost, the server goes on.
            std::fprintf(stderr, "confcred-server: internal error: %s\n", e.what());
        }
    }
}

void HttpServer::Impl::accept() {
    acceptor_.async_accept(net::make_strand(ioc_),
                           [this](beast::error_code ec, tcp::socket socket) {
                               if (ec == net::error::operation_aborted || !acceptor_.is_open())
                                   return;
                               if (ec) {
                                   // Out of descriptors or the like: try again shortly instead of
                                   // spinning.
                                   retry_.expires_after(std::chrono::milliseconds(50));
                                   retry_.async_wait([this](beast::error_code e) {
                                       if (!e && acceptor_.is_open())
                                           accept();
                                   });
                                   return;
                               }
                               if (!stopping_)
                                   admit(std::move(socket));
                               accept();
                           });
}

// Beyond either cap the socket is closed at once: one client address holding
// many connections leaves room for the others.
void HttpServer::Impl::admit(tcp::socket socket) {
    beast::error_code ignored;
    const auto remote = socket.remote_endpoint(ignored);
    std::string address = remote.address().to_string();
    {
        std::lock_guard lock(sessionsMutex_);
        auto& fromAddress = perAddress_[address];
        if (sessions_.size() >= options_.maxConnections ||
            fromAddress >= options_.maxConnectionsPerAddress) {
            if (fromAddress == 0)
                perAddress_.erase(address);
            return;
        }
        ++fromAddress;
    }
    // Small answers go out at once instead of waiting for an ACK (about 40 ms
    // per request on a kept-alive connection otherwise).
    socket.set_option(tcp::no_delay(true), ignored);
    std::shared_ptr<Connection> session;
    std::shared_ptr<net::ssl::context> tls;
    {
        std::lock_guard lock(tlsMutex_);
        tls = tls_;
    }
    if (tls) {
        session = std::make_shared<HttpConnection<beast::ssl_stream<beast::tcp_stream>>>(
            *this, endpointText(remote), std::move(address), std::move(socket), *tls);
        session->tlsContext = std::move(tls);
    } else
        session = std::make_shared<HttpConnection<beast::tcp_stream>>(
            *this, endpointText(remote), std::move(address), std::move(socket));
    {
        std::lock_guard lock(sessionsMutex_);
        sessions_.emplace(session.get(), session);
    }
    session->run();
}

void HttpServer::Impl::reloadTls() {
    if (options_.tlsCertFile.empty())
        return;
    // Read whole before it replaces anything: a bad new file keeps the old pair.
    auto fresh = std::make_shared<net::ssl::context>(
        makeServerTlsContext(options_.tlsCertFile, options_.tlsKeyFile));
    std::lock_guard lock(tlsMutex_);
    tls_ = std::move(fresh);
}

void HttpServer::Impl::stop() {
    if (stopping_.exchange(true))
        return;
    if (threads_.empty()) {
        beast::error_code ignored;
        acceptor_.close(ignored);
        return;
    }
    net::post(acceptor_.get_executor(), [this] {
        beast::error_code ignored;
        acceptor_.close(ignored);
        retry_.cancel();
    });
    std::vector<std::shared_ptr<Connection>> live;
    {
        std::lock_guard lock(sessionsMutex_);
        for (auto& [raw, weak] : sessions_) {
            if (auto session = weak.lock())
                live.push_back(std::move(session));
        }
    }
    for (auto& session : live)
        session->stopOnStrand();
    live.clear();
    // Running calls finish and write their answers; then nothing is left to
    // do and every thread's run() returns.
    for (auto& thread : threads_)
        thread.join();
    threads_.clear();
    workers_->join();
    bulkWorkers_->join();
}

void HttpServer::Impl::removed(Connection* session, const std::string& address) {
    std::lock_guard lock(sessionsMutex_);
    sessions_.erase(session);
    if (auto found = perAddress_.find(address); found != perAddress_.end() && --found->second == 0)
        perAddress_.erase(found);
}

void HttpServer::Impl::logLine(const std::string& remote, const Request* request, unsigned status,
                               std::uint64_t bytes,
                               std::chrono::steady_clock::duration took) const {
    const double ms = std::chrono::duration<double, std::milli>(took).count();
    char timing[32];
    std::snprintf(timing, sizeof timing, "%.1fms", ms);
    std::string line = nowText() + " " + remote;
    if (request != nullptr) {
        line += " " + std::string(request->method_string()) + " " +
                std::string(request->target().substr(0, 200)) + " " + std::to_string(status) + " " +
                std::to_string(bytes) + "B " + timing;
        const std::string_view op = (*request)["X-Confcred-Operator"];
        if (!op.empty())
            line += " operator=" + std::string(op.substr(0, 100));
    } else if (status != 0) {
        line += " (request refused before it was read whole) " + std::to_string(status) + " " +
                std::to_string(bytes) + "B " + timing;
    } else {
        line += " connection closed before a whole request arrived";
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);  // one write: lines do not interleave
}

// ---------------------------------------------------------------------------

HttpServer::HttpServer(const methods::MethodTable& methods, HttpServerOptions options)
    : impl_(std::make_unique<Impl>(methods, std::move(options))) {}

HttpServer::~HttpServer() {
    stop();
}

void HttpServer::listen() {
    impl_->listen();
}
void HttpServer::start() {
    impl_->start();
}
void HttpServer::stop() {
    impl_->stop();
}
void HttpServer::reloadTls() {
    impl_->reloadTls();
}

std::string HttpServer::host() const {
    return impl_->bound().address().to_string();
}
std::uint16_t HttpServer::port() const {
    return impl_->bound().port();
}
std::string HttpServer::address() const {
    return endpointText(impl_->bound());
}
int HttpServer::threadCount() const {
    return impl_->threadCount();
}
int HttpServer::workerCount() const {
    return impl_->workerCount();
}

}  // namespace confcred::server::http
