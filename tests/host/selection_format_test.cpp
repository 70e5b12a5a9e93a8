// The list picker's selection string, both ways.
#include <gtest/gtest.h>

#include "host/core/selection_format.h"

using namespace confcred::host;
using namespace confcred::host::core;

namespace {

struct FormatRow {
    const char* name;
    QStringList keys;
    const char* text;
};

const FormatRow kRows[] = {
    {"none", {}, ""},
    {"one", {"001"}, "'001'"},
    {"several_in_order", {"003", "001", "002"}, "'003','001','002'"},
    {"inner_quote_doubled", {"O'Brien"}, "'O''Brien'"},
    {"quotes_only", {"'", "''"}, "'''',''''''"},
    {"blanks_and_commas_kept", {" a ", "b,c"}, "' a ','b,c'"},
    {"empty_key", {""}, "''"},
    {"accents", {"São João"}, "'São João'"},
};

class SelectionFormat : public ::testing::TestWithParam<FormatRow> {};

TEST_P(SelectionFormat, FormatsAndParsesBack) {
    const FormatRow& row = GetParam();
    EXPECT_EQ(core::formatSelection(row.keys), QString::fromUtf8(row.text));
    const auto parsed = core::parseSelection(QString::fromUtf8(row.text));
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, row.keys);
}

INSTANTIATE_TEST_SUITE_P(Rows, SelectionFormat, ::testing::ValuesIn(kRows),
                         [](const auto& p) { return std::string(p.param.name); });

struct BadRow {
    const char* name;
    const char* text;
};

const BadRow kBad[] = {
    {"all_marker", "T"},
    {"unquoted", "001"},
    {"unterminated", "'001"},
    {"blank_after_comma", "'001', '002'"},
    {"trailing_comma", "'001',"},
    {"leading_comma", ",'001'"},
    {"missing_comma", "'001''002"},
    {"text_after_key", "'001'x"},
    {"single_quote", "'"},
};

class SelectionRefused : public ::testing::TestWithParam<BadRow> {};

TEST_P(SelectionRefused, GivesNothing) {
    EXPECT_FALSE(core::parseSelection(QString::fromUtf8(GetParam().text)).has_value());
}

INSTANTIATE_TEST_SUITE_P(Rows, SelectionRefused, ::testing::ValuesIn(kBad),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
