// What the endpoint answers to each whole request: the routes, the token,
// the call of a method and the JSON answers. No sockets here.
#pragma once

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <array>
#include <boost/beast/http.hpp>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "server/methods/rpc.h"
#include "server/trust/access.h"

namespace confcred::server::http {

// An answer body made of three pieces sent one after the other, so that a
// method's result (a packet of many megabytes) is wrapped in {"result": ...}
// without being copied.
struct PiecesBody {
    struct value_type {
        std::string head, payload, tail;
    };

    static std::uint64_t size(const value_type& v) {
        return v.head.size() + v.payload.size() + v.tail.size();
    }

    class writer {
      public:
        using const_buffers_type = std::array<boost::asio::const_buffer, 3>;

        template <bool isRequest, class Fields>
        writer(const boost::beast::http::header<isRequest, Fields>&, const value_type& v)
            : body_(v) {}

        void init(boost::beast::error_code& ec) { ec = {}; }

        boost::optional<std::pair<const_buffers_type, bool>> get(boost::beast::error_code& ec) {
            ec = {};
            return {{const_buffers_type{boost::asio::buffer(body_.head),
                                        boost::asio::buffer(body_.payload),
                                        boost::asio::buffer(body_.tail)},
                     false}};
        }

      private:
        const value_type& body_;
    };
};

using Request = boost::beast::http::request<boost::beast::http::string_body>;
using Response = boost::beast::http::response<PiecesBody>;

// A JSON answer; the body is head + payload + tail.
Response makeResponse(boost::beast::http::status status, unsigned version, std::string head,
                      std::string payload = {}, std::string tail = {});
// {"error": {"message": ...}} with the given status.
Response errorResponse(boost::beast::http::status status, unsigned version,
                       std::string_view message);

// The refusal of a request that needs authorisation and does not carry it
// (today: the token, when `token` is not empty; /health needs none). Needs
// only the head, so the endpoint answers before it reads any body.
std::optional<Response> authorisationFailure(const Request& head, std::string_view token);

// The refusal of a request whose body cannot be framed without doubt, to be
// sent before the connection closes: a Transfer-Encoding whose last coding is
// not chunked (the body's end is unknown, and its bytes would be read as the
// next request), one beside a Content-Length or on HTTP/1.0 (400), or codings
// before chunked, which this server does not undo (501). Needs only the head.
std::optional<Response> framingFailure(const Request& head);

// True for GET /health and the like: answered at once, without a database.
bool answersWithoutCall(const Request& head);

// GET /health, POST /<server name>/<method>, with the token check when
// `token` is not empty. Method failures become error answers; never throws
// for anything a client sends. `sessionsRequired` adds "sessions": true to
// the answer of /health.
Response routeRequest(Request& request, const methods::MethodTable& methods, std::string_view token,
                      bool sessionsRequired = false);

// POST /<server name>/<method> once the request may call: `caller` names the
// operator of its session (its role must allow the method, 403 otherwise), or
// is null when sessions are not in force and X-Confcred-Operator names him.
Response routeCall(Request& request, const methods::MethodTable& methods,
                   const trust::Caller* caller);

struct HttpServerOptions;

// What the endpoint applies with its options: sessions when the options have
// a session gate and it says they are in force, the token otherwise; 503
// when the gate last found the database out of reach (never a 401 for that).
std::optional<Response> authorisationFailure(const Request& head, const HttpServerOptions& options);

// With sessions in force, the session token a head carries that must be
// found valid before any byte of its body is read or any body budget is
// reserved; empty when the head needs no session (the open routes, a login)
// or sessions are not in force.
std::string_view bearerToConfirm(const Request& head, const HttpServerOptions& options);

// The client's address: `peer`, or the last address of X-Forwarded-For when
// `peer` is one of the options' trusted proxies and the header names one.
std::string clientAddress(const Request& head, std::string_view peer,
                          const HttpServerOptions& options);

// The largest body a login may have: whoever sends one is not known yet.
inline constexpr std::size_t kMaxLoginBodyBytes = 4096;
// Whether the head is a login (POST /session).
bool isLogin(const Request& head);

// 503 with Retry-After: the database does not answer (down, frozen, out of
// connections); nothing was done.
Response databaseUnavailable(unsigned version);
// All routes, /session included. `remote` is the client's address, for the
// slowing of failed logins.
Response routeRequest(Request& request, const methods::MethodTable& methods,
                      const HttpServerOptions& options, std::string_view remote);

}  // namespace confcred::server::http
