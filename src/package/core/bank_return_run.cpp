#include "package/core/bank_return_run.h"

#include <QCoreApplication>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <unordered_set>
#include <utility>

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
#include "platform/win_path.h"

namespace confcred::package::bank_return {

namespace {

namespace records = dataset::records;

const dataset::Column& columnOf(const dataset::DataPacket& packet, std::string_view name) {
    const int index = packet.fieldIndex(name);
    if (index < 0)
        throw std::runtime_error("Resposta de getRetornoBancario sem o campo " + std::string(name) +
                                 ".");
    return packet.column(static_cast<size_t>(index));
}

size_t resultIndex(std::string_view letter) {
    for (size_t i = 0; i < kResults.size(); ++i)
        if (letter.size() == 1 && letter[0] == kResults[i])
            return i;
    return kResults.size();
}

dataset::DataPacket fileArgument(std::string text) {
    dataset::DataPacket packet(records::fieldDefs(records::kImport));
    packet.column(static_cast<size_t>(packet.fieldIndex("ARQUIVO"))).appendText(text);
    return packet;
}

// getRetornoBancario under the busy animation. The server's message when it
// refused the file.
host::client::CallResult callServer(ReturnRun& run, std::string text) {
    RunBusy busy(run.screen);
    return run.connection.appServer().call(kGetRetornoBancario, {fileArgument(std::move(text))});
}

}  // namespace

ReturnOutcome runBankReturn(ReturnRun& run) {
    ReturnOutcome outcome;
    host::core::FileRequest request;
    request.title = QCoreApplication::translate("Cli_Lun90000", "Arquivo de retorno bancário");
    // Banks name their files in either case, and some as text files.
    request.filter = QCoreApplication::translate(
        "Cli_Lun90000", "Arquivos de retorno|*.ret;*.RET;*.txt;*.TXT|Todos os arquivos|*.*");
    // The folder of the last file chosen in this session, else the usual one.
    static QString lastFolder;
    request.initialDir = !lastFolder.isEmpty()
                             ? lastFolder
                             : QString::fromUtf8(kRetornoFolder.data(),
                                                 static_cast<qsizetype>(kRetornoFolder.size()));
    const std::optional<QString> chosen = run.screen.ask(request);
    if (!chosen)
        return outcome;
    outcome.path = *chosen;
    lastFolder = QString::fromStdString(platform::extractFileDir(chosen->toStdString()));

    std::string text;
    try {
        text = platform::cp1252ToUtf8(platform::loadTextLines(outcome.path.toStdString()));
    } catch (const platform::IoError& error) {
        return endRunWith(run.screen, outcome, ReturnEnd::Unreadable,
                          RunFailure::stopped(QString::fromUtf8(error.what())));
    }

    host::client::CallResult result;
    try {
        result = callServer(run, std::move(text));
    } catch (const host::client::TransportError& error) {
        return endRunWith(run.screen, outcome, ReturnEnd::TransportFailed,
                          RunFailure::transport(error));
    }
    if (result.isError())
        return endRunWith(run.screen, outcome, ReturnEnd::ServerRefused,
                          RunFailure::refused(result.errorMessage()));
    const dataset::DataPacket answer =
        result.hasPacket() ? result.takePacket() : dataset::DataPacket{};

    run.screen.followList(false);
    host::core::ScopeGuard reattach([&run] { run.screen.followList(true); });
    markMatched(run.orders, answer, outcome);
    outcome.end = ReturnEnd::Done;
    return outcome;
}

void markMatched(dataset::RecordSet& orders, const dataset::DataPacket& answer,
                 ReturnOutcome& outcome) {
    const dataset::Column& numbers = columnOf(answer, "NRPEDCRECONS");
    const dataset::Column& results = columnOf(answer, "IDRESULTADO");
    const dataset::Column& paid = columnOf(answer, "VRPAGO");
    const dataset::Column& value = columnOf(answer, "VRPEDCRECONS");
    // An answer of a server before the notice: no notice.
    const int noticeField = answer.fieldIndex("DSAVISO");
    if (noticeField >= 0 && answer.rowCount() > 0) {
        const dataset::Column& notice = answer.column(static_cast<size_t>(noticeField));
        const size_t last = answer.rowCount() - 1;
        if (!notice.isNull(last))
            outcome.notice = QString::fromUtf8(notice.textAt(last).data(),
                                               static_cast<qsizetype>(notice.textAt(last).size()));
    }

    outcome.records = answer.rowCount();
    outcome.closing = {};
    outcome.closing.read = answer.rowCount();
    for (size_t i = 0; i < kResults.size(); ++i)
        outcome.totals[i] = {kResults[i], 0, 0};
    outcome.exceptions = dataset::DataPacket(answer.fields());
    outcome.allRecords = answer;
    std::unordered_set<std::string_view> matched;
    std::vector<std::string_view> matchedInOrder;
    for (size_t row = 0; row < answer.rowCount(); ++row) {
        const std::string_view result = results.textAt(row);
        const size_t at = resultIndex(result);
        const int64_t paidCents = paid.isNull(row) ? 0 : std::llround(paid.doubleAt(row) * 100.0);
        if (at < kResults.size()) {
            ++outcome.totals[at].count;
            outcome.totals[at].paidCents += paidCents;
        }
        if (result != "O") {
            ++outcome.closing.settled;
            outcome.closing.paidCents += paidCents;
        }
        if (result == "M") {
            ++outcome.closing.matched;
            if (!value.isNull(row))
                outcome.closing.matchedOrderCents += std::llround(value.doubleAt(row) * 100.0);
        }
        if (result == "M" && !numbers.textAt(row).empty()) {
            if (matched.insert(numbers.textAt(row)).second)
                matchedInOrder.push_back(numbers.textAt(row));
            continue;
        }
        for (size_t f = 0; f < answer.fieldCount(); ++f)
            outcome.exceptions.column(f).appendFrom(answer.column(f), row);
    }

    TickedOrders ticked = tickListedOrders(orders, matchedInOrder);
    outcome.ticked = ticked.ticked;
    outcome.unlisted = std::move(ticked.unlisted);
}

std::vector<std::pair<QString, QString>> totalsLines(const ReturnTotals& totals) {
    const auto money = [](int64_t cents) {
        return QString::fromStdString(platform::formatMoney(cents));
    };
    return {
        {QCoreApplication::translate("Cli_Lun90000", "Boletos lidos"),
         QString::number(totals.read)},
        {QCoreApplication::translate("Cli_Lun90000", "Liquidados"),
         QString::number(totals.settled)},
        {QCoreApplication::translate("Cli_Lun90000", "Conferidos com pedido"),
         QString::number(totals.matched)},
        {QCoreApplication::translate("Cli_Lun90000", "Valor pago (liquidações)"),
         money(totals.paidCents)},
        {QCoreApplication::translate("Cli_Lun90000", "Valor dos pedidos conferidos"),
         money(totals.matchedOrderCents)},
    };
}

std::string exceptionsCsv(const dataset::DataPacket& exceptions, const ReturnTotals* totals) {
    // The bank's own figures come last; an answer without them (of an older
    // server) leaves their cells empty.
    struct CsvColumn {
        const char* field;
        const char* title;
        bool optional = false;
    };
    static const CsvColumn kColumns[] = {
        {"NRBOLETO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Boleto")},
        {"NRPEDCRECONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Pedido")},
        {"CDCLIENTE", QT_TRANSLATE_NOOP("Cli_Lun90000", "Cliente")},
        {"CDCONSUMIDOR", QT_TRANSLATE_NOOP("Cli_Lun90000", "Consumidor")},
        {"VRPEDCRECONS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Valor do pedido")},
        {"VRPAGO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Valor pago")},
        {"DTCREDITO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Data do crédito")},
        {"CDOCORRENCIA", QT_TRANSLATE_NOOP("Cli_Lun90000", "Ocorrência")},
        {"IDRESULTADO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Resultado")},
        {"DSRESULTADO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Descrição")},
        {"DSOCORRENCIA", QT_TRANSLATE_NOOP("Cli_Lun90000", "Ocorrência do banco"), true},
        {"VRTARIFA", QT_TRANSLATE_NOOP("Cli_Lun90000", "Tarifa"), true},
        {"VRJUROS", QT_TRANSLATE_NOOP("Cli_Lun90000", "Juros"), true},
        {"VRDESCONTO", QT_TRANSLATE_NOOP("Cli_Lun90000", "Desconto"), true},
    };
    std::string out(platform::kCsvBom);
    std::vector<const dataset::Column*> columns;
    for (const CsvColumn& c : kColumns) {
        out +=
            (columns.empty() ? "" : ";") +
            platform::csvField(QCoreApplication::translate("Cli_Lun90000", c.title).toStdString());
        columns.push_back(c.optional && exceptions.fieldIndex(c.field) < 0
                              ? nullptr
                              : &columnOf(exceptions, c.field));
    }
    out += "\r\n";
    for (size_t row = 0; row < exceptions.rowCount(); ++row) {
        for (size_t c = 0; c < columns.size(); ++c) {
            if (!columns[c]) {
                out += ";";
                continue;
            }
            const dataset::Column& column = *columns[c];
            std::string value;
            if (column.isNull(row))
                value.clear();
            else if (column.type() == dataset::FieldType::Double)
                value = platform::formatFloat00(column.doubleAt(row));
            else if (column.type() == dataset::FieldType::DateTime)
                value = platform::formatDate(column.dateTimeAt(row));
            else {
                // Slip and order numbers stay text in a spreadsheet, as in
                // the list's export.
                out += (c ? ";" : "") + platform::csvTextField(std::string(column.textAt(row)));
                continue;
            }
            out += (c ? ";" : "") + platform::csvField(std::move(value));
        }
        out += "\r\n";
    }
    if (totals) {
        out += "\r\n";
        for (const auto& [title, value] : totalsLines(*totals))
            out += platform::csvField(title.toStdString()) + ";" +
                   platform::csvField(value.toStdString()) + "\r\n";
    }
    return out;
}

}  // namespace confcred::package::bank_return
