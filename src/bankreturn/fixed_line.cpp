#include "bankreturn/fixed_line.h"

#include <algorithm>

#include "bankreturn/return_file.h"
#include "platform/cp1252.h"
#include "platform/text.h"

namespace confcred::bankreturn::detail {
namespace {

// Enough of a field to recognise it in the file; amounts and dates fit whole.
constexpr int kQuoteWidth = 20;

bool allOf(std::string_view s, char c) {
    return std::all_of(s.begin(), s.end(), [c](char x) { return x == c; });
}

bool allDigits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char x) { return x >= '0' && x <= '9'; });
}

int64_t digitsValue(std::string_view s) {
    int64_t value = 0;
    for (char c : s)
        value = value * 10 + (c - '0');
    return value;
}

}  // namespace

std::string_view FixedLine::raw(int column, int width) const {
    // The layouts never read past the record length, which the reader checked.
    return text_.substr(static_cast<size_t>(column - 1), static_cast<size_t>(width));
}

std::string FixedLine::text(int column, int width) const {
    const std::string_view piece = platform::trimBlanks(raw(column, width));
    const bool ascii = std::all_of(piece.begin(), piece.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii ? std::string(piece) : platform::cp1252ToUtf8(piece);
}

int64_t FixedLine::number(int column, int width, std::string_view field) const {
    const std::string_view digits = raw(column, width);
    if (!allDigits(digits))
        refuse(column, width,
               "valor não numérico no campo " + std::string(field) + ": " + quote(column, width));
    return digitsValue(digits);
}

std::optional<int64_t> FixedLine::numberOrBlank(int column, int width,
                                                std::string_view field) const {
    if (allOf(raw(column, width), ' '))
        return std::nullopt;
    return number(column, width, field);
}

std::optional<platform::DateTime> FixedLine::date(int column, DateForm form,
                                                  std::string_view field) const {
    const int width = form == DateForm::DdMmYy ? 6 : 8;
    const std::string_view digits = raw(column, width);
    if (allOf(digits, '0') || allOf(digits, ' '))
        return std::nullopt;
    std::optional<platform::DateTime> date;
    if (allDigits(digits)) {
        const auto part = [&](size_t at, size_t n) {
            return static_cast<int>(digitsValue(digits.substr(at, n)));
        };
        if (form == DateForm::YyyyMmDd) {
            date = platform::DateTime::tryFromParts(part(0, 4), part(4, 2), part(6, 2));
        } else {
            int year = part(4, static_cast<size_t>(width - 4));
            if (form == DateForm::DdMmYy)
                year += year >= 70 ? 1900 : 2000;
            date = platform::DateTime::tryFromParts(year, part(2, 2), part(0, 2));
        }
    }
    if (!date)
        refuse(column, width,
               "data inválida no campo " + std::string(field) + ": " + quote(column, width) +
                   (form == DateForm::DdMmYy     ? " (esperado DDMMAA)"
                    : form == DateForm::DdMmYyyy ? " (esperado DDMMAAAA)"
                                                 : " (esperado AAAAMMDD)"));
    return date;
}

void FixedLine::refuse(int column, int width, const std::string& message) const {
    if (column + width - 1 > received_)
        fail(column, message + "; o registro recebido termina na coluna " +
                         std::to_string(received_) +
                         (received_ < column ? ", antes do campo" : ", no meio do campo"));
    fail(column, message);
}

void FixedLine::fail(int column, const std::string& message) const {
    throw ReturnFileError(number_, column, message);
}

std::string FixedLine::quote(int column, int width) const {
    const std::string_view piece = raw(column, std::min(width, kQuoteWidth));
    return "\"" + platform::cp1252ToUtf8(piece) + (width > kQuoteWidth ? "…\"" : "\"");
}

}  // namespace confcred::bankreturn::detail
