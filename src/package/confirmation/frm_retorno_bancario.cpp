#include "package/confirmation/frm_retorno_bancario.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIODevice>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>
#include <optional>

#include "dataset/records.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/print/grid_export.h"
#include "host/print/grid_printer.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"
#include "package/core/order_fields.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "platform/win_path.h"

namespace confcred::package {

namespace {

namespace br = bank_return;

const char* resultTitle(char result) {
    switch (result) {
        case 'M':
            return QT_TRANSLATE_NOOP("Cli_Lun90000", "Conferidos e marcados");
        case 'V':
            return QT_TRANSLATE_NOOP("Cli_Lun90000", "Valor pago diferente do pedido");
        case 'E':
            return QT_TRANSLATE_NOOP("Cli_Lun90000", "Pedido já efetivado");
        case 'C':
            return QT_TRANSLATE_NOOP("Cli_Lun90000", "Pedido cancelado");
        case 'D':
            return QT_TRANSLATE_NOOP("Cli_Lun90000", "Repetidos no arquivo");
        case 'X':
            return QT_TRANSLATE_NOOP("Cli_Lun90000", "Boleto sem pedido");
        default:
            return QT_TRANSLATE_NOOP("Cli_Lun90000", "Não são liquidação");
    }
}

QString tr90000(const char* text) {
    return QCoreApplication::translate("Cli_Lun90000", text);
}

// "C:\Credito\Site\Retorno\cobranca.ret" -> "cobranca_ocorrencias.csv"
std::string csvNameFor(const QString& returnPath) {
    std::string name = platform::extractFileName(returnPath.toStdString());
    if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name + "_ocorrencias.csv";
}

// Where the last report was written in this session.
QString& lastCsvFolder() {
    static QString folder;
    return folder;
}

}  // namespace

QString returnSummaryText(const br::ReturnOutcome& outcome) {
    QStringList lines;
    lines << QCoreApplication::translate("Cli_Lun90000", "Registros no arquivo: %1")
                 .arg(outcome.records);
    for (const br::ResultTotal& total : outcome.totals) {
        if (total.count == 0)
            continue;
        const size_t outside = total.result == 'M' ? outcome.unlisted.size() : 0;
        if (outside > 0 && outside <= total.count) {
            // Matched, but not all of them in the list to be marked: the
            // line below the summary names the others.
            lines << QCoreApplication::translate("Cli_Lun90000",
                                                 "M Conferidos: %1 (%2); marcados: %3")
                         .arg(total.count)
                         .arg(QString::fromStdString(platform::formatMoney(total.paidCents)))
                         .arg(total.count - outside);
            continue;
        }
        lines << QStringLiteral("%1 %2: %3 (%4)")
                     .arg(QChar::fromLatin1(total.result), tr90000(resultTitle(total.result)))
                     .arg(total.count)
                     .arg(QString::fromStdString(platform::formatMoney(total.paidCents)));
    }
    return lines.join('\n');
}

QStringList returnTotalsLines(const br::ReturnTotals& totals) {
    QStringList lines;
    for (const auto& [title, value] : br::totalsLines(totals))
        lines << title + QStringLiteral(": ") + value;
    return lines;
}

TfrmRetornoBancario::TfrmRetornoBancario(const br::ReturnOutcome& outcome, QWidget* parent)
    : TDialogForm(parent), path_(outcome.path), closing_(outcome.closing) {
    setObjectName(QStringLiteral("frmRetornoBancario"));
    setWindowTitle(tr("Retorno Bancário"));

    for (dataset::FieldDef& def : dataset::records::fieldDefs(dataset::records::kBankReturnResult))
        cdsRetorno.addField(std::move(def));
    cdsRetorno.loadPacket(outcome.allRecords);
    for (const char* field : {"VRPEDCRECONS", "VRPAGO", "VRTARIFA", "VRJUROS", "VRDESCONTO"})
        // No order, no value: blank rather than a zero that reads as one.
        cdsRetorno.fieldByName(field).setOnGetText(
            [](const dataset::Field& sender, std::string& text, bool) {
                text = sender.isNull() ? std::string() : valorText(sender);
            });
    host::widgets::nameDataSet(this, QStringLiteral("cdsRetorno"), cdsRetorno);
    dtsRetorno.setDataSet(&cdsRetorno);

    auto* layout = new QVBoxLayout(this);
    lblArquivo = new QLabel(tr("Arquivo: %1").arg(outcome.path), this);
    lblArquivo->setObjectName(QStringLiteral("lblArquivo"));
    lblResumo = new QLabel(returnSummaryText(outcome), this);
    lblResumo->setObjectName(QStringLiteral("lblResumo"));
    lblResumo->setTextFormat(Qt::PlainText);
    QStringList unlisted;
    for (const std::string& number : outcome.unlisted)
        unlisted << QString::fromStdString(number);
    lblForaDaLista = new QLabel(
        unlisted.isEmpty()
            ? QString()
            : tr("Conferidos fora da lista atual (fora do filtro), por isso não marcados: %1 "
                 "pedido(s): %2. Para marcá-los, inclua-os no filtro e use o retorno de novo.")
                  .arg(unlisted.size())
                  .arg(unlisted.join(QStringLiteral(", "))),
        this);
    lblForaDaLista->setObjectName(QStringLiteral("lblForaDaLista"));
    lblForaDaLista->setWordWrap(true);
    lblForaDaLista->setVisible(!unlisted.isEmpty());
    lblAviso = new QLabel(outcome.notice, this);
    lblAviso->setObjectName(QStringLiteral("lblAviso"));
    lblAviso->setTextFormat(Qt::PlainText);
    lblAviso->setVisible(!outcome.notice.isEmpty());

    cbxResultado = new QComboBox(this);
    cbxResultado->setObjectName(QStringLiteral("cbxResultado"));
    cbxResultado->addItem(tr("Todos os registros"), QString());
    cbxResultado->addItem(tr("Não marcados"), QStringLiteral("IDRESULTADO <> 'M'"));
    for (const char result : br::kResults)
        cbxResultado->addItem(
            QStringLiteral("%1 %2").arg(QChar::fromLatin1(result), tr90000(resultTitle(result))),
            QStringLiteral("IDRESULTADO = '%1'").arg(QChar::fromLatin1(result)));
    auto* lblMostrar = new QLabel(tr("&Mostrar:"), this);
    lblMostrar->setBuddy(cbxResultado);
    auto* show = new QHBoxLayout;
    show->addWidget(lblMostrar);
    show->addWidget(cbxResultado);
    show->addStretch();

    dbgRetorno = new host::widgets::TDBGrid(this);
    dbgRetorno->setObjectName(QStringLiteral("dbgRetorno"));
    dbgRetorno->setAccessibleName(tr("Registros do retorno"));
    dbgRetorno->setColumns({
        {QStringLiteral("NRBOLETO"), tr("Boleto")},
        {QStringLiteral("NRPEDCRECONS"), tr("Nr. Pedido")},
        {QStringLiteral("VRPEDCRECONS"), tr("Valor Pedido")},
        {QStringLiteral("VRPAGO"), tr("Valor Pago")},
        {QStringLiteral("IDRESULTADO"), tr("Res.")},
        {QStringLiteral("DSRESULTADO"), tr("Resultado"), 320},
        {QStringLiteral("DSOCORRENCIA"), tr("Ocorrência do banco"), 240},
        {QStringLiteral("VRTARIFA"), tr("Tarifa")},
        {QStringLiteral("VRJUROS"), tr("Juros")},
        {QStringLiteral("VRDESCONTO"), tr("Desconto")},
    });
    dbgRetorno->setDataSource(&dtsRetorno);
    // Every column as wide as what it shows ("Resultado" above all).
    dbgRetorno->resizeColumnsToContents();
    lblTotais = new QLabel(returnTotalsLines(closing_).join('\n'), this);
    lblTotais->setObjectName(QStringLiteral("lblTotais"));
    lblTotais->setTextFormat(Qt::PlainText);

    auto* buttons = new QHBoxLayout;
    auto button = [this, buttons](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    btnImprimir = button("btnImprimir", tr("&Imprimir..."));
    btnExportar = button("btnExportar", tr("Exportar &CSV"));
    buttons->addStretch();
    btnFechar = button("btnFechar", tr("&Fechar"));
    // Also with no record to list: the summary and the totals are the report.

    layout->addWidget(lblArquivo);
    layout->addWidget(lblResumo);
    layout->addWidget(lblForaDaLista);
    layout->addWidget(lblAviso);
    layout->addLayout(show);
    layout->addWidget(dbgRetorno, 1);
    layout->addWidget(lblTotais);
    layout->addLayout(buttons);
    host::core::onEvent(cbxResultado, &QComboBox::currentIndexChanged, this,
                        &TfrmRetornoBancario::cbxResultadoChange);
    host::core::onEvent(btnImprimir, &QAbstractButton::clicked, this,
                        &TfrmRetornoBancario::btnImprimirClick);
    host::core::onEvent(btnExportar, &QAbstractButton::clicked, this,
                        &TfrmRetornoBancario::btnExportarClick);
    host::core::onEvent(btnFechar, &QAbstractButton::clicked, this,
                        &TfrmRetornoBancario::btnFecharClick);
    resize(720, 460);
}

void TfrmRetornoBancario::cbxResultadoChange() {
    const QString filter = cbxResultado->currentData().toString();
    cdsRetorno.setFiltered(false);
    if (!filter.isEmpty()) {
        cdsRetorno.setFilter(filter.toStdString());
        cdsRetorno.setFiltered(true);
    }
}

TfrmRetornoBancario::~TfrmRetornoBancario() {
    dbgRetorno->setDataSource(nullptr);
    dtsRetorno.setDataSet(nullptr);
}

void TfrmRetornoBancario::btnImprimirClick() {
    // Every page names the file; the summary closes the report.
    host::print::GridReport report = host::print::basicReport(
        windowTitle() + QStringLiteral(" - ") +
        QString::fromStdString(platform::extractFileName(path_.toStdString())));
    report.filter = tr("Arquivo: %1").arg(path_);
    report.totals << tr("Total: %1 registro(s)").arg(cdsRetorno.recordCount())
                  << lblResumo->text().split(QLatin1Char('\n'));
    if (lblForaDaLista->isVisible())
        report.totals << lblForaDaLista->text();
    report.totals << returnTotalsLines(closing_);
    host::print::previewReport(*dbgRetorno, report, this);
}

void TfrmRetornoBancario::btnExportarClick() {
    // Where to write: asked, starting in the last folder used (else the
    // return file's), never replacing a file without asking.
    host::core::FileRequest request;
    request.title = tr("Exportar relatório do retorno");
    request.filter = tr("Arquivo CSV (separado por ponto e vírgula)|*.csv|Todos os arquivos|*.*");
    request.initialDir =
        !lastCsvFolder().isEmpty()
            ? lastCsvFolder()
            : QString::fromStdString(platform::extractFileDir(path_.toStdString()));
    request.fileName = QString::fromStdString(csvNameFor(path_));
    request.parent = this;
    const std::optional<QString> chosen = host::core::ui().chooseSaveFile(request);
    if (!chosen)
        return;
    const std::string target = chosen->toStdString();
    if (platform::fileExists(target)) {
        host::core::BoxRequest replace;
        replace.kind = host::core::BoxKind::Confirmation;
        replace.caption = host::core::application().title();
        replace.text = tr("O arquivo %1 já existe. Substituir?").arg(*chosen);
        replace.buttons = host::core::mbYes | host::core::mbNo;
        replace.parent = this;
        if (host::core::ui().showBox(replace) != host::core::mrYes)
            return;
    }
    lastCsvFolder() = QString::fromStdString(platform::extractFileDir(target));
    const dataset::DataPacket rows = cdsRetorno.toPacket();
    const std::string csv = br::exceptionsCsv(rows, &closing_);
    // Written beside its name and renamed once complete: never half a report.
    bool written = true;
    try {
        host::print::saveFileAtomically(*chosen, [&csv](QIODevice& file) {
            return file.write(csv.data(), static_cast<qint64>(csv.size())) ==
                   static_cast<qint64>(csv.size());
        });
    } catch (const host::print::ExportError&) {
        written = false;
    }
    host::core::BoxRequest box;
    box.kind = written ? host::core::BoxKind::Information : host::core::BoxKind::Error;
    box.caption = host::core::application().title();
    box.text = written ? tr("Relatório gravado em %1").arg(*chosen)
                       : tr("Não foi possível gravar o relatório em %1. Verifique a pasta e "
                            "tente novamente.")
                             .arg(*chosen);
    box.parent = this;
    host::core::ui().showBox(box);
    if (written)
        host::core::application().showStatus(tr("Relatório gravado em %1").arg(*chosen));
}

void TfrmRetornoBancario::btnFecharClick() {
    Close();
}

void CriaRetornoBancario(const br::ReturnOutcome& outcome, QWidget* parent) {
    std::unique_ptr<TfrmRetornoBancario> report(
        host::forms::createForm<TfrmRetornoBancario>(outcome, parent));
    host::core::ui().showModal(*report);
}

}  // namespace confcred::package
