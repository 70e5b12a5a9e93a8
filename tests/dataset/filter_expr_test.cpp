#include "dataset/filter_expr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataset/dataset_test_util.h"

namespace confcred::dataset {
namespace {

using testing::makePacket;

const std::vector<FieldDef> kFields = {
    {"NOME", FieldType::String, 40}, {"VALOR", FieldType::Double, 0},
    {"QTD", FieldType::Integer, 0},  {"DTCRED", FieldType::DateTime, 0},
    {"OBS", FieldType::Memo, 0},
};

DataPacket sample() {
    return makePacket(kFields, {
                                   {"O'Brien", "10.5", "3", "2026-12-07", std::nullopt},
                                   {"Ana", "-3.5", "12", "2026-12-07T10:00:00", "x"},
                                   {std::nullopt, std::nullopt, std::nullopt, std::nullopt, ""},
                                   {"ana", "12", "0", "2025-01-01", "y"},
                               });
}

std::vector<size_t> matching(const std::string& text) {
    const DataPacket p = sample();
    const FilterExpr e = FilterExpr::parse(text, kFields);
    std::vector<size_t> rows;
    for (size_t r = 0; r < p.rowCount(); ++r) {
        if (e.matches(p.columns(), r))
            rows.push_back(r);
    }
    return rows;
}

struct MatchCase {
    const char* name;
    const char* text;
    std::vector<size_t> rows;
};

TEST(FilterExpr, MatchesRowsAsWritten) {
    const std::vector<MatchCase> cases = {
        {"quote inside text", "NOME = 'O''Brien'", {0}},
        {"field name any case, text exact", "nome = 'Ana'", {1}},
        {"bracketed name", "[NOME] = 'ana'", {3}},
        {"literal on the left", "'Ana' = NOME", {1}},
        {"null text reads as empty", "NOME = ''", {2}},
        {"byte-wise text order", "NOME > 'B'", {0, 3}},
        {"number equal", "VALOR = 12", {3}},
        {"negative literal", "VALOR >= -3.5", {0, 1, 3}},
        {"null number never compares", "VALOR <> 10.5", {1, 3}},
        {"quoted regional number", "VALOR = '10,5'", {0}},
        {"integer field", "QTD <= 3", {0, 3}},
        {"AND", "QTD = 12 AND VALOR < 0", {1}},
        {"OR, keywords any case", "QTD = 3 or qtd = 0", {0, 3}},
        {"NOT over a null comparison", "NOT QTD = 3", {1, 2, 3}},
        {"AND binds tighter than OR", "NOME = 'a' AND NOT (QTD = 1) OR QTD = 3", {0}},
        {"parentheses", "(NOME = 'Ana' OR NOME = 'ana') AND QTD > 5", {1}},
        {"ISO date", "DTCRED = '2026-12-07'", {0}},
        {"ISO date and time", "DTCRED = '2026-12-07 10:00:00'", {1}},
        {"regional date", "DTCRED >= '07/12/2026'", {0, 1}},
        {"IS NULL on a number", "VALOR IS NULL", {2}},
        {"IS NULL on text: null and empty", "OBS IS NULL", {0, 2}},
        {"IS NOT NULL", "NOME IS NOT NULL", {0, 1, 3}},
        {"two fields", "QTD < VALOR", {0, 3}},
        {"blank text: no filter", "  \t ", {0, 1, 2, 3}},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(matching(c.text), c.rows) << c.name << ": " << c.text;
    }
}

struct BadCase {
    const char* name;
    std::string text;
    size_t position;
    const char* problem;
};

TEST(FilterExpr, MalformedTextsNamePositionAndProblem) {
    const std::vector<BadCase> cases = {
        {"unknown field", "XYZ = 'a'", 1, "campo 'XYZ' não encontrado"},
        {"unterminated quote", "NOME = 'abc", 8, "aspas não fechadas"},
        {"quote escaped at the end", "NOME = 'abc''", 8, "aspas não fechadas"},
        {"text for a number", "VALOR = 'abc'", 9, "não é um número"},
        {"text for a date", "DTCRED = 'ontem'", 10, "não é uma data"},
        {"number for a date", "DTCRED = 5", 10, "só se compara com data"},
        {"number for text", "NOME = 12", 8, "só se compara com texto"},
        {"trailing garbage", "NOME = 'a' xyz", 12, "texto inesperado"},
        {"empty right operand", "NOME = ", 8, "esperado um campo ou valor"},
        {"empty left operand", "= 'a'", 1, "esperado um campo ou valor"},
        {"dangling AND", "NOME = 'a' AND", 15, "esperado um campo ou valor"},
        {"empty parentheses", "()", 2, "esperado um campo ou valor"},
        {"keyword as operand", "AND = 'a'", 1, "esperado um campo ou valor"},
        {"missing operator", "NOME 'a'", 6, "esperado um operador de comparação"},
        {"unclosed parenthesis", "(NOME = 'a'", 1, "esperado ')'"},
        {"extra parenthesis", "NOME = 'a')", 11, "texto inesperado"},
        {"IS without NULL", "NOME IS 'a'", 9, "esperado NULL após IS"},
        {"no field at all", "'a' = 'b'", 1, "comparação sem campo"},
        {"fields of other types", "NOME = VALOR", 1, "tipos incompatíveis"},
        {"unclosed bracket", "[NOME = 'a'", 1, "colchete não fechado"},
        {"invalid character", "NOME # 'a'", 6, "caractere inválido"},
        {"malformed number", "QTD = 1.2.3", 7, "número malformado"},
        {"number glued to a name", "QTD = 12abc", 7, "número malformado"},
    };
    for (const BadCase& c : cases) {
        try {
            FilterExpr::parse(c.text, kFields);
            ADD_FAILURE() << c.name << ": accepted " << c.text;
        } catch (const FilterError& e) {
            EXPECT_EQ(e.position(), c.position) << c.name << ": " << e.what();
            EXPECT_NE(e.problem().find(c.problem), std::string::npos) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("posição " + std::to_string(c.position)),
                      std::string::npos)
                << e.what();
        }
    }
}

TEST(FilterExpr, NestingIsLimitedNotAStackOverflow) {
    auto nested = [](int depth) {
        return std::string(static_cast<size_t>(depth), '(') + "QTD = 3" +
               std::string(static_cast<size_t>(depth), ')');
    };
    EXPECT_EQ(matching(nested(FilterExpr::kMaxDepth - 1)), std::vector<size_t>{0});
    EXPECT_THROW(FilterExpr::parse(nested(FilterExpr::kMaxDepth), kFields), FilterError);
    EXPECT_THROW(FilterExpr::parse(nested(200), kFields), FilterError);
    EXPECT_THROW(FilterExpr::parse(std::string(100000, '('), kFields), FilterError);

    std::string nots;
    for (int i = 0; i < 50000; ++i)
        nots += "NOT ";
    EXPECT_THROW(FilterExpr::parse(nots + "QTD = 3", kFields), FilterError);

    // Long flat chains are not nesting.
    std::string chain = "QTD = 3";
    for (int i = 0; i < 5000; ++i)
        chain += " OR QTD = 3";
    EXPECT_EQ(matching(chain), std::vector<size_t>{0});
}

TEST(FilterExpr, EqualityTermsOnlyFromTheTopLevelAndChain) {
    struct Case {
        const char* text;
        std::vector<std::pair<size_t, std::string>> terms;
    };
    const std::vector<Case> cases = {
        {"NOME = 'x'", {{0, "x"}}},
        {"NOME = 'x' AND QTD > 1 AND 'y''s' = OBS", {{0, "x"}, {4, "y's"}}},
        {"NOME = 'x' OR NOME = 'y'", {}},
        {"NOT NOME = 'x'", {}},
        {"NOME <> 'x'", {}},
        {"VALOR = 1", {}},
        {"(NOME = 'x') AND (QTD = 1 OR QTD = 2)", {{0, "x"}}},
        {"NOME = OBS", {}},
    };
    for (const Case& c : cases) {
        const FilterExpr e = FilterExpr::parse(c.text, kFields);
        std::vector<std::pair<size_t, std::string>> got;
        for (const auto& t : e.equalityTerms())
            got.emplace_back(t.field, t.text);
        EXPECT_EQ(got, c.terms) << c.text;
    }
}

}  // namespace
}  // namespace confcred::dataset
