// The four batch operations of the confirmation screen: one shared sequence
// (question, packet of the ticked orders in the operation's situation, one
// server call, notice) and a clean-up that always reloads the list.
#include <exception>

#include "dataset/record_set.h"
#include "host/client/check_result.h"
#include "host/client/net_connection.h"
#include "host/core/application.h"
#include "host/core/mens_erro.h"
#include "host/core/messages.h"
#include "host/core/ui_service.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/batch_operation.h"
#include "package/core/batch_run.h"
#include "package/core/batch_summary.h"
#include "package/core/order_totals.h"

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
    // Shown before the clean-up, with the animation on and the views detached.
    auto report = [this, &operation](const BatchOutcome& outcome) {
        switch (outcome.end) {
            case BatchEnd::Cancelled:
                return;
            case BatchEnd::NothingSelected:
                host::MensErro(msgPadrao->Msg(operation.nothingSelectedKey), true);
                return;
            case BatchEnd::ServerRefused:
                host::CheckResultServ(host::CallResult::fromError(outcome.message), true, 0);
                return;
            case BatchEnd::TransportFailed:
                std::rethrow_exception(outcome.failure);
            case BatchEnd::Done:
                // The server applies every row of the packet or none, so a
                // done call changed exactly the orders sent.
                host::BoxRequest notice{host::BoxKind::Information,
                                        host::application().title(),
                                        msgPadrao->Msg(QStringLiteral("Ope_Conc")),
                                        host::mbOK,
                                        0,
                                        this};
                notice.informativeText = batchDoneDetail(outcome.sent);
                host::ui().showBox(notice);
                return;
        }
    };
    BatchRun run{*netConfCredBanc,
                 *msgPadrao,
                 cdsGetPediCreCons,
                 cdsTemp,
                 this,
                 {[this] { dtsPadrao.setEnabled(false); }, [this] { dtsPadrao.setEnabled(true); },
                  [this] { sbtVerificarClick(); }, report},
                 batchQuestionDetail(operation, *totais)};
    // The reload and the ticks given back after it write the totals line once.
    OrderTotals::Hold hold(*totais);
    runBatchOperation(operation, run);
}

}  // namespace confcred::package
