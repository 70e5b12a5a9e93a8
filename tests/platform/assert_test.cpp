#include "platform/assert.h"

#include <gtest/gtest.h>

namespace confcred::platform {
namespace {

// The test build checks invariants: a false one stops the program at once,
// naming where and what, and a true one lets it go on.
TEST(Assert, AFalseConditionAbortsNamingFileLineAndCondition) {
#if CONFCRED_ASSERTIONS
    int checked = 0;
    CONFCRED_ASSERT(++checked == 1);
    EXPECT_EQ(checked, 1);
    EXPECT_DEATH(CONFCRED_ASSERT_MSG(checked + 1 == 3, "two rows in one place"),
                 "assert_test\\.cpp:[0-9]+: assertion failed: checked \\+ 1 == 3: two rows "
                 "in one place");
    EXPECT_DEATH(CONFCRED_ASSERT(checked == 0), "assertion failed: checked == 0\n");
#else
    GTEST_SKIP() << "assertions are compiled out of this build";
#endif
}

}  // namespace
}  // namespace confcred::platform
