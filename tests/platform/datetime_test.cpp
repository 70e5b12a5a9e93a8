#include "platform/datetime.h"

#include <gtest/gtest.h>

#include <stdexcept>

using confcred::platform::Date;
using confcred::platform::DateTime;
using confcred::platform::TimeOfDay;

TEST(DateTime, PartsRoundTripAcrossCalendar) {
    // Leap days, century rules, the first and last representable days, and dates before 1970.
    const Date dates[] = {{1, 1, 1},     {1899, 12, 30}, {1969, 12, 31}, {1970, 1, 1},
                          {2000, 2, 29}, {2024, 2, 29},  {2026, 12, 7},  {9999, 12, 31}};
    for (const Date& d : dates) {
        const DateTime dt = DateTime::fromParts(d.year, d.month, d.day, 23, 59, 59, 999);
        EXPECT_EQ(dt.date(), d) << d.year << "-" << d.month << "-" << d.day;
        EXPECT_EQ(dt.time(), (TimeOfDay{23, 59, 59, 999}));
        EXPECT_EQ(dt.datePart().date(), d);
        EXPECT_TRUE(dt.datePart().isMidnight());
    }
}

TEST(DateTime, RejectsImpossibleParts) {
    EXPECT_FALSE(DateTime::tryFromParts(1900, 2, 29));
    EXPECT_FALSE(DateTime::tryFromParts(2023, 4, 31));
    EXPECT_FALSE(DateTime::tryFromParts(2023, 13, 1));
    EXPECT_FALSE(DateTime::tryFromParts(0, 1, 1));
    EXPECT_FALSE(DateTime::tryFromParts(2023, 1, 1, 24));
    EXPECT_FALSE(DateTime::tryFromParts(2023, 1, 1, 0, 0, 0, 1000));
    EXPECT_THROW(DateTime::fromParts(2023, 2, 30), std::invalid_argument);
}

TEST(DateTime, DayOfWeek) {
    EXPECT_EQ(DateTime::fromParts(2026, 12, 7).dayOfWeek(), 1);   // Monday
    EXPECT_EQ(DateTime::fromParts(1969, 12, 28).dayOfWeek(), 0);  // Sunday
    EXPECT_EQ(DateTime::fromParts(2000, 1, 1).dayOfWeek(), 6);    // Saturday
}

TEST(DateTime, IsoTextRoundTrip) {
    const DateTime plain = DateTime::fromParts(2026, 12, 7, 8, 5, 3);
    EXPECT_EQ(plain.toIso(), "2026-12-07T08:05:03");
    const DateTime withMs = DateTime::fromParts(1965, 3, 1, 0, 0, 0, 7);
    EXPECT_EQ(withMs.toIso(), "1965-03-01T00:00:00.007");
    EXPECT_EQ(DateTime::parseIso(plain.toIso()), plain);
    EXPECT_EQ(DateTime::parseIso(withMs.toIso()), withMs);
    EXPECT_EQ(DateTime::parseIso("2026-12-07"), DateTime::fromParts(2026, 12, 7));
    EXPECT_EQ(DateTime::parseIso("2026-12-07 08:05:03"), plain);
}

TEST(DateTime, IsoParserRefusesMalformedText) {
    for (const char* bad :
         {"", "2026", "2026-1-07", "2026-12-07T", "2026-12-07T08:05", "2026-12-07T08:05:03.",
          "2026-12-07T08:05:03.12", "2026-12-07T08:05:03.1234", "2026-12-07X08:05:03", "2026-02-30",
          "2026-12-07T25:00:00", "+026-12-07", "2026-12-07T08:05:03Z"}) {
        EXPECT_FALSE(DateTime::parseIso(bad)) << bad;
    }
}
