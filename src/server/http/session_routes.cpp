#include "server/http/session_routes.h"

#include <simdjson.h>

#include "server/http/call_codec.h"
#include "server/http/metrics.h"
#include "server/storage/database.h"
#include "server/trust/sessions.h"

namespace confcred::server::http {

namespace beast = boost::beast;
namespace http = beast::http;

namespace {

constexpr std::string_view kLogin = "/session";
constexpr std::string_view kRenew = "/session/renew";

std::string_view pathOf(const Request& head) {
    const std::string_view target = head.target();
    return target.substr(0, target.find('?'));
}

Response unauthorised(unsigned version, std::string_view message) {
    auto res = errorResponse(http::status::unauthorized, version, message);
    // The realm tells a client that a login, not a fixed token, is wanted.
    res.set(http::field::www_authenticate, R"(Bearer realm="confcred-session")");
    return res;
}

Response issuedAnswer(unsigned version, const trust::IssuedSession& issued) {
    std::string out = R"({"token":")" + issued.token + R"(","expires":")" + issued.expires.toIso() +
                      R"(","operator":)";
    appendJsonString(out, issued.caller.operatorName);
    out += R"(,"role":")" + std::string(trust::roleName(issued.caller.role)) + "\"}";
    return makeResponse(http::status::ok, version, std::string(kResultPrefix), std::move(out),
                        std::string(kResultSuffix));
}

struct Credentials {
    std::string name, password;
};

std::optional<Credentials> readCredentials(const std::string& body) {
    if (body.size() > kMaxLoginBodyBytes)
        return std::nullopt;
    simdjson::dom::parser parser;
    simdjson::dom::object doc;
    std::string_view name, password;
    if (parser.parse(body).get(doc) != simdjson::SUCCESS ||
        doc["operator"].get(name) != simdjson::SUCCESS ||
        doc["password"].get(password) != simdjson::SUCCESS)
        return std::nullopt;
    return Credentials{std::string(name), std::string(password)};
}

Response login(Request& request, trust::SessionGate& gate, std::string_view remote) {
    const unsigned version = request.version();
    const auto credentials = readCredentials(request.body());
    if (!credentials) {
        return errorResponse(http::status::bad_request, version,
                             "Corpo da requisição inválido: envie "
                             R"({"operator": "...", "password": "..."}.)");
    }
    const trust::LoginOutcome outcome =
        gate.login(credentials->name, credentials->password, std::string(remote));
    if (outcome.retryAfter.count() > 0) {
        const std::string seconds = std::to_string(outcome.retryAfter.count());
        Metrics::process().refused(429, remote, credentials->name,
                                   "login before the wait of failed logins (" + seconds + " s)");
        auto res = errorResponse(http::status::too_many_requests, version,
                                 "Muitas tentativas de entrada sem sucesso. Aguarde " + seconds +
                                     " segundos e tente novamente.");
        res.set(http::field::retry_after, seconds);
        return res;
    }
    if (!outcome.session) {
        Metrics::process().refused(401, remote, credentials->name, "wrong operator or password");
        return unauthorised(version, "Operador ou senha incorretos.");
    }
    return issuedAnswer(version, *outcome.session);
}

Response methodNotAllowed(unsigned version, const char* allow) {
    auto res = errorResponse(http::status::method_not_allowed, version,
                             std::string("Use ") + allow + " nesta rota de sessão.");
    res.set(http::field::allow, allow);
    return res;
}

Response routeSession(Request& request, trust::SessionGate& gate, std::string_view remote) {
    const unsigned version = request.version();
    const std::string_view path = pathOf(request);
    const http::verb verb = request.method();
    if (path == kLogin && verb == http::verb::post)
        return login(request, gate, remote);
    if (path == kLogin && verb == http::verb::delete_) {
        gate.end(bearerOf(request));
        return makeResponse(http::status::ok, version, R"({"result":true})");
    }
    if (path == kRenew && verb == http::verb::post) {
        const auto renewed = gate.renew(bearerOf(request));
        if (!renewed)
            return sessionExpired(version);
        return issuedAnswer(version, *renewed);
    }
    return methodNotAllowed(version, path == kLogin ? "POST, DELETE" : "POST");
}

}  // namespace

bool isSessionPath(std::string_view path) {
    return path == kLogin || path == kRenew;
}

std::string_view bearerOf(const Request& head) {
    const std::string_view auth = head[http::field::authorization];
    constexpr std::string_view kBearer = "Bearer ";
    if (auth.size() <= kBearer.size() || !beast::iequals(auth.substr(0, kBearer.size()), kBearer))
        return {};
    return auth.substr(kBearer.size());
}

std::optional<Response> sessionHeadFailure(const Request& head) {
    const std::string_view path = pathOf(head);
    if (path == "/health" || (path == kLogin && head.method() == http::verb::post))
        return std::nullopt;
    if (trust::SessionGate::wellFormed(bearerOf(head)))
        return std::nullopt;
    return unauthorised(head.version(),
                        "Sessão necessária: entre com operador e senha (POST /session) e envie "
                        "o cabeçalho Authorization: Bearer <sessão>.");
}

Response sessionExpired(unsigned version) {
    return unauthorised(version, "Sessão inexistente ou expirada: entre novamente.");
}

Response sessionRoute(Request& request, trust::SessionGate& gate, std::string_view remote) {
    try {
        return routeSession(request, gate, remote);
    } catch (const storage::DatabaseError&) {
        return databaseUnavailable(request.version());
    } catch (const std::exception& e) {
        return errorResponse(http::status::internal_server_error, request.version(),
                             std::string("Erro interno do servidor na sessão: ") + e.what());
    }
}

}  // namespace confcred::server::http
