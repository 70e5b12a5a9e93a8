#pragma once
// Checks of the invariants the code relies on. CONFCRED_ASSERT(condition) and
// CONFCRED_ASSERT_MSG(condition, message) print the file, the line, the
// condition (and the message) to stderr and abort when the condition is false.
// They are compiled in when CONFCRED_ASSERTIONS is 1 (the build option of the
// same name, on in Debug builds, which the tests use) and compiled out
// otherwise: the condition is then not evaluated, so it must have no effect
// the program needs. Keep them off inner loops that the benchmarks measure.

#ifndef CONFCRED_ASSERTIONS
#define CONFCRED_ASSERTIONS 0
#endif

namespace confcred::platform {

// Reports a failed assertion and aborts. `message` may be null.
[[noreturn]] void assertionFailed(const char* file, int line, const char* condition,
                                  const char* message) noexcept;

}  // namespace confcred::platform

#if CONFCRED_ASSERTIONS
#define CONFCRED_ASSERT_MSG(condition, message) \
    (static_cast<bool>(condition)               \
         ? static_cast<void>(0)                 \
         : ::confcred::platform::assertionFailed(__FILE__, __LINE__, #condition, message))
#else
// Unevaluated, yet the names in it count as used.
#define CONFCRED_ASSERT_MSG(condition, message) \
    static_cast<void>(sizeof(static_cast<bool>(condition), (message)))
#endif

#define CONFCRED_ASSERT(condition) CONFCRED_ASSERT_MSG(condition, nullptr)
