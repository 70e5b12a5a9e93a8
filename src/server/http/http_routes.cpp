#include "server/http/http_routes.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <vector>

#include "server/http/call_codec.h"
#include "server/http/http_server.h"
#include "server/http/metrics.h"
#include "server/http/session_routes.h"
#include "server/methods/input_text.h"
#include "server/storage/database.h"
#include "server/trust/sessions.h"

namespace confcred::server::http {

namespace beast = boost::beast;
namespace http = beast::http;

namespace {

// What a client is told to wait when the database does not answer, in seconds.
constexpr int kDatabaseRetryAfterSeconds = 5;

bool sameText(std::string_view a, std::string_view b) {
    return beast::iequals(a, b);
}

// Compares without stopping at the first difference, so the time taken does
// not tell how much of a guessed token was right.
bool sameSecret(std::string_view given, std::string_view expected) {
    if (expected.empty())
        return false;
    unsigned char diff = given.size() == expected.size() ? 0 : 1;
    for (std::size_t i = 0; i < given.size(); ++i)
        diff |= static_cast<unsigned char>(given[i] ^ expected[i % expected.size()]);
    return diff == 0;
}

std::string_view pathOf(const Request& head) {
    const std::string_view target = head.target();
    return target.substr(0, target.find('?'));
}

http::status statusOf(int code) {
    if (code < 400 || code > 599)
        return http::status::internal_server_error;
    return static_cast<http::status>(code);
}

// `caller`: the operator of the call's session; null when sessions are not in
// force, and the client names the operator itself.
Response callMethod(Request& request, const methods::MethodTable& methods,
                    std::string_view methodName, const trust::Caller* caller) {
    const unsigned version = request.version();
    const std::string name(methodName.substr(0, 200));
    const methods::Method* method = methods.find(methodName);
    if (method == nullptr) {
        return errorResponse(http::status::not_found, version,
                             "Método desconhecido: " + methods::clipForMessage(name) + ".");
    }
    if (caller != nullptr && caller->role < trust::minimumRole(methodName))
        return errorResponse(http::status::forbidden, version, trust::refusalFor(caller->role));
    methods::CallContext context;
    context.operatorName =
        caller != nullptr ? caller->operatorName : std::string(request["X-Confcred-Operator"]);
    if (const auto key = request.find("Idempotency-Key"); key != request.end())
        context.idempotencyKey = std::string(key->value());
    try {
        methods::checkOperatorHeader(context.operatorName);
        const methods::Args args = decodeCall(name, request.body());
        // After decoding, which may have moved the body to give it padding.
        context.body = request.body();
        std::string result = (*method)(args, context);
        auto res = makeResponse(http::status::ok, version, std::string(kResultPrefix),
                                std::move(result), std::string(kResultSuffix));
        if (context.replayed)
            res.set("Idempotent-Replayed", "true");
        if (context.createdOrders)
            res.set("Confcred-Pedidos-Criados", std::to_string(*context.createdOrders));
        return res;
    } catch (const methods::MethodError& e) {
        auto res = errorResponse(statusOf(e.httpStatus()), version, e.what());
        if (e.httpStatus() == 503)  // busy or out of reach: worth trying again shortly
            res.set(http::field::retry_after, std::to_string(kDatabaseRetryAfterSeconds));
        return res;
    } catch (const std::exception& e) {
        return errorResponse(http::status::internal_server_error, version,
                             "Erro interno do servidor no método " + name + ": " + e.what());
    } catch (...) {
        return errorResponse(http::status::internal_server_error, version,
                             "Erro interno do servidor no método " + name + ".");
    }
}

std::optional<Response> refuseUnlessGet(const Request& request, std::string_view path) {
    if (request.method() == http::verb::get)
        return std::nullopt;
    auto res = errorResponse(http::status::method_not_allowed, request.version(),
                             "Use GET em " + std::string(path) + ".");
    res.set(http::field::allow, "GET");
    return res;
}

// A call, counted and timed for /metrics and logged on its own line.
Response measuredCall(Request& request, const methods::MethodTable& methods,
                      std::string_view methodName, const trust::Caller* caller) {
    Metrics& metrics = Metrics::process();
    metrics.callStarted();
    const auto started = std::chrono::steady_clock::now();
    Response response = callMethod(request, methods, methodName, caller);
    metrics.callFinished(
        methodName, methods.find(methodName) != nullptr, response.result_int(),
        std::chrono::steady_clock::now() - started,
        caller != nullptr ? std::string_view(caller->operatorName) : request["X-Confcred-Operator"],
        response.body().payload);
    return response;
}

// Ready: the database answers and holds the schema this server expects. A
// balancer sends calls only to servers that are.
Response readiness(const Request& request) {
    if (auto refused = refuseUnlessGet(request, "/health/ready"))
        return std::move(*refused);
    const std::string reason = Metrics::process().notReadyReason();
    if (reason.empty())
        return makeResponse(http::status::ok, request.version(), R"({"status":"ready"})");
    std::string body = R"({"status":"not ready","reason":)";
    appendJsonString(body, reason);
    return makeResponse(http::status::service_unavailable, request.version(), body + "}");
}

Response metricsText(const Request& request) {
    if (auto refused = refuseUnlessGet(request, "/metrics"))
        return std::move(*refused);
    auto res =
        makeResponse(http::status::ok, request.version(), Metrics::process().prometheusText());
    res.set(http::field::content_type, "text/plain; version=0.0.4; charset=utf-8");
    return res;
}

// The routes anyone may ask: the health checks, and the metrics when the
// server was told to let them be scraped openly.
bool openPath(const Request& head) {
    const std::string_view path = pathOf(head);
    return path == "/health" || path == "/health/ready" ||
           (path == "/metrics" && Metrics::process().scrapeOpen());
}

// POST /query: one of the host's declared read-only queries
// (server/methods/declared_queries.h), under the caller's session when
// sessions are in force (any role may read).
Response queryRoute(Request& request, const methods::MethodTable& methods,
                    const trust::Caller* caller) {
    const unsigned version = request.version();
    if (request.method() != http::verb::post) {
        auto res = errorResponse(http::status::method_not_allowed, version,
                                 "As consultas são pedidas com POST /query.");
        res.set(http::field::allow, "POST");
        return res;
    }
    const methods::MethodTable::QueryRunner* run = methods.queryRunner();
    if (run == nullptr)
        return errorResponse(http::status::not_found, version,
                             "Este servidor não atende consultas.");
    Metrics& metrics = Metrics::process();
    metrics.callStarted();
    const auto started = std::chrono::steady_clock::now();
    Response response = [&] {
        try {
            return makeResponse(http::status::ok, version, std::string(kResultPrefix),
                                (*run)(request.body()), std::string(kResultSuffix));
        } catch (const methods::MethodError& e) {
            return errorResponse(statusOf(e.httpStatus()), version, e.what());
        } catch (const std::exception& e) {
            return errorResponse(http::status::internal_server_error, version,
                                 std::string("Erro interno do servidor na consulta: ") + e.what());
        }
    }();
    metrics.callFinished(
        "query", true, response.result_int(), std::chrono::steady_clock::now() - started,
        caller != nullptr ? std::string_view(caller->operatorName) : request["X-Confcred-Operator"],
        response.body().payload);
    return response;
}

// A scraper with the server's token reads /metrics even while operator
// sessions are in force: it keeps no session, and the token is the
// administrator's own secret.
bool scrapeWithToken(const Request& head, std::string_view token) {
    if (pathOf(head) != "/metrics" || token.empty())
        return false;
    const std::string_view auth = head[http::field::authorization];
    constexpr std::string_view kBearer = "Bearer ";
    return auth.size() > kBearer.size() && sameText(auth.substr(0, kBearer.size()), kBearer) &&
           sameSecret(auth.substr(kBearer.size()), token);
}

}  // namespace

Response makeResponse(http::status status, unsigned version, std::string head, std::string payload,
                      std::string tail) {
    Response res{status, version};
    res.set(http::field::server, "confcred-server");
    res.set(http::field::content_type, "application/json; charset=utf-8");
    res.body() = {std::move(head), std::move(payload), std::move(tail)};
    return res;
}

Response errorResponse(http::status status, unsigned version, std::string_view message) {
    return makeResponse(status, version, encodeError(message));
}

std::optional<Response> authorisationFailure(const Request& head, std::string_view token) {
    if (token.empty() || openPath(head))
        return std::nullopt;
    const std::string_view auth = head[http::field::authorization];
    constexpr std::string_view kBearer = "Bearer ";
    const bool ok = auth.size() > kBearer.size() &&
                    sameText(auth.substr(0, kBearer.size()), kBearer) &&
                    sameSecret(auth.substr(kBearer.size()), token);
    if (ok)
        return std::nullopt;
    auto res = errorResponse(http::status::unauthorized, head.version(),
                             "Acesso não autorizado: informe o token do servidor no "
                             "cabeçalho Authorization: Bearer <token>.");
    res.set(http::field::www_authenticate, "Bearer");
    return res;
}

std::optional<Response> framingFailure(const Request& head) {
    const auto [first, last] = head.equal_range(http::field::transfer_encoding);
    if (first == last)
        return std::nullopt;
    // The codings of every Transfer-Encoding line, in order; a list may hold
    // empty elements.
    std::vector<std::string_view> codings;
    for (auto field = first; field != last; ++field) {
        std::string_view list = field->value();
        while (!list.empty()) {
            const std::size_t comma = std::min(list.find(','), list.size());
            std::string_view coding = list.substr(0, comma);
            list.remove_prefix(std::min(comma + 1, list.size()));
            while (!coding.empty() && (coding.front() == ' ' || coding.front() == '\t'))
                coding.remove_prefix(1);
            while (!coding.empty() && (coding.back() == ' ' || coding.back() == '\t'))
                coding.remove_suffix(1);
            if (!coding.empty())
                codings.push_back(coding);
        }
    }
    const auto chunked = [](std::string_view coding) { return sameText(coding, "chunked"); };
    std::string_view refusal;
    if (head.version() < 11)
        refusal = "Transfer-Encoding não é aceito em HTTP/1.0.";
    else if (head.count(http::field::content_length) > 0)
        refusal = "Transfer-Encoding e Content-Length na mesma requisição.";
    else if (codings.empty() || !chunked(codings.back()) ||
             std::count_if(codings.begin(), codings.end(), chunked) != 1)
        refusal = "a última codificação de Transfer-Encoding deve ser chunked, uma única vez.";
    if (!refusal.empty()) {
        return errorResponse(http::status::bad_request, 11,
                             "Requisição HTTP inválida: " + std::string(refusal));
    }
    if (codings.size() > 1) {
        return errorResponse(http::status::not_implemented, 11,
                             "Codificação de transferência não suportada: use apenas "
                             "Transfer-Encoding: chunked.");
    }
    return std::nullopt;
}

bool answersWithoutCall(const Request& head) {
    return pathOf(head) == "/health";
}

Response routeRequest(Request& request, const methods::MethodTable& methods, std::string_view token,
                      bool sessionsRequired) {
    const unsigned version = request.version();
    const std::string_view target = pathOf(request);

    if (target == "/health") {
        if (auto refused = refuseUnlessGet(request, "/health"))
            return std::move(*refused);
        if (sessionsRequired)
            return makeResponse(http::status::ok, version, R"({"status":"ok","sessions":true})");
        return makeResponse(http::status::ok, version, R"({"status":"ok"})");
    }

    if (target == "/health/ready")
        return readiness(request);

    if (auto refused = authorisationFailure(request, token))
        return std::move(*refused);

    if (target == "/metrics")
        return metricsText(request);
    if (target == "/query")
        return queryRoute(request, methods, nullptr);
    return routeCall(request, methods, nullptr);
}

Response routeCall(Request& request, const methods::MethodTable& methods,
                   const trust::Caller* caller) {
    const unsigned version = request.version();
    const std::string_view target = pathOf(request);
    // /<server name>/<method>
    const std::size_t slash = target.find('/', 1);
    if (target.size() < 2 || target[0] != '/' || slash == std::string_view::npos ||
        slash + 1 >= target.size() || target.find('/', slash + 1) != std::string_view::npos) {
        return errorResponse(http::status::not_found, version,
                             "Recurso não encontrado: " + std::string(target.substr(0, 200)) +
                                 ". Use POST /lun90000.rdmConfCredBanc/<método>.");
    }
    const std::string_view serverName = target.substr(1, slash - 1);
    const std::string_view methodName = target.substr(slash + 1);
    if (std::none_of(std::begin(kServerNames), std::end(kServerNames),
                     [&](const char* known) { return sameText(serverName, known); })) {
        return errorResponse(
            http::status::not_found, version,
            "Objeto de servidor desconhecido: " + std::string(serverName.substr(0, 200)) +
                ". Use lun90000.rdmConfCredBanc.");
    }
    if (request.method() != http::verb::post) {
        auto res = errorResponse(http::status::method_not_allowed, version,
                                 "Os métodos do servidor são chamados com POST.");
        res.set(http::field::allow, "POST");
        return res;
    }
    return measuredCall(request, methods, methodName, caller);
}

std::optional<Response> authorisationFailure(const Request& head,
                                             const HttpServerOptions& options) {
    if (options.sessions && !openPath(head) && !options.sessions->databaseReachable())
        return databaseUnavailable(head.version());
    if (options.sessions && options.sessions->required() && !openPath(head) &&
        !scrapeWithToken(head, options.token))
        return sessionHeadFailure(head);
    return authorisationFailure(head, options.token);
}

std::string_view bearerToConfirm(const Request& head, const HttpServerOptions& options) {
    // The service token's scrape of /metrics names no session.
    if (!options.sessions || !options.sessions->required() || openPath(head) || isLogin(head) ||
        scrapeWithToken(head, options.token))
        return {};
    return bearerOf(head);
}

std::string clientAddress(const Request& head, std::string_view peer,
                          const HttpServerOptions& options) {
    const auto& trusted = options.trustedProxies;
    if (std::find(trusted.begin(), trusted.end(), peer) == trusted.end())
        return std::string(peer);
    // The proxy appends the address it saw: the last element is the one it vouches for.
    const auto [first, last] = head.equal_range("X-Forwarded-For");
    if (first == last)
        return std::string(peer);
    std::string_view list = std::prev(last)->value();
    std::string_view element =
        list.substr(list.rfind(',') == std::string_view::npos ? 0 : list.rfind(',') + 1);
    while (!element.empty() && (element.front() == ' ' || element.front() == '\t'))
        element.remove_prefix(1);
    while (!element.empty() && (element.back() == ' ' || element.back() == '\t'))
        element.remove_suffix(1);
    if (element.empty() || element.size() > 64)
        return std::string(peer);
    return std::string(element);
}

bool isLogin(const Request& head) {
    return head.method() == http::verb::post && pathOf(head) == "/session";
}

Response databaseUnavailable(unsigned version) {
    auto res = errorResponse(http::status::service_unavailable, version,
                             "O banco de dados do servidor não está respondendo; nada foi feito. "
                             "Tente novamente em instantes.");
    res.set(http::field::retry_after, std::to_string(kDatabaseRetryAfterSeconds));
    return res;
}

Response routeRequest(Request& request, const methods::MethodTable& methods,
                      const HttpServerOptions& options, std::string_view remote) {
    trust::SessionGate* gate = options.sessions.get();
    const std::string_view path = pathOf(request);
    if (gate == nullptr || openPath(request))
        return routeRequest(request, methods, options.token, gate != nullptr && gate->required());
    if (isSessionPath(path))
        return sessionRoute(request, *gate, clientAddress(request, remote, options));
    if (scrapeWithToken(request, options.token))
        return metricsText(request);
    if (!gate->requiredNow())
        return routeRequest(request, methods, options.token);
    // Sessions are in force: the session names the operator, whatever the
    // client's own headers say.
    if (auto refused = sessionHeadFailure(request))
        return std::move(*refused);
    std::optional<trust::Caller> caller;
    try {
        caller = gate->caller(bearerOf(request));
    } catch (const storage::DatabaseError&) {
        return databaseUnavailable(request.version());
    }
    if (!caller)
        return sessionExpired(request.version());
    if (path == "/metrics")
        return metricsText(request);
    if (path == "/query")
        return queryRoute(request, methods, &*caller);
    return routeCall(request, methods, &*caller);
}

}  // namespace confcred::server::http
