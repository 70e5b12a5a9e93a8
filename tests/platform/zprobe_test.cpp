// Temporary probes (h4); removed before hand-off.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "platform/cp1252.h"
#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "platform/win_path.h"
#include "support/temp_dir.h"

using namespace confcred::platform;
using confcred::testing::TempDir;

TEST(PProbe, Regional) {
    EXPECT_EQ(formatFloat00(-0.0), "0,00");
    EXPECT_EQ(formatFloat00(0.005), "0,01");
    EXPECT_EQ(formatFloat00(-0.004), "0,00");
    EXPECT_EQ(formatFloat00(1e15), "1000000000000000,00");
    EXPECT_EQ(formatFloat00(2.675), "2,67");
    EXPECT_EQ(formatFloat00(0.125), "0,13");
    EXPECT_EQ(formatFloat00(-0.125), "-0,13");
    EXPECT_EQ(formatFloat00(1.005), "1,00");  // 1.00499999...
    EXPECT_EQ(formatFloat00(4.9e-324), "0,00");
    EXPECT_FALSE(formatFloat00(DBL_MAX).empty());
    EXPECT_EQ(formatFloat00(0x1p52 + 0.5), "4503599627370496,50");
    EXPECT_EQ(formatFloat(-0.0), "0");
    EXPECT_EQ(formatFloat(1e15), "1E15");
    EXPECT_EQ(formatFloat(999999999999999.0), "999999999999999");
    EXPECT_EQ(formatFloat(0.00001), "0,00001");
    EXPECT_EQ(formatFloat(0.000001), "1E-6");
    EXPECT_EQ(formatFloat(DBL_MAX), "1,79769313486232E308");
    EXPECT_EQ(formatFloat(4.9e-324), "4,94065645841247E-324");
    EXPECT_EQ(formatFloat(0.1 + 0.2), "0,3");
    EXPECT_EQ(formatFloat(-12.5), "-12,5");
    EXPECT_EQ(formatFloat(9.999999999999999e14), "1E15");
    EXPECT_EQ(parseFloat("1,"), std::optional<double>(1.0));
    EXPECT_EQ(parseFloat(",5"), std::optional<double>(0.5));
    EXPECT_EQ(parseFloat("-,5"), std::optional<double>(-0.5));
    EXPECT_EQ(parseFloat("+"), std::nullopt);
    EXPECT_EQ(parseFloat("-"), std::nullopt);
    EXPECT_EQ(parseFloat(","), std::nullopt);
    EXPECT_EQ(parseFloat("1,2,3"), std::nullopt);
    EXPECT_EQ(parseFloat("1.5"), std::nullopt);
    EXPECT_EQ(parseFloat("--1"), std::nullopt);
    EXPECT_EQ(parseFloat("1e5"), std::nullopt);
    EXPECT_EQ(parseFloat(std::string(400, '9')), std::nullopt);
    EXPECT_EQ(parseFloat("0," + std::string(400, '0') + "1"), std::optional<double>(0.0));
    EXPECT_EQ(parseDate("31/12/9999 23:59:59"),
              DateTime::fromParts(9999, 12, 31, 23, 59, 59));
    EXPECT_EQ(parseDate("1/1/0001"), DateTime::fromParts(1, 1, 1));
    EXPECT_EQ(parseDate("1/1/0000"), std::nullopt);
    EXPECT_EQ(parseDate("29/02/2023"), std::nullopt);
    EXPECT_EQ(parseDate("01/01/2026 24:00"), std::nullopt);
    EXPECT_EQ(parseDate("01/01/2026 "), DateTime::fromParts(2026, 1, 1));
}

TEST(PProbe, DateTimeEdges) {
    DateTime y1 = DateTime::fromParts(1, 1, 1);
    EXPECT_EQ(y1.date(), (Date{1, 1, 1}));
    EXPECT_EQ(y1.dayOfWeek(), 1);  // Monday
    DateTime last = DateTime::fromParts(9999, 12, 31, 23, 59, 59, 999);
    EXPECT_EQ(last.date(), (Date{9999, 12, 31}));
    EXPECT_EQ(last.dayOfWeek(), 5);  // Friday
    DateTime neg = DateTime::fromMsSinceEpoch(-1);
    EXPECT_EQ(neg.date(), (Date{1969, 12, 31}));
    EXPECT_EQ(neg.time(), (TimeOfDay{23, 59, 59, 999}));
    EXPECT_EQ(neg.dayOfWeek(), 3);
    EXPECT_EQ(DateTime::fromMsSinceEpoch(-DateTime::kMsPerDay).dayOfWeek(), 3);
    EXPECT_EQ(DateTime::fromMsSinceEpoch(-DateTime::kMsPerDay - 1).dayOfWeek(), 2);
    EXPECT_EQ(y1.toIso(), "0001-01-01T00:00:00");
    EXPECT_EQ(DateTime::parseIso("0001-01-01T00:00:00"), y1);
    EXPECT_EQ(formatStampCompact(DateTime::fromParts(2026, 3, 4, 5, 6, 7)), "04032026050607");
    EXPECT_EQ(formatDate(y1), "01/01/0001");
    // extremes do not crash
    (void)DateTime::fromMsSinceEpoch(INT64_MIN).date();
    (void)DateTime::fromMsSinceEpoch(INT64_MAX).date();
    (void)DateTime::fromMsSinceEpoch(INT64_MIN).time();
    (void)DateTime::fromMsSinceEpoch(INT64_MIN).dayOfWeek();
    (void)DateTime::fromMsSinceEpoch(INT64_MIN).toIso();
    (void)formatDate(DateTime::fromMsSinceEpoch(INT64_MIN));
    (void)DateTime::fromMsSinceEpoch(INT64_MIN).datePart();
}

class PProbeFiles : public ::testing::Test {
  protected:
    PProbeFiles() : scoped_(makeMap(dir_)) {}
    static DriveMap makeMap(const TempDir& dir) {
        DriveMap m;
        m.map('C', dir.path());
        return m;
    }
    TempDir dir_;
    ScopedDriveMap scoped_;
};

TEST_F(PProbeFiles, Paths) {
    EXPECT_THROW(resolvePath("C:"), PathError);
    EXPECT_EQ(resolvePath("c:\\"), dir_.path());
    EXPECT_EQ(resolvePath("C:\\..\\..\\"), dir_.path());
    EXPECT_EQ(resolvePath("C:/a\\b//c\\"), dir_.path() / "a" / "b" / "c");
    EXPECT_EQ(resolvePath("C:\\a\\..\\..\\b"), dir_.path() / "b");
    dir_.write("Credito/Site/Importados/lote1.txt", "x");
    EXPECT_EQ(resolvePath("C:\\credito\\SITE\\importados\\LOTE1.TXT"),
              dir_.path() / "Credito/Site/Importados/lote1.txt");
    EXPECT_EQ(resolvePath("C:\\credito\\SITE\\novo\\x.txt"),
              dir_.path() / "Credito/Site/novo/x.txt");
}

TEST_F(PProbeFiles, Moves) {
    dir_.write("a/x.txt", "data");
    EXPECT_FALSE(moveFile("C:\\a\\x.txt", "C:\\a\\x.txt"));
    EXPECT_TRUE(fileExists("C:\\a\\x.txt"));
    EXPECT_FALSE(moveFile("C:\\a\\x.txt", "C:\\a\\X.TXT"));
    EXPECT_TRUE(fileExists("C:\\a\\x.txt"));
    EXPECT_FALSE(moveFile("C:\\a\\x.txt", "C:\\missing\\x.txt"));
    EXPECT_TRUE(fileExists("C:\\a\\x.txt"));
    EXPECT_TRUE(moveFile("C:\\A\\X.txt", "C:\\a\\y.txt"));
    EXPECT_EQ(dir_.read("a/y.txt"), "data");
}

TEST_F(PProbeFiles, Lines) {
    dir_.write("l1.txt", "a\rb\r");
    EXPECT_EQ(loadTextLines("C:\\l1.txt"), "a\r\nb\r\n");
    dir_.write("l2.txt", std::string("a\0b\r\n\r\n\n", 8));
    EXPECT_EQ(loadTextLines("C:\\l2.txt"), std::string("a\0b\r\n\r\n\r\n", 9));
    dir_.write("l3.txt", "");
    EXPECT_EQ(loadTextLines("C:\\l3.txt"), "");
    dir_.write("l4.txt", std::string(3'000'000, 'x'));
    EXPECT_EQ(loadTextLines("C:\\l4.txt").size(), 3'000'002u);
    dir_.write("l5.txt", "\r\n\r");
    EXPECT_EQ(loadTextLines("C:\\l5.txt"), "\r\n\r\n");
    TextFileWriter w;
    EXPECT_THROW(w.create("C:\\missing\\log.txt"), IoError);
    EXPECT_FALSE(w.isOpen());
    EXPECT_THROW(w.writeLine("x"), IoError);
    w.create("C:\\log.txt");
    w.writeLine(utf8ToCp1252("ação"));
    w.close();
    EXPECT_EQ(dir_.read("log.txt"), "a\xE7\xE3o\r\n");
    EXPECT_EQ(cp1252ToUtf8(utf8ToCp1252("€ ação ✓")), "€ ação ?");
}
