#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using namespace confcred::platform;
using namespace std::chrono_literals;

namespace {

// Sets TZ for one test and puts the previous value back.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            previous_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> previous_;
};

int64_t utcMsNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TEST(Clock, ManualClockSetsAndAdvances) {
    ManualClock clock(DateTime::fromParts(2026, 12, 31, 23, 59, 59, 500));
    clock.advance(600ms);
    EXPECT_EQ(clock.now(), DateTime::fromParts(2027, 1, 1, 0, 0, 0, 100));
    clock.set(DateTime::fromParts(2000, 2, 29));
    EXPECT_EQ(clock.now(), DateTime::fromParts(2000, 2, 29));
}

TEST(Clock, ScopedClocksNestAndRestore) {
    ManualClock outer(DateTime::fromParts(2020, 1, 1));
    ManualClock inner(DateTime::fromParts(2021, 1, 1));
    {
        ScopedClock a(outer);
        EXPECT_EQ(now(), outer.now());
        {
            ScopedClock b(inner);
            EXPECT_EQ(&currentClock(), &inner);
        }
        EXPECT_EQ(now(), outer.now());
        setCurrentClock(nullptr);
        EXPECT_NE(dynamic_cast<SystemClock*>(&currentClock()), nullptr);
    }
    EXPECT_NE(dynamic_cast<SystemClock*>(&currentClock()), nullptr);
}

TEST(Clock, SystemClockShowsLocalWallTime) {
    // Offsets as POSIX TZ rules, so no time zone database is needed.
    const struct {
        const char* tz;
        int64_t offsetMs;
    } rows[] = {{"UTC0", 0}, {"BRT3", -3 * 3'600'000}, {"JST-9", 9 * 3'600'000}};
    for (const auto& row : rows) {
        ScopedTimeZone zone(row.tz);
        const int64_t before = utcMsNow();
        const int64_t local = SystemClock().now().msSinceEpoch();
        const int64_t after = utcMsNow();
        EXPECT_GE(local, before + row.offsetMs) << row.tz;
        EXPECT_LE(local, after + row.offsetMs) << row.tz;
    }
}
