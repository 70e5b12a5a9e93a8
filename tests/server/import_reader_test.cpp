#include "server/methods/import_reader.h"

#include <gtest/gtest.h>

#include <string>

using confcred::platform::DateTime;
using namespace confcred::server;

namespace {

const std::string kGood = "C;CLI1;CON1;B001;07/12/2026 10:30:00;Crédito mensal;ALI=25,50;BEB=3";

enum class Outcome { Order, Warning, Recognised };

struct LineCase {
    const char* name;
    std::string line;
    Outcome outcome;
    const char* warningPart = "";  // a piece the warning must hold
};

class OneLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(OneLine, EndsAsExpected) {
    const LineCase& c = GetParam();
    const methods::ImportReadResult r = methods::readImportFile(c.line);
    ASSERT_EQ(r.lineCount, 1);
    EXPECT_EQ(r.orders.size(), c.outcome == Outcome::Order ? 1u : 0u);
    EXPECT_EQ(r.recognisedLines, c.outcome == Outcome::Recognised ? 1 : 0);
    ASSERT_EQ(r.warnings.size(), c.outcome == Outcome::Warning ? 1u : 0u);
    if (c.outcome == Outcome::Warning) {
        EXPECT_EQ(r.warnings[0].lineNumber, 1);
        EXPECT_EQ(r.warnings[0].text.rfind("Linha 1: ", 0), 0u) << r.warnings[0].text;
        EXPECT_NE(r.warnings[0].text.find(c.warningPart), std::string::npos) << r.warnings[0].text;
        EXPECT_LE(r.warnings[0].text.size(), 250u);
    }
}

const std::string kLong(30, 'X');

INSTANTIATE_TEST_SUITE_P(
    Lines, OneLine,
    ::testing::Values(
        LineCase{"Good", kGood, Outcome::Order},
        LineCase{"DateOnly", "D;CLI1;CON1;B1;29/02/2028;;ALI=1", Outcome::Order},
        LineCase{"LowerCaseType", "c;CLI1;CON1;B1;01/01/2027;;ALI=1", Outcome::Order},
        LineCase{"BlanksAround", "  C ; CLI1 ;CON1;B1; 01/01/2027 ; x ; ALI = 1,5 ;",
                 Outcome::Order},
        LineCase{"TrailingSeparators", "C;CLI1;CON1;B1;01/01/2027;;ALI=1;;", Outcome::Order},
        LineCase{"WidestCodes",
                 "C;" + std::string(21, 'A') + ";" + std::string(21, 'B') + ";" +
                     std::string(20, '9') + ";01/01/2027;" + std::string(50, 'd') + ";ABC=1",
                 Outcome::Order},
        LineCase{"AccentsCountAsOneCharacter",
                 "C;ÇÇÇÇÇÇÇÇÇÇÇÇÇÇÇÇÇÇÇÇÇ;C;B1;01/01/2027;" + std::string(25, 'a') +
                     "çãçãçãçãçãçãçãçãçãçãçãçã;ÇÃO=1",
                 Outcome::Order},
        LineCase{"SqlLookingTextIsJustText",
                 "C;CLI1';DROP TABLE x--;B1;01/01/2027;%_' OR 1=1;ALI=1", Outcome::Order},
        LineCase{"LargestValue", "C;CLI1;CON1;B1;01/01/2027;;ALI=999999999,99", Outcome::Order},
        LineCase{"Blank", "   \t ", Outcome::Recognised},
        LineCase{"Comment", "  # lote de dezembro", Outcome::Recognised},
        LineCase{"Header", "TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRICAO;FAMILIAS",
                 Outcome::Recognised},
        LineCase{"TooFewFields", "C;CLI1;CON1;B1;01/01/2027;desc", Outcome::Warning,
                 "campos insuficientes: 6"},
        LineCase{"BadType", "X;CLI1;CON1;B1;01/01/2027;;ALI=1", Outcome::Warning, "tipo \"X\""},
        LineCase{"NoClient", "C; ;CON1;B1;01/01/2027;;ALI=1", Outcome::Warning,
                 "cliente não informado"},
        LineCase{"ClientTooWide", "C;" + std::string(22, 'A') + ";CON1;B1;01/01/2027;;ALI=1",
                 Outcome::Warning, "mais de 21"},
        LineCase{"ConsumerTooWide", "C;A;" + std::string(22, 'B') + ";B1;01/01/2027;;ALI=1",
                 Outcome::Warning, "consumidor"},
        LineCase{"BoletoTooWide", "C;A;B;" + std::string(21, '1') + ";01/01/2027;;ALI=1",
                 Outcome::Warning, "mais de 20"},
        LineCase{"ControlInCode", "C;A\x01Z;B;1;01/01/2027;;ALI=1", Outcome::Warning,
                 "\"A?Z\" contém caractere de controle"},
        LineCase{"C1ControlFromWindows1252", "C;A\xC2\x81Z;B;1;01/01/2027;;ALI=1", Outcome::Warning,
                 "\"A?Z\" contém caractere de controle"},
        LineCase{"TabInsideDescription", "C;A;B;1;01/01/2027;a\tb;ALI=1", Outcome::Warning,
                 "descrição contém"},
        LineCase{"DescriptionTooLong", "C;A;B;1;01/01/2027;" + std::string(51, 'd') + ";ALI=1",
                 Outcome::Warning, "descrição com mais de 50"},
        LineCase{"ImpossibleDate", "C;A;B;1;30/02/2027;;ALI=1", Outcome::Warning,
                 "data \"30/02/2027\" inválida"},
        LineCase{"NotLeapYear", "C;A;B;1;29/02/2027;;ALI=1", Outcome::Warning, "inválida"},
        LineCase{"IsoDate", "C;A;B;1;2027-01-01;;ALI=1", Outcome::Warning, "DD/MM/AAAA"},
        LineCase{"OneDigitDay", "C;A;B;1;1/01/2027;;ALI=1", Outcome::Warning, "inválida"},
        LineCase{"BadHour", "C;A;B;1;01/01/2027 24:00:00;;ALI=1", Outcome::Warning, "inválida"},
        LineCase{"YearTooOld", "C;A;B;1;01/01/1899;;ALI=1", Outcome::Warning, "inválida"},
        LineCase{"NoFamilies", "C;A;B;1;01/01/2027;;;", Outcome::Warning, "nenhum valor"},
        LineCase{"PairWithoutEquals", "C;A;B;1;01/01/2027;;ALI 10", Outcome::Warning,
                 "campo 7 \"ALI 10\" fora do formato"},
        LineCase{"FamilyTooWide", "C;A;B;1;01/01/2027;;ALIM=10", Outcome::Warning, "mais de 3"},
        LineCase{"NoFamilyCode", "C;A;B;1;01/01/2027;;=10", Outcome::Warning,
                 "família não informada"},
        LineCase{"RepeatedFamily", "C;A;B;1;01/01/2027;;ALI=1;ALI=2", Outcome::Warning,
                 "família \"ALI\" repetida"},
        LineCase{"DecimalPoint", "C;A;B;1;01/01/2027;;ALI=25.50", Outcome::Warning,
                 "valor \"25.50\""},
        LineCase{"ThreeDecimals", "C;A;B;1;01/01/2027;;ALI=1,005", Outcome::Warning, "duas casas"},
        LineCase{"Negative", "C;A;B;1;01/01/2027;;ALI=-5", Outcome::Warning, "inválido"},
        LineCase{"Zero", "C;A;B;1;01/01/2027;;ALI=0,00", Outcome::Warning, "maior que zero"},
        LineCase{"EmptyValue", "C;A;B;1;01/01/2027;;ALI=", Outcome::Warning, "inválido"},
        LineCase{"TooLarge", "C;A;B;1;01/01/2027;;ALI=1000000000", Outcome::Warning,
                 "acima do limite"},
        LineCase{"HugeDigits", "C;A;B;1;01/01/2027;;ALI=" + std::string(400, '9'), Outcome::Warning,
                 "acima do limite"},
        LineCase{"InvalidUtf8", "C;Jo\xE3o;B;1;01/01/2027;;ALI=1", Outcome::Warning,
                 "caracteres inválidos"},
        LineCase{"LongFieldQuotedShort", "Z" + std::string(5000, 'x') + ";A;B;1;01/01/2027;;A=1",
                 Outcome::Warning, "...\""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ImportReader, OrderCarriesItsFields) {
    const methods::ImportReadResult r =
        methods::readImportFile(kGood + "\n" + "D;CLI2;CON2;B002;08/12/2026;;X=0,5");
    ASSERT_EQ(r.orders.size(), 2u);
    const methods::ImportOrder& o = r.orders[0];
    EXPECT_EQ(o.lineNumber, 1);
    EXPECT_EQ(o.kind, methods::ImportKind::Credit);
    EXPECT_EQ(o.client, "CLI1");
    EXPECT_EQ(o.consumer, "CON1");
    EXPECT_EQ(o.boleto, "B001");
    EXPECT_EQ(o.when, DateTime::fromParts(2026, 12, 7, 10, 30, 0));
    EXPECT_EQ(o.description, "Crédito mensal");
    ASSERT_EQ(o.families.size(), 2u);
    EXPECT_EQ(o.families[0].family, "ALI");
    EXPECT_DOUBLE_EQ(o.families[0].value, 25.5);
    EXPECT_EQ(o.families[1].family, "BEB");
    EXPECT_DOUBLE_EQ(o.families[1].value, 3.0);
    EXPECT_EQ(r.orders[1].kind, methods::ImportKind::Debit);
    EXPECT_EQ(r.orders[1].when, DateTime::fromParts(2026, 12, 8));
    EXPECT_DOUBLE_EQ(r.orders[1].families[0].value, 0.5);
}

TEST(ImportReader, LineEndsAndLineNumbers) {
    struct Case {
        const char* name;
        std::string text;
        int lines;
    };
    const std::string a = "C;A;B;1;01/01/2027;;X=1", b = "C;A;B;2;01/01/2027;;X=1";
    for (const Case& c : {
             Case{"Empty", "", 0},
             Case{"OnlyLf", "\n", 1},
             Case{"Lf", a + "\n" + b + "\n", 2},
             Case{"CrLf", a + "\r\n" + b + "\r\n", 2},
             Case{"Cr", a + "\r" + b + "\r", 2},
             Case{"NoLastEnd", a + "\r\n" + b, 2},
             Case{"Mixed", a + "\r\n\n\r" + b, 4},
             Case{"CrCrLf", a + "\r\r\n" + b, 3},
             Case{"ByteOrderMark", "\xEF\xBB\xBF" + a + "\n" + b, 2},
         }) {
        SCOPED_TRACE(c.name);
        const methods::ImportReadResult r = methods::readImportFile(c.text);
        EXPECT_EQ(r.lineCount, c.lines);
        EXPECT_EQ(int(r.orders.size() + r.warnings.size()) + r.recognisedLines, r.lineCount);
        if (c.lines >= 2) {
            ASSERT_EQ(r.orders.size(), 2u);
            EXPECT_EQ(r.orders[0].lineNumber, 1);
            EXPECT_EQ(r.orders[1].lineNumber, c.lines);
        }
    }
}

TEST(ImportReader, RepeatedBoletoWarnsOnTheLaterLine) {
    const methods::ImportReadResult r = methods::readImportFile(
        "C;A;B;77;01/01/2027;;X=1\n"
        "C;A;B;78;01/01/2027;;X=0\n"  // refused: its slip stays free
        "D;Z;Y; 77 ;02/01/2027;;X=2\n"
        "C;A;B;78;01/01/2027;;X=1\n");
    ASSERT_EQ(r.orders.size(), 2u);
    EXPECT_EQ(r.orders[0].boleto, "77");
    EXPECT_EQ(r.orders[1].lineNumber, 4);
    ASSERT_EQ(r.warnings.size(), 2u);
    EXPECT_EQ(r.warnings[1].lineNumber, 3);
    EXPECT_EQ(r.warnings[1].text,
              "Linha 3: boleto \"77\" repetido no arquivo (já consta na linha 1).");
}

TEST(ImportReader, HeaderOnlyAsFirstContent) {
    const methods::ImportReadResult r = methods::readImportFile(
        "# exportado pelo banco\n\nTipo;Cliente\nC;A;B;1;01/01/2027;;X=1\nTIPO;CLIENTE\n");
    EXPECT_EQ(r.recognisedLines, 3);
    EXPECT_EQ(r.orders.size(), 1u);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0].lineNumber, 5);
}

TEST(ImportReader, FamilyLimitPerLine) {
    std::string atLimit = "C;A;B;1;01/01/2027;", overLimit = "C;A;B;2;01/01/2027;";
    for (int i = 0; i < 50; ++i) {
        atLimit += ";F" + std::to_string(i) + "=1";
        overLimit += ";F" + std::to_string(i) + "=1";
    }
    overLimit += ";ZZ=1";
    const methods::ImportReadResult r = methods::readImportFile(atLimit + "\n" + overLimit);
    ASSERT_EQ(r.orders.size(), 1u);
    EXPECT_EQ(r.orders[0].families.size(), 50u);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_NE(r.warnings[0].text.find("mais de 50 famílias"), std::string::npos);
}

TEST(ImportReader, LargeFileHasNoLengthLimit) {
    std::string text;
    for (int i = 1; i <= 20000; ++i)
        text += "C;CLIENTE" + std::to_string(i % 7) + ";CONS" + std::to_string(i % 101) + ";" +
                std::to_string(100000 + i) + ";07/12/2026 08:00:00;Lote;ALI=" + std::to_string(i) +
                ",25;BEB=1\r\n";
    ASSERT_GT(text.size(), 5000u);
    const methods::ImportReadResult r = methods::readImportFile(text);
    EXPECT_EQ(r.lineCount, 20000);
    ASSERT_EQ(r.orders.size(), 20000u);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.orders.back().boleto, "120000");
    EXPECT_DOUBLE_EQ(r.orders.back().families[0].value, 20000.25);
}

TEST(ImportReader, LimitWarningCutsOnCharacterBoundary) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t size;
    };
    for (const Case& c : {
             Case{"Short", "Linha 1: ok", 11},
             Case{"Exactly250", std::string(250, 'a'), 250},
             Case{"Ascii251", std::string(251, 'a'), 250},
             // 246 bytes then two-byte letters: the cut may not split one.
             Case{"TwoByteAtCut", std::string(246, 'a') + "çççç", 249},
             Case{"ThreeByteAtCut", std::string(245, 'a') + "€€€", 248},
         }) {
        SCOPED_TRACE(c.name);
        const std::string out = methods::limitWarning(c.text);
        EXPECT_EQ(out.size(), c.size);
        if (c.text.size() > 250) {
            EXPECT_EQ(out.substr(out.size() - 3), "...");
        }
    }
}

}  // namespace
