// CNAB 400 collection returns: a header (0), one detail record per slip event
// in the bank's own layout, and a trailer (9). Every record carries its
// sequence number in 395-400, so the trailer's tells the record count.

#include "bankreturn/cnab400_banks.h"
#include "bankreturn/layouts.h"

namespace confcred::bankreturn::detail {
namespace {

constexpr int kLength = 400;

void checkSequence(const FixedLine& line) {
    const int64_t sequence = line.number(395, 6, "número sequencial do registro");
    if (sequence != line.number())
        line.fail(395, "número sequencial " + std::to_string(sequence) + "; este é o registro " +
                           std::to_string(line.number()) + " do arquivo");
}

ReturnRecord readDetail(const FixedLine& line, const Cnab400Bank& bank) {
    ReturnRecord r;
    r.line = line.number();
    r.nossoNumero = line.text(bank.slipColumn, bank.slipWidth);
    if (bank.digitColumn != 0)
        r.nossoNumeroDigit = line.text(bank.digitColumn, 1);
    r.occurrence = std::string(line.raw(109, 2));
    r.settlement = bank.settles(r.occurrence);
    r.occurrenceDate = line.dateDdMmYy(111, "data da ocorrência");
    r.documentNumber = line.text(117, 10);
    r.faceValueCents = line.number(153, 13, "valor do título");
    r.tariffCents = line.numberOrBlank(bank.tariffColumn, bank.tariffWidth, "valor da tarifa");
    r.discountCents = line.number(228, 13, "abatimento") + line.number(241, 13, "desconto");
    r.paidCents = line.number(254, 13, "valor pago");
    r.feesCents = line.number(267, 13, "juros de mora");
    if (bank.separateFine)
        r.feesCents += line.number(280, 13, "multa");
    if (bank.creditDateColumn != 0)
        r.creditDate = line.date(bank.creditDateColumn, bank.creditDateForm, "data do crédito");
    return r;
}

}  // namespace

ReturnFile readCnab400(const std::vector<FixedLine>& lines) {
    const FixedLine& header = lines.front();
    if (header.at(1) != '0')
        header.fail(1, "o arquivo não começa pelo header do arquivo (registro 0)");
    if (header.at(2) != '2')
        header.fail(2, "o arquivo não é de retorno (identificação " + header.quote(2, 1) +
                           ", esperado \"2\")");
    ReturnFile file;
    file.layout = Layout::Cnab400;
    file.bankCode = std::string(header.raw(77, 3));
    if (!knownCnab400Bank(file.bankCode))
        header.fail(77, "banco sem leiaute CNAB 400 conhecido: " + header.quote(77, 3));
    file.bankName = header.text(80, 15);
    checkSequence(header);

    file.records.reserve(lines.size());
    for (size_t i = 1; i < lines.size(); ++i) {
        const FixedLine& line = lines[i];
        requireLength(line, kLength);
        checkSequence(line);
        const char type = line.at(1);
        if (type == '9') {
            if (i + 1 != lines.size())
                lines[i + 1].fail(1, "registro depois do trailer do arquivo");
            return file;
        }
        if (type == '0')
            line.fail(1, "um segundo header de arquivo");
        if (const Cnab400Bank* bank = cnab400Bank(file.bankCode, type))
            file.records.push_back(readDetail(line, *bank));
        else if (type < '1' || type > '8')
            line.fail(1, "tipo de registro desconhecido: " + line.quote(1, 1));
        // Other record types (apportionment, messages) add nothing the records need.
    }
    refuseTruncated(lines);
}

}  // namespace confcred::bankreturn::detail
