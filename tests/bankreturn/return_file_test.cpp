#include "bankreturn/return_file.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/cp1252.h"
#include "support/return_files.h"

namespace confcred::bankreturn {
namespace {

using confcred::testing::composeCnab240;
using confcred::testing::composeCnab400;
using confcred::testing::ComposedSlip;
using platform::Date;
using platform::DateTime;

DateTime at(int year, int month, int day) {
    return DateTime::fromParts(year, month, day);
}

// A record of blanks with the pieces at the 1-based columns the bank's
// printed layout gives; written here by hand, apart from the composer.
std::string record(size_t length, std::initializer_list<std::pair<size_t, std::string>> pieces) {
    std::string line(length, ' ');
    for (const auto& [column, text] : pieces)
        line.replace(column - 1, text.size(), text);
    EXPECT_EQ(line.size(), length);
    return line;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::vector<ComposedSlip> sampleSlips(const std::string& settling = "06") {
    ComposedSlip paid{.nossoNumero = "1234567",
                      .digit = "8",
                      .faceCents = 150000,
                      .paidCents = 151250,
                      .feesCents = 1250,
                      .occurrence = settling,
                      .occurrenceDate = Date{2026, 12, 4},
                      .creditDate = Date{2026, 12, 7},
                      .documentNumber = "PED-77"};
    ComposedSlip confirmed = paid;
    confirmed.nossoNumero = "1234568";
    confirmed.digit = "6";
    confirmed.faceCents = 9900;
    confirmed.paidCents = confirmed.feesCents = 0;
    confirmed.occurrence = "02";
    confirmed.occurrenceDate = confirmed.creditDate = std::nullopt;
    confirmed.documentNumber = "PED-78";
    return {paid, confirmed};
}

// The records of a composed file, with what the test expects of them.
void expectSample(const ReturnFile& file, const std::string& bank, bool digitCarried) {
    ASSERT_EQ(file.records.size(), 2u);
    const ReturnRecord& paid = file.records[0];
    EXPECT_EQ(file.bankCode, bank);
    EXPECT_EQ(slipDigits(paid.nossoNumero), "1234567");
    EXPECT_EQ(paid.nossoNumeroDigit, digitCarried ? "8" : "");
    EXPECT_EQ(paid.documentNumber, "PED-77");
    EXPECT_EQ(paid.faceValueCents, 150000);
    EXPECT_EQ(paid.paidCents, 151250);
    EXPECT_EQ(paid.feesCents, 1250);
    EXPECT_EQ(paid.discountCents, 0);
    EXPECT_TRUE(paid.settlement);
    EXPECT_EQ(paid.occurrenceDate, at(2026, 12, 4));
    EXPECT_EQ(paid.creditDate, at(2026, 12, 7));
    const ReturnRecord& confirmed = file.records[1];
    EXPECT_EQ(confirmed.occurrence, "02");
    EXPECT_FALSE(confirmed.settlement);
    EXPECT_EQ(confirmed.occurrenceDate, std::nullopt);
    EXPECT_EQ(confirmed.nossoNumeroDigit, digitCarried ? "6" : "");
}

TEST(ReturnFileTest, Cnab240OfEveryBankReadsBackWithEitherLineEnd) {
    const struct {
        std::string bank;
        bool digit;
    } rows[] = {{"001", true}, {"033", true}, {"104", false}, {"237", true},
                {"341", true}, {"748", true}, {"756", true},  {"422", false}};
    for (const auto& row : rows) {
        for (bool crlf : {true, false}) {
            SCOPED_TRACE(row.bank + (crlf ? " CR LF" : " LF"));
            const ReturnFile file = readReturnFile(composeCnab240(row.bank, sampleSlips(), crlf));
            EXPECT_EQ(file.layout, Layout::Cnab240);
            expectSample(file, row.bank, row.digit);
        }
    }
}

TEST(ReturnFileTest, Cnab400OfEveryBankReadsBackWithEitherLineEnd) {
    const struct {
        std::string bank;
        bool digit;
        bool creditDate;
        std::string settling;
    } rows[] = {{"001", false, true, "15"}, {"033", true, true, "06"}, {"104", false, true, "21"},
                {"237", true, true, "17"},  {"341", true, true, "08"}, {"748", true, false, "06"},
                {"756", true, true, "05"}};
    for (const auto& row : rows) {
        for (bool crlf : {true, false}) {
            SCOPED_TRACE(row.bank + (crlf ? " CR LF" : " LF"));
            const ReturnFile file =
                readReturnFile(composeCnab400(row.bank, sampleSlips(row.settling), crlf));
            EXPECT_EQ(file.layout, Layout::Cnab400);
            if (row.creditDate) {
                expectSample(file, row.bank, row.digit);
            } else {
                ASSERT_EQ(file.records.size(), 2u);
                EXPECT_EQ(file.records[0].creditDate, std::nullopt);
                EXPECT_EQ(file.records[0].paidCents, 151250);
            }
        }
    }
}

// Itaú's CNAB 240 pair, from its layout: wallet 38-40, slip 41-48 and its
// check digit 49, document 59-68; amounts and dates of segment U.
TEST(ReturnFileTest, HandWrittenCnab240PairReadsFieldByField) {
    const std::string file = joined({
        record(240, {{1, "34100000"}, {18, "2"}, {103, "BANCO ITAU SA"}, {143, "207122026"}}),
        record(240, {{1, "34100011T01"}}),
        record(240, {{1, "3410001300001T 06"},
                     {38, "109123456789"},
                     {59, "NF-1001"},
                     {74, "10122026000000000010000"}}),
        record(240, {{1, "3410001300002U 06"},
                     {18, "000000000000350"},
                     {33, "000000000000100"},
                     {48, "000000000000000"},
                     {78, "000000000010250"},
                     {138, "0412202607122026"}}),
        record(240, {{1, "34100015"}, {18, "000004"}, {24, "000001"}, {30, "00000000000010000"}}),
        record(240, {{1, "34199999"}, {18, "000001000006"}}),
    });
    const ReturnFile read = readReturnFile(file);
    EXPECT_EQ(read.bankName, "BANCO ITAU SA");
    ASSERT_EQ(read.records.size(), 1u);
    const ReturnRecord& r = read.records[0];
    EXPECT_EQ(r.line, 3);
    EXPECT_EQ(r.nossoNumero, "12345678");
    EXPECT_EQ(r.nossoNumeroDigit, "9");
    EXPECT_EQ(r.documentNumber, "NF-1001");
    EXPECT_EQ(r.faceValueCents, 10000);
    EXPECT_EQ(r.paidCents, 10250);
    EXPECT_EQ(r.feesCents, 350);
    EXPECT_EQ(r.discountCents, 100);
    EXPECT_EQ(r.occurrence, "06");
    EXPECT_TRUE(r.settlement);
    EXPECT_EQ(r.occurrenceDate, at(2026, 12, 4));
    EXPECT_EQ(r.creditDate, at(2026, 12, 7));
}

// Bradesco (slip 71-81, digit 82) and Banco do Brasil type 7 (17-digit slip
// 64-80, credit date 176) detail lines, from the banks' layouts; the
// Bradesco file is Windows-1252 and reads the same once turned into UTF-8.
TEST(ReturnFileTest, HandWrittenCnab400LinesReadFieldByField) {
    const std::string bradesco = joined({
        record(400, {{1, "02RETORNO01COBRANCA"}, {77, "237BRADESCO"}, {395, "000001"}}),
        record(400, {{1, "102"},
                     {71, "00000012345P"},
                     {108, "906041226DUPL-\xC7\xC3O"},
                     {147, "1012260000000020000237"},
                     {176, "0000000000195"},
                     {228, "0000000000000"},
                     {241, "0000000000500"},
                     {254, "0000000019800"},
                     {267, "0000000000300"},
                     {296, "071226"},
                     {395, "000002"}}),
        record(400, {{1, "9201237"}, {395, "000003"}}),
    });
    const std::string bancoDoBrasil = joined({
        record(400, {{1, "02RETORNO01COBRANCA"}, {77, "001BANCO DO BRASIL"}, {395, "000001"}}),
        record(400, {{1, "702"},
                     {32, "1234567"},
                     {64, "12345670000000099"},
                     {107, "1705031226ABC123"},
                     {153, "0000000005000001"},
                     {176, "0412260000150"},
                     {228, "0000000000200"},
                     {241, "0000000000000"},
                     {254, "0000000004800"},
                     {267, "0000000000000"},
                     {395, "000002"}}),
        record(400, {{1, "9201001"}, {395, "000003"}}),
    });
    for (const std::string& text : {bradesco, platform::cp1252ToUtf8(bradesco)}) {
        const ReturnFile read = readReturnFile(text);
        ASSERT_EQ(read.records.size(), 1u);
        const ReturnRecord& r = read.records[0];
        EXPECT_EQ(r.line, 2);
        EXPECT_EQ(r.nossoNumero, "00000012345");
        EXPECT_EQ(r.nossoNumeroDigit, "P");
        EXPECT_EQ(r.documentNumber, "DUPL-ÇÃO");
        EXPECT_EQ(r.faceValueCents, 20000);
        EXPECT_EQ(r.paidCents, 19800);
        EXPECT_EQ(r.feesCents, 300);
        EXPECT_EQ(r.discountCents, 500);
        EXPECT_TRUE(r.settlement);
        EXPECT_EQ(r.occurrenceDate, at(2026, 12, 4));
        EXPECT_EQ(r.creditDate, at(2026, 12, 7));
    }
    const ReturnFile read = readReturnFile(bancoDoBrasil);
    ASSERT_EQ(read.records.size(), 1u);
    const ReturnRecord& r = read.records[0];
    EXPECT_EQ(read.bankName, "BANCO DO BRASIL");
    EXPECT_EQ(r.nossoNumero, "12345670000000099");
    EXPECT_EQ(r.nossoNumeroDigit, "");
    EXPECT_EQ(r.documentNumber, "ABC123");
    EXPECT_EQ(r.faceValueCents, 5000);
    EXPECT_EQ(r.paidCents, 4800);
    EXPECT_EQ(r.discountCents, 200);
    EXPECT_EQ(r.occurrence, "05");
    EXPECT_TRUE(r.settlement);
    EXPECT_EQ(r.occurrenceDate, at(2026, 12, 3));
    EXPECT_EQ(r.creditDate, at(2026, 12, 4));
}

TEST(ReturnFileTest, FileEndsOfEveryKindAreRead) {
    const std::string file = composeCnab240("237", sampleSlips());
    const std::string lf = composeCnab240("237", sampleSlips(), false);
    for (const std::string& text :
         {file.substr(0, file.size() - 2), file + "\x1A", file + "\r\n  \r\n\r\n", lf + "\n\x1A",
          "\xEF\xBB\xBF" + lf.substr(0, lf.size() - 1)}) {
        EXPECT_EQ(readReturnFile(text).records.size(), 2u);
    }
}

// Every refusal names the line and the column of what is wrong.
TEST(ReturnFileTest, RefusalsNameLineAndColumn) {
    using Edit = std::function<void(std::vector<std::string>&)>;
    auto put = [](size_t line, size_t column, std::string text) -> Edit {
        return [=](std::vector<std::string>& lines) {
            lines[line - 1].replace(column - 1, text.size(), text);
        };
    };
    auto drop = [](size_t line) -> Edit {
        return [=](std::vector<std::string>& lines) {
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line - 1));
        };
    };
    // CNAB 240 lines: 1 header, 2 lot header, 3 T, 4 U, 5 T, 6 U, 7 lot
    // trailer, 8 file trailer. CNAB 400: 1 header, 2-3 details, 4 trailer.
    const struct {
        const char* name;
        int layout;
        Edit edit;
        int line, column;
        const char* message;
    } rows[] = {
        {"short line", 240, [](auto& l) { l[3].pop_back(); }, 4, 240, "tem 239 caracteres"},
        {"long line", 400, [](auto& l) { l[1] += ' '; }, 2, 401, "tem 401 caracteres"},
        {"unknown layout", 240, [](auto& l) { l[0].resize(300, ' '); }, 1, 1, "240 ou 400"},
        {"remittance", 240, put(1, 143, "1"), 1, 143, "não é de retorno"},
        {"unknown bank", 400, put(1, 77, "999"), 1, 77, "banco sem leiaute"},
        {"detail before lot header", 240, drop(2), 2, 8, "fora de um lote"},
        {"detail before file header", 400, drop(1), 1, 1, "header do arquivo"},
        {"other bank's record", 240, put(5, 1, "001"), 5, 1, "diferente do header"},
        {"T without U", 240, drop(4), 3, 14, "sem o segmento U"},
        {"U without T", 240, drop(5), 5, 14, "sem o segmento T"},
        {"letter in paid amount", 240, put(4, 90, "A"), 4, 78, "valor não numérico"},
        {"blank in face value", 400, put(3, 160, " "), 3, 153, "valor não numérico"},
        {"impossible date", 240, put(4, 138, "31022026"), 4, 138, "data inválida"},
        {"impossible short date", 400, put(2, 111, "001326"), 2, 111, "data inválida"},
        {"lot record count", 240, put(7, 18, "000007"), 7, 18, "informa 7 registros"},
        {"lot title count", 240, put(7, 24, "000003"), 7, 24, "informa 3 títulos"},
        {"lot total", 240, put(7, 46, "1"), 7, 30, "R$ 1599,01"},
        {"file lot count", 240, put(8, 18, "000002"), 8, 18, "informa 2 lotes"},
        {"file record count", 240, put(8, 24, "000009"), 8, 24, "informa 9 registros"},
        {"sequence", 400, put(4, 395, "000005"), 4, 395, "número sequencial 5"},
        {"truncated 240", 240, drop(8), 7, 1, "incompleto"},
        {"truncated 400", 400, drop(4), 3, 1, "incompleto"},
        {"record after trailer", 400, [](auto& l) { l.push_back(l[3]); }, 5, 1, "depois do"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> lines =
            linesOf(row.layout == 240 ? composeCnab240("341", sampleSlips())
                                      : composeCnab400("341", sampleSlips()));
        row.edit(lines);
        try {
            readReturnFile(joined(lines));
            ADD_FAILURE() << "read without refusal";
        } catch (const ReturnFileError& e) {
            EXPECT_EQ(e.line(), row.line);
            EXPECT_EQ(e.column(), row.column);
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
            EXPECT_EQ(
                std::string(e.what()).rfind("Linha " + std::to_string(row.line) + ", coluna " +
                                                std::to_string(row.column) + ": ",
                                            0),
                0u)
                << e.what();
        }
    }
}

TEST(ReturnFileTest, SlipDigitsDropLeadingZerosAndNonDigits) {
    EXPECT_EQ(slipDigits("000123"), "123");
    EXPECT_EQ(slipDigits(" 00-10.2 "), "102");
    EXPECT_EQ(slipDigits("0000"), "");
}

}  // namespace
}  // namespace confcred::bankreturn
