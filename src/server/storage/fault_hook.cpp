#include "server/storage/fault_hook.h"

#include <unistd.h>

#include <charconv>
#include <csignal>
#include <cstdlib>
#include <string>

#include <boost/algorithm/string/predicate.hpp>

namespace confcred::server::storage {

namespace {

enum class FaultKind { None, ExitAfterCommit, KillAtStatement };

struct Fault {
    FaultKind kind = FaultKind::None;
    std::string method;
    int statement = 0;
};

Fault parseFault(std::string_view text) {
    constexpr std::string_view kExit = "exit-after-commit:", kKill = "kill-at-statement:";
    Fault fault;
    if (text.starts_with(kExit)) {
        fault.method = std::string(text.substr(kExit.size()));
        if (!fault.method.empty())
            fault.kind = FaultKind::ExitAfterCommit;
    } else if (text.starts_with(kKill)) {
        text.remove_prefix(kKill.size());
        const auto colon = text.rfind(':');
        if (colon == std::string_view::npos || colon == 0)
            return fault;
        const std::string_view number = text.substr(colon + 1);
        int n = 0;
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), n);
        if (error != std::errc() || end != number.data() + number.size() || n <= 0)
            return fault;
        fault.method = std::string(text.substr(0, colon));
        fault.statement = n;
        fault.kind = FaultKind::KillAtStatement;
    }
    return fault;
}

// The fault CONFCRED_FAULT names; kind None when the hook is off.
const Fault& configuredFault() {
    static const Fault fault = [] {
        const char* value = std::getenv("CONFCRED_FAULT");
        return parseFault(value ? value : "");
    }();
    return fault;
}

bool names(const Fault& fault, FaultKind kind, std::string_view method) {
    return fault.kind == kind && boost::algorithm::iequals(fault.method, method);
}

}  // namespace

void faultAfterCommit(std::string_view method) {
    if (names(configuredFault(), FaultKind::ExitAfterCommit, method))
        _exit(70);
}

int killAtStatement(std::string_view method) {
    const Fault& fault = configuredFault();
    return names(fault, FaultKind::KillAtStatement, method) ? fault.statement : 0;
}

void killNow() {
    ::raise(SIGKILL);
    _exit(137);  // not reached: SIGKILL cannot be caught
}

}  // namespace confcred::server::storage
