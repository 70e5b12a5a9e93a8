// Order numbers, empty texts, registration numbers and edit masks.
#include <gtest/gtest.h>

#include "host/core/text_routines.h"

using namespace confcred::host;
using namespace confcred::host::core;

namespace {

struct AjustaRow {
    const char* name;
    const char* text;
    int width;
    const char* expected;
};

TEST(TextRoutinesTest, Ajusta) {
    const AjustaRow rows[] = {
        {"digits padded", "12345", 20, "00000000000000012345"},
        {"blanks trimmed then padded", "  987 ", 20, "00000000000000000987"},
        {"tabs trimmed", "\t42\t", 5, "00042"},
        {"already full", "00000000000000012345", 20, "00000000000000012345"},
        {"longer digits kept whole", "1234567890123456789012", 20, "1234567890123456789012"},
        {"letters left as trimmed", " PED-12 ", 20, "PED-12"},
        {"inner blank is not a digit", "12 34", 20, "12 34"},
        {"sign is not a digit", "-12", 20, "-12"},
        {"empty stays empty", "", 20, ""},
        {"blanks give empty", "    ", 20, ""},
        {"non-ASCII digits are not digits", "١٢", 20, "١٢"},
    };
    for (const AjustaRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(core::Ajusta(QString::fromUtf8(row.text), row.width),
                  QString::fromUtf8(row.expected));
    }
}

TEST(TextRoutinesTest, EmptyString) {
    EXPECT_TRUE(core::EmptyString(QString()));
    EXPECT_TRUE(core::EmptyString(QStringLiteral("")));
    EXPECT_TRUE(core::EmptyString(QStringLiteral("  \t ")));
    EXPECT_FALSE(core::EmptyString(QStringLiteral(" x ")));
    EXPECT_FALSE(core::EmptyString(QStringLiteral("0")));
}

struct InscricaoRow {
    const char* name;
    const char* typed;
    const char* digits;
    const char* mask;
    const char* shown;
};

// The client look-up's display chain: Ajusta_Inscricao, PictPess, FormatMaskText.
TEST(TextRoutinesTest, RegistrationNumbersAndTheirMasks) {
    const InscricaoRow rows[] = {
        {"CPF plain", "12345678901", "12345678901", "000\\.000\\.000\\-00;0;_", "123.456.789-01"},
        {"CPF formatted", "123.456.789-01", "12345678901", "000\\.000\\.000\\-00;0;_",
         "123.456.789-01"},
        {"CNPJ plain", "12345678000195", "12345678000195", "00\\.000\\.000\\/0000\\-00;0;_",
         "12.345.678/0001-95"},
        {"CNPJ formatted", "12.345.678/0001-95", "12345678000195", "00\\.000\\.000\\/0000\\-00;0;_",
         "12.345.678/0001-95"},
        {"other length shown as is", "12345", "12345", "", "12345"},
        {"nothing", "", "", "", ""},
        {"letters dropped", "ABC", "", "", ""},
    };
    for (const InscricaoRow& row : rows) {
        SCOPED_TRACE(row.name);
        QString text = QString::fromUtf8(row.typed);
        const QString result = core::Ajusta_Inscricao(text);
        EXPECT_EQ(result, QString::fromUtf8(row.digits));
        EXPECT_EQ(text, result);  // rewritten in place
        const QString mask = core::PictPess(result);
        EXPECT_EQ(mask, QString::fromUtf8(row.mask));
        EXPECT_EQ(core::FormatMaskText(mask, result), QString::fromUtf8(row.shown));
    }
}

struct MaskRow {
    const char* name;
    const char* mask;
    const char* text;
    const char* expected;
};

TEST(TextRoutinesTest, FormatMaskText) {
    const MaskRow rows[] = {
        {"short text shows blanks", "000\\.000\\.000\\-00;0;_", "1234", "123.4__.___-__"},
        {"other blank char", "000\\-00;0;*", "12", "12*-**"},
        {"long text cut at the mask's end", "00\\-00;0;_", "123456", "12-34"},
        {"literals saved in the text", "00/00/0000;1;_", "07/12/2026", "07/12/2026"},
        {"save flag defaults to saved", "00/00", "07/12", "07/12"},
        {"unescaped literals inserted", "(00) 0000;0;_", "111234", "(11) 1234"},
        {"upper case section", ">LL<>00;0;_", "ab12", "AB12"},
        {"lower case section", "<LL;0;_", "AB", "ab"},
        {"empty mask", "", "abc", "abc"},
        {"empty text", "00\\-00;0;_", "", "__-__"},
    };
    for (const MaskRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(core::FormatMaskText(QString::fromUtf8(row.mask), QString::fromUtf8(row.text)),
                  QString::fromUtf8(row.expected));
    }
}

}  // namespace
