// An order's history (TfrmHistoricoPedido), read-only: each event with its
// time, what happened, who did it, its place in the ledger's chain and
// whether the chain holds up to it. Printable.
#pragma once

#include "dataset/data_packet.h"
#include "dataset/data_source.h"
#include "dataset/record_set.h"
#include "host/forms/dialog_form.h"

class QLabel;
class QPushButton;

namespace confcred::host::widgets {
class TDBGrid;
}

namespace confcred::package {

class TfrmHistoricoPedido : public host::forms::TDialogForm {
    Q_OBJECT

  public:
    TfrmHistoricoPedido(const QString& orderNumber, const dataset::DataPacket& events,
                        QWidget* parent = nullptr);
    ~TfrmHistoricoPedido() override;

  private:
    dataset::RecordSet cdsHistorico{"cdsHistorico"};
    QLabel* lblPedido;
    QLabel* lblCadeia;
    host::widgets::TDBGrid* dbgHistorico;
    QPushButton* btnImprimir;
    QPushButton* btnFechar;
    dataset::DataSource dtsHistorico;
    QString chainLine_;

    void btnImprimirClick();
    void btnFecharClick();
};

// Shows the history modally through the UI service.
void CriaHistoricoPedido(const QString& orderNumber, const dataset::DataPacket& events,
                         QWidget* parent);

}  // namespace confcred::package
