#pragma once
// Small text helpers shared by the layers.

#include <string_view>

namespace confcred::platform {

// The text without the blanks and tabs around it.
inline std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

}  // namespace confcred::platform
