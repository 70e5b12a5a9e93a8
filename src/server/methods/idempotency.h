// Safe retries of write calls. A write call may carry Idempotency-Key; the
// key is stored with the SHA-256 of the request (method name and body) and
// the answer in the same transaction as the write (table CHAVEIDEMP), so a
// repeat after a lost answer gets the first answer instead of a second
// application. A key is claimed first thing in the transaction: on
// PostgreSQL a concurrent repeat waits on the key's row for the first call to
// end, on SQLite the writes already take turns. A call that fails changes
// nothing and keeps no key; its repeat runs again.
#pragma once

#include <string>
#include <string_view>

#include "server/methods/rpc.h"
#include "server/storage/database.h"
#include "server/storage/fault_hook.h"

namespace confcred::server::methods {

struct IdempotentRequest {
    std::string key;     // as the client sent it
    std::string digest;  // SHA-256 hex of method name, "\n", body
    // As stored: each operator's keys are his own, so another operator's
    // call with the same key is a call of its own, never a replay of his
    // answer nor a refusal that tells it exists. The key itself when the
    // call names no operator; otherwise "op:" and the SHA-256 hex of the
    // operator, "\n" and the key.
    std::string stored;
};

// Thrown inside the write transaction when its key is stored already (a first
// call with it committed meanwhile); the wrapper then answers from the store.
class KeyAlreadyUsed : public std::exception {
  public:
    const char* what() const noexcept override { return "idempotency key already used"; }
};

// Stores `request`'s key as taken in the running write transaction; throws
// KeyAlreadyUsed when it is stored already. Now and then also drops keys
// older than their keeping time.
void claimKey(storage::Session& s, const IdempotentRequest& request);
// Stores the call's answer (a success: status 200 and `result`) with its key.
void keepAnswer(storage::Session& s, const IdempotentRequest& request, std::string_view result);

// Runs `work(Session&)`, which returns the call's result text, as the write
// transaction of a write method, with the call's idempotency key when it has
// one; the crash-test hook may end the server inside the transaction or
// after the commit, before it answers.
template <class F>
std::string writeCall(storage::Database& db, std::string_view method, const CallContext& context,
                      F&& work) {
    std::string result = db.write([&](storage::Session& s) {
        if (const int statement = storage::killAtStatement(method))
            s.armFault(statement, storage::Session::FaultAction::Kill);
        if (context.idempotent)
            claimKey(s, *context.idempotent);
        std::string out = work(s);
        if (context.idempotent)
            keepAnswer(s, *context.idempotent, out);
        return out;
    });
    storage::faultAfterCommit(method);
    return result;
}

// Wraps write method `name`: checks the key (1 to 100 printable ASCII
// characters, else 400), answers a repeat from the store (same request: the
// first result, with context.replayed set; another request: 422), and
// otherwise runs the method with the key to store. Calls without the header
// run as before.
Method idempotent(storage::Database& db, std::string name, Method method);

// How long keys are kept at least (the purge drops only older ones).
inline constexpr long long kKeySeconds = 24 * 3600;

}  // namespace confcred::server::methods
