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
// Sessions remembered at most; beyond, the oldest knowledge goes first.
constexpr std::size_t kMaxKnown = 100'000;

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

struct Found {
    Caller caller;
    std::int64_t expiresMs = 0;
};

std::optional<Found> lookUp(storage::Session& s, const std::string& hash, std::int64_t nowMs) {
    std::optional<Found> found;
    s.query(
        "SELECT O.NMOPERADOR, O.IDPERFIL, S.DTEXPIRA_MS FROM SESSAOOPER S"
        " JOIN OPERADOR O ON O.NMOPERADOR = S.NMOPERADOR"
        " WHERE S.DSTOKENHASH = ? AND S.DTEXPIRA_MS > ? AND O.IDATIVO = 'S'",
        {std::string_view(hash), nowMs}, [&](const storage::Row& r) {
            found =
                Found{Caller{std::string(r.text(0)), parseRole(r.text(1)).value_or(Role::Consulta)},
                      r.integer(2)};
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
    if (watcher_.joinable())
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
        OperatorStore store(*db_);
        anyAccount_.store(store.anyAccount() && !store.sessionsTurnedOff());
        databaseReachable_.store(true);
    } catch (const std::exception&) {
        // Unable to tell: sessions stay required rather than open, and the
        // endpoint says the database is out of reach.
        anyAccount_.store(true);
        databaseReachable_.store(false);
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
    std::optional<Found> found;
    try {
        found = db_->read([&](storage::Session& s) { return lookUp(s, hash, now); });
    } catch (const std::exception&) {
        databaseReachable_.store(false);
        throw;
    }
    databaseReachable_.store(true);
    if (!found) {
        forget(hash);
        return std::nullopt;
    }
    remember(hash, steadyMs() + std::min(kKnownForMs, found->expiresMs - now));
    return std::move(found->caller);
}

bool SessionGate::knownLately(std::string_view token) const {
    if (!wellFormed(token))
        return false;
    const std::string hash = tokenHash(token);
    std::lock_guard lock(knownMutex_);
    const auto found = known_.find(hash);
    return found != known_.end() && found->second > steadyMs();
}

void SessionGate::remember(const std::string& hash, std::int64_t untilMs) {
    std::lock_guard lock(knownMutex_);
    if (known_.size() >= kMaxKnown) {
        const std::int64_t now = steadyMs();
        std::erase_if(known_, [&](const auto& item) { return item.second <= now; });
        if (known_.size() >= kMaxKnown)
            known_.clear();  // the next calls of each session ask the database once more
    }
    known_[hash] = untilMs;
}

void SessionGate::forget(const std::string& hash) {
    std::lock_guard lock(knownMutex_);
    known_.erase(hash);
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
    remember(hash, steadyMs() + std::min(kKnownForMs, expires - now));
    return issued;
}

LoginOutcome SessionGate::login(const std::string& name, std::string_view password,
                                const std::string& address) {
    LoginOutcome outcome;
    if (db_ == nullptr)
        return outcome;
    const NameCheck checked = checkOperatorName(name);
    // Counted without regard to case, as names compare.
    std::string key = checked.error.empty() ? checked.name : name;
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
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
    forget(hash);
    db_->write([&](storage::Session& s) {
        s.execute("DELETE FROM SESSAOOPER WHERE DSTOKENHASH = ?", {std::string_view(hash)});
    });
}

}  // namespace confcred::server::trust
