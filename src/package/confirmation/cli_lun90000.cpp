// The confirmation screen's unit: its instance, its flags, the creation
// function and the unit's load and unload sections.
#include "host/core/application.h"
#include "host/core/ui_service.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/credit_filter_params.h"
#include "package/frame/package_units.h"

namespace confcred::package {

QPointer<TfrmConfCredBco> frmConfCredBco;
bool Cli_Lun90000_boIdCriado = false;
bool Cli_Lun90000_boCriaFiltro = false;

namespace Cli_Lun90000 {

void initialization() {
    boCriaFiltro = false;
    boIdCriado = false;
}

void finalization() {
    releaseCreditFilterStrings();
}

}  // namespace Cli_Lun90000

void CriaConfCredBanc() {
    host::core::ui().setScreenCursor(host::core::crHourGlass);
    host::core::ScopeGuard cursor([] { host::core::ui().setScreenCursor(host::core::crDefault); });
    if (!Cli_Lun90000::boIdCriado || frmConfCredBco.isNull()) {
        QPointer<TfrmConfCredBco> created = host::forms::createForm<TfrmConfCredBco>();
        // A screen that closed itself while being created (no connection) is
        // on its way out: it is neither kept nor shown.
        if (created->closedDuringCreation())
            return;
        frmConfCredBco = created;
        Cli_Lun90000::boIdCriado = true;
    }
    frmConfCredBco->Show();
    frmConfCredBco->frame()->showNormal();
}

}  // namespace confcred::package
