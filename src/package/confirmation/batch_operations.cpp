// The four batch operations of the confirmation screen: one shared sequence
// (question, packet of the ticked orders in the operation's situation, one
// server call, notice) and a clean-up that always reloads the list.
#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/messages.h"
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
    BatchRun run{*netConfCredBanc, *msgPadrao, cdsGetPediCreCons,
                 cdsTemp,          *this,      batchQuestionDetail(operation, *totais)};
    // The reload and the ticks given back after it write the totals line once.
    OrderTotals::Hold hold(*totais);
    runBatchOperation(operation, run);
}

}  // namespace confcred::package
