#include "support/return_files.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/cp1252.h"

namespace confcred::testing {
namespace {

// Writers into a record of blanks, by 1-based column as the layouts number
// them. Plain pointer loops: benchmarks compose 100,000 slips in debug builds.
class Record {
  public:
    Record(std::string& out, int length) {
        const size_t start = out.size();
        out.append(static_cast<size_t>(length), ' ');
        base_ = out.data() + start;  // valid until the next append to out
    }
    // Text given in UTF-8, written in Windows-1252 as the banks deliver it.
    Record& text(int column, int width, std::string_view utf8) {
        bool ascii = true;
        for (char c : utf8)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        const std::string converted = ascii ? std::string() : platform::utf8ToCp1252(utf8);
        const std::string_view s = ascii ? utf8 : std::string_view(converted);
        std::memcpy(base_ + column - 1, s.data(),
                    std::min<size_t>(s.size(), static_cast<size_t>(width)));
        return *this;
    }
    Record& number(int column, int width, uint64_t value) {
        for (char* p = base_ + column - 1 + width - 1; p >= base_ + column - 1; --p, value /= 10)
            *p = static_cast<char>('0' + value % 10);
        return *this;
    }
    // Digits right-aligned and zero-filled.
    Record& digits(int column, int width, std::string_view s) {
        const size_t n = std::min<size_t>(s.size(), static_cast<size_t>(width));
        std::memset(base_ + column - 1, '0', static_cast<size_t>(width) - n);
        std::memcpy(base_ + column - 1 + width - n, s.data() + s.size() - n, n);
        return *this;
    }
    // AAAAMMDD.
    Record& dateYearFirst(int column, const std::optional<platform::Date>& d) {
        if (!d)
            return number(column, 8, 0);
        number(column, 4, static_cast<uint64_t>(d->year));
        number(column + 4, 2, static_cast<uint64_t>(d->month));
        return number(column + 6, 2, static_cast<uint64_t>(d->day));
    }
    Record& date(int column, bool fourDigitYear, const std::optional<platform::Date>& d) {
        if (!d)
            return number(column, fourDigitYear ? 8 : 6, 0);
        number(column, 2, static_cast<uint64_t>(d->day));
        number(column + 2, 2, static_cast<uint64_t>(d->month));
        return number(column + 4, fourDigitYear ? 4 : 2,
                      static_cast<uint64_t>(fourDigitYear ? d->year : d->year % 100));
    }

  private:
    char* base_;  // column 1
};

const platform::Date kFileDate{2026, 12, 7};

std::string_view bankNameOf(const std::string& bank) {
    if (bank == "001")
        return "BANCO DO BRASIL S.A.";
    if (bank == "033")
        return "BANCO SANTANDER";
    if (bank == "104")
        return "CAIXA ECONÔMICA FEDERAL";
    if (bank == "237")
        return "BRADESCO";
    if (bank == "341")
        return "BANCO ITAU SA";
    if (bank == "748")
        return "SICREDI";
    if (bank == "756")
        return "SICOOB";
    return "BANCO";
}

}  // namespace

std::string composeCnab240(const std::string& bank, const std::vector<ComposedSlip>& slips,
                           bool crlf) {
    const std::string_view end = crlf ? "\r\n" : "\n";
    std::string out;
    out.reserve((slips.size() * 2 + 4) * 242);
    Record(out, 240)
        .text(1, 3, bank)
        .text(4, 4, "0000")
        .text(8, 1, "0")
        .text(18, 1, "2")
        .digits(19, 14, "12345678000199")
        .text(73, 30, "EMPRESA DE CRÉDITO LTDA")
        .text(103, 30, bankNameOf(bank))
        .text(143, 1, "2")
        .date(144, true, kFileDate)
        .text(152, 6, "101500")
        .number(158, 6, 1)
        .text(164, 3, "087");
    out += end;
    Record(out, 240).text(1, 3, bank).text(4, 4, "0001").text(8, 3, "1T0").text(11, 1, "1");
    out += end;
    uint64_t faceSum = 0;
    int sequence = 0;
    for (const ComposedSlip& s : slips) {
        faceSum += static_cast<uint64_t>(s.faceCents);
        Record t(out, 240);
        t.text(1, 3, bank).text(4, 4, "0001").text(8, 1, "3").number(9, 5, ++sequence);
        t.text(14, 1, "T").text(16, 2, s.occurrence).number(74, 8, 0);
        if (bank == "033") {
            // Santander's own segment T: slip and digit in 41-53, the rest shifted.
            t.digits(41, 12, s.nossoNumero).text(53, 1, s.digit).text(54, 1, "5");
            t.text(55, 15, s.documentNumber).number(70, 8, 0).number(78, 15, s.faceCents);
            t.number(194, 15, static_cast<uint64_t>(s.tariffCents));
        } else {
            if (bank == "001") {
                // 11 digits and the check digit, or 17 digits for a 7-digit agreement.
                if (s.digit.empty())
                    t.digits(38, 17, s.nossoNumero);
                else
                    t.digits(38, 11, s.nossoNumero).text(49, 1, s.digit);
            } else if (bank == "104") {
                t.digits(40, 17, s.nossoNumero).text(57, 1, s.digit);
            } else if (bank == "237") {
                t.text(38, 3, "009").digits(41, 16, s.nossoNumero).text(57, 1, s.digit);
            } else if (bank == "341") {
                t.text(38, 3, "109").digits(41, 8, s.nossoNumero).text(49, 1, s.digit);
            } else if (bank == "748") {
                t.digits(38, 8, s.nossoNumero).text(46, 1, s.digit);
            } else if (bank == "756") {
                t.digits(38, 9, s.nossoNumero).text(47, 1, s.digit).text(48, 5, "01014");
            } else {
                t.text(38, 20, s.nossoNumero);
            }
            t.text(59, bank == "341" ? 10 : 11, s.documentNumber).number(82, 15, s.faceCents);
            t.number(199, 15, static_cast<uint64_t>(s.tariffCents));
        }
        out += end;
        Record(out, 240)
            .text(1, 3, bank)
            .text(4, 4, "0001")
            .text(8, 1, "3")
            .number(9, 5, ++sequence)
            .text(14, 1, "U")
            .text(16, 2, s.occurrence)
            .number(18, 15, static_cast<uint64_t>(s.feesCents))
            .number(33, 15, static_cast<uint64_t>(s.discountCents))
            .number(48, 30, 0)
            .number(78, 15, static_cast<uint64_t>(s.paidCents))
            .number(93, 15, static_cast<uint64_t>(s.paidCents))
            .number(108, 30, 0)
            .date(138, true, s.occurrenceDate)
            .date(146, true, s.creditDate);
        out += end;
    }
    Record lotTrailer(out, 240);
    lotTrailer.text(1, 3, bank)
        .text(4, 4, "0001")
        .text(8, 1, "5")
        .number(18, 6, slips.size() * 2 + 2);
    if (bank != "033")  // Santander leaves the wallet totals blank
        lotTrailer.number(24, 6, slips.size()).number(30, 17, faceSum).number(47, 69, 0);
    out += end;
    Record(out, 240)
        .text(1, 3, bank)
        .text(4, 4, "9999")
        .text(8, 1, "9")
        .number(18, 6, 1)
        .number(24, 6, slips.size() * 2 + 4);
    out += end;
    return out;
}

std::string composeCnab400(const std::string& bank, const std::vector<ComposedSlip>& slips,
                           bool crlf) {
    // Where each bank's detail record puts the slip and the credit date; the
    // amounts sit in the same columns for all of them.
    struct Columns {
        char type;
        int slip, slipWidth, digit, creditDate;
    };
    const Columns c = bank == "001"   ? Columns{'7', 64, 17, 0, 176}
                      : bank == "033" ? Columns{'1', 63, 7, 70, 296}
                      : bank == "104" ? Columns{'1', 57, 17, 0, 294}
                      : bank == "237" ? Columns{'1', 71, 11, 82, 296}
                      : bank == "341" ? Columns{'1', 63, 8, 94, 296}
                      : bank == "748" ? Columns{'1', 48, 8, 56, 329}
                                      : Columns{'1', 63, 11, 74, 176};  // 756
    const std::string_view end = crlf ? "\r\n" : "\n";
    std::string out;
    out.reserve((slips.size() + 2) * 402);
    int sequence = 0;
    Record(out, 400)
        .text(1, 26, "02RETORNO01COBRANCA")
        .text(47, 30, "EMPRESA DE CRÉDITO LTDA")
        .text(77, 3, bank)
        .text(80, 15, bankNameOf(bank))
        .date(95, false, kFileDate)
        .number(395, 6, ++sequence);
    out += end;
    uint64_t faceSum = 0;
    for (const ComposedSlip& s : slips) {
        faceSum += static_cast<uint64_t>(s.faceCents);
        Record d(out, 400);
        d.text(1, 1, std::string_view(&c.type, 1)).text(2, 2, "02").digits(4, 14, "12345678000199");
        d.digits(c.slip, c.slipWidth, s.nossoNumero);
        if (c.digit != 0)
            d.text(c.digit, 1, s.digit);
        d.text(109, 2, s.occurrence)
            .date(111, false, s.occurrenceDate)
            .text(117, 10, s.documentNumber)
            .number(147, 6, 0)
            .number(153, 13, static_cast<uint64_t>(s.faceCents))
            .text(166, 3, bank)
            .number(228, 13, 0)
            .number(241, 13, static_cast<uint64_t>(s.discountCents))
            .number(254, 13, static_cast<uint64_t>(s.paidCents))
            .number(267, 13, static_cast<uint64_t>(s.feesCents))
            .number(280, 13, 0)
            .number(395, 6, ++sequence);
        // Banco do Brasil and Sicoob: 7 digits after the credit date.
        if (bank == "001" || bank == "756")
            d.number(182, 7, static_cast<uint64_t>(s.tariffCents));
        else
            d.number(176, 13, static_cast<uint64_t>(s.tariffCents));
        if (bank == "748")  // the date foreseen for the credit, year first
            d.dateYearFirst(c.creditDate, s.creditDate);
        else
            d.date(c.creditDate, false, s.creditDate);
        out += end;
    }
    Record(out, 400)
        .text(1, 4, "9201")
        .text(5, 3, bank)
        .number(18, 8, slips.size())
        .number(26, 14, faceSum)
        .number(395, 6, ++sequence);
    out += end;
    return out;
}

}  // namespace confcred::testing
