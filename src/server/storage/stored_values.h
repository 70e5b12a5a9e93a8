// How values are kept in the database: date-times as fixed-width local text
// 'YYYY-MM-DD HH:MM:SS.mmm' (sorts and compares alike on both backends) and
// money as whole centavos (sums and balances stay exact).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace confcred::server::storage {

inline std::string storedDateTime(platform::DateTime value) {
    const auto d = value.date();
    const auto t = value.time();
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year, d.month,
                  d.day, t.hour, t.minute, t.second, t.millisecond);
    return buffer;
}

inline std::optional<platform::DateTime> parseStoredDateTime(std::string_view s) {
    if (s.size() != 23 || s[4] != '-' || s[7] != '-' || s[10] != ' ' || s[13] != ':' ||
        s[16] != ':' || s[19] != '.')
        return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return -1;
            value = value * 10 + (s[i] - '0');
        }
        return value;
    };
    return platform::DateTime::tryFromParts(number(0, 4), number(5, 2), number(8, 2), number(11, 2),
                                            number(14, 2), number(17, 2), number(20, 3));
}

// A value with at most two decimals, as centavos; nullopt when it has more or
// is beyond what a bank slip carries.
inline std::optional<std::int64_t> toCents(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1e13)
        return std::nullopt;
    const double scaled = value * 100.0;
    const double rounded = std::round(scaled);
    if (std::fabs(scaled - rounded) > 1e-6 * std::max(1.0, std::fabs(scaled)))
        return std::nullopt;
    return static_cast<std::int64_t>(rounded);
}

inline double fromCents(std::int64_t cents) {
    return static_cast<double>(cents) / 100.0;
}

}  // namespace confcred::server::storage
