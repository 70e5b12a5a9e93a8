// Operator sessions: a login gives a random token, kept in the database only
// as its SHA-256, so that every server on one database knows every session.
// The gate also says whether sessions are in force: always beyond loopback,
// and on loopback from the moment the database holds an account, enabled or
// disabled (the operator command line adds and disables accounts, never
// removes one), unless an administrator turned them off for the database
// (`operator sessions off`, loopback only).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>

#include "platform/datetime.h"
#include "server/trust/access.h"
#include "server/trust/login_throttle.h"

namespace confcred::server::storage {
class Database;
}

namespace confcred::server::trust {

struct SessionSettings {
    std::chrono::seconds length{std::chrono::hours(8)};
    // Listening on loopback only: while the database holds no account,
    // calls need no session.
    bool loopbackOnly = true;
};

struct IssuedSession {
    std::string token;  // 64 hex digits
    platform::DateTime expires;
    Caller caller;
};

struct LoginOutcome {
    std::optional<IssuedSession> session;
    std::chrono::seconds retryAfter{0};  // > 0: refused unseen, too many failures
};

class SessionGate {
  public:
    explicit SessionGate(SessionSettings settings) : settings_(settings) {}
    ~SessionGate();  // stopWatching()
    SessionGate(const SessionGate&) = delete;
    SessionGate& operator=(const SessionGate&) = delete;

    // The database to keep accounts and sessions in; before serving. A
    // thread then looks once a second whether an account exists (on
    // loopback) and whether the database answers, so that /health and the
    // heads of requests, judged without the database, are at most a second
    // behind.
    void attach(storage::Database& db);
    // Ends that thread; before the database goes.
    void stopWatching();

    // Whether calls need a session, from an answer at most a second old;
    // never touches the database (the network threads ask it).
    bool required() const;
    // The same, asking the database when the cached answer is older than a
    // second; for the worker threads.
    bool requiredNow();

    // The operator of a valid session, or nothing (unknown, expired, or the
    // operator disabled since). Throws storage::DatabaseError when the
    // database cannot tell.
    std::optional<Caller> caller(std::string_view token);
    // Whether this server saw `token` valid lately (issued it, or found it in
    // the database within the last kKnownForMs); never touches the database,
    // so the network threads ask it before they read a body. A token it does
    // not know is confirmed with caller() on a worker first.
    bool knownLately(std::string_view token) const;
    LoginOutcome login(const std::string& name, std::string_view password,
                       const std::string& address);
    // A new token for a valid session, which ends; nothing when not valid.
    std::optional<IssuedSession> renew(std::string_view token);
    void end(std::string_view token);

    // 64 lower-case hex digits: the only form a token is ever given in.
    static bool wellFormed(std::string_view token);

    // How long a session found valid is taken as valid at the head; the
    // call itself always asks the database.
    static constexpr std::int64_t kKnownForMs = 60'000;

    // Whether the database answered the last time the gate asked it; false
    // from a failure until the next answer. For the network threads.
    bool databaseReachable() const { return databaseReachable_.load(); }

  private:
    IssuedSession issue(const Caller& caller);
    void lookForAccounts();
    void remember(const std::string& hash, std::int64_t untilMs);
    void forget(const std::string& hash);

    SessionSettings settings_;
    storage::Database* db_ = nullptr;
    LoginThrottle throttle_;
    std::atomic<bool> anyAccount_{true};
    std::atomic<bool> databaseReachable_{true};
    // Token hash -> until when (steady ms) it is taken as valid at the head.
    mutable std::mutex knownMutex_;
    std::unordered_map<std::string, std::int64_t> known_;
    std::atomic<std::int64_t> checkedAtMs_{-1};
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool watchStop_ = false;
    std::thread watcher_;
};

}  // namespace confcred::server::trust
