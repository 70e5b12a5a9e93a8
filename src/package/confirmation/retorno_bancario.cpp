// The confirmation screen's bank return entry: the run over the order list,
// then its report.
#include <optional>

#include "host/client/net_connection.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/confirmation/frm_retorno_bancario.h"
#include "package/core/bank_return_run.h"
#include "package/core/order_totals.h"

namespace confcred::package {

void TfrmConfCredBco::mniRetornoBancarioClick() {
    if (!cdsGetPediCreCons.active())
        return;
    bank_return::ReturnRun run{*netConfCredBanc, cdsGetPediCreCons, *this};
    std::optional<bank_return::ReturnOutcome> outcome;
    {
        // The ticks write the totals line once, before the report shows.
        OrderTotals::Hold hold(*totais);
        outcome = bank_return::runBankReturn(run);
    }
    if (outcome->end == bank_return::ReturnEnd::Done)
        CriaRetornoBancario(*outcome, this);
}

}  // namespace confcred::package
