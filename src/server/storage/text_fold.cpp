#include "server/storage/text_fold.h"

#include <array>

namespace confcred::server::storage {

namespace {

// Base letters of U+00C0..U+017F; "" keeps the character (× and ÷).
constexpr std::array<const char*, 0xC0> kLatin = {
    "a", "a", "a",  "a",  "a", "a", "ae", "c",  "e",  "e", "e", "e", "i",  "i",  "i", "i", "d", "n",
    "o", "o", "o",  "o",  "o", "",  "o",  "u",  "u",  "u", "u", "y", "th", "ss", "a", "a", "a", "a",
    "a", "a", "ae", "c",  "e", "e", "e",  "e",  "i",  "i", "i", "i", "d",  "n",  "o", "o", "o", "o",
    "o", "",  "o",  "u",  "u", "u", "u",  "y",  "th", "y", "a", "a", "a",  "a",  "a", "a", "c", "c",
    "c", "c", "c",  "c",  "c", "c", "d",  "d",  "d",  "d", "e", "e", "e",  "e",  "e", "e", "e", "e",
    "e", "e", "g",  "g",  "g", "g", "g",  "g",  "g",  "g", "h", "h", "h",  "h",  "i", "i", "i", "i",
    "i", "i", "i",  "i",  "i", "i", "ij", "ij", "j",  "j", "k", "k", "k",  "l",  "l", "l", "l", "l",
    "l", "l", "l",  "l",  "l", "n", "n",  "n",  "n",  "n", "n", "n", "n",  "n",  "o", "o", "o", "o",
    "o", "o", "oe", "oe", "r", "r", "r",  "r",  "r",  "r", "s", "s", "s",  "s",  "s", "s", "s", "s",
    "t", "t", "t",  "t",  "t", "t", "u",  "u",  "u",  "u", "u", "u", "u",  "u",  "u", "u", "u", "u",
    "w", "w", "y",  "y",  "y", "z", "z",  "z",  "z",  "z", "z", "s",
};

}  // namespace

std::string foldForSearch(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
            continue;
        }
        // Two-byte sequences C3 80 .. C5 BF are U+00C0 .. U+017F.
        if (c >= 0xC3 && c <= 0xC5 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if ((next & 0xC0) == 0x80) {
                const unsigned code = ((c & 0x1Fu) << 6) | (next & 0x3Fu);
                if (code >= 0xC0 && *kLatin[code - 0xC0]) {
                    out += kLatin[code - 0xC0];
                    ++i;
                    continue;
                }
            }
        }
        out += static_cast<char>(c);
    }
    return out;
}

std::string containsPattern(std::string_view text) {
    const std::string folded = foldForSearch(text);
    std::string pattern;
    pattern.reserve(folded.size() + 8);
    pattern += '%';
    for (char c : folded) {
        if (c == '\\' || c == '%' || c == '_')
            pattern += '\\';
        pattern += c;
    }
    pattern += '%';
    return pattern;
}

}  // namespace confcred::server::storage
