// The tick marks of the confirmation screen: drawing the check column,
// toggling one order by click or space, and ticking or clearing all orders.
#include <QPainter>

#include "dataset/record_set.h"
#include "host/core/dispatch.h"
#include "host/widgets/db_grid.h"
#include "package/confirmation/check_pictures.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/order_totals.h"

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

}  // namespace confcred::package
