// Reads arbitrary bytes as a bank return file. The reader either refuses with
// a ReturnFileError naming a line of the file, in valid UTF-8, or returns
// records that each point at a line of the file; nothing else escapes.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "bankreturn/return_file.h"

namespace {

// Records as the reader counts them: each LF ends one; a last record without
// its end counts too.
int countLines(std::string_view text) {
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

// Structural UTF-8 check, written apart from the reader's.
bool validUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        if (c >= 0x80)
            n = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
        if (n == 9 || i + n >= s.size())
            return false;
        for (size_t k = 1; k <= n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += n + 1;
    }
    return true;
}

bool digitsOnly(std::string_view s) {
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int lines = countLines(text);
    try {
        const auto file = confcred::bankreturn::readReturnFile(text);
        if (file.bankCode.size() != 3 || !digitsOnly(file.bankCode) || lines < 2)
            __builtin_trap();
        for (const auto& r : file.records) {
            if (r.line < 2 || r.line >= lines || r.faceValueCents < 0 || r.paidCents < 0 ||
                r.feesCents < 0 || r.discountCents < 0 || r.occurrence.size() != 2 ||
                !validUtf8(r.nossoNumero) || !validUtf8(r.documentNumber))
                __builtin_trap();
            const std::string digits = confcred::bankreturn::slipDigits(r.nossoNumero);
            if (!digitsOnly(digits) || (!digits.empty() && digits.front() == '0'))
                __builtin_trap();
        }
    } catch (const confcred::bankreturn::ReturnFileError& e) {
        const std::string_view message = e.what();
        if (e.line() < 1 || e.line() > std::max(lines, 1) || e.column() < 1 || e.column() > 401 ||
            !validUtf8(message) || message.size() > 300)
            __builtin_trap();
    }
    return 0;
}
