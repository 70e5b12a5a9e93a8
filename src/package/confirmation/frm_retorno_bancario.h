// The report of a bank return run (TfrmRetornoBancario): how many records
// gave each result and the sums paid, the orders matched outside the list,
// and a grid of every record that was not marked, to print or export.
#pragma once

#include "dataset/data_source.h"
#include "dataset/record_set.h"
#include "host/forms/dialog_form.h"
#include "package/core/bank_return_run.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace confcred::host::widgets {
class TDBGrid;
}

namespace confcred::package {

class TfrmRetornoBancario : public host::forms::TDialogForm {
    Q_OBJECT

  public:
    TfrmRetornoBancario(const bank_return::ReturnOutcome& outcome, QWidget* parent = nullptr);
    ~TfrmRetornoBancario() override;

  private:
    // The records not marked, as the grid shows them (named, for the
    // automation's dump).
    dataset::RecordSet cdsRetorno{"cdsRetorno"};
    QLabel* lblArquivo;
    QLabel* lblResumo;
    QLabel* lblForaDaLista;
    QLabel* lblAviso;  // what the server said of the file as a whole
    // Which records the grid lists: all, those not marked, or one result.
    QComboBox* cbxResultado;
    host::widgets::TDBGrid* dbgRetorno;
    QLabel* lblTotais;  // the whole file's totals, after the grid
    QPushButton* btnImprimir;
    QPushButton* btnExportar;
    QPushButton* btnFechar;
    dataset::DataSource dtsRetorno;
    QString path_;  // of the return file
    bank_return::ReturnTotals closing_;

    void cbxResultadoChange();
    void btnImprimirClick();
    void btnExportarClick();
    void btnFecharClick();
};

// The lines of the summary: one per result with records, its count and sum.
QString returnSummaryText(const bank_return::ReturnOutcome& outcome);
// The totals that close the report, one "title: value" line each, as the
// screen shows and the printout prints them.
QStringList returnTotalsLines(const bank_return::ReturnTotals& totals);

// Shows the report of `outcome` modally through the UI service.
void CriaRetornoBancario(const bank_return::ReturnOutcome& outcome, QWidget* parent);

}  // namespace confcred::package
