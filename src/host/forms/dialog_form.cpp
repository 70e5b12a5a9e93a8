#include "host/forms/dialog_form.h"

#include <QKeyEvent>

namespace confcred::host::forms {

TDialogForm::TDialogForm(QWidget* parent)
    : QDialog(parent), FormLifecycle(static_cast<QWidget&>(*this), caHide) {
    setModal(true);
}

void TDialogForm::FormKeyDown(int& key, Qt::KeyboardModifiers shift) {
    (void)shift;
    if (key == Qt::Key_Escape) {
        key = 0;
        Close();
    }
}

void TDialogForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Close();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDialogForm::done(int result) {
    if (closing_) {
        QDialog::done(result);
        return;
    }
    const TCloseAction action = runFormClose();
    if (action == caNone)
        return;
    closing_ = true;
    QDialog::done(result);
    closing_ = false;
    if (action == caFree)
        deleteLater();
}

}  // namespace confcred::host::forms
