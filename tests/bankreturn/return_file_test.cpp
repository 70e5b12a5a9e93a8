#include "bankreturn/return_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "bankreturn/cnab400_banks.h"

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

// A paid slip (fees on top of the face value) and a confirmed one.
std::vector<ComposedSlip> sampleSlips(const std::string& settling = "06") {
    ComposedSlip paid{
        "1234567",         "8",      150000, 151250, 1250, 0, settling, Date{2026, 12, 4},
        Date{2026, 12, 7}, "PED-77", 315};
    ComposedSlip confirmed{"1234568", "6",          9900,         0,       0, 0,
                           "02",      std::nullopt, std::nullopt, "PED-78"};
    return {paid, confirmed};
}

void expectRecord(const ReturnRecord& got, const ReturnRecord& want) {
    EXPECT_EQ(got.line, want.line);
    EXPECT_EQ(got.nossoNumero, want.nossoNumero);
    EXPECT_EQ(got.nossoNumeroDigit, want.nossoNumeroDigit);
    EXPECT_EQ(got.documentNumber, want.documentNumber);
    EXPECT_EQ(got.faceValueCents, want.faceValueCents);
    EXPECT_EQ(got.paidCents, want.paidCents);
    EXPECT_EQ(got.feesCents, want.feesCents);
    EXPECT_EQ(got.discountCents, want.discountCents);
    EXPECT_EQ(got.occurrence, want.occurrence);
    EXPECT_EQ(got.settlement, want.settlement);
    EXPECT_EQ(got.occurrenceDate, want.occurrenceDate);
    EXPECT_EQ(got.creditDate, want.creditDate);
    EXPECT_EQ(got.tariffCents, want.tariffCents);
}

TEST(ReturnFileTest, ComposedFileOfEveryBankReadsBackWithEitherLineEnd) {
    // Santander's 15 confirms a protest; Caixa's 35 is an on-line liquidation.
    const struct {
        int layout;
        std::string bank, settling;
        bool digit, settles;
    } rows[] = {
        {240, "001", "06", true, true},  {240, "033", "17", true, true},
        {240, "104", "06", true, true},  {240, "237", "06", true, true},
        {240, "341", "06", true, true},  {240, "748", "06", true, true},
        {240, "756", "06", true, true},  {240, "422", "06", false, true},
        {400, "001", "15", false, true}, {400, "033", "07", true, true},
        {400, "033", "15", true, false}, {400, "033", "17", true, true},
        {400, "104", "21", false, true}, {400, "104", "35", false, true},
        {400, "237", "17", true, true},  {400, "341", "08", true, true},
        {400, "748", "06", true, true},  {400, "756", "05", true, true},
    };
    for (const auto& row : rows) {
        for (bool crlf : {true, false}) {
            SCOPED_TRACE(std::to_string(row.layout) + " " + row.bank + (crlf ? " CR LF" : " LF"));
            const auto slips = sampleSlips(row.settling);
            const ReturnFile file =
                readReturnFile(row.layout == 240 ? composeCnab240(row.bank, slips, crlf)
                                                 : composeCnab400(row.bank, slips, crlf));
            EXPECT_EQ(file.layout, row.layout == 240 ? Layout::Cnab240 : Layout::Cnab400);
            EXPECT_EQ(file.bankCode, row.bank);
            EXPECT_EQ(file.adjustedLines, 0);
            ASSERT_EQ(file.records.size(), 2u);
            const ReturnRecord& paid = file.records[0];
            const ReturnRecord& confirmed = file.records[1];
            EXPECT_EQ(slipDigits(paid.nossoNumero), "1234567");
            expectRecord(paid, {row.layout == 240 ? 3 : 2, paid.nossoNumero, row.digit ? "8" : "",
                                "PED-77", 150000, 151250, 1250, 0, row.settling, row.settles,
                                at(2026, 12, 4), at(2026, 12, 7), 315});
            EXPECT_EQ(confirmed.nossoNumeroDigit, row.digit ? "6" : "");
            EXPECT_FALSE(confirmed.settlement);
            EXPECT_EQ(confirmed.occurrenceDate, std::nullopt);
        }
    }
}

// Itaú's CNAB 240 pair, from its layout: wallet 38-40, slip 41-48 and its
// check digit 49, document 59-68; amounts and dates of segment U.
TEST(ReturnFileTest, HandWrittenCnab240PairReadsFieldByField) {
    const ReturnFile read = readReturnFile(joined({
        record(240, {{1, "34100000"}, {18, "2"}, {103, "BANCO ITAU SA"}, {143, "207122026"}}),
        record(240, {{1, "34100011T01"}}),
        record(240, {{1, "3410001300001T 06"},
                     {38, "109123456789"},
                     {59, "NF-1001"},
                     {74, "10122026000000000010000"},
                     {199, "000000000000215"}}),
        record(240, {{1, "3410001300002U 06"},
                     {18, "000000000000350"},
                     {33, "000000000000100"},
                     {48, "000000000000000"},
                     {78, "000000000010250"},
                     {138, "0412202607122026"}}),
        record(240, {{1, "34100015"}, {18, "000004"}, {24, "000001"}, {30, "00000000000010000"}}),
        record(240, {{1, "34199999"}, {18, "000001000006"}}),
    }));
    EXPECT_EQ(read.bankName, "BANCO ITAU SA");
    ASSERT_EQ(read.records.size(), 1u);
    expectRecord(read.records[0], {3, "12345678", "9", "NF-1001", 10000, 10250, 350, 100, "06",
                                   true, at(2026, 12, 4), at(2026, 12, 7), 215});
}

// Bradesco (slip 71-81, digit 82), Banco do Brasil type 7 (17-digit slip
// 64-80, credit date 176) and Sicredi detail lines, from the banks' layouts; the
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
    for (const std::string& text : {bradesco, platform::cp1252ToUtf8(bradesco)}) {
        const ReturnFile read = readReturnFile(text);
        ASSERT_EQ(read.records.size(), 1u);
        expectRecord(read.records[0], {2, "00000012345", "P", "DUPL-ÇÃO", 20000, 19800, 300, 500,
                                       "06", true, at(2026, 12, 4), at(2026, 12, 7), 195});
    }
    const ReturnFile read = readReturnFile(joined({
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
    }));
    EXPECT_EQ(read.bankName, "BANCO DO BRASIL");
    ASSERT_EQ(read.records.size(), 1u);
    expectRecord(read.records[0], {2, "12345670000000099", "", "ABC123", 5000, 4800, 0, 200, "05",
                                   true, at(2026, 12, 3), at(2026, 12, 4), 150});
    // Sicredi: slip 48-55 and digit 56, multa apart in 280-292, the credit
    // date foreseen in 329-336 as AAAAMMDD.
    const ReturnFile sicredi = readReturnFile(joined({
        record(400, {{1, "02RETORNO01COBRANCA"}, {77, "748SICREDI"}, {395, "000001"}}),
        record(400, {{1, "1"},
                     {48, "260012345"},
                     {109, "06041226NF-9"},
                     {153, "0000000003000"},
                     {228, "00000000000000000000000000"},
                     {254, "000000000310000000000000600000000000040"},
                     {329, "20261208"},
                     {395, "000002"}}),
        record(400, {{1, "9"}, {395, "000003"}}),
    }));
    ASSERT_EQ(sicredi.records.size(), 1u);
    // No tariff in 176-188: none, not a refusal.
    expectRecord(sicredi.records[0], {2, "26001234", "5", "NF-9", 3000, 3100, 100, 0, "06", true,
                                      at(2026, 12, 4), at(2026, 12, 8), std::nullopt});
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

// Files as banks really send them, read as if they were exact: a record off
// its layout's length only by blanks at its end (or a stray carriage return)
// is counted, and a lot trailer giving the whole portfolio is no refusal.
TEST(ReturnFileTest, RecordsOffOnlyByTrailingBlanksAreReadAndCounted) {
    using Edit = std::function<void(std::vector<std::string>&)>;
    auto each = [](std::function<void(std::string&)> f) -> Edit {
        return [=](std::vector<std::string>& lines) {
            for (std::string& line : lines)
                f(line);
        };
    };
    const struct {
        const char* name;
        int layout;
        Edit edit;
        int adjusted;
    } rows[] = {
        {"extra blank", 240, [](auto& l) { l[3] += ' '; }, 1},
        {"extra blanks", 400, [](auto& l) { l[1] += "   "; }, 1},
        {"stray carriage return", 240, each([](std::string& line) { line += '\r'; }), 8},
        {"right-trimmed", 240,
         each([](std::string& line) { line.erase(line.find_last_not_of(' ') + 1); }), 8},
        // 17 titles and R$ 86,00 in the lot trailer for the file's 2 slips.
        {"portfolio trailer", 240, [](auto& l) { l[6].replace(23, 23, "00001700000000000008600"); },
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string text = row.layout == 240 ? composeCnab240("341", sampleSlips())
                                                   : composeCnab400("341", sampleSlips());
        std::vector<std::string> lines = linesOf(text);
        row.edit(lines);
        const ReturnFile exact = readReturnFile(text);
        const ReturnFile read = readReturnFile(joined(lines));
        EXPECT_EQ(read.adjustedLines, row.adjusted);
        ASSERT_EQ(read.records.size(), exact.records.size());
        for (size_t i = 0; i < read.records.size(); ++i)
            expectRecord(read.records[i], exact.records[i]);
    }
    ReturnFile file;
    EXPECT_EQ(adjustedLinesNote(file), "");
    file.adjustedLines = 1;
    EXPECT_EQ(adjustedLinesNote(file), "1 linha com brancos finais ajustados");
    file.adjustedLines = 3;
    EXPECT_EQ(adjustedLinesNote(file), "3 linhas com brancos finais ajustados");
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
        {"amount cut short", 240, [](auto& l) { l[3].resize(85); }, 4, 78, "termina na coluna 85"},
        {"date cut short", 240, [](auto& l) { l[3].resize(150); }, 4, 146, "data inválida"},
        {"sequence cut short", 400, [](auto& l) { l[2].resize(397); }, 3, 395, "na coluna 397"},
        {"long line", 400, [](auto& l) { l[1] += " X"; }, 2, 401, "tem 402 caracteres"},
        {"unknown layout", 240, [](auto& l) { l[0].resize(401, 'X'); }, 1, 1, "240 ou 400"},
        {"remittance", 240, put(1, 143, "1"), 1, 143, "não é de retorno"},
        {"payment lot", 240, put(2, 10, "20"), 2, 10, "não é de cobrança"},
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
            const std::string where =
                "Linha " + std::to_string(row.line) + ", coluna " + std::to_string(row.column);
            EXPECT_EQ(std::string(e.what()).substr(0, where.size()), where);
        }
    }
}

std::string corpusFile(const std::string& name) {
    std::ifstream in(std::string(CONFCRED_RETURN_CORPUS) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Files composed by hand, one per case, from each bank's layout
// (tests/bankreturn/corpus): read as the bank meant them, the first record
// field by field, with the occurrence in the bank's words.
TEST(ReturnFileTest, CorpusFilesReadAsTheBankMeantThem) {
    const struct {
        const char* file;
        std::string bank;
        size_t records;
        int adjusted;
        ReturnRecord first;
        const char* description;
    } rows[] = {
        // One blank too many on the lot header.
        {"bb240_extra_blank.ret",
         "001",
         2,
         1,
         {3, "12345670000000101", "", "NF-2026-101", 15000, 15000, 0, 0, "06", true,
          at(2026, 12, 4), at(2026, 12, 5), 350},
         "Liquidação"},
        // The lot trailer gives 17 titles and R$ 86,00 for 2 slips of R$ 26,00.
        {"sicoob240_portfolio_trailer.ret",
         "756",
         2,
         0,
         {3, "000004321", "7", "PARC-01", 1300, 1326, 26, 0, "06", true, at(2026, 12, 3),
          at(2026, 12, 4), 190},
         "Liquidação"},
        // Every line lost its trailing blanks; LF ends.
        {"bradesco240_right_trimmed.ret",
         "237",
         1,
         6,
         {3, "00000098765", "P", "DUP-55", 42000, 42840, 840, 0, "17", true, at(2026, 12, 2),
          at(2026, 12, 3), 0},
         "Liquidação após baixa ou liquidação título não registrado"},
        // The slip's check digit in column 57.
        {"caixa240_slip_digit.ret",
         "104",
         1,
         0,
         {3, "14000000000012345", "9", "00000077", 25050, 25000, 0, 50, "06", true, at(2026, 12, 1),
          at(2026, 12, 2), 195},
         "Liquidação"},
        // The credit date foreseen in 329-336, year first; multa apart.
        {"sicredi400_credit_date.ret",
         "748",
         2,
         0,
         {2, "26200123", "7", "PED-9001", 12000, 12240, 240, 0, "06", true, at(2026, 12, 4),
          at(2026, 12, 7), 180},
         "Liquidação normal"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const ReturnFile file = readReturnFile(corpusFile(row.file));
        EXPECT_EQ(file.bankCode, row.bank);
        EXPECT_EQ(file.adjustedLines, row.adjusted);
        ASSERT_EQ(file.records.size(), row.records);
        expectRecord(file.records[0], row.first);
        EXPECT_EQ(occurrenceDescription(file, file.records[0].occurrence), row.description);
    }
    // The Caixa file with its amount paid cut short by the transfer.
    try {
        readReturnFile(corpusFile("caixa240_cut_amount.ret"));
        ADD_FAILURE() << "read without refusal";
    } catch (const ReturnFileError& e) {
        EXPECT_EQ(e.line(), 4);
        EXPECT_EQ(e.column(), 78);
        EXPECT_NE(std::string(e.what()).find("termina na coluna 85"), std::string::npos);
    }
}

// Every code a CNAB 400 bank counts as a settlement is a liquidation in its
// own table, and Santander's 15 is not.
TEST(ReturnFileTest, SettlementCodesAreLiquidationsInTheBanksWords) {
    for (const char* bank : {"001", "033", "104", "237", "341", "748", "756"}) {
        SCOPED_TRACE(bank);
        ReturnFile file;
        file.layout = Layout::Cnab400;
        file.bankCode = bank;
        const detail::Cnab400Bank* row = detail::cnab400Bank(bank, '1');
        ASSERT_NE(row, nullptr);
        for (std::string_view code : row->settlements) {
            if (code.empty())
                continue;
            EXPECT_EQ(occurrenceDescription(file, code).substr(0, 7), "Liquida") << code;
        }
    }
    // Every text, after its code and a blank, fits the answer's DSOCORRENCIA
    // (90 characters), or the client would refuse the whole answer.
    for (const auto& [layout, bank] : {std::pair{Layout::Cnab240, "001"},
                                       {Layout::Cnab400, "001"},
                                       {Layout::Cnab400, "033"},
                                       {Layout::Cnab400, "104"},
                                       {Layout::Cnab400, "237"},
                                       {Layout::Cnab400, "341"},
                                       {Layout::Cnab400, "748"},
                                       {Layout::Cnab400, "756"}}) {
        ReturnFile file;
        file.layout = layout;
        file.bankCode = bank;
        for (int n = 0; n < 100; ++n) {
            const std::string code{static_cast<char>('0' + n / 10),
                                   static_cast<char>('0' + n % 10)};
            const std::string_view text = occurrenceDescription(file, code);
            const auto characters = std::count_if(text.begin(), text.end(), [](char c) {
                return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
            });
            EXPECT_LE(characters, 87) << bank << " " << code;
        }
    }
    ReturnFile santander;
    santander.layout = Layout::Cnab400;
    santander.bankCode = "033";
    EXPECT_EQ(occurrenceDescription(santander, "15"), "Confirmação de protesto");
    EXPECT_EQ(occurrenceDescription(santander, "98"), "");
}

TEST(ReturnFileTest, SlipDigitsDropLeadingZerosAndNonDigits) {
    EXPECT_EQ(slipDigits("000123"), "123");
    EXPECT_EQ(slipDigits(" 00-10.2 "), "102");
    EXPECT_EQ(slipDigits("0000"), "");
}

}  // namespace
}  // namespace confcred::bankreturn
