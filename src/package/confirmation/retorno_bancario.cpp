// The confirmation screen's bank return entry: the run over the order list,
// then its report.
#include <exception>
#include <optional>

#include "host/client/check_result.h"
#include "host/client/net_connection.h"
#include "host/core/mens_erro.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/confirmation/frm_retorno_bancario.h"
#include "package/core/bank_return_run.h"
#include "package/core/order_totals.h"

namespace confcred::package {

void TfrmConfCredBco::mniRetornoBancarioClick() {
    if (!cdsGetPediCreCons.active())
        return;
    bank_return::ReturnRun run{
        *netConfCredBanc,
        cdsGetPediCreCons,
        this,
        {[this] { dtsPadrao.setEnabled(false); }, [this] { dtsPadrao.setEnabled(true); }}};
    std::optional<bank_return::ReturnOutcome> outcome;
    {
        // The ticks write the totals line once, before the report shows.
        OrderTotals::Hold hold(*totais);
        outcome = bank_return::runBankReturn(run);
    }
    switch (outcome->end) {
        case bank_return::ReturnEnd::Cancelled:
            return;
        case bank_return::ReturnEnd::Unreadable:
            host::MensErro(outcome->message, true);
            return;
        case bank_return::ReturnEnd::ServerRefused:
            host::CheckResultServ(host::CallResult::fromError(outcome->message), true, 0);
            return;
        case bank_return::ReturnEnd::TransportFailed:
            std::rethrow_exception(outcome->failure);
        case bank_return::ReturnEnd::Done:
            CriaRetornoBancario(*outcome, this);
            return;
    }
}

}  // namespace confcred::package
