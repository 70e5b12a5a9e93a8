#include "package/import/frm_impor_cons.h"

#include "host/application.h"
#include "host/ui_service.h"
#include "package/frame/package_units.h"

namespace confcred::package {

QPointer<TfrmImporCons> frmImporCons;

namespace Cli_Lun90002 {
bool boIdCriado = false;

void initialization() {
    boIdCriado = false;
}
}  // namespace Cli_Lun90002

TfrmImporCons::TfrmImporCons(QWidget* parent) : TfrmPadrImportExport(parent) {
    setObjectName(QStringLiteral("frmImporCons"));
    setWindowTitle(QStringLiteral("Importação Crédito/Débito Consumidor "));
}

void TfrmImporCons::FormCreate() {
    TfrmPadrImportExport::FormCreate();
}

void TfrmImporCons::FormClose(host::TCloseAction& action) {
    TfrmPadrImportExport::FormClose(action);
    Cli_Lun90002::boIdCriado = false;
}

void CriaImportCons() {
    host::ui().setScreenCursor(host::crHourGlass);
    if (!Cli_Lun90002::boIdCriado || frmImporCons.isNull()) {
        frmImporCons = host::createForm<TfrmImporCons>(host::application().mainForm());
        Cli_Lun90002::boIdCriado = true;
    }
    host::ui().showModal(*frmImporCons);
    host::ui().setScreenCursor(host::crDefault);
}

}  // namespace confcred::package
