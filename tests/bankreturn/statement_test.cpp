#include "bankreturn/statement.h"

#include <gtest/gtest.h>

#include "platform/cp1252.h"

namespace confcred::bankreturn {
namespace {

using platform::DateTime;

TEST(StatementAmount, ReadsEveryWayBanksWriteIt) {
    const struct {
        const char* text;
        std::optional<int64_t> cents;
    } cases[] = {
        {"1234.56", 123456},
        {"1234,56", 123456},
        {"1.234,56", 123456},
        {"1,234.56", 123456},
        {"  50,5", 5050},
        {"-12.00", -1200},
        {"+7", 700},
        {"1.234.567", 123456700},
        {"   ", 0},
        {"1.234", std::nullopt},
        {"1,234.567", std::nullopt},
        {"1.234.56", std::nullopt},
        {"12.", std::nullopt},
        {"1.2345", std::nullopt},
        {"12a", std::nullopt},
        {"1.23,45", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(statementAmountCents(c.text), c.cents) << c.text;
}

// A Brazilian bank's OFX 1 export with the quirks seen in the field.
std::string quirkyOfx(const std::string& eol) {
    const std::string header = "OFXHEADER:100" + eol + "DATA:OFXSGML" + eol + "VERSION:102" + eol +
                               "CHARSET:1252" + eol + eol;
    return eol + header + "<OFX>" + eol + "<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0</STATUS>" +
           "<DTSERVER>20261205120000[-3:BRT]</SONRS></SIGNONMSGSRSV1>" + eol +
           "<BANKMSGSRSV1><STMTTRNRS><STMTRS><CURDEF>BRL" + eol +
           "<BANKTRANLIST><DTSTART>20261201<DTEND>20261205" + eol +
           // unclosed leaves, an amount with dot thousands, a type that says nothing
           "<STMTTRN><TRNTYPE>OTHER<DTPOSTED>20261202103000[-3:BRT]<TRNAMT>1.234,56<FITID>0"
           "<MEMO>PIX RECEBIDO JOSÉ</STMTTRN>" +
           eol +
           // closed leaves, a memo over two lines, a closing tag naming another element
           "<STMTTRN>" + eol + "<TRNTYPE>CREDIT</TRNTYPE>" + eol + "<DTPOSTED>20261203" + eol +
           "<TRNAMT>  50,5</TRNAMT>" + eol + "<FITID> ABC</FITID>" + eol +
           "<NAME>Maria &amp; Filhos</MEMO>" + eol + "<MEMO>TED RECEBIDA" + eol +
           "   DOC 12</MEMO>" + eol + "</STMTTRN>" + eol +
           // a debit written without its sign, a GMT time, no date of its own
           "<STMTTRN><TRNTYPE>DEBIT<DTPOSTED>20261204020000[0:GMT]<TRNAMT>10.00<FITID>X</STMTTRN>" +
           eol + "<STMTTRN><TRNTYPE>CREDIT<DTPOSTED>00000000<TRNAMT>2<FITID>Y</STMTTRN>" + eol +
           "</BANKTRANLIST><LEDGERBAL><BALAMT>100,00<DTASOF>20261205</LEDGERBAL></STMTRS>" + eol +
           // a second statement in the same file, its amount only blanks
           "<STMTRS><BANKTRANLIST><STMTTRN><TRNTYPE>CREDIT<DTPOSTED>20261205<TRNAMT>   "
           "<FITID>Z</STMTTRN></BANKTRANLIST></STMTRS>" +
           "</STMTTRNRS></BANKMSGSRSV1></OFX>";
}

TEST(OfxStatement, ReadsTheQuirksOfRealExports) {
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        for (const bool cp1252 : {false, true}) {
            std::string text = quirkyOfx(eol);
            if (cp1252)
                text = platform::utf8ToCp1252(text);
            const Statement s = readStatement(text);
            ASSERT_EQ(s.format, StatementFormat::Ofx);
            ASSERT_EQ(s.entries.size(), 5u);
            const auto& pix = s.entries[0];
            EXPECT_EQ(pix.amountCents, 123456);
            EXPECT_EQ(pix.date, DateTime::fromParts(2026, 12, 2, 10, 30));
            EXPECT_EQ(pix.id, "0");
            EXPECT_EQ(pix.description, "PIX RECEBIDO JOSÉ");
            EXPECT_EQ(pix.line, 11);
            const auto& ted = s.entries[1];
            EXPECT_EQ(ted.amountCents, 5050);
            EXPECT_EQ(ted.id, "ABC");
            EXPECT_EQ(ted.payerName, "Maria & Filhos");
            EXPECT_EQ(ted.description, "TED RECEBIDA DOC 12");
            EXPECT_EQ(s.entries[2].amountCents, -1000);
            EXPECT_EQ(s.entries[2].date, DateTime::fromParts(2026, 12, 3, 23, 0));
            EXPECT_EQ(s.entries[3].date, DateTime::fromParts(2026, 12, 5));
            EXPECT_EQ(s.entries[4].amountCents, 0);
        }
    }
}

TEST(OfxStatement, ReadsXmlWhateverItsHeaderDeclares) {
    // Declared UTF-8, written in Windows-1252; the last transaction never ends.
    const std::string text = platform::utf8ToCp1252(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?OFX OFXHEADER=\"200\" VERSION=\"211\"?>\n"
        "<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><BANKTRANLIST>\n"
        "<STMTTRN><TRNTYPE>XFER</TRNTYPE><DTPOSTED>20261202</DTPOSTED><TRNAMT>9.9</TRNAMT>"
        "<FITID>f1</FITID><MEMO>JOSÉ</MEMO></STMTTRN>\n");
    const Statement s =
        readStatement(text + "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>");
    ASSERT_EQ(s.entries.size(), 1u);
    EXPECT_EQ(s.entries[0].amountCents, 990);
    EXPECT_EQ(s.entries[0].description, "JOSÉ");
    try {
        readStatement(text + "<STMTTRN><TRNAMT>1</TRNAMT>");
        ADD_FAILURE() << "a transaction cut at the end was read";
    } catch (const ReturnFileError& e) {
        EXPECT_EQ(e.line(), 5) << e.what();
    }
}

TEST(OfxStatement, RefusesWhatCouldMisstateMoney) {
    const auto ofx = [](const std::string& trn) {
        return "OFXHEADER:100\n\n<OFX><BANKTRANLIST>\n" + trn + "\n</BANKTRANLIST></OFX>\n";
    };
    const struct {
        const char* name;
        std::string text;
        int line, column;
        const char* says;
    } cases[] = {
        {"ambiguous amount", ofx("<STMTTRN><DTPOSTED>20261201<TRNAMT>1.234</STMTTRN>"), 4, 36,
         "TRNAMT"},
        {"no amount", ofx("<STMTTRN><DTPOSTED>20261201</STMTTRN>"), 4, 1, "TRNAMT"},
        {"impossible date", ofx("<STMTTRN><DTPOSTED>20261232<TRNAMT>1</STMTTRN>"), 4, 20,
         "DTPOSTED"},
        {"no date anywhere", ofx("<STMTTRN><DTPOSTED>00000000<TRNAMT>1</STMTTRN>"), 4, 1,
         "sem data"},
        {"no transaction list", "<OFX></OFX>", 1, 1, "BANKTRANLIST"},
        {"not OFX", "<html>", 1, 1, "OFX"},
    };
    for (const auto& c : cases) {
        try {
            readStatement(c.text);
            ADD_FAILURE() << c.name << ": read";
        } catch (const ReturnFileError& e) {
            EXPECT_EQ(e.line(), c.line) << c.name << ": " << e.what();
            EXPECT_EQ(e.column(), c.column) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << c.name << ": " << e.what();
        }
    }
}

TEST(PixStatement, ReadsAReceivedListAndACharge) {
    const std::string list = R"({"parametros":{"inicio":"2026-12-01T00:00:00Z"},
 "pix":[
  {"endToEndId":"E1","txid":"PED123","valor":"110.00","horario":"2026-12-02T13:03:33.902Z",
   "infoPagador":"pedido 123","pagador":{"cpf":"123.456.789-09","nome":"José  da Silva"}},
  {"endToEndId":"E2","valor":"5.5","horario":"2026-12-02T10:00:00-03:00",
   "devolucoes":[{"id":"D1","rtrId":"D9","valor":"5.50","horario":{"solicitacao":"2026-12-03T12:00:00Z"}}]}
 ]})";
    const Statement s = readStatement(list);
    ASSERT_EQ(s.format, StatementFormat::Pix);
    ASSERT_EQ(s.entries.size(), 3u);
    EXPECT_EQ(s.entries[0].amountCents, 11000);
    EXPECT_EQ(s.entries[0].date, DateTime::fromParts(2026, 12, 2, 10, 3, 33, 902));
    EXPECT_EQ(s.entries[0].txid, "PED123");
    EXPECT_EQ(s.entries[0].payerName, "José da Silva");
    EXPECT_EQ(s.entries[0].payerDocument, "12345678909");
    EXPECT_EQ(s.entries[0].line, 3);
    EXPECT_EQ(s.entries[1].amountCents, 550);
    EXPECT_EQ(s.entries[1].date, DateTime::fromParts(2026, 12, 2, 10, 0));
    EXPECT_EQ(s.entries[2].amountCents, -550);
    EXPECT_EQ(s.entries[2].id, "D9");

    const std::string charge = R"({"calendario":{"criacao":"2026-12-01T10:00:00Z"},"txid":"T77",
 "status":"CONCLUIDA","devedor":{"cnpj":"12.345.678/0001-95","nome":"Escola Alfa"},
 "valor":{"original":"30.00"},"pix":[{"endToEndId":"E3","valor":"30.00","horario":"2026-12-02T10:00:00Z"}]})";
    const Statement c = readStatement(charge);
    ASSERT_EQ(c.entries.size(), 1u);
    EXPECT_EQ(c.entries[0].txid, "T77");
    EXPECT_EQ(c.entries[0].payerDocument, "12345678000195");
    EXPECT_EQ(c.entries[0].payerName, "Escola Alfa");
}

TEST(PixStatement, RefusesNamingTheLine) {
    const struct {
        const char* name;
        std::string text;
        int line;
        const char* says;
    } cases[] = {
        {"broken JSON", "{\"pix\":[\n{\"valor\":\"1.00\",\n\"horario\":}]}", 3, "JSON"},
        {"comma decimal", "{\"pix\":[\n{\"valor\":\"1,00\",\"horario\":\"2026-12-02T10:00:00Z\"}]}",
         2, "valor"},
        {"no zone or bad time", "{\"pix\":[\n{\"valor\":\"1.00\",\"horario\":\"02/12/2026\"}]}", 2,
         "horário"},
        {"no amount", "{\"pix\":[\n{\"horario\":\"2026-12-02T10:00:00Z\"}]}", 2, "valor"},
        {"not a list", "{\"cobs\":[]}", 1, "pix"},
    };
    for (const auto& c : cases) {
        try {
            readStatement(c.text);
            ADD_FAILURE() << c.name << ": read";
        } catch (const ReturnFileError& e) {
            EXPECT_EQ(e.line(), c.line) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << c.name << ": " << e.what();
        }
    }
}

// A CNAB 240 statement: records of blanks with the pieces at their columns.
std::string record(std::initializer_list<std::pair<size_t, std::string>> pieces) {
    std::string line(240, ' ');
    for (const auto& [column, text] : pieces)
        line.replace(column - 1, text.size(), text);
    return line;
}

std::vector<std::string> cnabStatement() {
    return {
        record({{1, "341"}, {4, "0000"}, {8, "0"}, {143, "2"}}),
        record({{1, "341"}, {4, "0001"}, {8, "1"}, {9, "E"}, {10, "04"}}),
        record({{1, "341"},
                {4, "0001"},
                {8, "3"},
                {9, "00001"},
                {14, "E"},
                {114, "PIX JOSE"},
                {135, "02122026"},
                {143, "02122026"},
                {151, "000000000000011000"},
                {169, "C"},
                {177, "PIX RECEBIDO"},
                {202, "DOC123"}}),
        record({{1, "341"},
                {4, "0001"},
                {8, "3"},
                {9, "00002"},
                {14, "E"},
                {143, "00000000"},
                {135, "03122026"},
                {151, "000000000000000990"},
                {169, "D"},
                {177, "TARIFA"}}),
        record({{1, "341"},
                {4, "0001"},
                {8, "5"},
                {171, "000004"},
                {177, "000000000000000990"},
                {195, "000000000000011000"}}),
        record({{1, "341"}, {4, "9999"}, {8, "9"}, {18, "000001"}, {24, "000006"}}),
    };
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return text;
}

TEST(Cnab240Statement, ReadsSegmentEWithTheReturnReadersTolerance) {
    auto lines = cnabStatement();
    lines[2] += " ";                                     // one blank too long
    lines[5].erase(lines[5].find_last_not_of(' ') + 1);  // trailing blanks lost
    const Statement s = readStatement(joined(lines));
    ASSERT_EQ(s.format, StatementFormat::Cnab240);
    EXPECT_EQ(s.adjustedLines, 2);
    ASSERT_EQ(s.entries.size(), 2u);
    EXPECT_EQ(s.entries[0].amountCents, 11000);
    EXPECT_EQ(s.entries[0].date, DateTime::fromParts(2026, 12, 2));
    EXPECT_EQ(s.entries[0].id, "DOC123");
    EXPECT_EQ(s.entries[0].description, "PIX RECEBIDO PIX JOSE");
    EXPECT_EQ(s.entries[1].amountCents, -990);
    EXPECT_EQ(s.entries[1].date, DateTime::fromParts(2026, 12, 3));
}

TEST(Cnab240Statement, KeepsItsCountsAndSumsStrict) {
    const struct {
        const char* name;
        size_t line;
        size_t column;
        std::string piece;
        const char* says;
    } cases[] = {
        {"lot of another service", 1, 10, "01", "extrato"},
        {"neither debit nor credit", 2, 169, "X", "tipo do lançamento"},
        {"cut amount", 2, 151, "00000000000001100 ", "valor do lançamento"},
        {"lot record count", 4, 171, "000005", "registros"},
        {"credit sum", 4, 195, "000000000000011001", "créditos"},
        {"file record count", 5, 24, "000007", "registros"},
    };
    for (const auto& c : cases) {
        auto lines = cnabStatement();
        lines[c.line].replace(c.column - 1, c.piece.size(), c.piece);
        try {
            readStatement(joined(lines));
            ADD_FAILURE() << c.name << ": read";
        } catch (const ReturnFileError& e) {
            EXPECT_EQ(e.line(), static_cast<int>(c.line) + 1) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos)
                << c.name << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace confcred::bankreturn
