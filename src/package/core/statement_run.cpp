#include "package/core/statement_run.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <cmath>
#include <stdexcept>
#include <unordered_set>

#include "dataset/record_set.h"
#include "dataset/records.h"
#include "host/client/net_connection.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "package/core/server_names.h"
#include "package/core/tick_orders.h"
#include "platform/cp1252.h"
#include "platform/csv.h"
#include "platform/files.h"
#include "platform/regional.h"

namespace confcred::package::statement {

namespace {

namespace records = dataset::records;

const dataset::Column& columnOf(const dataset::DataPacket& packet, std::string_view name) {
    const int index = packet.fieldIndex(name);
    if (index < 0)
        throw std::runtime_error("Resposta de getConciliacaoExtrato sem o campo " +
                                 std::string(name) + ".");
    return packet.column(static_cast<size_t>(index));
}

// The file's text for the call: as it is when it is UTF-8 (the PIX API's
// JSON, most OFX 2), read as Windows-1252 otherwise.
std::string statementText(const QString& path) {
    std::string bytes = platform::loadTextLines(path.toStdString());
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return utf8.hasError() ? platform::cp1252ToUtf8(bytes) : bytes;
}

}  // namespace

QString resultMeaning(char result) {
    switch (result) {
        case 'M':
            return QCoreApplication::translate("Cli_Lun90000",
                                               "Cita um pedido pendente com o mesmo valor");
        case 'P':
            return QCoreApplication::translate(
                "Cli_Lun90000", "Provável: único pedido pendente do pagador com o mesmo valor");
        case 'V':
            return QCoreApplication::translate("Cli_Lun90000",
                                               "Cita um pedido de outro valor: confira");
        case 'A':
            return QCoreApplication::translate("Cli_Lun90000",
                                               "Ambíguo: o pagador não distingue um pedido");
        case 'E':
            return QCoreApplication::translate("Cli_Lun90000", "Cita um pedido já efetivado");
        case 'C':
            return QCoreApplication::translate("Cli_Lun90000", "Cita um pedido cancelado");
        case 'D':
            return QCoreApplication::translate("Cli_Lun90000", "Repetido no extrato");
        case 'X':
            return QCoreApplication::translate("Cli_Lun90000",
                                               "Nenhum pedido pendente com este valor");
        default:
            return QCoreApplication::translate("Cli_Lun90000", "Não é um crédito");
    }
}

StatementOutcome runStatement(StatementRun& run) {
    StatementOutcome outcome;
    host::core::FileRequest request;
    request.title = QCoreApplication::translate("Cli_Lun90000", "Extrato bancário");
    request.filter = QCoreApplication::translate(
        "Cli_Lun90000",
        "Extratos bancários|*.ofx;*.OFX;*.ret;*.RET;*.txt;*.TXT;*.json;*.JSON|Todos os "
        "arquivos|*.*");
    request.initialDir =
        QString::fromUtf8(kExtratoFolder.data(), static_cast<qsizetype>(kExtratoFolder.size()));
    const std::optional<QString> chosen = run.screen.ask(request);
    if (!chosen)
        return outcome;
    outcome.path = *chosen;

    std::string text;
    try {
        text = statementText(outcome.path);
    } catch (const platform::IoError& error) {
        return endRunWith(run.screen, outcome, StatementEnd::Unreadable,
                          RunFailure::stopped(QString::fromUtf8(error.what())));
    }
    dataset::DataPacket file(records::fieldDefs(records::kImport));
    file.column(static_cast<size_t>(file.fieldIndex("ARQUIVO"))).appendText(text);
    text.clear();

    host::client::CallResult result;
    try {
        RunBusy busy(run.screen);
        result = run.connection.appServer().call(kGetConciliacaoExtrato, {std::move(file)});
    } catch (const host::client::TransportError& error) {
        return endRunWith(run.screen, outcome, StatementEnd::TransportFailed,
                          RunFailure::transport(error));
    }
    if (result.isError())
        return endRunWith(run.screen, outcome, StatementEnd::ServerRefused,
                          RunFailure::refused(result.errorMessage()));
    outcome.entries = result.hasPacket() ? result.takePacket() : dataset::DataPacket{};
    sumLetters(outcome);
    outcome.end = StatementEnd::Done;
    return outcome;
}

void sumLetters(StatementOutcome& outcome) {
    for (size_t i = 0; i < kResults.size(); ++i)
        outcome.totals[i] = {kResults[i], 0, 0};
    if (outcome.entries.fieldCount() == 0)
        return;
    const dataset::Column& letters = columnOf(outcome.entries, "IDRESULTADO");
    const dataset::Column& amounts = columnOf(outcome.entries, "VRLANCAMENTO");
    for (size_t row = 0; row < outcome.entries.rowCount(); ++row) {
        const std::string_view letter = letters.textAt(row);
        for (LetterTotal& total : outcome.totals) {
            if (letter.size() == 1 && letter[0] == total.result) {
                ++total.count;
                if (!amounts.isNull(row))
                    total.cents += std::llround(amounts.doubleAt(row) * 100.0);
            }
        }
    }
}

Marked markReconciled(dataset::RecordSet& orders, const dataset::DataPacket& entries,
                      bool probable) {
    Marked marked;
    if (entries.fieldCount() == 0)
        return marked;
    const dataset::Column& letters = columnOf(entries, "IDRESULTADO");
    const dataset::Column& numbers = columnOf(entries, "NRPEDCRECONS");
    std::vector<std::string_view> wanted;
    std::unordered_set<std::string_view> seen;
    for (size_t row = 0; row < entries.rowCount(); ++row) {
        const std::string_view letter = letters.textAt(row);
        if ((letter == "M" || (probable && letter == "P")) && !numbers.textAt(row).empty() &&
            seen.insert(numbers.textAt(row)).second)
            wanted.push_back(numbers.textAt(row));
    }
    TickedOrders ticked = tickListedOrders(orders, wanted);
    marked.ticked = ticked.ticked;
    marked.unlisted = std::move(ticked.unlisted);
    return marked;
}

std::string entriesCsv(const StatementOutcome& outcome) {
    struct CsvColumn {
        const char* field;
        const char* title;
    };
    static const CsvColumn kColumns[] = {
        {"DTLANCAMENTO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Data")},
        {"VRLANCAMENTO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Valor")},
        {"IDLANCAMENTO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Identificador")},
        {"DSLANCAMENTO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Histórico")},
        {"NMPAGADOR", QT_TRANSLATE_NOOP("Cli_Lun90000", "Pagador")},
        {"NRDOCPAGADOR", QT_TRANSLATE_NOOP("Cli_Lun90000", "CPF/CNPJ do pagador")},
        {"TXID", QT_TRANSLATE_NOOP("Cli_Lun90000", "Txid")},
        {"IDRESULTADO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Resultado")},
        {"NRPEDCRECONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Pedido")},
        {"VRPEDCRECONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Valor do pedido")},
        {"NRCANDIDATOS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Candidatos")},
        {"DSRESULTADO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Descrição")},
    };
    std::string out(platform::kCsvBom);
    for (size_t c = 0; c < std::size(kColumns); ++c)
        out += (c ? ";" : "") +
               platform::csvField(
                   QCoreApplication::translate("Cli_Lun90000", kColumns[c].title).toStdString());
    out += "\r\n";
    const dataset::DataPacket& entries = outcome.entries;
    for (size_t row = 0; row < entries.rowCount(); ++row) {
        for (size_t c = 0; c < std::size(kColumns); ++c) {
            const dataset::Column& column = columnOf(entries, kColumns[c].field);
            out += c ? ";" : "";
            if (column.isNull(row))
                continue;
            if (column.type() == dataset::FieldType::Double)
                out += platform::csvField(platform::formatFloat00(column.doubleAt(row)));
            else if (column.type() == dataset::FieldType::DateTime)
                out += platform::csvField(platform::formatDateTime(column.dateTimeAt(row)));
            else if (column.type() == dataset::FieldType::Integer)
                out += std::to_string(column.integerAt(row));
            else  // identifiers, order numbers, documents: kept as the text they are
                out += platform::csvTextField(std::string(column.textAt(row)));
        }
        out += "\r\n";
    }
    out += "\r\n";
    for (const LetterTotal& total : outcome.totals) {
        if (total.count == 0)
            continue;
        out += platform::csvField(std::string(1, total.result) + " " +
                                  resultMeaning(total.result).toStdString()) +
               ";" + std::to_string(total.count) + ";" +
               platform::csvField(platform::formatMoney(total.cents)) + "\r\n";
    }
    return out;
}

}  // namespace confcred::package::statement
