#pragma once
// A local date and time without zone, to the millisecond, as the screens and
// the server exchange them. Stored as milliseconds since 1970-01-01 00:00 of
// the local calendar (proleptic Gregorian); years 1 to 9999.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace confcred::platform {

struct Date {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    friend bool operator==(const Date&, const Date&) = default;
};

struct TimeOfDay {
    int hour = 0;         // 0..23
    int minute = 0;       // 0..59
    int second = 0;       // 0..59
    int millisecond = 0;  // 0..999
    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

bool isLeapYear(int year);
int daysInMonth(int year, int month);
bool isValidDate(int year, int month, int day);

class DateTime {
  public:
    static constexpr int64_t kMsPerDay = 86'400'000;

    constexpr DateTime() = default;

    // Throws std::invalid_argument when a part is out of range.
    static DateTime fromParts(int year, int month, int day, int hour = 0, int minute = 0,
                              int second = 0, int millisecond = 0);
    static std::optional<DateTime> tryFromParts(int year, int month, int day, int hour = 0,
                                                int minute = 0, int second = 0,
                                                int millisecond = 0);
    static constexpr DateTime fromMsSinceEpoch(int64_t ms) {
        DateTime d;
        d.ms_ = ms;
        return d;
    }

    constexpr int64_t msSinceEpoch() const { return ms_; }
    Date date() const;
    TimeOfDay time() const;
    int64_t msOfDay() const;
    DateTime datePart() const { return fromMsSinceEpoch(ms_ - msOfDay()); }
    bool isMidnight() const { return msOfDay() == 0; }
    int dayOfWeek() const;  // 0 = Sunday .. 6 = Saturday

    DateTime addMs(int64_t ms) const { return fromMsSinceEpoch(ms_ + ms); }
    DateTime addDays(int64_t days) const { return fromMsSinceEpoch(ms_ + days * kMsPerDay); }

    // ISO 8601 local time: "YYYY-MM-DDTHH:MM:SS", with ".mmm" when the
    // milliseconds are not zero.
    std::string toIso() const;
    // Accepts "YYYY-MM-DD", "YYYY-MM-DDTHH:MM:SS" and "YYYY-MM-DDTHH:MM:SS.mmm"
    // (a blank may stand for the T); anything else, or an impossible date, is empty.
    static std::optional<DateTime> parseIso(std::string_view text);

    friend constexpr auto operator<=>(const DateTime&, const DateTime&) = default;

  private:
    int64_t ms_ = 0;
};

}  // namespace confcred::platform
