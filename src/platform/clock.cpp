#include "platform/clock.h"

#include <ctime>
#include <stdexcept>
#include <string>

namespace confcred::platform {
namespace {

SystemClock& systemClock() {
    static SystemClock clock;
    return clock;
}

// nullptr stands for the system clock.
std::atomic<Clock*> installed{nullptr};

}  // namespace

Clock::~Clock() = default;

DateTime SystemClock::now() const {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    if (localtime_r(&ts.tv_sec, &local) == nullptr) {
        throw std::runtime_error("localtime_r failed for " + std::to_string(ts.tv_sec));
    }
    // A leap second shows as :59 rather than an impossible :60.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    auto value =
        DateTime::tryFromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                               local.tm_min, second, static_cast<int>(ts.tv_nsec / 1'000'000));
    if (!value) {
        throw std::runtime_error("system time out of range: year " +
                                 std::to_string(local.tm_year + 1900));
    }
    return *value;
}

Clock& currentClock() {
    Clock* c = installed.load();
    return c != nullptr ? *c : systemClock();
}

void setCurrentClock(Clock* c) {
    installed.store(c);
}

DateTime now() {
    return currentClock().now();
}

ScopedClock::ScopedClock(Clock& c) : previous_(installed.exchange(&c)) {}

ScopedClock::~ScopedClock() {
    installed.store(previous_);
}

}  // namespace confcred::platform
