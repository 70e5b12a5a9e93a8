// Reads arbitrary bytes as an import file. Every line must end up as an order,
// a warning or a recognised line, and every warning must fit a DSLINHA as
// valid UTF-8.

#include <cstdint>
#include <string_view>

#include "server/methods/import_reader.h"

namespace {

// Lines as the reader counts them: CR LF, LF and CR each end one; a last line
// without an end counts too. A leading byte order mark is not a line.
int countLines(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    int lines = 0;
    std::size_t i = 0;
    bool open = false;
    while (i < text.size()) {
        const char c = text[i++];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i < text.size() && text[i] == '\n')
                ++i;
            ++lines;
            open = false;
        } else {
            open = true;
        }
    }
    return lines + (open ? 1 : 0);
}

// Decodes each sequence to its code point and refuses overlongs, surrogates
// and anything past U+10FFFF; written apart from the reader's own check.
bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= s.size())
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        static constexpr std::uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kSmallest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto result = confcred::server::methods::readImportFile(text);
    const int lines = countLines(text);
    if (result.lineCount != lines)
        __builtin_trap();
    if (static_cast<std::int64_t>(result.orders.size() + result.warnings.size()) +
            result.omittedWarnings + result.recognisedLines !=
        lines)
        __builtin_trap();
    for (const auto& warning : result.warnings)
        if (warning.text.size() > 250 || !validUtf8(warning.text) || warning.lineNumber < 1 ||
            warning.lineNumber > lines)
            __builtin_trap();
    for (const auto& order : result.orders)
        if (order.families.empty() || order.lineNumber < 1 || order.lineNumber > lines)
            __builtin_trap();
    return 0;
}
