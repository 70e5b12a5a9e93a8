#pragma once
// Where the current local time comes from. Code asks now() instead of the
// system, so that tests can set the time and move it forward.

#include <atomic>
#include <chrono>
#include <cstdint>

#include "platform/datetime.h"

namespace confcred::platform {

class Clock {
  public:
    virtual ~Clock();
    virtual DateTime now() const = 0;
};

// Local wall time to the millisecond, in the process's time zone.
class SystemClock final : public Clock {
  public:
    DateTime now() const override;
};

// A clock that shows what it was set to; for tests.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(DateTime start = DateTime::fromParts(2000, 1, 1))
        : ms_(start.msSinceEpoch()) {}
    DateTime now() const override { return DateTime::fromMsSinceEpoch(ms_.load()); }
    void set(DateTime t) { ms_.store(t.msSinceEpoch()); }
    void advance(std::chrono::milliseconds d) { ms_.fetch_add(d.count()); }

  private:
    std::atomic<int64_t> ms_;
};

// The process-wide clock: the system clock unless one was installed.
Clock& currentClock();
// Installs c (which must outlive its use); nullptr returns to the system clock.
void setCurrentClock(Clock* c);
DateTime now();

// Installs a clock for the lifetime of the scope and then restores the one before.
class ScopedClock {
  public:
    explicit ScopedClock(Clock& c);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

  private:
    Clock* previous_;
};

}  // namespace confcred::platform
