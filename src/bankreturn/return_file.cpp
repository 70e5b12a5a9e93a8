#include "bankreturn/return_file.h"

#include <algorithm>
#include <deque>

#include "bankreturn/layouts.h"
#include "platform/cp1252.h"

namespace confcred::bankreturn {
namespace detail {
namespace {

// Well-formed UTF-8: no overlong forms, surrogates or code points past U+10FFFF.
bool validUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            i += platform::asciiPrefix(s.substr(i));
            continue;
        }
        size_t n;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF)
            n = 1, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 2, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 3, cp = c & 0x07;
        else
            return false;
        if (i + n >= s.size())
            return false;
        for (size_t k = 1; k <= n; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

// Text with one byte per character: a file in UTF-8 has its lines with other
// characters than ASCII in Windows-1252 (a character it lacks becomes '?',
// still one column) in `converted`; any other file already is.
class SingleByteLines {
  public:
    explicit SingleByteLines(std::string_view& text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        utf8_ = platform::asciiPrefix(text) != text.size() && validUtf8(text);
    }
    std::string_view operator()(std::string_view line) {
        if (!utf8_ || platform::asciiPrefix(line) == line.size())
            return line;
        return converted_.emplace_back(platform::utf8ToCp1252(line));
    }

  private:
    bool utf8_ = false;
    std::deque<std::string> converted_;  // stays where it is as lines are added
};

bool blankLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Records end in LF or CR LF; the DOS end-of-file mark and blank lines after
// the last record are no records.
std::vector<FixedLine> splitLines(std::string_view text, SingleByteLines& singleByte) {
    while (!text.empty() && text.back() == '\x1A')
        text.remove_suffix(1);
    std::vector<FixedLine> lines;
    lines.reserve(text.size() / 240 + 1);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start && text[end - 1] == '\r')
            --end;
        lines.emplace_back(static_cast<int>(lines.size()) + 1,
                           singleByte(text.substr(start, end - start)));
        start = next;
    }
    while (!lines.empty() && blankLine(lines.back().raw(1, lines.back().length())))
        lines.pop_back();
    return lines;
}

}  // namespace

void requireLength(const FixedLine& line, int length) {
    if (line.length() != length)
        line.fail(std::min(line.length(), length) + 1,
                  "o registro tem " + std::to_string(line.length()) +
                      " caracteres; o leiaute CNAB " + std::to_string(length) + " pede " +
                      std::to_string(length));
}

void refuseTruncated(const std::vector<FixedLine>& lines) {
    throw ReturnFileError(
        lines.back().number(), 1,
        "o arquivo termina sem o trailer do arquivo (registro 9): está incompleto");
}

std::string formatCents(uint64_t cents) {
    std::string fraction = std::to_string(cents % 100);
    return "R$ " + std::to_string(cents / 100) + (fraction.size() == 1 ? ",0" : ",") + fraction;
}

}  // namespace detail

ReturnFileError::ReturnFileError(int line, int column, const std::string& message)
    : std::runtime_error("Linha " + std::to_string(line) + ", coluna " + std::to_string(column) +
                         ": " + message),
      line_(line),
      column_(column) {}

ReturnFile readReturnFile(std::string_view text) {
    detail::SingleByteLines singleByte(text);
    const std::vector<detail::FixedLine> lines = detail::splitLines(text, singleByte);
    if (lines.empty())
        throw ReturnFileError(1, 1, "o arquivo de retorno está vazio");
    const detail::FixedLine& first = lines.front();
    if (first.length() == 240)
        return detail::readCnab240(lines);
    if (first.length() == 400)
        return detail::readCnab400(lines);
    first.fail(1, "o registro tem " + std::to_string(first.length()) +
                      " caracteres; um arquivo de retorno CNAB tem registros de 240 ou 400");
}

std::string slipDigits(std::string_view slip) {
    std::string digits;
    slipDigits(slip, digits);
    return digits;
}

void slipDigits(std::string_view slip, std::string& digits) {
    digits.clear();
    for (char c : slip) {
        if (c >= '0' && c <= '9' && !(digits.empty() && c == '0'))
            digits += c;
    }
}

}  // namespace confcred::bankreturn
