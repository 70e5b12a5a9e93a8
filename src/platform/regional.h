#pragma once
// Regional settings and the number and date formats the screens and the log
// use. Brazilian Portuguese by default; every text shown to the operator that
// holds a number or a date goes through these functions.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace confcred::platform {

struct RegionalSettings {
    char decimalSeparator = ',';
    char thousandSeparator = '.';
    char dateSeparator = '/';
    char timeSeparator = ':';
    const char* currencySymbol = "R$";

    static RegionalSettings brazilian();
};

// Process-wide settings, Brazilian by default. Not synchronised: set them at
// start-up (or in a test) before other threads format.
const RegionalSettings& regional();
void setRegional(const RegionalSettings& s);

// Pattern "0.00": at least one integer digit, exactly two decimals, no
// grouping. Rounds the exact binary value half away from zero (2.675 is
// stored below the half and shows "2,67"); a value that rounds to zero never
// shows a minus sign. NaN and infinities show "NaN", "INF" and "-INF".
std::string formatFloat00(double v, const RegionalSettings& r = regional());
// An empty value shows as zero.
std::string formatFloat00(std::optional<double> v, const RegionalSettings& r = regional());

// Money held in cents: the currency symbol, a blank, then the amount grouped
// by thousands with exactly two decimals ("R$ 45.300,00"); a negative amount
// starts with a minus sign ("-R$ 12,50").
std::string formatMoney(int64_t cents, const RegionalSettings& r = regional());

// A count grouped by thousands ("54.897"), as numbers are shown in boxes.
std::string formatCount(uint64_t n, const RegionalSettings& r = regional());

// General form: the shortest text of up to 15 significant digits, no trailing
// zeros, no exponent unless the magnitude is 1e15 or more, or below 1e-5
// ("12,5", "3", "-0,1", "1E20").
std::string formatFloat(double v, const RegionalSettings& r = regional());

// dd/MM/yyyy with the regional date separator.
std::string formatDate(DateTime d, const RegionalSettings& r = regional());
// HH:mm:ss with the regional time separator.
std::string formatTime(DateTime d, const RegionalSettings& r = regional());
// Date and time separated by a blank; the date alone at midnight exactly.
std::string formatDateTime(DateTime d, const RegionalSettings& r = regional());

// "DDMMYYYYHHNNSS": 14 digits, used in file names.
std::string formatStampCompact(DateTime d);
// "DD/MM/YYYY HH:NN:SS" with the regional separators, used in the log.
std::string formatStampLog(DateTime d, const RegionalSettings& r = regional());

// Accepts an optional sign, digits with at most one decimal separator (the
// regional one; '.' too when it is not the regional thousand separator), and
// blanks around. No grouping, no exponent, nothing else: "1.234" is refused
// under Brazilian settings rather than guessed. Empty result on any error,
// including an empty text or a value out of range.
std::optional<double> parseFloat(std::string_view text, const RegionalSettings& r = regional());

// "d/M/yyyy" with one- or two-digit day and month and a four-digit year,
// optionally followed by a blank and "H:mm" or "H:mm:ss"; blanks around are
// ignored. Empty result on any other text or an impossible date.
std::optional<DateTime> parseDate(std::string_view text, const RegionalSettings& r = regional());

}  // namespace confcred::platform
