// The base import/export dialog (TfrmPadrImportExport): a modal dialog with a
// toolbar (run, help, close, the screen code), the group box for the
// dialog's own controls, a progress bar from 0 to 100 and a status caption,
// and the message table.
#pragma once

#include <QDialog>

#include "host/form_base.h"

class QFrame;
class QGroupBox;
class QLabel;
class QProgressBar;

namespace confcred::host {

class TButtonFlat;
class TMessages;

class TfrmPadrImportExport : public QDialog, public FormLifecycle {
    Q_OBJECT

  public:
    explicit TfrmPadrImportExport(QWidget* parent = nullptr);
    ~TfrmPadrImportExport() override;

    QFrame* panMenu;
    QLabel* lblCodTela;
    TButtonFlat* sbtImportExport;
    TButtonFlat* sbtHelp;
    TButtonFlat* sbtFechar;
    QGroupBox* grbDadosRel;
    QProgressBar* pgbProgresso;
    QLabel* lblStatus;
    TMessages* msgPadrao;

    void Close() { close(); }
    int ModalResult() const { return result(); }
    void setModalResult(int result) { done(result); }

    // Progress (clamped to 0..100) and status caption, repainted at once.
    void setProgress(int value);
    void stepProgress(int by);
    int progress() const;
    void setStatusCaption(const QString& text);
    QString statusCaption() const;

    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    virtual void sbtImportExportClick() {}
    virtual void sbtHelpClick();

    void done(int result) override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool closing_ = false;
};

}  // namespace confcred::host
