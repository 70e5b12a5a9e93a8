// Roles of operators and which role each method needs: the one place where a
// method is classified, so a new query is listed here and nowhere else.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace confcred::server::trust {

// Ordered: a role may do whatever the roles before it may.
enum class Role { Consulta, Operador };

std::string_view roleName(Role role);  // "consulta", "operador"
std::optional<Role> parseRole(std::string_view name);

// Who calls, as the server knows it from the caller's session.
struct Caller {
    std::string operatorName;
    Role role = Role::Consulta;
};

// The least role that may call `method` (compared without regard to case).
// Methods that only read are open to consulta; every other method, including
// one this table does not know yet, needs operador.
Role minimumRole(std::string_view method);

// The refusal of a method to a role, in the operator's words.
std::string_view refusalFor(Role role);

}  // namespace confcred::server::trust
