#include "support/statement_files.h"

#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/cp1252.h"

namespace confcred::testing {
namespace {

std::string two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string ymd(platform::DateTime t) {
    const auto d = t.date();
    char b[16];
    std::snprintf(b, sizeof b, "%04d%02d%02d", d.year, d.month, d.day);
    return b;
}

std::string hms(platform::DateTime t) {
    const auto c = t.time();
    return two(c.hour) + two(c.minute) + two(c.second);
}

std::string xmlText(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// An amount written one of the ways banks write it.
std::string amountText(int64_t cents, int form) {
    const bool negative = cents < 0;
    const int64_t v = std::llabs(cents);
    const std::string whole = std::to_string(v / 100);
    const int64_t fraction = v % 100;
    std::string grouped;  // dot thousands
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i != 0 && (whole.size() - i) % 3 == 0)
            grouped += '.';
        grouped += whole[i];
    }
    std::string text;
    switch (form % 5) {
        case 0:
            text = whole + "." + two(static_cast<int>(fraction));
            break;
        case 1:
            text = whole + "," + two(static_cast<int>(fraction));
            break;
        case 2:
            text = grouped + "," + two(static_cast<int>(fraction));
            break;
        case 3:  // one decimal digit where it says the same
            text = fraction % 10 == 0 ? whole + "," + std::to_string(fraction / 10)
                                      : whole + "," + two(static_cast<int>(fraction));
            break;
        default:
            text = "  " + whole + "." + two(static_cast<int>(fraction));
    }
    if (negative)
        text.insert(text.find_first_not_of(' '), "-");
    return text;
}

// The time with a zone written one of the ways banks write Brasília's.
std::string ofxTime(platform::DateTime t, int form) {
    switch (form % 4) {
        case 0:
            return ymd(t) + hms(t) + "[-3:BRT]";
        case 1:
            return ymd(t) + hms(t) + "[-03:EST]";
        case 2:
            return ymd(t.addMs(3 * 3'600'000)) + hms(t.addMs(3 * 3'600'000)) + ".000[0:GMT]";
        default:
            return ymd(t) + hms(t);
    }
}

}  // namespace

std::string composeOfx(const std::vector<ComposedEntry>& entries, unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string eol = seed % 3 == 0 ? "\r\n" : seed % 3 == 1 ? "\n" : "\r";
    std::string out = eol + "OFXHEADER:100" + eol + "DATA:OFXSGML" + eol + "VERSION:102" + eol +
                      "SECURITY:NONE" + eol + "ENCODING:USASCII" + eol + "CHARSET:1252" + eol +
                      "COMPRESSION:NONE" + eol + "OLDFILEUID:NONE" + eol + "NEWFILEUID:NONE" + eol +
                      eol + "<OFX>" + eol +
                      "<SIGNONMSGSRSV1><SONRS><STATUS><CODE>0<SEVERITY>INFO</STATUS>"
                      "<DTSERVER>20261231120000[-3:BRT]<LANGUAGE>POR</SONRS></SIGNONMSGSRSV1>" +
                      eol + "<BANKMSGSRSV1><STMTTRNRS><TRNUID>1<STATUS><CODE>0</STATUS>" + eol;
    const size_t half = entries.size() / 2;  // two statements in one file
    const auto statementHead = [&] {
        out +=
            "<STMTRS><CURDEF>BRL<BANKACCTFROM><BANKID>0341<ACCTID>12345-6<ACCTTYPE>CHECKING"
            "</BANKACCTFROM>" +
            eol + "<BANKTRANLIST><DTSTART>20260101<DTEND>20261231" + eol;
    };
    const auto statementTail = [&] {
        out += "</BANKTRANLIST><LEDGERBAL><BALAMT>0,00<DTASOF>20261231</LEDGERBAL></STMTRS>" + eol;
    };
    statementHead();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i == half && half != 0) {
            statementTail();
            statementHead();
        }
        const ComposedEntry& e = entries[i];
        const bool closed = pick(2) == 0;
        const auto leaf = [&](const char* tag, const std::string& value) {
            out += std::string("<") + tag + ">" + value;
            if (closed)
                out += pick(8) == 0 ? "</MEMO>" : std::string("</") + tag + ">";  // another name
            out += pick(2) == 0 ? eol : "";
        };
        out += "<STMTTRN>" + eol;
        // A type that says nothing half the time: the sign says it.
        leaf("TRNTYPE", pick(2) == 0 ? "OTHER" : e.cents < 0 ? "DEBIT" : "CREDIT");
        leaf("DTPOSTED", ofxTime(e.when, pick(4)));
        leaf("TRNAMT", amountText(e.cents, pick(5)));
        leaf("FITID", e.id);
        if (!e.payerName.empty())
            leaf("NAME", xmlText(e.payerName));
        if (!e.memo.empty()) {
            std::string memo = xmlText(e.memo);
            const size_t blank = memo.find(' ');
            if (pick(4) == 0 && blank != std::string::npos)
                memo.replace(blank, 1, eol);  // a memo over two lines
            leaf("MEMO", memo);
        }
        out += "</STMTTRN>" + eol;
    }
    statementTail();
    out += "</STMTTRNRS></BANKMSGSRSV1></OFX>";                // no final line end
    return seed % 2 == 0 ? platform::utf8ToCp1252(out) : out;  // CHARSET:1252 over UTF-8 too
}

std::string composeOfxXml(const std::vector<ComposedEntry>& entries) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<?OFX OFXHEADER=\"200\" VERSION=\"211\" SECURITY=\"NONE\" OLDFILEUID=\"NONE\" "
        "NEWFILEUID=\"NONE\"?>\n<OFX><BANKMSGSRSV1><STMTTRNRS><STMTRS><CURDEF>BRL</CURDEF>\n"
        "<BANKTRANLIST><DTSTART>20260101</DTSTART><DTEND>20261231</DTEND>\n";
    for (const ComposedEntry& e : entries) {
        out += "<STMTTRN><TRNTYPE>" + std::string(e.cents < 0 ? "DEBIT" : "CREDIT") +
               "</TRNTYPE><DTPOSTED>" + ofxTime(e.when, 0) + "</DTPOSTED><TRNAMT>" +
               amountText(e.cents, 0) + "</TRNAMT><FITID>" + xmlText(e.id) + "</FITID>";
        if (!e.payerName.empty())
            out += "<NAME>" + xmlText(e.payerName) + "</NAME>";
        if (!e.memo.empty())
            out += "<MEMO>" + xmlText(e.memo) + "</MEMO>";
        out += "</STMTTRN>\n";
    }
    out += "</BANKTRANLIST></STMTRS></STMTTRNRS></BANKMSGSRSV1></OFX>\n";
    return out;
}

namespace {

std::string field(const std::string& text, size_t width, bool number = false) {
    if (text.size() >= width)
        return text.substr(0, width);
    return number ? std::string(width - text.size(), '0') + text
                  : text + std::string(width - text.size(), ' ');
}

std::string number(int64_t v, size_t width) {
    return field(std::to_string(v), width, true);
}

// A record of blanks with the pieces at their 1-based columns.
std::string record(std::initializer_list<std::pair<size_t, std::string>> pieces) {
    std::string line(240, ' ');
    for (const auto& [column, text] : pieces)
        line.replace(column - 1, text.size(), text);
    return line;
}

std::string ddmmyyyy(platform::DateTime t) {
    const auto d = t.date();
    char b[16];
    std::snprintf(b, sizeof b, "%02d%02d%04d", d.day, d.month, d.year);
    return b;
}

}  // namespace

std::string composeCnab240Statement(const std::string& bank,
                                    const std::vector<ComposedEntry>& entries) {
    std::vector<std::string> lines;
    lines.push_back(record({{1, bank}, {4, "0000"}, {8, "0"}, {143, "2"}}));
    lines.push_back(record({{1, bank}, {4, "0001"}, {8, "1"}, {9, "E"}, {10, "04"}, {14, "033"}}));
    int64_t debits = 0, credits = 0;
    int sequence = 0;
    for (const ComposedEntry& e : entries) {
        const std::string history = e.payerName.empty() ? e.memo : e.payerName;
        lines.push_back(record({{1, bank},
                                {4, "0001"},
                                {8, "3"},
                                {9, number(++sequence, 5)},
                                {14, "E"},
                                {109, e.cents < 0 ? "DPV" : "CPV"},
                                {135, ddmmyyyy(e.when)},
                                {143, ddmmyyyy(e.when)},
                                {151, number(std::llabs(e.cents), 18)},
                                {169, e.cents < 0 ? "D" : "C"},
                                {170, e.cents < 0 ? "105" : "209"},
                                {177, field(platform::utf8ToCp1252(history), 25)},
                                {202, field(e.id, 39)}}));
        (e.cents < 0 ? debits : credits) += std::llabs(e.cents);
    }
    lines.push_back(record({{1, bank},
                            {4, "0001"},
                            {8, "5"},
                            {171, number(static_cast<int64_t>(entries.size()) + 2, 6)},
                            {177, number(debits, 18)},
                            {195, number(credits, 18)}}));
    lines.push_back(record({{1, bank},
                            {4, "9999"},
                            {8, "9"},
                            {18, number(1, 6)},
                            {24, number(static_cast<int64_t>(lines.size()) + 1, 6)}}));
    std::string out;
    for (const std::string& l : lines)
        out += l + "\r\n";
    return out;
}

std::string composePixList(const std::vector<ComposedEntry>& entries) {
    const auto quoted = [](const std::string& s) {
        std::string out = "\"";
        for (char c : s) {
            if (c == '"' || c == '\\')
                out += '\\';
            out += c;
        }
        return out + "\"";
    };
    std::string out = "{\"parametros\":{\"inicio\":\"2026-01-01T00:00:00Z\"},\"pix\":[\n";
    for (size_t i = 0; i < entries.size(); ++i) {
        const ComposedEntry& e = entries[i];
        const auto d = e.when.date();
        const auto t = e.when.time();
        char when[40];
        std::snprintf(when, sizeof when, "%04d-%02d-%02dT%02d:%02d:%02d.%03d-03:00", d.year,
                      d.month, d.day, t.hour, t.minute, t.second, t.millisecond);
        out += "{\"endToEndId\":" + quoted(e.id) + ",";
        if (!e.txid.empty())
            out += "\"txid\":" + quoted(e.txid) + ",";
        out += "\"valor\":\"" + amountText(e.cents, 0) + "\",\"horario\":\"" + when + "\"";
        if (!e.memo.empty())
            out += ",\"infoPagador\":" + quoted(e.memo);
        if (!e.payerName.empty() || !e.payerDocument.empty())
            out += ",\"pagador\":{\"" + std::string(e.payerDocument.size() == 14 ? "cnpj" : "cpf") +
                   "\":" + quoted(e.payerDocument) + ",\"nome\":" + quoted(e.payerName) + "}";
        out += i + 1 < entries.size() ? "},\n" : "}\n";
    }
    return out + "]}\n";
}

}  // namespace confcred::testing
