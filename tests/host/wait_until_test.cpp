// waitUntil in the widget tests runs the event loop while it waits, so what a
// timer or a signal does is seen; a condition that never holds gives up.
#include "support/wait_until.h"

#include <gtest/gtest.h>

#include <QTimer>

namespace {

using namespace std::chrono_literals;
using confcred::testing::waitUntil;

TEST(WaitUntil, RunsTheEventLoopWhileWaitingAndGivesUpAtItsTime) {
    bool fired = false;
    QTimer::singleShot(20, [&fired] { fired = true; });
    EXPECT_TRUE(waitUntil([&fired] { return fired; }, 30s));

    int checks = 0;
    EXPECT_FALSE(waitUntil(
        [&checks] {
            ++checks;
            return false;
        },
        50ms));
    EXPECT_GE(checks, 2);  // at once, and once more when the time was up
}

}  // namespace
