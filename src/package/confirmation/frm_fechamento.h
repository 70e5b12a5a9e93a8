// The closing of a period (TfrmFechamento): for the days chosen, what each
// operator did (imports, credits effected and undone, orders cancelled and
// brought back) with counts and sums, the same per client, a chart of the
// credits effected per day and operator, and the ledger's head and whether
// its chain held when the figures were read, so that a printed closing can
// be checked later. Print (with the chart) and CSV.
#pragma once

#include <functional>

#include "dataset/data_packet.h"
#include "dataset/data_source.h"
#include "dataset/record_set.h"
#include "host/forms/dialog_form.h"
#include "platform/datetime.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QWidget;

namespace confcred::host::widgets {
class TDBGrid;
}

namespace confcred::package {

class TfrmFechamento : public host::forms::TDialogForm {
    Q_OBJECT

  public:
    // read: getFechamento for the first and last day (a failure stops the handler).
    using Read = std::function<dataset::DataPacket(platform::DateTime, platform::DateTime)>;
    TfrmFechamento(Read read, QWidget* parent = nullptr);
    ~TfrmFechamento() override;

    // What the chart shows, as text (for the automation's transcript and tests).
    QString chartText() const;

  private:
    dataset::RecordSet cdsOperadores{"cdsOperadores"};
    dataset::RecordSet cdsClientes{"cdsClientes"};
    QDateEdit* edtInicio;
    QDateEdit* edtFim;
    QPushButton* btnConsultar;
    QLabel* lblCadeia;
    host::widgets::TDBGrid* dbgOperadores;
    host::widgets::TDBGrid* dbgClientes;
    QWidget* chtCreditos;
    QPushButton* btnImprimir;
    QPushButton* btnExportar;
    QPushButton* btnFechar;
    dataset::DataSource dtsOperadores;
    dataset::DataSource dtsClientes;
    Read read_;
    dataset::DataPacket days_;  // the "D" rows
    QString chainLine_;

    void btnConsultarClick();
    void btnImprimirClick();
    void btnExportarClick();
    void btnFecharClick();
    void drawChart();
};

void CriaFechamento(TfrmFechamento::Read read, QWidget* parent);

}  // namespace confcred::package
