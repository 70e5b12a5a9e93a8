#include "server/trust/access.h"

#include <strings.h>
#include <algorithm>
#include <iterator>

namespace confcred::server::trust {

namespace {

struct MethodRole {
    const char* method;
    Role role;
};

// Writes are absent on purpose: what is not listed needs operador.
constexpr MethodRole kMethodRoles[] = {
    {"getPEDCREDCONS", Role::Consulta},        {"getPEDICREDFAMI", Role::Consulta},
    {"getConsumidor", Role::Consulta},         {"getRetornoBancario", Role::Consulta},
    {"getConciliacaoExtrato", Role::Consulta}, {"getHistoricoPedido", Role::Consulta},
    {"getFechamento", Role::Consulta},
};

bool sameName(std::string_view a, const char* b) {
    const std::string_view other(b);
    return a.size() == other.size() && ::strncasecmp(a.data(), b, a.size()) == 0;
}

}  // namespace

std::string_view roleName(Role role) {
    return role == Role::Consulta ? "consulta" : "operador";
}

std::optional<Role> parseRole(std::string_view name) {
    if (name == "consulta")
        return Role::Consulta;
    if (name == "operador")
        return Role::Operador;
    return std::nullopt;
}

Role minimumRole(std::string_view method) {
    const auto found =
        std::find_if(std::begin(kMethodRoles), std::end(kMethodRoles),
                     [&](const MethodRole& m) { return sameName(method, m.method); });
    return found == std::end(kMethodRoles) ? Role::Operador : found->role;
}

std::string_view refusalFor(Role role) {
    return role == Role::Consulta ? "Operação não permitida para o perfil consulta."
                                  : "Operação não permitida para o perfil operador.";
}

}  // namespace confcred::server::trust
