// The confirmation screen's supervision entries: the current order's history
// and the closing of a period.
#include "dataset/data_packet.h"
#include "host/client/net_connection.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/confirmation/frm_fechamento.h"
#include "package/confirmation/frm_historico_pedido.h"
#include "package/core/supervision_calls.h"

namespace confcred::package {

void TfrmConfCredBco::mniHistoricoClick() {
    if (!cdsGetPediCreCons.active() || cdsGetPediCreCons.isEmpty())
        return;
    const std::string number = cdsGetPediCreCons.fieldByName("NRPEDCRECONS").asString();
    supervision::SupervisionRun run{*netConfCredBanc, *this};
    const dataset::DataPacket events = supervision::orderHistory(run, number);
    CriaHistoricoPedido(QString::fromStdString(number), events, this);
}

void TfrmConfCredBco::mniFechamentoClick() {
    CriaFechamento(
        [this](platform::DateTime first, platform::DateTime last) {
            supervision::SupervisionRun run{*netConfCredBanc, *this};
            return supervision::closing(run, first, last);
        },
        this);
}

}  // namespace confcred::package
