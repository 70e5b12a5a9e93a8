#include "server/trust/sessions.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

#include "platform/clock.h"
#include "server/storage/database.h"
#include "server/trust/operators.h"

namespace confcred::server::trust {

namespace {

constexpr std::int64_t kRecheckMs = 1000;

std::int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string hexOf(const unsigned char* bytes, std::size_t size) {
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), bytes, size);
    hex.pop_back();
    return hex;
}

std::string newToken() {
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot be initialised");
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return hexOf(bytes, sizeof bytes);
}

std::string tokenHash(std::string_view token) {
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(token.data()), token.size());
    return hexOf(digest, sizeof digest);
}

std::optional<Caller> lookUp(storage::Session& s, const std::string& hash, std::int64_t nowMs) {
    std::optional<Caller> found;
    s.query(
        "SELECT O.NMOPERADOR, O.IDPERFIL FROM SESSAOOPER S"
        " JOIN OPERADOR O ON O.NMOPERADOR = S.NMOPERADOR"
        " WHERE S.DSTOKENHASH = ? AND S.DTEXPIRA_MS > ? AND O.IDATIVO = 'S'",
        {std::string_view(hash), nowMs}, [&](const storage::Row& r) {
            found = Caller{std::string(r.text(0)), parseRole(r.text(1)).value_or(Role::Consulta)};
        });
    return found;
}

}  // namespace

SessionGate::~SessionGate() {
    stopWatching();
}

void SessionGate::attach(storage::Database& db) {
    db_ = &db;
    lookForAccounts();
    if (!settings_.loopbackOnly || watcher_.joinable())
        return;
    watcher_ = std::thread([this] {
        std::unique_lock lock(watchMutex_);
        while (!watchWake_.wait_for(lock, std::chrono::milliseconds(kRecheckMs),
                                    [this] { return watchStop_; })) {
            lock.unlock();
            lookForAccounts();
            lock.lock();
        }
    });
}

void SessionGate::stopWatching() {
    {
        std::lock_guard lock(watchMutex_);
        watchStop_ = true;
    }
    watchWake_.notify_all();
    if (watcher_.joinable())
        watcher_.join();
}

bool SessionGate::required() const {
    return !settings_.loopbackOnly || anyAccount_.load();
}

bool SessionGate::requiredNow() {
    if (!settings_.loopbackOnly || db_ == nullptr)
        return required();
    const std::int64_t checked = checkedAtMs_.load();
    if (checked < 0 || steadyMs() - checked > kRecheckMs)
        lookForAccounts();
    return required();
}

void SessionGate::lookForAccounts() {
    try {
        // Any account, enabled or not: disabling the last one must not open
        // the server to anonymous calls again.
        anyAccount_.store(OperatorStore(*db_).anyAccount());
    } catch (const std::exception&) {
        // Unable to tell: sessions stay required rather than open.
        anyAccount_.store(true);
    }
    checkedAtMs_.store(steadyMs());
}

bool SessionGate::wellFormed(std::string_view token) {
    return token.size() == 64 && std::all_of(token.begin(), token.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::optional<Caller> SessionGate::caller(std::string_view token) {
    if (db_ == nullptr || !wellFormed(token))
        return std::nullopt;
    const std::string hash = tokenHash(token);
    const std::int64_t now = platform::now().msSinceEpoch();
    return db_->read([&](storage::Session& s) { return lookUp(s, hash, now); });
}

IssuedSession SessionGate::issue(const Caller& caller) {
    IssuedSession issued;
    issued.token = newToken();
    issued.caller = caller;
    // Whole seconds, as the other date-times of the protocol.
    const std::int64_t now = platform::now().msSinceEpoch();
    const std::int64_t expires = (now + settings_.length.count() * 1000) / 1000 * 1000;
    issued.expires = platform::DateTime::fromMsSinceEpoch(expires);
    const std::string hash = tokenHash(issued.token);
    db_->write([&](storage::Session& s) {
        // Expired sessions go as new ones come, so the table stays small.
        s.execute("DELETE FROM SESSAOOPER WHERE DTEXPIRA_MS <= ?", {now});
        s.execute("INSERT INTO SESSAOOPER (DSTOKENHASH, NMOPERADOR, DTEXPIRA_MS) VALUES (?, ?, ?)",
                  {std::string_view(hash), std::string_view(caller.operatorName), expires});
    });
    return issued;
}

LoginOutcome SessionGate::login(const std::string& name, std::string_view password,
                                const std::string& address) {
    LoginOutcome outcome;
    if (db_ == nullptr)
        return outcome;
    const NameCheck checked = checkOperatorName(name);
    const std::string& key = checked.error.empty() ? checked.name : name;
    outcome.retryAfter = throttle_.waitFor(address, key);
    if (outcome.retryAfter.count() > 0)
        return outcome;
    std::optional<OperatorAccount> account;
    if (checked.error.empty())
        account = OperatorStore(*db_).authenticate(checked.name, password);
    if (!account) {
        throttle_.failed(address, key);
        return outcome;
    }
    throttle_.succeeded(address, key);
    outcome.session = issue(Caller{account->name, account->role});
    return outcome;
}

std::optional<IssuedSession> SessionGate::renew(std::string_view token) {
    const auto current = caller(token);
    if (!current)
        return std::nullopt;
    IssuedSession next = issue(*current);
    end(token);
    return next;
}

void SessionGate::end(std::string_view token) {
    if (db_ == nullptr || !wellFormed(token))
        return;
    const std::string hash = tokenHash(token);
    db_->write([&](storage::Session& s) {
        s.execute("DELETE FROM SESSAOOPER WHERE DSTOKENHASH = ?", {std::string_view(hash)});
    });
}

}  // namespace confcred::server::trust
