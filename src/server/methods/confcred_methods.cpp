#include "server/methods/confcred_methods.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "server/methods/idempotency.h"
#include "server/methods/methods_internal.h"

namespace confcred::server::methods {

namespace {

// The operator reads what went wrong in Portuguese, with the database's own
// words kept at the end for whoever looks after the server.
Method guarded(Method method) {
    return [method = std::move(method)](const Args& args, const CallContext& context) {
        try {
            return method(args, context);
        } catch (const storage::DatabaseError& e) {
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

}  // namespace

void registerConfCredMethods(MethodTable& table, storage::Database& db) {
    MethodTable own;
    methods::addListMethods(own, db);
    methods::addCreditMethods(own, db);
    methods::addImportMethod(own, db);
    methods::addBankReturnMethod(own, db);
    methods::addStatementMethod(own, db);
    // The write methods take an Idempotency-Key (server/methods/idempotency.h).
    constexpr std::string_view kWrites[] = {"setEfetivaSaldo", "setCancelaCredito", "setSituacao",
                                            "SetImporSaldoCons"};
    for (const auto& name : own.names()) {
        Method method = *own.find(name);
        if (std::find(std::begin(kWrites), std::end(kWrites), name) != std::end(kWrites))
            method = idempotent(db, name, std::move(method));
        table.add(name, guarded(std::move(method)));
    }
}

}  // namespace confcred::server::methods
