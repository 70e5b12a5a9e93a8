#include "server/http_routes.h"

#include <algorithm>
#include <iterator>

#include "server/call_codec.h"
#include "server/http_server.h"
#include "server/input_text.h"

namespace confcred::server {

namespace beast = boost::beast;
namespace http = beast::http;

namespace {

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

Response callMethod(Request& request, const MethodTable& methods, std::string_view methodName) {
    const unsigned version = request.version();
    const std::string name(methodName.substr(0, 200));
    const Method* method = methods.find(methodName);
    if (method == nullptr) {
        return errorResponse(http::status::not_found, version,
                             "Método desconhecido: " + clipForMessage(name) + ".");
    }
    CallContext context;
    context.operatorName = std::string(request["X-Confcred-Operator"]);
    try {
        checkOperatorName(context.operatorName);
        const Args args = decodeCall(name, request.body());
        std::string result = (*method)(args, context);
        return makeResponse(http::status::ok, version, std::string(kResultPrefix),
                            std::move(result), std::string(kResultSuffix));
    } catch (const MethodError& e) {
        return errorResponse(statusOf(e.httpStatus()), version, e.what());
    } catch (const std::exception& e) {
        return errorResponse(http::status::internal_server_error, version,
                             "Erro interno do servidor no método " + name + ": " + e.what());
    } catch (...) {
        return errorResponse(http::status::internal_server_error, version,
                             "Erro interno do servidor no método " + name + ".");
    }
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
    if (token.empty() || pathOf(head) == "/health")
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

bool answersWithoutCall(const Request& head) {
    return pathOf(head) == "/health";
}

Response routeRequest(Request& request, const MethodTable& methods, std::string_view token) {
    const unsigned version = request.version();
    const std::string_view target = pathOf(request);

    if (target == "/health") {
        if (request.method() != http::verb::get) {
            auto res =
                errorResponse(http::status::method_not_allowed, version, "Use GET em /health.");
            res.set(http::field::allow, "GET");
            return res;
        }
        return makeResponse(http::status::ok, version, R"({"status":"ok"})");
    }

    if (auto refused = authorisationFailure(request, token))
        return std::move(*refused);

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
    return callMethod(request, methods, methodName);
}

}  // namespace confcred::server
