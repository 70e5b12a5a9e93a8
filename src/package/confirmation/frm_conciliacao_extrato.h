// The report of a bank statement's reconciliation (TfrmConciliacaoExtrato):
// every entry with its letter explained, the counts and sums per letter, and
// "Marcar conciliados", which ticks in the order list the orders the
// statement paid ("M", and "P" when the operator includes the probable ones).
#pragma once

#include <functional>

#include "dataset/data_source.h"
#include "dataset/record_set.h"
#include "host/forms/dialog_form.h"
#include "package/core/statement_run.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace confcred::host::widgets {
class TDBGrid;
}

namespace confcred::package {

class TfrmConciliacaoExtrato : public host::forms::TDialogForm {
    Q_OBJECT

  public:
    // mark: ticks the orders in the list (probable: "P" too) and says what it did.
    using Mark = std::function<statement::Marked(bool probable)>;
    TfrmConciliacaoExtrato(const statement::StatementOutcome& outcome, Mark mark,
                           QWidget* parent = nullptr);
    ~TfrmConciliacaoExtrato() override;

  private:
    // Every entry, as the grid shows it (named, for the automation's dump).
    dataset::RecordSet cdsConciliacao{"cdsConciliacao"};
    QLabel* lblArquivo;
    QLabel* lblResumo;
    host::widgets::TDBGrid* dbgConciliacao;
    QCheckBox* chkProvaveis;
    QLabel* lblMarcados;
    QPushButton* btnMarcar;
    QPushButton* btnImprimir;
    QPushButton* btnExportar;
    QPushButton* btnFechar;
    dataset::DataSource dtsConciliacao;
    const statement::StatementOutcome& outcome_;
    Mark mark_;

    void btnMarcarClick();
    void btnImprimirClick();
    void btnExportarClick();
    void btnFecharClick();
};

// One line per letter with entries: letter, meaning, count and sum.
QStringList statementSummaryLines(const statement::StatementOutcome& outcome);

// Shows the report of `outcome` modally through the UI service.
void CriaConciliacaoExtrato(const statement::StatementOutcome& outcome,
                            TfrmConciliacaoExtrato::Mark mark, QWidget* parent);

}  // namespace confcred::package
