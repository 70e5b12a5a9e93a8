// Shared by the files that implement the seven methods of rdmConfCredBanc.
#pragma once

#include <string>
#include <string_view>

#include "platform/assert.h"
#include "server/methods/rpc.h"
#include "server/storage/database.h"

namespace confcred::server::methods {

void addListMethods(MethodTable& table, storage::Database& db);    // methods_lists.cpp
void addCreditMethods(MethodTable& table, storage::Database& db);  // methods_credit.cpp
void addImportMethod(MethodTable& table, storage::Database& db);   // methods_import.cpp
// methods_bankreturn.cpp
void addBankReturnMethod(MethodTable& table, storage::Database& db);
// methods_statement.cpp
void addStatementMethod(MethodTable& table, storage::Database& db);
// methods_supervision.cpp
void addSupervisionMethods(MethodTable& table, storage::Database& db);

// The text of a one-row ARQUIVO packet, the first argument of the methods
// that read a whole file (`what` names it: "arquivo de retorno", "extrato").
inline std::string_view fileArgument(const Args& args, const std::string& what) {
    const auto& packet = args.packet(0);
    const int field = packet.fieldIndex("ARQUIVO");
    if (field < 0 || !packet.column(static_cast<std::size_t>(field)).isText())
        throw ArgumentError("O pacote de " + args.method() + " deve ter o campo de texto ARQUIVO.");
    if (packet.rowCount() != 1)
        throw ArgumentError("O pacote de " + args.method() +
                            " deve ter exatamente uma linha com o texto do " + what + "; recebeu " +
                            std::to_string(packet.rowCount()) + ".");
    return packet.column(static_cast<std::size_t>(field)).textAt(0);
}

// "?, ?, ?" for n values.
inline std::string placeholders(std::size_t n) {
    std::string out;
    out.reserve(n * 3);
    for (std::size_t i = 0; i < n; ++i)
        out += i ? ", ?" : "?";
    return out;
}

// The operator's name as the ledger and the orders keep it: at most 100
// characters (NMOPERADOR, NMOPERCRIACAO).
inline std::string limitOperator(std::string_view name) {
    constexpr std::size_t kOperatorWidth = 100;
    std::size_t chars = 0, i = 0;
    while (i < name.size()) {
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && chars++ == kOperatorWidth)
            break;
        ++i;
    }
    CONFCRED_ASSERT(i == name.size() || chars == kOperatorWidth + 1);
    return std::string(name.substr(0, i));
}

}  // namespace confcred::server::methods
