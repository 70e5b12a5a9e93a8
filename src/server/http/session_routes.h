// The session routes (POST /session, POST /session/renew, DELETE /session)
// and the answers a request gets when sessions are in force and it has no
// valid one. docs/protocol.md describes them for clients.
#pragma once

#include <optional>
#include <string_view>

#include "server/http/http_routes.h"

namespace confcred::server::trust {
class SessionGate;
}

namespace confcred::server::http {

bool isSessionPath(std::string_view path);

// Token of "Authorization: Bearer <token>"; empty without one.
std::string_view bearerOf(const Request& head);

// With sessions in force, from the head alone: /health and POST /session
// pass, anything else needs a bearer of a session token's form (401).
std::optional<Response> sessionHeadFailure(const Request& head);

// 401 for a session that is not (or no longer) valid.
Response sessionExpired(unsigned version);

// Answers one of the session routes; never throws.
Response sessionRoute(Request& request, trust::SessionGate& gate, std::string_view remote);

}  // namespace confcred::server::http
