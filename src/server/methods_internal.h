// Shared by the files that implement the seven methods of rdmConfCredBanc.
#pragma once

#include <string>
#include <string_view>

#include "server/database.h"
#include "server/rpc.h"

namespace confcred::server::methods {

void addListMethods(MethodTable& table, Database& db);    // methods_lists.cpp
void addCreditMethods(MethodTable& table, Database& db);  // methods_credit.cpp
void addImportMethod(MethodTable& table, Database& db);   // methods_import.cpp
// methods_bankreturn.cpp
void addBankReturnMethod(MethodTable& table, Database& db);

// "?, ?, ?" for n values.
inline std::string placeholders(std::size_t n) {
    std::string out;
    out.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i)
        out += i ? ", ?" : "?";
    return out;
}

}  // namespace confcred::server::methods
