#include "package/confirmation/frm_conciliacao_extrato.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QIODevice>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "dataset/records.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/print/grid_export.h"
#include "host/print/grid_printer.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"
#include "package/core/order_fields.h"
#include "platform/regional.h"

namespace confcred::package {

namespace st = statement;

QStringList statementSummaryLines(const st::StatementOutcome& outcome) {
    QStringList lines;
    lines << QCoreApplication::translate("Cli_Lun90000", "Lançamentos no extrato: %1")
                 .arg(QString::number(outcome.entries.rowCount()));
    for (const st::LetterTotal& total : outcome.totals) {
        if (total.count == 0)
            continue;
        lines << QStringLiteral("%1 %2: %3 (%4)")
                     .arg(QChar::fromLatin1(total.result), st::resultMeaning(total.result))
                     .arg(QString::number(total.count))
                     .arg(QString::fromStdString(platform::formatMoney(total.cents)));
    }
    return lines;
}

TfrmConciliacaoExtrato::TfrmConciliacaoExtrato(const st::StatementOutcome& outcome, Mark mark,
                                               QWidget* parent)
    : TDialogForm(parent), outcome_(outcome), mark_(std::move(mark)) {
    setObjectName(QStringLiteral("frmConciliacaoExtrato"));
    setWindowTitle(tr("Conciliação de Extrato"));

    for (dataset::FieldDef& def : dataset::records::fieldDefs(dataset::records::kStatementResult))
        cdsConciliacao.addField(std::move(def));
    cdsConciliacao.loadPacket(outcome.entries);
    for (const char* field : {"VRLANCAMENTO", "VRPEDCRECONS"})
        cdsConciliacao.fieldByName(field).setOnGetText(
            [](const dataset::Field& sender, std::string& text, bool) {
                text = sender.isNull() ? std::string() : valorText(sender);
            });
    host::widgets::nameDataSet(this, QStringLiteral("cdsConciliacao"), cdsConciliacao);
    dtsConciliacao.setDataSet(&cdsConciliacao);

    auto* layout = new QVBoxLayout(this);
    lblArquivo = new QLabel(tr("Arquivo: %1").arg(outcome.path), this);
    lblArquivo->setObjectName(QStringLiteral("lblArquivo"));
    lblResumo = new QLabel(statementSummaryLines(outcome).join('\n'), this);
    lblResumo->setObjectName(QStringLiteral("lblResumo"));
    lblResumo->setTextFormat(Qt::PlainText);

    dbgConciliacao = new host::widgets::TDBGrid(this);
    dbgConciliacao->setObjectName(QStringLiteral("dbgConciliacao"));
    dbgConciliacao->setAccessibleName(tr("Lançamentos do extrato"));
    dbgConciliacao->setColumns({
        {QStringLiteral("DTLANCAMENTO"), tr("Data / Hora")},
        {QStringLiteral("VRLANCAMENTO"), tr("Valor")},
        {QStringLiteral("NMPAGADOR"), tr("Pagador"), 180},
        {QStringLiteral("DSLANCAMENTO"), tr("Histórico"), 200},
        {QStringLiteral("IDRESULTADO"), tr("Res.")},
        {QStringLiteral("NRPEDCRECONS"), tr("Nr. Pedido")},
        {QStringLiteral("VRPEDCRECONS"), tr("Valor Pedido")},
        {QStringLiteral("DSRESULTADO"), tr("Resultado"), 360},
        {QStringLiteral("IDLANCAMENTO"), tr("Identificador"), 160},
    });
    dbgConciliacao->setDataSource(&dtsConciliacao);

    chkProvaveis = new QCheckBox(tr("Incluir os &prováveis (P)"), this);
    chkProvaveis->setObjectName(QStringLiteral("chkProvaveis"));
    chkProvaveis->setToolTip(
        tr("Os prováveis têm o valor e o pagador de um único pedido pendente, mas não citam o "
           "pedido. Confira antes de efetivar."));
    lblMarcados = new QLabel(this);
    lblMarcados->setObjectName(QStringLiteral("lblMarcados"));
    lblMarcados->setWordWrap(true);
    lblMarcados->setVisible(false);

    auto* buttons = new QHBoxLayout;
    auto button = [this, buttons](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    btnMarcar = button("btnMarcar", tr("&Marcar conciliados"));
    btnImprimir = button("btnImprimir", tr("&Imprimir..."));
    btnExportar = button("btnExportar", tr("Exportar &CSV..."));
    buttons->addStretch();
    btnFechar = button("btnFechar", tr("&Fechar"));
    const bool any = !cdsConciliacao.isEmpty();
    btnImprimir->setEnabled(any);
    btnExportar->setEnabled(any);
    btnMarcar->setEnabled(outcome.totals[0].count + outcome.totals[1].count > 0);

    layout->addWidget(lblArquivo);
    layout->addWidget(lblResumo);
    layout->addWidget(dbgConciliacao, 1);
    layout->addWidget(chkProvaveis);
    layout->addWidget(lblMarcados);
    layout->addLayout(buttons);
    host::core::onEvent(btnMarcar, &QAbstractButton::clicked, this,
                        &TfrmConciliacaoExtrato::btnMarcarClick);
    host::core::onEvent(btnImprimir, &QAbstractButton::clicked, this,
                        &TfrmConciliacaoExtrato::btnImprimirClick);
    host::core::onEvent(btnExportar, &QAbstractButton::clicked, this,
                        &TfrmConciliacaoExtrato::btnExportarClick);
    host::core::onEvent(btnFechar, &QAbstractButton::clicked, this,
                        &TfrmConciliacaoExtrato::btnFecharClick);
    resize(900, 520);
}

TfrmConciliacaoExtrato::~TfrmConciliacaoExtrato() {
    dbgConciliacao->setDataSource(nullptr);
    dtsConciliacao.setDataSet(nullptr);
}

void TfrmConciliacaoExtrato::btnMarcarClick() {
    const st::Marked marked = mark_(chkProvaveis->isChecked());
    QString text = tr("%1 pedido(s) marcado(s) na lista; efetive-os pela tela de confirmação.")
                       .arg(QString::number(marked.ticked));
    if (!marked.unlisted.empty()) {
        QStringList numbers;
        for (const std::string& number : marked.unlisted)
            numbers << QString::fromStdString(number);
        text += QLatin1Char('\n') +
                tr("Conciliados fora da lista atual (fora do filtro), não marcados: %1")
                    .arg(numbers.join(QStringLiteral(", ")));
    }
    lblMarcados->setText(text);
    lblMarcados->setVisible(true);
}

void TfrmConciliacaoExtrato::btnImprimirClick() {
    host::print::GridReport report = host::print::basicReport(windowTitle());
    report.totals << tr("Arquivo: %1").arg(outcome_.path) << statementSummaryLines(outcome_);
    host::print::previewReport(*dbgConciliacao, report, this);
}

void TfrmConciliacaoExtrato::btnExportarClick() {
    host::core::FileRequest request;
    request.title = tr("Exportar conciliação");
    request.filter = tr("Arquivo CSV|*.csv");
    request.fileName = QStringLiteral("conciliacao.csv");
    request.parent = this;
    const std::optional<QString> target = host::core::ui().chooseSaveFile(request);
    if (!target)
        return;
    const std::string csv = st::entriesCsv(outcome_);
    bool written = true;
    try {
        host::print::saveFileAtomically(*target, [&csv](QIODevice& file) {
            return file.write(csv.data(), static_cast<qint64>(csv.size())) ==
                   static_cast<qint64>(csv.size());
        });
    } catch (const host::print::ExportError&) {
        written = false;
    }
    host::core::BoxRequest box;
    box.kind = written ? host::core::BoxKind::Information : host::core::BoxKind::Error;
    box.caption = host::core::application().title();
    box.text = written ? tr("Relatório gravado em %1").arg(*target)
                       : tr("Não foi possível gravar o relatório em %1. Verifique a pasta e "
                            "tente novamente.")
                             .arg(*target);
    box.parent = this;
    host::core::ui().showBox(box);
}

void TfrmConciliacaoExtrato::btnFecharClick() {
    Close();
}

void CriaConciliacaoExtrato(const st::StatementOutcome& outcome, TfrmConciliacaoExtrato::Mark mark,
                            QWidget* parent) {
    std::unique_ptr<TfrmConciliacaoExtrato> report(
        host::forms::createForm<TfrmConciliacaoExtrato>(outcome, std::move(mark), parent));
    host::core::ui().showModal(*report);
}

}  // namespace confcred::package
