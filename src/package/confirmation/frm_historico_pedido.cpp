#include "package/confirmation/frm_historico_pedido.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "dataset/records.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/print/grid_printer.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"

namespace confcred::package {

TfrmHistoricoPedido::TfrmHistoricoPedido(const QString& orderNumber,
                                         const dataset::DataPacket& events, QWidget* parent)
    : TDialogForm(parent) {
    setObjectName(QStringLiteral("frmHistoricoPedido"));
    setWindowTitle(tr("Histórico do pedido"));
    for (dataset::FieldDef& def : dataset::records::fieldDefs(dataset::records::kOrderHistory))
        cdsHistorico.addField(std::move(def));
    cdsHistorico.loadPacket(events);
    host::widgets::nameDataSet(this, QStringLiteral("cdsHistorico"), cdsHistorico);
    dtsHistorico.setDataSet(&cdsHistorico);

    bool holds = true;
    const int verified = events.fieldIndex("IDVERIFICADO");
    for (size_t row = 0; verified >= 0 && row < events.rowCount(); ++row)
        holds = holds && events.column(static_cast<size_t>(verified)).textAt(row) == "S";
    chainLine_ = holds ? tr("A cadeia do livro-razão confere até o último evento.")
                       : tr("ATENÇÃO: a cadeia do livro-razão não confere a partir de um dos "
                            "eventos (coluna Conferido = N): o registro foi alterado fora do "
                            "sistema.");

    auto* layout = new QVBoxLayout(this);
    lblPedido = new QLabel(tr("Pedido: %1").arg(orderNumber), this);
    lblPedido->setObjectName(QStringLiteral("lblPedido"));
    lblCadeia = new QLabel(chainLine_, this);
    lblCadeia->setObjectName(QStringLiteral("lblCadeia"));
    lblCadeia->setWordWrap(true);
    dbgHistorico = new host::widgets::TDBGrid(this);
    dbgHistorico->setObjectName(QStringLiteral("dbgHistorico"));
    dbgHistorico->setAccessibleName(tr("Eventos do pedido"));
    dbgHistorico->setColumns({
        {QStringLiteral("DTEVENTO"), tr("Data / Hora")},
        {QStringLiteral("DSEVENTO"), tr("Evento"), 420},
        {QStringLiteral("NMOPERADOR"), tr("Operador"), 120},
        {QStringLiteral("NRPOSICAO"), tr("Posição na cadeia")},
        {QStringLiteral("IDVERIFICADO"), tr("Conferido")},
    });
    dbgHistorico->setDataSource(&dtsHistorico);
    auto* buttons = new QHBoxLayout;
    btnImprimir = new QPushButton(tr("&Imprimir..."), this);
    btnImprimir->setObjectName(QStringLiteral("btnImprimir"));
    btnFechar = new QPushButton(tr("&Fechar"), this);
    btnFechar->setObjectName(QStringLiteral("btnFechar"));
    buttons->addWidget(btnImprimir);
    buttons->addStretch();
    buttons->addWidget(btnFechar);
    layout->addWidget(lblPedido);
    layout->addWidget(dbgHistorico, 1);
    layout->addWidget(lblCadeia);
    layout->addLayout(buttons);
    host::core::onEvent(btnImprimir, &QAbstractButton::clicked, this,
                        &TfrmHistoricoPedido::btnImprimirClick);
    host::core::onEvent(btnFechar, &QAbstractButton::clicked, this,
                        &TfrmHistoricoPedido::btnFecharClick);
    resize(860, 360);
}

TfrmHistoricoPedido::~TfrmHistoricoPedido() {
    dbgHistorico->setDataSource(nullptr);
    dtsHistorico.setDataSet(nullptr);
}

void TfrmHistoricoPedido::btnImprimirClick() {
    host::print::GridReport report = host::print::basicReport(windowTitle());
    report.filter = lblPedido->text();
    report.totals << chainLine_;
    host::print::previewReport(*dbgHistorico, report, this);
}

void TfrmHistoricoPedido::btnFecharClick() {
    Close();
}

void CriaHistoricoPedido(const QString& orderNumber, const dataset::DataPacket& events,
                         QWidget* parent) {
    std::unique_ptr<TfrmHistoricoPedido> form(
        host::forms::createForm<TfrmHistoricoPedido>(orderNumber, events, parent));
    host::core::ui().showModal(*form);
}

}  // namespace confcred::package
