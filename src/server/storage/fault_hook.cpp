#include "server/storage/fault_hook.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include <boost/algorithm/string/predicate.hpp>

namespace confcred::server::storage {

namespace {

// The method named by CONFCRED_FAULT, "" when the hook is off.
const std::string& faultMethod() {
    static const std::string method = [] {
        constexpr std::string_view kPrefix = "exit-after-commit:";
        const char* value = std::getenv("CONFCRED_FAULT");
        const std::string_view text = value ? value : "";
        return text.substr(0, kPrefix.size()) == kPrefix ? std::string(text.substr(kPrefix.size()))
                                                         : std::string();
    }();
    return method;
}

}  // namespace

void faultAfterCommit(std::string_view method) {
    const std::string& named = faultMethod();
    if (!named.empty() && boost::algorithm::iequals(named, method))
        _exit(70);
}

}  // namespace confcred::server::storage
