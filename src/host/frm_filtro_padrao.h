// The base filter dialog (TfrmFiltroPadrao): a modal dialog with the filter
// area on the left and the button panel on the right (confirm, close, the
// screen code), and the message table. Escape and the close button close it
// without confirming; derived dialogs put their controls in the filter area
// and override sbtConfirmaClick.
#pragma once

#include <QDialog>

#include "host/form_base.h"

class QFrame;
class QGroupBox;
class QLabel;
class QToolButton;

namespace confcred::host {

class TMessages;

class TfrmFiltroPadrao : public QDialog, public FormLifecycle {
    Q_OBJECT

  public:
    explicit TfrmFiltroPadrao(QWidget* parent = nullptr);
    ~TfrmFiltroPadrao() override;

    QLabel* lblCodTela;
    QGroupBox* grbFiltroPadrao;
    QFrame* panMenu;
    QFrame* panBotoes;
    QToolButton* sbtConfirma;
    QToolButton* sbtFechar;
    TMessages* msgPadrao;

    // The close request (FormClose decides; the base hides the dialog).
    void Close() { close(); }
    int ModalResult() const { return result(); }
    // Ends the modal showing with this result, through FormClose.
    void setModalResult(int result) { done(result); }

    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    // The base confirms with ModalResult OK; derived dialogs validate first.
    virtual void sbtConfirmaClick();

    // Every way of closing (accept, reject, Escape, the title bar) passes here.
    void done(int result) override;

  protected:
    // Escape is the base key handler's.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool closing_ = false;
};

}  // namespace confcred::host
