// The base import/export dialog (TfrmPadrImportExport): a modal dialog with a
// toolbar (run, help, close, the screen code), the group box for the
// dialog's own controls, a progress bar from 0 to 100 and a status caption,
// and the message table.
#pragma once

#include "host/forms/dialog_form.h"

class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;

namespace confcred::host::core {
class TMessages;
}

namespace confcred::host::widgets {
class TButtonFlat;
}

namespace confcred::host::forms {

class TfrmPadrImportExport : public TDialogForm {
    Q_OBJECT

  public:
    explicit TfrmPadrImportExport(QWidget* parent = nullptr);
    ~TfrmPadrImportExport() override;

    // Progress (clamped to 0..100) and status caption, repainted at once.
    void setProgress(int value);
    void stepProgress(int by);
    int progress() const;
    void setStatusCaption(const QString& text);
    QString statusCaption() const;

  protected:
    // The components, for the dialogs built on this one; from outside they
    // are found by their object names.
    QFrame* panMenu;
    QLabel* lblCodTela;
    widgets::TButtonFlat* sbtImportExport;
    widgets::TButtonFlat* sbtHelp;
    widgets::TButtonFlat* sbtFechar;
    QGroupBox* grbDadosRel;
    QProgressBar* pgbProgresso;
    QLabel* lblStatus;
    core::TMessages* msgPadrao;

    virtual void sbtImportExportClick() {}
    virtual void sbtHelpClick();
};

}  // namespace confcred::host::forms
