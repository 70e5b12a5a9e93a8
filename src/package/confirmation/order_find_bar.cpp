// The confirmation screen's find bar: Ctrl+F shows it with the focus in its
// edit, Return (or leaving the edit with a new text) makes current the next
// order that matches, F3 finds the next one again, Escape puts it away. The
// keyboard goes back to the order grid after every search.
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "host/core/dispatch.h"
#include "host/widgets/db_grid.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/order_find.h"

namespace confcred::package {

void TfrmConfCredBco::buildFindBar() {
    panLocalizar = new QFrame(tshFolhaDados);
    panLocalizar->setObjectName(QStringLiteral("panLocalizar"));
    auto* row = new QHBoxLayout(panLocalizar);
    row->setContentsMargins(0, 2, 0, 2);
    auto* label = new QLabel(tr("&Localizar:"), panLocalizar);
    label->setObjectName(QStringLiteral("lblLocalizar"));
    edtLocalizar = new QLineEdit(panLocalizar);
    edtLocalizar->setObjectName(QStringLiteral("edtLocalizar"));
    edtLocalizar->setPlaceholderText(tr("Nr. Pedido, Nr. Boleto, Consumidor ou Responsável (F3)"));
    edtLocalizar->setClearButtonEnabled(true);
    label->setBuddy(edtLocalizar);
    row->addWidget(label);
    row->addWidget(edtLocalizar, 1);
    // Under the grid, above the totals line.
    static_cast<QVBoxLayout*>(tshFolhaDados->layout())->insertWidget(1, panLocalizar);
    panLocalizar->hide();
    host::core::onEvent(edtLocalizar, &QLineEdit::returnPressed, this,
                        &TfrmConfCredBco::edtLocalizarReturn);
    host::core::onEvent(edtLocalizar, &QLineEdit::editingFinished, this,
                        &TfrmConfCredBco::edtLocalizarExit);
}

void TfrmConfCredBco::FormKeyDown(int& key, Qt::KeyboardModifiers shift) {
    TfrmPadrao::FormKeyDown(key, shift);
    const bool plain = (shift & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == 0;
    if (key == Qt::Key_F && shift == Qt::ControlModifier) {
        key = 0;
        showFindBar();
    } else if (key == Qt::Key_F3 && plain) {
        key = 0;
        findNextOrder();
    } else if (key == Qt::Key_Escape && plain && panLocalizar->isVisible() &&
               (panLocalizar->isAncestorOf(focusWidget()) || dbgPadrao->hasFocus())) {
        // Also after F3 has moved the keyboard to the grid.
        key = 0;
        hideFindBar();
    }
}

void TfrmConfCredBco::showFindBar() {
    pgcPadrao->setCurrentWidget(tshFolhaDados);
    panLocalizar->show();
    edtLocalizar->setFocus(Qt::ShortcutFocusReason);
    edtLocalizar->selectAll();
}

void TfrmConfCredBco::hideFindBar() {
    panLocalizar->hide();
    focusGrid();
}

void TfrmConfCredBco::edtLocalizarReturn() {
    findNextOrder();
}

void TfrmConfCredBco::edtLocalizarExit() {
    if (edtLocalizar->text() != lastFind_)
        findNextOrder();
}

void TfrmConfCredBco::findNextOrder() {
    lastFind_ = edtLocalizar->text();
    if (listIsEmpty() || dtsPadrao.dataSet() != &cdsGetPediCreCons)
        return;
    const std::optional<size_t> found = nextOrderMatch(cdsGetPediCreCons, lastFind_);
    // Not found: the text turns red and says so; the current order stays.
    QPalette look = edtLocalizar->palette();
    look.setColor(QPalette::Text, found || lastFind_.trimmed().isEmpty()
                                      ? palette().color(QPalette::Text)
                                      : QColor(Qt::red));
    edtLocalizar->setPalette(look);
    edtLocalizar->setToolTip(found ? QString() : tr("Nenhum pedido encontrado."));
    if (found)
        cdsGetPediCreCons.setRecNo(*found);
    focusGrid();
}

}  // namespace confcred::package
