// A test hook for crash tests, never active by default: with the environment
// variable CONFCRED_FAULT=exit-after-commit:<method> (read once, at the first
// write), the server ends at once (_exit(70)) right after committing a write
// call of that method, before it answers. A retry with the same Idempotency-Key
// must then get the committed outcome from the restarted server.
#pragma once

#include <string_view>

namespace confcred::server::storage {

// Called right after a write call's commit; returns unless the hook names `method`.
void faultAfterCommit(std::string_view method);

}  // namespace confcred::server::storage
