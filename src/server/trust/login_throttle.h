// Slows the guessing of passwords without letting an outsider lock an
// operator out. Failed logins are counted three ways: per client address,
// per operator name, and per address and name together. Beyond a few free
// failures each count asks the next attempt to wait a delay that doubles with
// every further failure:
// - address and name together: after 3 failures, 1 s, 2 s, 4 s ... at most 60 s
//   (one desk guessing one name);
// - address: after 10 failures, the same doubling up to 60 s (one desk
//   guessing many names);
// - name: after 3 failures, 1 s, 2 s, 4 s, at most kMaxNameDelay (5 s), so
//   whoever knows a name can slow that operator, from other addresses, by a
//   few seconds per attempt at most, never lock him out.
// An attempt that comes too early is refused unseen. Kept in memory per
// server process; a success clears its name's and its pair's counts (not the
// address's: one account of its own must not let a desk guess on); a count
// quiet for 15 minutes starts afresh.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace confcred::server::trust {

class LoginThrottle {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kFreeFailures = 3;             // per pair and per name
    static constexpr int kFreeFailuresPerAddress = 10;  // many desks may share one
    static constexpr std::chrono::seconds kMaxDelay{60};
    static constexpr std::chrono::seconds kMaxNameDelay{5};
    // A key quiet this long starts afresh.
    static constexpr std::chrono::minutes kForgetAfter{15};

    // How long an attempt for `name` from `address` must still wait; zero
    // when it may go on.
    std::chrono::seconds waitFor(const std::string& address, const std::string& name,
                                 Clock::time_point now = Clock::now());
    void failed(const std::string& address, const std::string& name,
                Clock::time_point now = Clock::now());
    void succeeded(const std::string& address, const std::string& name);

  private:
    struct Entry {
        int failures = 0;
        Clock::time_point last, notBefore;
    };
    void note(const std::string& key, int free, std::chrono::seconds maxDelay,
              Clock::time_point now);
    void forgetOld(Clock::time_point now);

    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace confcred::server::trust
