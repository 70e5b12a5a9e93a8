// Reads arbitrary bytes as a bank statement with one reader (chosen at build
// time: STATEMENT_READER). The reader either refuses with a ReturnFileError
// naming a place in the file, in valid UTF-8, or returns entries that each
// point at a line of the file with texts in valid UTF-8; nothing else escapes.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "bankreturn/statement.h"

namespace {

// Lines as the readers count them: LF, CR LF and a lone CR each end one.
int countLines(std::string_view text) {
    int lines = 1;
    for (size_t i = 0; i < text.size(); ++i)
        lines +=
            text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'));
    return lines;
}

bool validUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        if (c >= 0x80)
            n = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
        if (n == 9 || i + n >= s.size() + (n == 0 ? 1 : 0))
            return false;
        for (size_t k = 1; k <= n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += n + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int lines = countLines(text);
    try {
        const auto statement = confcred::bankreturn::STATEMENT_READER(text);
        for (const auto& e : statement.entries) {
            if (e.line < 1 || e.line > lines || !validUtf8(e.id) || !validUtf8(e.description) ||
                !validUtf8(e.payerName) || !validUtf8(e.txid) ||
                e.payerDocument.find_first_not_of("0123456789") != std::string::npos)
                __builtin_trap();
        }
    } catch (const confcred::bankreturn::ReturnFileError& e) {
        const std::string_view message = e.what();
        if (e.line() < 1 || e.line() > lines || e.column() < 1 ||
            static_cast<size_t>(e.column()) > std::max<size_t>(size + 1, 241) ||
            !validUtf8(message) || message.size() > 400)
            __builtin_trap();
    }
    return 0;
}
