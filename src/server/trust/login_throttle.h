// Slows the guessing of passwords: after three failed logins from one client
// address or for one operator name, each further attempt must wait a delay
// that doubles with every failure (1 s, 2 s, 4 s, ... at most 60 s). Kept in
// memory per server process; a success clears both counts.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <unordered_map>

namespace confcred::server::trust {

class LoginThrottle {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr int kFreeFailures = 3;
    static constexpr std::chrono::seconds kMaxDelay{60};
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
    void note(const std::string& key, Clock::time_point now);
    void forgetOld(Clock::time_point now);

    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace confcred::server::trust
