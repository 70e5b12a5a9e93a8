#include "package/filter/frm_filtro_conf_cred_bco.h"

#include <memory>

#include "host/application.h"
#include "host/ui_service.h"
#include "package/frame/package_units.h"

namespace confcred::package {

QPointer<TfrmFiltroConfCredBco> frmFiltroConfCredBco;

TfrmFiltroConfCredBco::TfrmFiltroConfCredBco(QWidget* parent) : TfrmFiltroPadrao(parent) {
    setObjectName(QStringLiteral("frmFiltroConfCredBco"));
    setWindowTitle(QStringLiteral("Filtro de Confirmação de Crédito Bancário"));
}

void TfrmFiltroConfCredBco::FormCreate() {
    TfrmFiltroPadrao::FormCreate();
}

void TfrmFiltroConfCredBco::sbtConfirmaClick() {
    boConfirmou = true;
    Close();
}

bool CriaFiltroConfirmacao() {
    if (frmFiltroConfCredBco.isNull())
        frmFiltroConfCredBco =
            host::createForm<TfrmFiltroConfCredBco>(host::application().mainForm());
    // Freed on every way out, a failed showing included: each call works on
    // a fresh dialog loaded from the credit filter parameters.
    std::unique_ptr<TfrmFiltroConfCredBco> dialog(frmFiltroConfCredBco.data());
    host::ScopeGuard reset([] { frmFiltroConfCredBco = nullptr; });
    host::ui().showModal(*dialog);
    return dialog->boConfirmou;
}

}  // namespace confcred::package
