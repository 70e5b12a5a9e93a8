#include "bankreturn/statement.h"

#include <simdjson.h>

#include "bankreturn/statement_text.h"
#include "platform/cp1252.h"

namespace confcred::bankreturn {
namespace detail {

std::string statementUtf8(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (platform::asciiPrefix(text) == text.size() ||
        simdjson::validate_utf8(text.data(), text.size()))
        return std::string(text);
    return platform::cp1252ToUtf8(text);
}

Position positionOf(std::string_view text, size_t offset) {
    Position p;
    offset = std::min(offset, text.size());
    for (size_t i = 0; i < offset; ++i) {
        const char c = text[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++p.line;
            p.column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && c != '\r') {
            ++p.column;  // a character's first byte
        }
    }
    return p;
}

int LineCounter::lineOf(size_t offset) {
    offset = std::min(offset, text_.size());
    if (offset < offset_)
        offset_ = 0, line_ = 1;
    for (; offset_ < offset; ++offset_) {
        const char c = text_[offset_];
        line_ +=
            c == '\n' || (c == '\r' && (offset_ + 1 >= text_.size() || text_[offset_ + 1] != '\n'));
    }
    return line_;
}

std::string foldBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

std::string quoted(std::string_view value) {
    constexpr size_t kChars = 40;
    size_t chars = 0, end = 0;
    while (end < value.size()) {
        if ((static_cast<unsigned char>(value[end]) & 0xC0) != 0x80 && chars++ == kChars)
            break;
        ++end;
    }
    return "\"" + std::string(value.substr(0, end)) + (end < value.size() ? "...\"" : "\"");
}

std::string digitsOf(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digits += c;
    }
    return digits;
}

platform::DateTime brasiliaTime(platform::DateTime written, std::optional<int> offsetMinutes) {
    if (!offsetMinutes)
        return written;
    constexpr int kBrasilia = -180;
    return written.addMs(static_cast<int64_t>(kBrasilia - *offsetMinutes) * 60'000);
}

}  // namespace detail

std::optional<int64_t> statementAmountCents(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.empty())
        return 0;
    bool negative = false;
    if (text.front() == '-' || text.front() == '+') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // The decimal separator is the last separator when one or two digits
    // follow it; every other separator must split the whole part in threes.
    const size_t last = text.find_last_of(".,");
    std::string_view whole = text;
    std::string_view decimals;
    if (last != std::string_view::npos) {
        const size_t after = text.size() - last - 1;
        const bool repeated = text.find(text[last]) != last;
        const bool otherBefore =
            text.substr(0, last).find(text[last] == '.' ? ',' : '.') != std::string_view::npos;
        if (after == 1 || after == 2) {
            if (repeated)
                return std::nullopt;  // "1.234.56": the decimals' mark also splits thousands
            whole = text.substr(0, last);
            decimals = text.substr(last + 1);
        } else if (after == 3 && (repeated || otherBefore)) {
            // "1.234.567" or "1,234.567": thousands only when nothing else can be read
            if (otherBefore)
                return std::nullopt;
        } else {
            return std::nullopt;  // "1.234" alone, "1.2345", "12."
        }
    }
    if (whole.empty() || decimals.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int64_t value = 0;
    int groupDigits = 0;
    bool grouped = false;
    char groupMark = 0;
    for (size_t i = 0; i < whole.size(); ++i) {
        const char c = whole[i];
        if (c == '.' || c == ',') {
            if ((grouped && groupDigits != 3) ||
                (!grouped && (groupDigits == 0 || groupDigits > 3)) ||
                (groupMark != 0 && c != groupMark))
                return std::nullopt;
            grouped = true;
            groupMark = c;
            groupDigits = 0;
            continue;
        }
        if (c < '0' || c > '9' || value > 9'000'000'000'000'000 / 1000)
            return std::nullopt;
        value = value * 10 + (c - '0');
        ++groupDigits;
    }
    if ((grouped && groupDigits != 3) || groupDigits == 0)
        return std::nullopt;
    int64_t cents = value * 100;
    if (!decimals.empty())
        cents += (decimals[0] - '0') * 10 + (decimals.size() == 2 ? decimals[1] - '0' : 0);
    return negative ? -cents : cents;
}

Statement readStatement(std::string_view text) {
    size_t first = 0;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        first = 3;
    first = text.find_first_not_of(" \t\r\n", first);
    if (first == std::string_view::npos)
        throw ReturnFileError(1, 1, "o extrato está vazio");
    const char c = text[first];
    if (c == '{' || c == '[')
        return readPixStatement(text);
    if (c == '<' || text.substr(first, 9) == "OFXHEADER")
        return readOfxStatement(text);
    if (c >= '0' && c <= '9')
        return readCnab240Statement(text);
    const detail::Position at = detail::positionOf(text, first);
    throw ReturnFileError(at.line, at.column,
                          "formato de extrato desconhecido: esperado OFX, CNAB 240 ou PIX (JSON)");
}

}  // namespace confcred::bankreturn
