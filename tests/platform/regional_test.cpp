#include "platform/regional.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace confcred::platform;

namespace {

// Dot decimals, comma grouping, dashes in dates and dots in times: every
// separator differs from the Brazilian one.
const RegionalSettings kOther{'.', ',', '-', '.'};

struct FloatRow {
    const char* name;
    double value;
    const char* expected;
};

}  // namespace

TEST(Regional, FormatFloat00) {
    const double inf = std::numeric_limits<double>::infinity();
    const FloatRow rows[] = {
        {"plain", 12.5, "12,50"},
        {"zero", 0.0, "0,00"},
        {"negative zero", -0.0, "0,00"},
        {"tiny negative rounds to unsigned zero", -0.001, "0,00"},
        {"negative", -1.5, "-1,50"},
        {"no grouping", 1234567.891, "1234567,89"},
        {"exact half rounds away from zero", 0.125, "0,13"},
        {"negative exact half", -0.125, "-0,13"},
        {"exact half .875", 0.875, "0,88"},
        {"2.675 is stored below the half", 2.675, "2,67"},
        {"1.005 is stored below the half", 1.005, "1,00"},
        {"0.005 is stored above the half", 0.005, "0,01"},
        {"-0.005 is stored above the half", -0.005, "-0,01"},
        {"carry into the integer part", 99.999, "100,00"},
        {"exact half near 2^49", 562949953421312.125, "562949953421312,13"},
        {"huge, no exponent", 1e20, "100000000000000000000,00"},
        {"third", 1.0 / 3, "0,33"},
        {"NaN", std::nan(""), "NaN"},
        {"infinity", inf, "INF"},
        {"minus infinity", -inf, "-INF"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(formatFloat00(row.value), row.expected) << row.name;
    }
    EXPECT_EQ(formatFloat00(std::optional<double>()), "0,00");
    EXPECT_EQ(formatFloat00(std::optional<double>(7.0)), "7,00");
    EXPECT_EQ(formatFloat00(-1234.5, kOther), "-1234.50");
}

TEST(Regional, FormatMoney) {
    EXPECT_EQ(formatMoney(0), "R$ 0,00");
    EXPECT_EQ(formatMoney(5), "R$ 0,05");
    EXPECT_EQ(formatMoney(99999), "R$ 999,99");
    EXPECT_EQ(formatMoney(100000), "R$ 1.000,00");
    EXPECT_EQ(formatMoney(123456789012), "R$ 1.234.567.890,12");
    EXPECT_EQ(formatMoney(-1250), "-R$ 12,50");
    EXPECT_EQ(formatMoney(std::numeric_limits<int64_t>::min()), "-R$ 92.233.720.368.547.758,08");
    EXPECT_EQ(formatMoney(4530000, kOther), "R$ 45,300.00");
    // Counts in boxes are grouped the same way.
    EXPECT_EQ(formatCount(999), "999");
    EXPECT_EQ(formatCount(54897), "54.897");
    EXPECT_EQ(formatCount(100300), "100.300");
    EXPECT_EQ(formatCount(1234567, kOther), "1,234,567");
}

TEST(Regional, FormatFloatGeneral) {
    const FloatRow rows[] = {
        {"one decimal", 12.5, "12,5"},
        {"integer", 3.0, "3"},
        {"negative fraction", -0.1, "-0,1"},
        {"zero", 0.0, "0"},
        {"negative zero", -0.0, "0"},
        {"15 digits hide binary noise", 0.1 + 0.2, "0,3"},
        {"third", 1.0 / 3, "0,333333333333333"},
        {"15 integer digits", 123456789012345.0, "123456789012345"},
        {"trailing integer zeros", 1200.0, "1200"},
        {"mixed", -1234.5678, "-1234,5678"},
        {"small without exponent", 0.00001, "0,00001"},
        {"exponent from 1e15", 1e15, "1E15"},
        {"large", 1.5e20, "1,5E20"},
        {"very small", 1.5e-7, "1,5E-7"},
        {"rounded to 15 digits", 2.0000000000000004, "2"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(formatFloat(row.value), row.expected) << row.name;
    }
    EXPECT_EQ(formatFloat(12.5, kOther), "12.5");
    EXPECT_EQ(formatFloat(std::nan("")), "NaN");
}

TEST(Regional, DateAndTimeFormats) {
    const DateTime afternoon = DateTime::fromParts(2026, 12, 7, 13, 5, 9, 450);
    const DateTime lastMs = DateTime::fromParts(2026, 12, 31, 23, 59, 59, 999);
    const DateTime midnight = DateTime::fromParts(2026, 1, 2);
    const DateTime earlyYear = DateTime::fromParts(5, 1, 3, 4, 5, 6);

    EXPECT_EQ(formatDate(afternoon), "07/12/2026");
    EXPECT_EQ(formatTime(afternoon), "13:05:09");
    EXPECT_EQ(formatDateTime(afternoon), "07/12/2026 13:05:09");
    EXPECT_EQ(formatDateTime(lastMs), "31/12/2026 23:59:59");
    EXPECT_EQ(formatDateTime(midnight), "02/01/2026");
    EXPECT_EQ(formatDateTime(midnight.addMs(1)), "02/01/2026 00:00:00");
    EXPECT_EQ(formatDateTime(afternoon, kOther), "07-12-2026 13.05.09");

    EXPECT_EQ(formatStampCompact(afternoon), "07122026130509");
    EXPECT_EQ(formatStampCompact(earlyYear), "03010005040506");
    EXPECT_EQ(formatStampCompact(midnight), "02012026000000");
    EXPECT_EQ(formatStampLog(earlyYear), "03/01/0005 04:05:06");
    EXPECT_EQ(formatStampLog(midnight), "02/01/2026 00:00:00");
    EXPECT_EQ(formatStampLog(afternoon, kOther), "07-12-2026 13.05.09");
}

TEST(Regional, ParseFloat) {
    struct Row {
        const char* name;
        const char* text;
        std::optional<double> expected;
    };
    const Row rows[] = {
        {"decimal comma", "12,5", 12.5},
        {"blanks and sign", " \t-1,25 ", -1.25},
        {"plus sign", "+3", 3.0},
        {"no integer digits", ",5", 0.5},
        {"no decimal digits", "5,", 5.0},
        {"dot is the thousand separator", "12.5", std::nullopt},
        {"grouping", "1.234,5", std::nullopt},
        {"empty", "", std::nullopt},
        {"blank", "  ", std::nullopt},
        {"sign alone", "-", std::nullopt},
        {"separator alone", ",", std::nullopt},
        {"two separators", "1,2,3", std::nullopt},
        {"exponent", "1e5", std::nullopt},
        {"trailing letter", "12a", std::nullopt},
        {"inner blank", "1 2", std::nullopt},
        {"double sign", "--1", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseFloat(row.text), row.expected) << row.name;
    }
    EXPECT_EQ(parseFloat("1" + std::string(400, '0')), std::nullopt) << "out of range";
    EXPECT_EQ(parseFloat("12.5", kOther), 12.5);
    EXPECT_EQ(parseFloat("12,5", kOther), std::nullopt);
    // A dot that is not the thousand separator is taken as a decimal separator too.
    const RegionalSettings blankGrouping{',', ' ', '/', ':'};
    EXPECT_EQ(parseFloat("12.5", blankGrouping), 12.5);
    EXPECT_EQ(parseFloat("12,5", blankGrouping), 12.5);
}

TEST(Regional, ParseDate) {
    struct Row {
        const char* name;
        const char* text;
        std::optional<DateTime> expected;
    };
    const Row rows[] = {
        {"short day and month", "7/1/2026", DateTime::fromParts(2026, 1, 7)},
        {"blanks around", " 07/12/2026 ", DateTime::fromParts(2026, 12, 7)},
        {"hour and minute", "07/12/2026 13:05", DateTime::fromParts(2026, 12, 7, 13, 5)},
        {"with seconds", "07/12/2026 8:05:09", DateTime::fromParts(2026, 12, 7, 8, 5, 9)},
        {"impossible date", "29/02/2026", std::nullopt},
        {"two-digit year", "07/12/26", std::nullopt},
        {"wrong separator", "07-12-2026", std::nullopt},
        {"three-digit day", "007/12/2026", std::nullopt},
        {"hour out of range", "07/12/2026 24:00", std::nullopt},
        {"one-digit minute", "07/12/2026 13:5", std::nullopt},
        {"dangling separator", "07/12/2026 13:05:", std::nullopt},
        {"no blank before time", "07/12/202613:05", std::nullopt},
        {"trailing text", "07/12/2026x", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseDate(row.text), row.expected) << row.name;
    }
    EXPECT_EQ(parseDate("07-12-2026 13.05", kOther), DateTime::fromParts(2026, 12, 7, 13, 5));

    const DateTime t = DateTime::fromParts(1999, 3, 4, 5, 6, 7);
    EXPECT_EQ(parseDate(formatDateTime(t)), t);
}

TEST(Regional, ProcessWideSettingsAreDefaults) {
    EXPECT_EQ(regional().decimalSeparator, ',');
    setRegional(kOther);
    EXPECT_EQ(formatFloat00(1.5), "1.50");
    EXPECT_EQ(formatDate(DateTime::fromParts(2026, 12, 7)), "07-12-2026");
    setRegional(RegionalSettings::brazilian());
    EXPECT_EQ(formatFloat00(1.5), "1,50");
}
