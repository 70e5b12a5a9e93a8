// The picker's selection strings, consumer keys and search folding.

#include "server/methods/selection.h"

#include <gtest/gtest.h>

#include "server/storage/text_fold.h"

namespace confcred::server {
namespace {

struct SelectionCase {
    const char* name;
    std::string text;
    std::vector<std::string> keys;  // expected when `valid`
    bool valid = true;
};

class SelectionParse : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(SelectionParse, ReadsKeysOrRefuses) {
    const auto& c = GetParam();
    if (c.valid) {
        EXPECT_EQ(methods::parseSelection(c.text), c.keys);
    } else {
        try {
            methods::parseSelection(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const methods::SelectionError& e) {
            EXPECT_NE(std::string(e.what()).find("Seleção inválida na posição"), std::string::npos)
                << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SelectionParse,
    ::testing::Values(SelectionCase{"Empty", "", {}}, SelectionCase{"One", "'001'", {"001"}},
                      SelectionCase{"Several", "'001','002','A B'", {"001", "002", "A B"}},
                      SelectionCase{"DoubledQuote", "'O''Brien'", {"O'Brien"}},
                      SelectionCase{"OnlyQuote", "''''", {"'"}},
                      SelectionCase{"EmptyKey", "''", {""}},
                      SelectionCase{"CommaInside", "'a,b','c'", {"a,b", "c"}},
                      SelectionCase{"SqlLooking",
                                    "'1'' OR ''1''=''1',''';DROP TABLE CLIENTE;--'",
                                    {"1' OR '1'='1", "';DROP TABLE CLIENTE;--"}},
                      SelectionCase{"Wildcards", "'%','_','\\'", {"%", "_", "\\"}},
                      SelectionCase{"Accents", "'Ação'", {"Ação"}},
                      SelectionCase{"AllMarker", "T", {}, false},
                      SelectionCase{"Unquoted", "001,002", {}, false},
                      SelectionCase{"BlankAfterComma", "'001', '002'", {}, false},
                      SelectionCase{"TrailingComma", "'001',", {}, false},
                      SelectionCase{"LeadingComma", ",'001'", {}, false},
                      SelectionCase{"Unterminated", "'001", {}, false},
                      SelectionCase{"UnterminatedAfterDoubled", "'a''", {}, false},
                      SelectionCase{"TextAfterKey", "'001'x", {}, false},
                      SelectionCase{"SqlSplice", "'1') OR 1=1 --", {}, false},
                      SelectionCase{"KeyTooLong", "'" + std::string(101, 'x') + "'", {}, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SelectionLimits, KeyCountAndLengthAcceptedUpToTheLimitOnly) {
    std::string text;
    for (std::size_t i = 0; i < methods::kMaxSelectionKeys; ++i)
        text += (i ? ",'" : "'") + std::to_string(i) + "'";
    EXPECT_EQ(methods::parseSelection(text).size(), methods::kMaxSelectionKeys);
    EXPECT_THROW(methods::parseSelection(text + ",'x'"), methods::SelectionError);
    EXPECT_EQ(methods::parseSelection("'" + std::string(100, 'x') + "'").size(), 1u);
}

TEST(ConsumerKeys, PadToTwentyOneCharactersAndSplitBack) {
    const std::string key = methods::makeConsumerKey("CLI001", "CONS0001");
    EXPECT_EQ(key.size(), 42u);
    EXPECT_EQ(key, "CLI001               CONS0001             ");
    EXPECT_EQ(methods::splitConsumerKey(key), (methods::ConsumerKey{"CLI001", "CONS0001"}));
    // Widths count characters: an accented code still takes 21.
    const std::string accented = methods::makeConsumerKey("AÇÃO", "Zé");
    EXPECT_EQ(methods::splitConsumerKey(accented), (methods::ConsumerKey{"AÇÃO", "Zé"}));
    // A key whose trailing blanks were dropped on the way still splits.
    EXPECT_EQ(methods::splitConsumerKey("CLI001               C1"),
              (methods::ConsumerKey{"CLI001", "C1"}));
    EXPECT_THROW(methods::splitConsumerKey("CLI001"), methods::SelectionError);
    EXPECT_THROW(methods::splitConsumerKey(std::string(21, ' ') + "C1"), methods::SelectionError);
}

struct FoldCase {
    const char* name;
    std::string text;
    std::string folded;
};

class Folding : public ::testing::TestWithParam<FoldCase> {};

TEST_P(Folding, LowerCaseWithoutAccents) {
    EXPECT_EQ(storage::foldForSearch(GetParam().text), GetParam().folded);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Folding,
    ::testing::Values(FoldCase{"Ascii", "Crédito MENSAL 100%", "credito mensal 100%"},
                      FoldCase{"Portuguese", "ÁÀÂÃÉÊÍÓÔÕÚÇáàâãéêíóôõúüç",
                               "aaaaeeiooouc"
                               "aaaaeeiooouuc"},
                      FoldCase{"Ligatures", "Straße Æther Œuvre", "strasse aether oeuvre"},
                      FoldCase{"SignsKept", "2×3÷1", "2×3÷1"},
                      FoldCase{"OtherScriptsKept", "Ωμέγα", "Ωμέγα"},
                      FoldCase{"InvalidBytesKept", std::string("a\xC3") + "B\xFF",
                               std::string("a\xC3") + "b\xFF"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ContainsPattern, EscapesTheWildcardsAndTheEscape) {
    EXPECT_EQ(storage::containsPattern("Ação"), "%acao%");
    EXPECT_EQ(storage::containsPattern("100%"), "%100\\%%");
    EXPECT_EQ(storage::containsPattern("a_b"), "%a\\_b%");
    EXPECT_EQ(storage::containsPattern("c:\\x"), "%c:\\\\x%");
}

}  // namespace
}  // namespace confcred::server
