#include "server/trust/login_throttle.h"

#include <algorithm>
#include <cstdint>

namespace confcred::server::trust {

namespace {

std::string addressKey(const std::string& address) {
    return "a:" + address;
}
std::string nameKey(const std::string& name) {
    return "n:" + name;
}
std::string pairKey(const std::string& address, const std::string& name) {
    return "p:" + address + '\n' + name;
}

}  // namespace

std::chrono::seconds LoginThrottle::waitFor(const std::string& address, const std::string& name,
                                            Clock::time_point now) {
    std::lock_guard lock(mutex_);
    Clock::time_point until = now;
    for (const std::string& key : {addressKey(address), nameKey(name), pairKey(address, name)})
        if (auto found = entries_.find(key); found != entries_.end())
            until = std::max(until, found->second.notBefore);
    if (until <= now)
        return std::chrono::seconds(0);
    // Rounded up, so that a client that waits as told is let through.
    return std::chrono::ceil<std::chrono::seconds>(until - now);
}

void LoginThrottle::failed(const std::string& address, const std::string& name,
                           Clock::time_point now) {
    std::lock_guard lock(mutex_);
    forgetOld(now);
    note(addressKey(address), kFreeFailuresPerAddress, kMaxDelay, now);
    note(nameKey(name), kFreeFailures, kMaxNameDelay, now);
    note(pairKey(address, name), kFreeFailures, kMaxDelay, now);
}

void LoginThrottle::succeeded(const std::string& address, const std::string& name) {
    std::lock_guard lock(mutex_);
    entries_.erase(nameKey(name));
    entries_.erase(pairKey(address, name));
}

void LoginThrottle::note(const std::string& key, int free, std::chrono::seconds maxDelay,
                         Clock::time_point now) {
    Entry& e = entries_[key];
    if (e.failures > 0 && now - e.last > kForgetAfter)
        e = {};
    ++e.failures;
    e.last = now;
    if (e.failures >= free) {
        const int doublings = std::min(e.failures - free, 6);
        const auto delay = std::min(std::chrono::seconds(std::int64_t{1} << doublings), maxDelay);
        e.notBefore = now + delay;
    }
}

void LoginThrottle::forgetOld(Clock::time_point now) {
    // Bounded memory under a flood of names: quiet keys go once there are many.
    if (entries_.size() < 10'000)
        return;
    std::erase_if(entries_,
                  [&](const auto& item) { return now - item.second.last > kForgetAfter; });
}

}  // namespace confcred::server::trust
