#include "server/methods/confcred_methods.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "server/methods/declared_queries.h"
#include "server/methods/idempotency.h"
#include "server/methods/methods_internal.h"
#include "server/storage/ledger_guard.h"

namespace confcred::server::methods {

namespace {

// The operator reads what went wrong in Portuguese, with the database's own
// words kept at the end for whoever looks after the server.
Method guarded(Method method) {
    return [method = std::move(method)](const Args& args, const CallContext& context) {
        try {
            return method(args, context);
        } catch (const storage::DatabaseError& e) {
            if (e.isUnreachable())
                throw MethodError(
                    "O banco de dados do servidor não está respondendo; nada foi alterado. "
                    "Tente novamente em instantes. (" +
                        std::string(e.what()) + ")",
                    503);
            if (e.isBusy())
                throw MethodError(
                    "O banco de dados está ocupado com outra operação e não respondeu a tempo. "
                    "Nada foi alterado; tente novamente em instantes. (" +
                        std::string(e.what()) + ")",
                    503);
            throw MethodError(
                "Erro no banco de dados do servidor; nada foi alterado. Tente novamente e, se o "
                "erro continuar, avise o suporte. (" +
                    std::string(e.what()) + ")",
                500);
        }
    };
}

// A server that found its ledger's chain broken at start refuses every
// write (docs/security.md) until it is put right and the server restarted.
Method refusedOnBrokenLedger(Method method) {
    return [method = std::move(method)](const Args& args, const CallContext& context) {
        if (const std::string why = storage::writeRefusal(); !why.empty())
            throw MethodError(
                "O servidor não aceita alterações: a cadeia do razão de saldos não confere (" +
                    why +
                    "). Nada foi alterado. Avise o suporte: confira o banco com "
                    "'confcred-server verify-ledger --full'.",
                503);
        return method(args, context);
    };
}

}  // namespace

void registerConfCredMethods(MethodTable& table, storage::Database& db) {
    MethodTable own;
    methods::addListMethods(own, db);
    methods::addCreditMethods(own, db);
    methods::addImportMethod(own, db);
    methods::addBankReturnMethod(own, db);
    methods::addStatementMethod(own, db);
    methods::addSupervisionMethods(own, db);
    // The write methods take an Idempotency-Key (server/methods/idempotency.h).
    constexpr std::string_view kWrites[] = {"setEfetivaSaldo", "setCancelaCredito", "setSituacao",
                                            "SetImporSaldoCons"};
    for (const auto& name : own.names()) {
        Method method = *own.find(name);
        if (std::find(std::begin(kWrites), std::end(kWrites), name) != std::end(kWrites))
            method = refusedOnBrokenLedger(idempotent(db, name, std::move(method)));
        table.add(name, guarded(std::move(method)));
    }
    // The host's declared queries, guarded as the methods are.
    const Method query = guarded([&db](const Args& args, const CallContext&) {
        return runDeclaredQuery(db, args.string(0));
    });
    table.setQueryRunner([query](std::string_view body) {
        return query(Args("query", {std::string(body)}), CallContext{});
    });
}

}  // namespace confcred::server::methods
