#include "platform/datetime.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace confcred::platform {
namespace {

// Days from 1970-01-01 to a civil date and back (H. Hinnant's algorithms).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

Date civilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return Date{static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

bool parseDigits(std::string_view text, size_t pos, size_t count, int& out) {
    if (pos + count > text.size())
        return false;
    int value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    out = value;
    return true;
}

}  // namespace

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= daysInMonth(year, month);
}

std::optional<DateTime> DateTime::tryFromParts(int year, int month, int day, int hour, int minute,
                                               int second, int millisecond) {
    if (!isValidDate(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || millisecond < 0 || millisecond > 999) {
        return std::nullopt;
    }
    const int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const int64_t ms =
        days * kMsPerDay + ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return fromMsSinceEpoch(ms);
}

DateTime DateTime::fromParts(int year, int month, int day, int hour, int minute, int second,
                             int millisecond) {
    auto value = tryFromParts(year, month, day, hour, minute, second, millisecond);
    if (!value) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "invalid date-time %04d-%02d-%02d %02d:%02d:%02d.%03d", year,
                      month, day, hour, minute, second, millisecond);
        throw std::invalid_argument(buf);
    }
    return *value;
}

int64_t DateTime::msOfDay() const {
    return ms_ - floorDiv(ms_, kMsPerDay) * kMsPerDay;
}

Date DateTime::date() const {
    return civilFromDays(floorDiv(ms_, kMsPerDay));
}

TimeOfDay DateTime::time() const {
    const int64_t ms = msOfDay();
    return TimeOfDay{static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60),
                     static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000)};
}

int DateTime::dayOfWeek() const {
    // 1970-01-01 was a Thursday (4).
    const int64_t days = floorDiv(ms_, kMsPerDay);
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

std::string DateTime::toIso() const {
    const Date d = date();
    const TimeOfDay t = time();
    char buf[32];
    int n;
    if (t.millisecond != 0) {
        n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", d.year, d.month,
                          d.day, t.hour, t.minute, t.second, t.millisecond);
    } else {
        n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", d.year, d.month, d.day,
                          t.hour, t.minute, t.second);
    }
    return std::string(buf, static_cast<size_t>(n));
}

std::optional<DateTime> DateTime::parseIso(std::string_view text) {
    int y, mo, d, h = 0, mi = 0, s = 0, ms = 0;
    if (text.size() < 10 || !parseDigits(text, 0, 4, y) || text[4] != '-' ||
        !parseDigits(text, 5, 2, mo) || text[7] != '-' || !parseDigits(text, 8, 2, d)) {
        return std::nullopt;
    }
    if (text.size() > 10) {
        if (text.size() < 19 || (text[10] != 'T' && text[10] != ' ') ||
            !parseDigits(text, 11, 2, h) || text[13] != ':' || !parseDigits(text, 14, 2, mi) ||
            text[16] != ':' || !parseDigits(text, 17, 2, s)) {
            return std::nullopt;
        }
        if (text.size() > 19) {
            if (text.size() != 23 || text[19] != '.' || !parseDigits(text, 20, 3, ms)) {
                return std::nullopt;
            }
        }
    }
    return tryFromParts(y, mo, d, h, mi, s, ms);
}

}  // namespace confcred::platform
