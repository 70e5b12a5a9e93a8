#include "server/methods/idempotency.h"

#include <atomic>
#include <chrono>
#include <optional>

#include "server/storage/digest.h"

namespace confcred::server::methods {

namespace {

constexpr std::size_t kMaxKeyLength = 100;
// The purge runs at most this often per server process.
constexpr long long kPurgeEverySeconds = 3600;

long long nowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct StoredAnswer {
    std::string digest;
    int status = 0;
    std::string body;
};

std::optional<StoredAnswer> findKey(storage::Database& db, const std::string& key) {
    return db.read([&](storage::Session& s) {
        std::optional<StoredAnswer> found;
        s.query("SELECT DSHASHPEDIDO, NRSTATUS, DSRESPOSTA FROM CHAVEIDEMP WHERE CDCHAVE = ?",
                {std::string_view(key)}, [&](const storage::Row& r) {
                    found = StoredAnswer{std::string(r.text(0)), static_cast<int>(r.integer(1)),
                                         std::string(r.text(2))};
                });
        return found;
    });
}

void checkKey(const std::string& key) {
    const bool printable = std::all_of(key.begin(), key.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) <= 0x7E;
    });
    if (key.empty() || key.size() > kMaxKeyLength || !printable)
        throw ArgumentError(
            "O cabeçalho Idempotency-Key deve ter de 1 a 100 caracteres ASCII imprimíveis.");
}

std::string replay(const StoredAnswer& stored, const IdempotentRequest& request,
                   const CallContext& context) {
    if (stored.digest != request.digest)
        throw MethodError(
            "A chave de idempotência " + request.key +
                " já foi usada em outra chamada, com outro conteúdo. Nada foi alterado; use uma "
                "chave nova para cada operação.",
            422);
    if (stored.status != 200)
        throw MethodError(
            "A chamada com esta chave de idempotência ainda está em andamento. Aguarde e "
            "consulte a lista antes de tentar novamente.",
            409);
    context.replayed = true;
    return stored.body;
}

std::atomic<long long> nextPurge{0};

}  // namespace

void claimKey(storage::Session& s, const IdempotentRequest& request) {
    const long long now = nowSeconds();
    long long due = nextPurge.load();
    if (now >= due && nextPurge.compare_exchange_strong(due, now + kPurgeEverySeconds))
        s.execute("DELETE FROM CHAVEIDEMP WHERE NRCRIACAO < ?", {now - kKeySeconds});
    const std::int64_t claimed = s.execute(
        "INSERT INTO CHAVEIDEMP (CDCHAVE, DSHASHPEDIDO, NRSTATUS, DSRESPOSTA, NRCRIACAO)"
        " VALUES (?, ?, 0, '', ?) ON CONFLICT (CDCHAVE) DO NOTHING",
        {std::string_view(request.stored), std::string_view(request.digest), std::int64_t{now}});
    if (claimed == 0)
        throw KeyAlreadyUsed();
}

void keepAnswer(storage::Session& s, const IdempotentRequest& request, std::string_view result) {
    s.execute("UPDATE CHAVEIDEMP SET NRSTATUS = 200, DSRESPOSTA = ? WHERE CDCHAVE = ?",
              {result, std::string_view(request.stored)});
}

Method idempotent(storage::Database& db, std::string name, Method method) {
    return [&db, name = std::move(name), method = std::move(method)](
               const Args& args, const CallContext& context) -> std::string {
        if (!context.idempotencyKey)
            return method(args, context);
        checkKey(*context.idempotencyKey);
        const std::string& key = *context.idempotencyKey;
        const IdempotentRequest request{
            key, storage::Sha256().add(name).add("\n").add(context.body).hex(),
            context.operatorName.empty()
                ? key
                : "op:" + storage::Sha256().add(context.operatorName).add("\n").add(key).hex()};
        if (const auto stored = findKey(db, request.stored))
            return replay(*stored, request, context);
        CallContext own = context;
        own.idempotent = &request;
        try {
            std::string result = method(args, own);
            context.createdOrders = own.createdOrders;  // what the endpoint tells beside it
            return result;
        } catch (const KeyAlreadyUsed&) {
            if (const auto stored = findKey(db, request.stored))
                return replay(*stored, request, context);
            throw MethodError(
                "A chamada com esta chave de idempotência ainda está em andamento. Aguarde e "
                "consulte a lista antes de tentar novamente.",
                409);
        }
    };
}

}  // namespace confcred::server::methods
