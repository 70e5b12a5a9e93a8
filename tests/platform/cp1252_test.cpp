#include "platform/cp1252.h"

#include <gtest/gtest.h>

using namespace confcred::platform;

TEST(Cp1252, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = cp1252ToUtf8(all);
    EXPECT_EQ(utf8ToCp1252(utf8), all);
    // The undefined bytes stand for the control characters of the same number.
    EXPECT_EQ(cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(Cp1252, KnownTextBothWays) {
    const struct {
        const char* name;
        const char* cp1252;
        const char* utf8;
    } rows[] = {
        {"accents",
         "Importa\xE7\xE3o Cr\xE9"
         "dito/D\xE9"
         "bito",
         "Importação Crédito/Débito"},
        {"euro", "\x80", "€"},
        {"quotes and dashes", "\x93x\x94 \x96 \x97", "“x” – —"},
        {"letters of the 0x8x row", "\x8A\x8C\x8E\x9A\x9C\x9E\x9F", "ŠŒŽšœžŸ"},
        {"upper half", "\xA0\xFF", "\u00A0ÿ"},
        {"ASCII", "Lote 1;10,50\r\n", "Lote 1;10,50\r\n"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(cp1252ToUtf8(row.cp1252), row.utf8) << row.name;
        EXPECT_EQ(utf8ToCp1252(row.utf8), row.cp1252) << row.name;
    }
}

TEST(Cp1252, UnmappableAndMalformedBecomeQuestionMarks) {
    const struct {
        const char* name;
        std::string utf8;
        const char* expected;
    } rows[] = {
        {"CJK", "日本", "??"},
        {"emoji",
         "a\xF0\x9F\x98\x80"
         "b",
         "a?b"},
        {"C1 control without a byte of its own", "\xC2\x80", "?"},
        {"stray continuation byte",
         "a\x80"
         "b",
         "a?b"},
        {"truncated at the end", "a\xC3", "a?"},
        {"truncated three-byte form",
         "\xE2\x82"
         "A",
         "?A"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"impossible byte",
         "\xFF"
         "x",
         "?x"},
        {"NUL kept", std::string("a\0b", 3), nullptr},
    };
    for (const auto& row : rows) {
        if (row.expected == nullptr) {
            EXPECT_EQ(utf8ToCp1252(row.utf8), row.utf8) << row.name;
        } else {
            EXPECT_EQ(utf8ToCp1252(row.utf8), row.expected) << row.name;
        }
    }
}
