#include "support/wait_until.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace confcred::testing {

namespace {

WaitStep& waitStep() {
    static WaitStep step;
    return step;
}

}  // namespace

void setWaitStep(WaitStep step) {
    waitStep() = std::move(step);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::milliseconds kPoll{5};
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return false;
        const auto pause = std::min<std::chrono::milliseconds>(
            kPoll, std::chrono::ceil<std::chrono::milliseconds>(deadline - now));
        if (waitStep())
            waitStep()(pause);
        else
            std::this_thread::sleep_for(pause);
    }
}

}  // namespace confcred::testing
