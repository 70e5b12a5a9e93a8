// Reading the eight filter arguments of the two list methods.

#include "server/methods/filter_args.h"

#include <gtest/gtest.h>

namespace confcred::server {
namespace {

struct CodeCase {
    const char* name;
    std::string text;
    std::string allowed;
    std::optional<std::string> codes;
    bool valid = true;
};

class CodeLists : public ::testing::TestWithParam<CodeCase> {};

TEST_P(CodeLists, ReadOrRefuse) {
    const auto& c = GetParam();
    if (c.valid)
        EXPECT_EQ(methods::parseCodeList(c.text, c.allowed), c.codes);
    else
        EXPECT_THROW(methods::parseCodeList(c.text, c.allowed), methods::SelectionError);
}

INSTANTIATE_TEST_SUITE_P(Rows, CodeLists,
                         ::testing::Values(CodeCase{"EmptyIsUnrestricted", "", "SNC", std::nullopt},
                                           CodeCase{"UnderscoreIsNone", "_", "SNC", ""},
                                           CodeCase{"AllThree", "_S_N_C_", "SNC", "SNC"},
                                           CodeCase{"OnlyCancelled", "_C_", "SNC", "C"},
                                           CodeCase{"Accounting", "_S_N_", "SN", "SN"},
                                           CodeCase{"RepeatCountsOnce", "_S_S_", "SN", "S"},
                                           CodeCase{"LetterNotAllowed", "_C_", "SN", {}, false},
                                           CodeCase{"LowerCase", "_s_", "SNC", {}, false},
                                           CodeCase{"NoLeadingUnderscore", "S_", "SNC", {}, false},
                                           CodeCase{"NoClosingUnderscore", "_S", "SNC", {}, false},
                                           CodeCase{"DoubleUnderscore", "__", "SNC", {}, false},
                                           CodeCase{
                                               "SqlLooking", "_S_' OR 1=1 --", "SNC", {}, false},
                                           CodeCase{"Wildcard", "_%_", "SNC", {}, false}),
                         [](const auto& row) { return std::string(row.param.name); });

struct TextCase {
    const char* name;
    std::string text;
    std::optional<std::string> result;
    bool valid = true;
};

class OrderNumbers : public ::testing::TestWithParam<TextCase> {};

TEST_P(OrderNumbers, ReadOrRefuse) {
    const auto& c = GetParam();
    if (c.valid)
        EXPECT_EQ(methods::parseOrderNumber(c.text), c.result);
    else
        EXPECT_THROW(methods::parseOrderNumber(c.text), methods::SelectionError);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OrderNumbers,
    ::testing::Values(TextCase{"AnyMarker", "T", std::nullopt}, TextCase{"Empty", "", std::nullopt},
                      TextCase{"Blank", "    ", std::nullopt},
                      TextCase{"Short", "123", "00000000000000000123"},
                      TextCase{"BlankPadded", "               12345", "00000000000000012345"},
                      TextCase{"Full", "12345678901234567890", "12345678901234567890"},
                      TextCase{"TooLong", "123456789012345678901", {}, false},
                      TextCase{"Letters", "12a", {}, false},
                      TextCase{"SqlLooking", "1 OR 1=1", {}, false},
                      TextCase{"Wildcard", "1%", {}, false}),
    [](const auto& row) { return std::string(row.param.name); });

class Descriptions : public ::testing::TestWithParam<TextCase> {};

TEST_P(Descriptions, BecomeLiteralPatterns) {
    if (GetParam().valid)
        EXPECT_EQ(methods::parseDescription(GetParam().text), GetParam().result);
    else
        EXPECT_THROW(methods::parseDescription(GetParam().text), methods::SelectionError);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Descriptions,
    ::testing::Values(
        TextCase{"AnyMarker", "T", std::nullopt}, TextCase{"Empty", "", std::nullopt},
        TextCase{"NothingTyped", "%%", std::nullopt}, TextCase{"Typed", "%abc%", "%abc%"},
        TextCase{"CaseAndAccents", "%CRÉDITO Ação%", "%credito acao%"},
        TextCase{"PercentInside", "%100%%", "%100\\%%"},
        TextCase{"UnderscoreInside", "%a_b%", "%a\\_b%"}, TextCase{"Backslash", "%a\\%", "%a\\\\%"},
        TextCase{"OnlyOnePercentTakenOff", "%%x%%", "%\\%x\\%%"},
        TextCase{"WithoutPercents", "abc", "%abc%"},
        TextCase{"Quote", "%' OR ''='%", "%' or ''='%"},
        TextCase{"FiftyCharacters", "%" + std::string(49, 'x') + "ç%",
                 "%" + std::string(49, 'x') + "c%"},
        TextCase{"LongerThanADescription", "%" + std::string(51, 'x') + "%", {}, false}),
    [](const auto& row) { return std::string(row.param.name); });

std::vector<methods::Arg> filterArgs(std::string clients = "T", std::string consumers = "T",
                                     std::string situations = "", std::string number = "",
                                     std::string description = "") {
    return {clients,
            consumers,
            std::string("2026-12-01T00:00:00"),
            std::string("2026-12-07T15:30:00"),
            situations,
            std::string("_N_"),
            number,
            description};
}

TEST(OrderFilterArgs, ReadsAllEight) {
    const auto f = methods::readOrderFilter(methods::Args(
        "getPEDCREDCONS",
        filterArgs("'CLI001','CLI''2'", "'CLI001               CONS0001             '", "_S_N_",
                   "77", "%Lanche%")));
    ASSERT_TRUE(f.clients);
    EXPECT_EQ(*f.clients, (std::vector<std::string>{"CLI001", "CLI'2"}));
    ASSERT_TRUE(f.consumers);
    EXPECT_EQ(*f.consumers, (std::vector<methods::ConsumerKey>{{"CLI001", "CONS0001"}}));
    EXPECT_EQ(f.firstDay, platform::DateTime::fromParts(2026, 12, 1));
    EXPECT_EQ(f.lastDay, platform::DateTime::fromParts(2026, 12, 7));  // date part only
    EXPECT_EQ(f.situations, "SN");
    EXPECT_EQ(f.accounted, "N");
    EXPECT_EQ(f.orderNumber, "00000000000000000077");
    EXPECT_EQ(f.descriptionPattern, "%lanche%");
}

TEST(OrderFilterArgs, AllMarkersMeanNoRestriction) {
    const auto f = methods::readOrderFilter(methods::Args("getPEDCREDCONS", filterArgs()));
    EXPECT_FALSE(f.clients);
    EXPECT_FALSE(f.consumers);
    EXPECT_FALSE(f.situations);
    EXPECT_FALSE(f.orderNumber);
    EXPECT_FALSE(f.descriptionPattern);
}

struct BadArgs {
    const char* name;
    std::vector<methods::Arg> args;
    const char* mentions;
};

class OrderFilterRefusals : public ::testing::TestWithParam<BadArgs> {};

TEST_P(OrderFilterRefusals, NameTheFieldAsTheOperatorKnowsIt) {
    try {
        methods::readOrderFilter(methods::Args("getPEDCREDCONS", GetParam().args));
        ADD_FAILURE() << "accepted";
    } catch (const methods::ArgumentError& e) {
        EXPECT_EQ(e.httpStatus(), 400);
        EXPECT_NE(std::string(e.what()).find(GetParam().mentions), std::string::npos) << e.what();
    }
}

std::vector<methods::Arg> with(std::size_t at, methods::Arg value) {
    auto args = filterArgs();
    args[at] = std::move(value);
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OrderFilterRefusals,
    ::testing::Values(
        BadArgs{"TooFew", {std::string("T")}, "espera 8"},
        BadArgs{"ClientSplice", with(0, std::string("'1') OR ('1'='1")), "em \"Cliente\""},
        BadArgs{"ClientEmpty", with(0, std::string("")), "em \"Cliente\""},
        BadArgs{"ConsumerKeyTooShort", with(1, std::string("'CLI001'")), "em \"Consumidor/Resp.\""},
        BadArgs{"DateNotIso", with(2, std::string("07/12/2026")),
                "em \"Período (de)\": informe uma data válida"},
        BadArgs{"DateAsNumber", with(3, 45000.0), "em \"Período (até)\""},
        BadArgs{"SituationLetter", with(4, std::string("_X_")), "em \"Situação\""},
        BadArgs{"AccountingWrongType", with(5, 1.0), "em \"Contabilizado\""},
        BadArgs{"OrderNumberText", with(6, std::string("abc")),
                "Filtro inválido em \"Nr. Pedido\": número do pedido 'abc' inválido: informe "
                "somente dígitos"},
        BadArgs{"DescriptionNotText", with(7, methods::Arg()), "em \"Descrição do Crédito\""}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace confcred::server
