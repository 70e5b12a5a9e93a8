// The four batch operations of the confirmation screen: one shared sequence
// (question, packet of the ticked orders in the operation's situation, one
// server call, notice) and a clean-up that always reloads the list.
#include "dataset/record_set.h"
#include "host/application.h"
#include "host/busy_indicator.h"
#include "host/check_result.h"
#include "host/dispatch.h"
#include "host/mens_erro.h"
#include "host/messages.h"
#include "host/net_connection.h"
#include "host/ui_service.h"
#include "package/confirmation/batch_operation.h"
#include "package/confirmation/frm_conf_cred_bco.h"

namespace confcred::package {

void TfrmConfCredBco::btnEfetivaCreditoClick() {
    runOperation(efetivaCredito());
}

void TfrmConfCredBco::btnDesfazCreditoClick() {
    runOperation(desfazCredito());
}

void TfrmConfCredBco::btnCancelaPedidoClick() {
    runOperation(cancelaPedido());
}

void TfrmConfCredBco::BtnDesfazCancelamentoClick() {
    runOperation(desfazCancelamento());
}

void TfrmConfCredBco::runOperation(const BatchOperation& operation) {
    const int answer = host::ui().showBox({host::BoxKind::Confirmation, host::application().title(),
                                           msgPadrao->Msg(QStringLiteral("Conf_OPE")),
                                           host::mbYes | host::mbNo, 0, this});
    if (answer != host::mrYes)
        return;

    // However the steps below end, the animation stops, the list is reloaded
    // and the views come back. The views come back even when the reload is
    // stopped: a grid left detached would show nothing until the next reload.
    host::ScopeGuard cleanUp([this] {
        host::DeactiveShowAvi();
        host::ScopeGuard reattach([this] { dtsPadrao.setEnabled(true); });
        sbtVerificarClick();
    });
    host::ActiveShowAvi(host::application().mainForm(), host::busyProcessing);
    cdsTemp.close();
    cdsTemp.createDataSet();
    dtsPadrao.setEnabled(false);
    collectSelected(cdsGetPediCreCons, cdsTemp, operation);
    if (cdsTemp.isEmpty())
        host::MensErro(msgPadrao->Msg(operation.nothingSelectedKey), true);

    host::CallArgs args{&cdsTemp};
    if (operation.newSituation)
        args.emplace_back(*operation.newSituation);
    host::CheckResultServ(netConfCredBanc->appServer().call(operation.method, args), true, 0);
    host::ui().showBox({host::BoxKind::Information, host::application().title(),
                        msgPadrao->Msg(QStringLiteral("Ope_Conc")), host::mbOK, 0, this});
}

}  // namespace confcred::package
