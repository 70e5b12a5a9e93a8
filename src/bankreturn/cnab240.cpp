// CNAB 240, collection service: file header (0), lots of a header (1),
// detail segments (3) and a trailer (5), then the file trailer (9). A slip's
// event is a segment T (the slip) followed by its segment U (the amounts).

#include <optional>

#include "bankreturn/layouts.h"

namespace confcred::bankreturn::detail {
namespace {

constexpr int kLength = 240;

// Where segment T carries the slip and the document. The FEBRABAN layout
// gives positions 38-57 to "nosso número"; the banks divide them their own way
// and Santander moves the fields after them too.
struct SegmentT {
    const char* bank;
    int slipColumn, slipWidth;
    int digitColumn;  // 0: no check digit beside the slip
    int documentColumn, documentWidth;
    int faceColumn;
    int tariffColumn;  // valor da tarifa/custas, 15 digits
    // Banco do Brasil writes the slip left-aligned: 17 digits for a 7-digit
    // agreement, or 11 digits and the check digit for shorter ones.
    bool digitLastOfTwelve = false;
};

constexpr SegmentT kFebraban = {"", 38, 20, 0, 59, 15, 82, 199};
constexpr SegmentT kBanks[] = {
    {"001", 38, 20, 0, 59, 15, 82, 199, true},  // Banco do Brasil
    {"033", 41, 12, 53, 55, 15, 78, 194},       // Santander
    {"104", 40, 17, 57, 59, 11, 82, 199},       // Caixa (SIGCB): modality and number
    {"237", 46, 11, 57, 59, 15, 82, 199},       // Bradesco: wallet and zeros before
    {"341", 41, 8, 49, 59, 10, 82, 199},        // Itaú: wallet before
    {"748", 38, 8, 46, 59, 15, 82, 199},        // Sicredi
    {"756", 38, 9, 47, 59, 15, 82, 199},        // Sicoob: installment and modality after
};

const SegmentT& segmentTOf(std::string_view bank) {
    for (const SegmentT& t : kBanks) {
        if (bank == t.bank)
            return t;
    }
    return kFebraban;
}

bool settles(std::string_view occurrence) {
    return occurrence == "06" || occurrence == "17";  // liquidação; after write-off
}

ReturnRecord readSegmentT(const FixedLine& line, const SegmentT& t) {
    ReturnRecord r;
    r.line = line.number();
    r.nossoNumero = line.text(t.slipColumn, t.slipWidth);
    if (t.digitLastOfTwelve && r.nossoNumero.size() == 12) {
        r.nossoNumeroDigit = r.nossoNumero.substr(11);
        r.nossoNumero.resize(11);
    } else if (t.digitColumn != 0) {
        r.nossoNumeroDigit = line.text(t.digitColumn, 1);
    }
    r.documentNumber = line.text(t.documentColumn, t.documentWidth);
    r.faceValueCents = line.number(t.faceColumn, 15, "valor do título");
    r.tariffCents = line.numberOrBlank(t.tariffColumn, 15, "valor da tarifa/custas");
    r.occurrence = std::string(line.raw(16, 2));
    r.settlement = settles(r.occurrence);
    return r;
}

void readSegmentU(const FixedLine& line, ReturnRecord& r) {
    r.feesCents = line.number(18, 15, "juros/multa/encargos");
    r.discountCents = line.number(33, 15, "desconto") + line.number(48, 15, "abatimento");
    r.paidCents = line.number(78, 15, "valor pago");
    r.occurrenceDate = line.dateDdMmYyyy(138, "data da ocorrência");
    r.creditDate = line.dateDdMmYyyy(146, "data do crédito");
}

struct Lot {
    int records = 0;  // header and trailer included
};

// Only the lot trailer's record count is compared with the lot. Its title
// counts and totals by wallet (simple, linked, pledged, discounted) are not:
// several banks give there the position of the whole collection portfolio,
// not of the slips in this file (17 titles and R$ 86,00 beside 5 slips of
// R$ 26,00), so a return they sent would be refused for nothing it lacks.
void checkLotTrailer(const FixedLine& line, const Lot& lot) {
    const int64_t records = line.number(18, 6, "quantidade de registros do lote");
    if (records != lot.records)
        line.fail(18, "o trailer do lote informa " + std::to_string(records) +
                          " registros; o lote tem " + std::to_string(lot.records));
}

}  // namespace

void checkFileTrailer(const FixedLine& line, int lots, int records) {
    const int64_t toldLots = line.number(18, 6, "quantidade de lotes");
    if (toldLots != lots)
        line.fail(18, "o trailer do arquivo informa " + std::to_string(toldLots) +
                          " lotes; o arquivo tem " + std::to_string(lots));
    const int64_t toldRecords = line.number(24, 6, "quantidade de registros");
    if (toldRecords != records)
        line.fail(24, "o trailer do arquivo informa " + std::to_string(toldRecords) +
                          " registros; o arquivo tem " + std::to_string(records));
}

ReturnFile readCnab240(const std::vector<FixedLine>& lines) {
    const FixedLine& header = lines.front();
    if (header.at(8) != '0')
        header.fail(8, "o arquivo não começa pelo header do arquivo (registro 0)");
    ReturnFile file;
    file.layout = Layout::Cnab240;
    file.bankCode = header.text(1, 3);
    if (header.number(1, 3, "código do banco") == 0)
        header.fail(1, "código do banco desconhecido: " + header.quote(1, 3));
    if (header.at(143) != '2')
        header.fail(143, "o arquivo não é de retorno (código remessa/retorno " +
                             header.quote(143, 1) + ", esperado \"2\")");
    file.bankName = header.text(103, 30);
    const SegmentT& t = segmentTOf(file.bankCode);
    file.records.reserve(lines.size() / 2);  // a segment T and a U per record

    std::optional<Lot> lot;
    int lots = 0;
    std::optional<ReturnRecord> pending;  // a segment T waiting for its U
    auto refuseUnpaired = [&] {
        throw ReturnFileError(pending->line, 14, "segmento T sem o segmento U que o completa");
    };
    for (size_t i = 1; i < lines.size(); ++i) {
        const FixedLine& line = lines[i];
        requireLength(line, kLength);
        if (line.raw(1, 3) != file.bankCode)
            line.fail(1, "código do banco " + line.quote(1, 3) +
                             " diferente do header do arquivo (\"" + file.bankCode + "\")");
        switch (line.at(8)) {
            case '1':
                if (lot)
                    line.fail(8, "header de lote antes do trailer do lote anterior");
                if (line.raw(10, 2) != "01")
                    line.fail(10, "o lote não é de cobrança (tipo de serviço " + line.quote(10, 2) +
                                      ", esperado \"01\")");
                lot = Lot{1};
                break;
            case '3': {
                if (!lot)
                    line.fail(8, "registro de detalhe fora de um lote (falta o header do lote)");
                ++lot->records;
                const char segment = line.at(14);
                if (pending && segment != 'U')
                    refuseUnpaired();
                if (segment == 'T') {
                    pending = readSegmentT(line, t);
                } else if (segment == 'U') {
                    if (!pending)
                        line.fail(14, "segmento U sem o segmento T antes dele");
                    readSegmentU(line, *pending);
                    file.records.push_back(std::move(*pending));
                    pending.reset();
                }
                // Other segments (Y and the like) add nothing the records need.
                break;
            }
            case '5':
                if (!lot)
                    line.fail(8, "trailer de lote sem o header do lote");
                if (pending)
                    refuseUnpaired();
                ++lot->records;
                checkLotTrailer(line, *lot);
                lot.reset();
                ++lots;
                break;
            case '9':
                if (lot)
                    line.fail(8, "trailer do arquivo antes do trailer do lote");
                checkFileTrailer(line, lots, static_cast<int>(i) + 1);
                if (i + 1 != lines.size())
                    lines[i + 1].fail(1, "registro depois do trailer do arquivo");
                return file;
            case '0':
                line.fail(8, "um segundo header de arquivo");
            default:
                line.fail(8, "tipo de registro desconhecido: " + line.quote(8, 1));
        }
    }
    refuseTruncated(lines);
}

}  // namespace confcred::bankreturn::detail
