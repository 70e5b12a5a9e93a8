// The FEBRABAN CNAB 240 statement for bank reconciliation ("Extrato para
// Conciliação Bancária"): a file header (0), lots of operation "E", service
// "04" with a header (1), one segment E (3) per entry and a trailer (5), then
// the file trailer (9). Records are read as the return reader reads them:
// the same tolerance of trailing blanks, the same strict counts, numbers and
// dates.

#include <cstdlib>
#include <optional>

#include "bankreturn/layouts.h"
#include "bankreturn/statement.h"

namespace confcred::bankreturn {
namespace {

using detail::FixedLine;

constexpr int kLength = 240;

StatementEntry readSegmentE(const FixedLine& line) {
    StatementEntry e;
    e.line = line.number();
    auto date = line.dateDdMmYyyy(143, "data do lançamento");
    if (!date)
        date = line.dateDdMmYyyy(135, "data contábil");
    if (!date)
        line.fail(143, "lançamento sem data");
    e.date = *date;
    e.amountCents = line.number(151, 18, "valor do lançamento");
    switch (line.at(169)) {
        case 'C':
            break;
        case 'D':
            e.amountCents = -e.amountCents;
            break;
        default:
            line.fail(169, "tipo do lançamento " + line.quote(169, 1) +
                               " desconhecido (esperado \"D\" ou \"C\")");
    }
    e.id = line.text(202, 39);
    const std::string history = line.text(177, 25);
    const std::string complement = line.text(114, 20);
    e.description = complement.empty() ? history : history + " " + complement;
    return e;
}

struct Lot {
    int records = 1;  // its header counted
    int64_t debits = 0;
    int64_t credits = 0;
};

// The statement's lot trailer counts its records in 171-176 and sums the
// lot's debits (177-194) and credits (195-212). The sums describe the entries
// of this lot, so they are compared when given (zeros: not given).
void checkStatementTrailer(const FixedLine& line, const Lot& lot) {
    const int64_t records = line.number(171, 6, "quantidade de registros do lote");
    if (records != lot.records + 1)
        line.fail(171, "o trailer do lote informa " + std::to_string(records) +
                           " registros; o lote tem " + std::to_string(lot.records + 1));
    const auto compare = [&](int column, int64_t told, int64_t sum, const char* what) {
        if (told != 0 && told != sum)
            line.fail(column, std::string("o trailer do lote informa um total de ") + what +
                                  " diferente da soma dos lançamentos do lote");
    };
    compare(177, line.number(177, 18, "somatório dos débitos"), lot.debits, "débitos");
    compare(195, line.number(195, 18, "somatório dos créditos"), lot.credits, "créditos");
}

}  // namespace

Statement readCnab240Statement(std::string_view text) {
    detail::RecordLines records = detail::recordLines(text, "extrato");
    const std::vector<FixedLine>& lines = records.lines;
    const FixedLine& header = lines.front();
    if (records.layout != kLength)
        header.fail(1, "o extrato CNAB tem registros de 240 caracteres; este tem " +
                           std::to_string(header.length()));
    if (header.at(8) != '0')
        header.fail(8, "o arquivo não começa pelo header do arquivo (registro 0)");
    const std::string bank = header.text(1, 3);
    if (header.number(1, 3, "código do banco") == 0)
        header.fail(1, "código do banco desconhecido: " + header.quote(1, 3));
    Statement statement;
    statement.format = StatementFormat::Cnab240;
    statement.adjustedLines = records.adjusted;
    statement.entries.reserve(lines.size());

    std::optional<Lot> lot;
    int lots = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        const FixedLine& line = lines[i];
        detail::requireLength(line, kLength);
        if (line.raw(1, 3) != bank)
            line.fail(1, "código do banco " + line.quote(1, 3) +
                             " diferente do header do arquivo (\"" + bank + "\")");
        switch (line.at(8)) {
            case '1':
                if (lot)
                    line.fail(8, "header de lote antes do trailer do lote anterior");
                if (line.at(9) != 'E' || line.raw(10, 2) != "04")
                    line.fail(9, "o lote não é de extrato para conciliação (operação " +
                                     line.quote(9, 1) + ", serviço " + line.quote(10, 2) +
                                     "; esperados \"E\" e \"04\")");
                lot = Lot{};
                break;
            case '3':
                if (!lot)
                    line.fail(8, "registro de detalhe fora de um lote (falta o header do lote)");
                ++lot->records;
                if (line.at(14) != 'E')
                    line.fail(14, "segmento " + line.quote(14, 1) +
                                      " num lote de extrato (esperado \"E\")");
                statement.entries.push_back(readSegmentE(line));
                (statement.entries.back().amountCents < 0 ? lot->debits : lot->credits) +=
                    std::abs(statement.entries.back().amountCents);
                break;
            case '5':
                if (!lot)
                    line.fail(8, "trailer de lote sem o header do lote");
                checkStatementTrailer(line, *lot);
                lot.reset();
                ++lots;
                break;
            case '9':
                if (lot)
                    line.fail(8, "trailer do arquivo antes do trailer do lote");
                detail::checkFileTrailer(line, lots, static_cast<int>(i) + 1);
                if (i + 1 != lines.size())
                    lines[i + 1].fail(1, "registro depois do trailer do arquivo");
                return statement;
            case '0':
                line.fail(8, "um segundo header de arquivo");
            default:
                line.fail(8, "tipo de registro desconhecido: " + line.quote(8, 1));
        }
    }
    detail::refuseTruncated(lines);
}

}  // namespace confcred::bankreturn
