// The base filter dialog (TfrmFiltroPadrao): a modal dialog with the filter
// area on the left and the button panel on the right (confirm, close, the
// screen code), and the message table. Escape and the close button close it
// without confirming, Return confirms; derived dialogs put their controls in the filter area
// and override sbtConfirmaClick.
#pragma once

#include "host/forms/dialog_form.h"

class QFrame;
class QGroupBox;
class QLabel;
class QToolButton;

namespace confcred::host::core {
class TMessages;
}

namespace confcred::host::forms {

class TfrmFiltroPadrao : public TDialogForm {
    Q_OBJECT

  public:
    explicit TfrmFiltroPadrao(QWidget* parent = nullptr);
    ~TfrmFiltroPadrao() override;

  protected:
    // Components: the derived dialogs use them; from outside, each is
    // reachable by its name under the dialog.
    QLabel* lblCodTela;
    QGroupBox* grbFiltroPadrao;
    QFrame* panMenu;
    QFrame* panBotoes;
    QToolButton* sbtConfirma;
    QToolButton* sbtFechar;
    core::TMessages* msgPadrao;

    // The base confirms with ModalResult OK; derived dialogs validate first.
    virtual void sbtConfirmaClick();
    // The dialog opens on the first control of the filter area's tab order.
    void FormShow() override;
    // Return confirms wherever the focus is, as the default button would;
    // Escape closes (the base dialog's).
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
};

}  // namespace confcred::host::forms
