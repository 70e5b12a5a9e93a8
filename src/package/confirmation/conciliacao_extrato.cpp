// The confirmation screen's statement entry: the run, then its report, whose
// "Marcar conciliados" ticks the orders in this screen's list.
#include <optional>

#include "host/client/net_connection.h"
#include "host/core/dispatch.h"
#include "package/confirmation/frm_conciliacao_extrato.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/order_totals.h"
#include "package/core/statement_run.h"

namespace confcred::package {

void TfrmConfCredBco::mniConciliacaoExtratoClick() {
    if (!cdsGetPediCreCons.active())
        return;
    statement::StatementRun run{*netConfCredBanc, *this};
    const statement::StatementOutcome outcome = statement::runStatement(run);
    if (outcome.end != statement::StatementEnd::Done)
        return;
    CriaConciliacaoExtrato(
        outcome,
        [this, &outcome](bool probable) {
            followList(false);
            host::core::ScopeGuard reattach([this] { followList(true); });
            // The ticks write the totals line once.
            OrderTotals::Hold hold(*totais);
            return statement::markReconciled(cdsGetPediCreCons, outcome.entries, probable);
        },
        this);
}

}  // namespace confcred::package
