// Whether a new operator password is good enough, by libpwquality (Debian's
// own password checker): at least kMinPasswordBytes characters, not a
// dictionary word or an obvious sequence (cracklib), no character more than
// three times in a row, and not the operator's name.
#pragma once

#include <string>
#include <string_view>

namespace confcred::server::trust {

// Empty when `password` may be set for operator `name`; otherwise why not, in
// Portuguese, to be shown to whoever chose it.
std::string passwordRefusal(std::string_view password, std::string_view name);

}  // namespace confcred::server::trust
