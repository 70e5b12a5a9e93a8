// The tick marks of the confirmation screen: drawing the check column,
// toggling one order by click or space, and ticking or clearing all orders.
#include <QPainter>

#include "dataset/record_set.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/widgets/db_grid.h"
#include "package/confirmation/check_pictures.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/order_totals.h"
#include "platform/regional.h"

namespace confcred::package {

namespace {
const QString kCheckField = QStringLiteral("IDCHECK");
}  // namespace

void TfrmConfCredBco::dbgPadraoDrawColumnCell(host::widgets::DrawColumnCellArgs& args) {
    if (listIsEmpty() || args.field == nullptr || args.field->name() != "IDCHECK")
        return;
    // Exactly "N" is drawn unticked; any other value, "S" or not, ticked.
    const bool ticked = args.fieldText(kCheckField) != QStringLiteral("N");
    drawCheckCell(args.painter, args.rect, args.background, ticked ? checkImage() : uncheckImage());
}

void TfrmConfCredBco::dbgPadraoCellClick(int column) {
    if (listIsEmpty() || dbgPadrao->fieldNameAt(column) != kCheckField)
        return;
    // A view left on the family list has no tick to change.
    if (dtsPadrao.dataSet() != &cdsGetPediCreCons)
        return;
    dtsPadrao.setEnabled(false);
    host::core::ScopeGuard reattach([this] { dtsPadrao.setEnabled(true); });
    dataset::Field& check = cdsGetPediCreCons.fieldByName("IDCHECK");
    cdsGetPediCreCons.edit();
    check.setAsString(check.asString() == "S" ? "N" : "S");
    cdsGetPediCreCons.post();
}

void TfrmConfCredBco::dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers shift) {
    TfrmPadrao::dbgPadraoKeyDown(key, shift);
    if (key == Qt::Key_Space)
        dbgPadraoCellClick(0);
    // Ctrl+A and Ctrl+Shift+A reach the grid when the window takes no
    // shortcut (the grid would select its rows): the menu entries' work.
    const Qt::KeyboardModifiers mods = shift & (Qt::ControlModifier | Qt::AltModifier);
    if (key == Qt::Key_A && mods == Qt::ControlModifier) {
        if (shift & Qt::ShiftModifier)
            markAllCleared();
        else
            markAllTicked();
        key = 0;
    }
}

void TfrmConfCredBco::markAll() {
    const char* mark = boMarcaTodos ? "N" : "S";
    boMarcaTodos = !boMarcaTodos;
    // The totals line is written once, when every order has its tick.
    OrderTotals::Hold hold(*totais);
    dtsPadrao.setEnabled(false);
    host::core::ScopeGuard reattach([this] { dtsPadrao.setEnabled(true); });
    const dataset::Bookmark current = cdsGetPediCreCons.bookmark();
    dataset::Field& check = cdsGetPediCreCons.fieldByName("IDCHECK");
    cdsGetPediCreCons.first();
    while (!cdsGetPediCreCons.eof()) {
        cdsGetPediCreCons.edit();
        check.setAsString(mark);
        cdsGetPediCreCons.post();
        cdsGetPediCreCons.next();
    }
    cdsGetPediCreCons.gotoBookmark(current);
}

void TfrmConfCredBco::markAllTicked() {
    if (listIsEmpty() || dtsPadrao.dataSet() != &cdsGetPediCreCons)
        return;
    boMarcaTodos = false;
    markAll();
}

void TfrmConfCredBco::markAllCleared() {
    if (listIsEmpty() || dtsPadrao.dataSet() != &cdsGetPediCreCons)
        return;
    boMarcaTodos = true;
    markAll();
}

void TfrmConfCredBco::unmarkAccounted() {
    if (listIsEmpty() || dtsPadrao.dataSet() != &cdsGetPediCreCons)
        return;
    size_t cleared = 0;
    {
        OrderTotals::Hold hold(*totais);
        dtsPadrao.setEnabled(false);
        host::core::ScopeGuard reattach([this] { dtsPadrao.setEnabled(true); });
        const dataset::Bookmark current = cdsGetPediCreCons.bookmark();
        dataset::Field& check = cdsGetPediCreCons.fieldByName("IDCHECK");
        dataset::Field& accounted = cdsGetPediCreCons.fieldByName("IDPEDCRECONT");
        cdsGetPediCreCons.first();
        while (!cdsGetPediCreCons.eof()) {
            if (check.asString() != "N" && accounted.asString() == "S") {
                cdsGetPediCreCons.edit();
                check.setAsString("N");
                cdsGetPediCreCons.post();
                ++cleared;
            }
            cdsGetPediCreCons.next();
        }
        cdsGetPediCreCons.gotoBookmark(current);
    }
    host::core::application().showStatus(
        tr("Pedidos contabilizados desmarcados: %1.")
            .arg(QString::fromStdString(platform::formatCount(cleared))));
}

}  // namespace confcred::package
