// What the confirmation screen's printout and exports say beside the orders:
// the filter in words, the totals of the line under the grid, and the tick
// column as a mark.
#include "host/print/grid_table.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/credit_filter_text.h"
#include "package/core/order_totals.h"

namespace confcred::package {

host::print::GridReport TfrmConfCredBco::printReport() const {
    host::print::GridReport report = TfrmPadrao::printReport();
    report.filter = creditFilterText();
    report.totals = {totais->text()};
    report.tickField = QStringLiteral("IDCHECK");
    report.tickedValue = QStringLiteral("S");
    return report;
}

}  // namespace confcred::package
