// What the modal base screens share: a QDialog with the screen lifecycle,
// where every way of closing (confirm, close button, Escape, the title bar)
// passes through FormClose, and Escape asks to close.
#pragma once

#include <QDialog>

#include "host/forms/form_base.h"

namespace confcred::host::forms {

class TDialogForm : public QDialog, public FormLifecycle {
    Q_OBJECT

  public:
    explicit TDialogForm(QWidget* parent = nullptr);

    // The close request (FormClose decides; the base hides the dialog).
    void Close() { close(); }
    int ModalResult() const { return result(); }
    // Ends the modal showing with this result, through FormClose.
    void setModalResult(int result) { done(result); }

    void done(int result) override;

  protected:
    // Escape closes.
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    // With the key preview off, Escape still closes through the close request.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool closing_ = false;
};

}  // namespace confcred::host::forms
