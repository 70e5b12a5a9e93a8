#include "platform/regional.h"

#include "platform/text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "platform/assert.h"

namespace confcred::platform {
namespace {

RegionalSettings& settings() {
    static RegionalSettings current = RegionalSettings::brazilian();
    return current;
}

std::string nonFinite(double v) {
    if (std::isnan(v))
        return "NaN";
    return v < 0 ? "-INF" : "INF";
}

// Adds one unit in the last place to a plain decimal text of digits and one
// '.' (no sign), carrying as far as needed ("9.99" -> "10.00").
void incrementLastDigit(std::string& text) {
    for (size_t i = text.size(); i-- > 0;) {
        if (text[i] == '.')
            continue;
        if (text[i] != '9') {
            ++text[i];
            return;
        }
        text[i] = '0';
    }
    text.insert(text.begin(), '1');
}

bool allZeroDigits(std::string_view text) {
    for (char c : text) {
        if (c >= '1' && c <= '9')
            return false;
    }
    return true;
}

void appendTwoDigits(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

void appendFourDigits(std::string& out, int v) {
    appendTwoDigits(out, v / 100);
    appendTwoDigits(out, v % 100);
}

// A small cursor over the text parseDate reads.
struct Reader {
    std::string_view text;
    size_t pos = 0;

    bool atEnd() const { return pos == text.size(); }
    bool take(char c) {
        if (atEnd() || text[pos] != c)
            return false;
        ++pos;
        return true;
    }
    // Reads between minDigits and maxDigits decimal digits.
    bool number(size_t minDigits, size_t maxDigits, int& out) {
        size_t n = 0;
        int value = 0;
        while (!atEnd() && n < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
            value = value * 10 + (text[pos] - '0');
            ++pos;
            ++n;
        }
        out = value;
        return n >= minDigits;
    }
    bool blanks() {
        const size_t start = pos;
        while (!atEnd() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
        return pos > start;
    }
};

}  // namespace

RegionalSettings RegionalSettings::brazilian() {
    return RegionalSettings{',', '.', '/', ':'};
}

const RegionalSettings& regional() {
    return settings();
}

void setRegional(const RegionalSettings& s) {
    settings() = s;
}

std::string formatCount(uint64_t n, const RegionalSettings& r) {
    const std::string digits = std::to_string(n);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += r.thousandSeparator;
        text += digits[i];
    }
    return text;
}

std::string formatMoney(int64_t cents, const RegionalSettings& r) {
    // In unsigned arithmetic, so the most negative amount has a magnitude too.
    const uint64_t magnitude =
        cents < 0 ? uint64_t{0} - static_cast<uint64_t>(cents) : static_cast<uint64_t>(cents);
    std::string text = cents < 0 ? "-" : "";
    text += r.currencySymbol;
    text += ' ';
    text += formatCount(magnitude / 100, r);
    text += r.decimalSeparator;
    const auto decimals = static_cast<unsigned>(magnitude % 100);
    text += static_cast<char>('0' + decimals / 10);
    text += static_cast<char>('0' + decimals % 10);
    return text;
}

std::string formatFloat00(double v, const RegionalSettings& r) {
    if (!std::isfinite(v))
        return nonFinite(v);
    const bool negative = std::signbit(v);
    const double magnitude = std::fabs(v);
    // Large enough for every finite double in fixed notation with 3 decimals.
    char buf[400];
    std::string text;
    // to_chars rounds the exact binary value, and an exact half to even. An
    // exact half at the second decimal is a multiple of 1/8 with an odd
    // numerator (x.125, x.375, ...); those round away from zero as the
    // decimal value would.
    const bool exactHalf = magnitude < 0x1p50 && std::fmod(magnitude * 8, 2.0) == 1.0;
    if (exactHalf) {
        auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, 3);
        text.assign(buf, res.ptr - 1);  // drops the final '5'
        incrementLastDigit(text);
    } else {
        auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, 2);
        text.assign(buf, res.ptr);
    }
    // Fixed notation with two decimals: "d.dd" at least.
    CONFCRED_ASSERT(text.size() >= 4 && text[text.size() - 3] == '.');
    text[text.size() - 3] = r.decimalSeparator;
    if (negative && !allZeroDigits(text))
        text.insert(text.begin(), '-');
    return text;
}

std::string formatFloat00(std::optional<double> v, const RegionalSettings& r) {
    return formatFloat00(v.value_or(0.0), r);
}

std::string formatFloat(double v, const RegionalSettings& r) {
    if (!std::isfinite(v))
        return nonFinite(v);
    if (v == 0)
        return "0";
    // Fifteen significant digits, correctly rounded: "d.dddddddddddddde±x".
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));
    const bool negative = sci.front() == '-';
    if (negative)
        sci.remove_prefix(1);
    const size_t e = sci.find('e');
    int exponent = 0;
    const char* expBegin = sci.data() + e + 1;
    if (*expBegin == '+')
        ++expBegin;
    std::from_chars(expBegin, sci.data() + sci.size(), exponent);
    std::string digits;
    for (char c : sci.substr(0, e)) {
        if (c != '.')
            digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= 15 || exponent < -5) {
        out += digits[0];
        if (digits.size() > 1) {
            out += r.decimalSeparator;
            out.append(digits, 1);
        }
        out += 'E';
        out += std::to_string(exponent);
    } else if (exponent < 0) {
        out += '0';
        out += r.decimalSeparator;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
    } else {
        const size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out += digits;
            out.append(intDigits - digits.size(), '0');
        } else {
            out.append(digits, 0, intDigits);
            out += r.decimalSeparator;
            out.append(digits, intDigits);
        }
    }
    return out;
}

std::string formatDate(DateTime d, const RegionalSettings& r) {
    const Date date = d.date();
    std::string out;
    out.reserve(10);
    appendTwoDigits(out, date.day);
    out += r.dateSeparator;
    appendTwoDigits(out, date.month);
    out += r.dateSeparator;
    appendFourDigits(out, date.year);
    return out;
}

std::string formatTime(DateTime d, const RegionalSettings& r) {
    const TimeOfDay t = d.time();
    std::string out;
    out.reserve(8);
    appendTwoDigits(out, t.hour);
    out += r.timeSeparator;
    appendTwoDigits(out, t.minute);
    out += r.timeSeparator;
    appendTwoDigits(out, t.second);
    return out;
}

std::string formatDateTime(DateTime d, const RegionalSettings& r) {
    if (d.isMidnight())
        return formatDate(d, r);
    return formatDate(d, r) + ' ' + formatTime(d, r);
}

std::string formatStampCompact(DateTime d) {
    const Date date = d.date();
    const TimeOfDay t = d.time();
    std::string out;
    out.reserve(14);
    appendTwoDigits(out, date.day);
    appendTwoDigits(out, date.month);
    appendFourDigits(out, date.year);
    appendTwoDigits(out, t.hour);
    appendTwoDigits(out, t.minute);
    appendTwoDigits(out, t.second);
    return out;
}

std::string formatStampLog(DateTime d, const RegionalSettings& r) {
    return formatDate(d, r) + ' ' + formatTime(d, r);
}

std::optional<double> parseFloat(std::string_view text, const RegionalSettings& r) {
    text = trimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const bool dotIsDecimal = r.decimalSeparator == '.' || r.thousandSeparator != '.';
    std::string plain;
    plain.reserve(text.size() + 1);
    bool seenSeparator = false;
    bool seenDigit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            plain += c;
            seenDigit = true;
        } else if ((c == r.decimalSeparator || (c == '.' && dotIsDecimal)) && !seenSeparator) {
            plain += '.';
            seenSeparator = true;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    if (plain.front() == '.')
        plain.insert(plain.begin(), '0');
    double value = 0;
    const auto res =
        std::from_chars(plain.data(), plain.data() + plain.size(), value, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr != plain.data() + plain.size())
        return std::nullopt;
    return negative ? -value : value;
}

std::optional<DateTime> parseDate(std::string_view text, const RegionalSettings& r) {
    Reader in{trimBlanks(text)};
    int day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (!in.number(1, 2, day) || !in.take(r.dateSeparator) || !in.number(1, 2, month) ||
        !in.take(r.dateSeparator) || !in.number(4, 4, year)) {
        return std::nullopt;
    }
    if (!in.atEnd()) {
        if (!in.blanks() || !in.number(1, 2, hour) || !in.take(r.timeSeparator) ||
            !in.number(2, 2, minute)) {
            return std::nullopt;
        }
        if (in.take(r.timeSeparator) && !in.number(2, 2, second))
            return std::nullopt;
        if (!in.atEnd())
            return std::nullopt;
    }
    return DateTime::tryFromParts(year, month, day, hour, minute, second);
}

}  // namespace confcred::platform
