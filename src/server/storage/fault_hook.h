// A test hook for crash tests, never active by default. The environment
// variable CONFCRED_FAULT (read once, at the first write call) names one fault:
// - exit-after-commit:<method>: the server ends at once (_exit(70)) right
//   after committing a write call of that method, before it answers. A retry
//   with the same Idempotency-Key must then get the committed outcome from
//   the restarted server.
// - kill-at-statement:<method>:<N>: the server kills itself (SIGKILL) just
//   before the N-th statement of a write call of that method runs, so the
//   call's transaction is open with N-1 statements done. A restarted server
//   must find none of them.
// Anything else leaves the hook off.
#pragma once

#include <string_view>

namespace confcred::server::storage {

// Called right after a write call's commit; returns unless the hook names `method`.
void faultAfterCommit(std::string_view method);

// The statement of a write call of `method` at which the server is to die:
// 0 unless the hook is kill-at-statement for `method`.
int killAtStatement(std::string_view method);

// Ends the process abruptly, as a crash or `kill -9` would: no destructor,
// no flush, no rollback.
[[noreturn]] void killNow();

}  // namespace confcred::server::storage
