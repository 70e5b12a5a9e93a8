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
// still one column) in `storage`; any other file already is.
class SingleByteLines {
  public:
    SingleByteLines(std::string_view& text, std::deque<std::string>& storage) : storage_(storage) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        utf8_ = platform::asciiPrefix(text) != text.size() && validUtf8(text);
    }
    std::string_view operator()(std::string_view line) {
        if (!utf8_ || platform::asciiPrefix(line) == line.size())
            return line;
        return storage_.emplace_back(platform::utf8ToCp1252(line));
    }

  private:
    bool utf8_ = false;
    std::deque<std::string>& storage_;
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

// The record's length without the blanks and carriage returns at its end.
int contentLength(std::string_view text) {
    const size_t last = text.find_last_not_of(" \r");
    return last == std::string_view::npos ? 0 : static_cast<int>(last + 1);
}

// The layout of a file whose first record is `first`: a CNAB 400 header
// carries its sequence number in 395-400, so whatever ends by column 240 is
// CNAB 240; 0 when neither.
int layoutOf(const FixedLine& first) {
    const int content = contentLength(first.raw(1, first.length()));
    return content == 0 ? 0 : content <= 240 ? 240 : content <= 400 ? 400 : 0;
}

// Brings each record whose length differs from the layout's only by blanks
// at its end to that length, padded with blanks in `padded`, and counts
// them. Nothing is lost: every field is read as the bank wrote it, and a
// field the record ends in the middle of is still refused where it is read.
// A record longer by other characters is left for requireLength to refuse.
int fitToLayout(std::vector<FixedLine>& lines, int length, std::deque<std::string>& padded) {
    int adjusted = 0;
    for (FixedLine& line : lines) {
        if (line.length() == length)
            continue;
        const std::string_view text = line.raw(1, line.length());
        if (line.length() > length) {
            if (contentLength(text) > length)
                continue;
            line.refit(text.substr(0, static_cast<size_t>(length)));
        } else {
            std::string& whole = padded.emplace_back(text);
            whole.resize(static_cast<size_t>(length), ' ');
            line.refit(whole);
        }
        ++adjusted;
    }
    return adjusted;
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

RecordLines recordLines(std::string_view text, const std::string& kind) {
    RecordLines records;
    SingleByteLines singleByte(text, records.storage);
    records.lines = splitLines(text, singleByte);
    if (records.lines.empty())
        throw ReturnFileError(1, 1, "o " + kind + " está vazio");
    const FixedLine& first = records.lines.front();
    records.layout = layoutOf(first);
    if (records.layout == 0)
        first.fail(1, "o registro tem " + std::to_string(first.length()) + " caracteres; um " +
                          kind + " CNAB tem registros de 240 ou 400");
    records.adjusted = fitToLayout(records.lines, records.layout, records.storage);
    return records;
}

}  // namespace detail

ReturnFileError::ReturnFileError(int line, int column, const std::string& message)
    : std::runtime_error("Linha " + std::to_string(line) + ", coluna " + std::to_string(column) +
                         ": " + message),
      line_(line),
      column_(column) {}

ReturnFile readReturnFile(std::string_view text) {
    detail::RecordLines records = detail::recordLines(text, "arquivo de retorno");
    ReturnFile file = records.layout == 240 ? detail::readCnab240(records.lines)
                                            : detail::readCnab400(records.lines);
    file.adjustedLines = records.adjusted;
    return file;
}

std::string adjustedLinesNote(const ReturnFile& file) {
    if (file.adjustedLines == 0)
        return {};
    return std::to_string(file.adjustedLines) + (file.adjustedLines == 1
                                                     ? " linha com brancos finais ajustados"
                                                     : " linhas com brancos finais ajustados");
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
