#include "platform/assert.h"

#include <cstdio>
#include <cstdlib>

namespace confcred::platform {

void assertionFailed(const char* file, int line, const char* condition,
                     const char* message) noexcept {
    std::fprintf(stderr, "%s:%d: assertion failed: %s%s%s\n", file, line, condition,
                 message ? ": " : "", message ? message : "");
    std::fflush(stderr);
    std::abort();
}

}  // namespace confcred::platform
