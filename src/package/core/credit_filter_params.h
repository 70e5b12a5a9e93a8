// The credit filter parameters: one module-level block that carries the
// confirmation screen's current filter. The screen sets the defaults when it
// is created and sends the eight server arguments, in their fixed order, to
// both list methods; the filter dialog loads its controls from the block and
// writes it back, encoded as below, only when the operator confirms.
#pragma once

#include <QString>

#include "host/client/net_connection.h"
#include "platform/datetime.h"

namespace confcred::package {

// The module exports the block under the variables' own names (C linkage), so
// that the host reaches each one with dlsym.
extern "C" {

// Server arguments.
extern QString P_CDCLIENTE;     // "T" or the client picker's selection
extern QString P_CDCONSUMIDOR;  // "T" or the consumer picker's selection
extern platform::DateTime P_DATAINICIAL;
extern platform::DateTime P_DATAFINAL;
extern QString P_IDPEDCREEXTR;  // "_" + "S_" + "N_" + "C_" as wanted
extern QString P_IDPEDCRECONT;  // "_" + "S_" + "N_" as wanted
extern QString P_NRPEDCRECONS;  // "T" or the order number adjusted to 20 characters
extern QString P_DSSITCREBANC;  // "T" or "%" + text + "%"

// Dialog state, so that the filter dialog reopens as it was confirmed.
extern bool boPendente;
extern bool boEfetivado;
extern bool boCancelado;
extern bool boContSim;
extern bool boContNao;
extern bool boTodosCli;
extern bool boTodosCon;
extern QString stNrPedido;
extern QString stDSPedido;

}  // extern "C"

// One filter as a value: the eight server arguments and the dialog state
// that goes with them, the same block as the exported variables above. The
// filter dialog takes one in and gives one back; only the package's edge
// (the dialog's creation function, the confirmation screen) reads and writes
// the exported variables.
struct CreditFilter {
    // Server arguments, as P_CDCLIENTE ... P_DSSITCREBANC.
    QString cdCliente = QStringLiteral("T");
    QString cdConsumidor = QStringLiteral("T");
    platform::DateTime dataInicial;
    platform::DateTime dataFinal;
    QString idPedCreExtr;
    QString idPedCreCont;
    QString nrPedCreCons;
    QString dsSitCreBanc;
    // Dialog state, as boPendente ... stDSPedido.
    bool pendente = true;
    bool efetivado = false;
    bool cancelado = false;
    bool contSim = false;
    bool contNao = true;
    bool todosCli = true;
    bool todosCon = true;
    QString nrPedido;
    QString dsPedido;

    bool operator==(const CreditFilter&) const = default;
};

// The exported block as a value, and the value written into it.
CreditFilter creditFilter();
void setCreditFilter(const CreditFilter& filter);

// The defaults, in the order the confirmation screen's creation sets them;
// both dates are today's (date part only) by the platform clock.
void setCreditFilterDefaults();

// The eight server arguments in their fixed order: client, consumer, first
// and last day, situations, accounting flags, order number, description.
host::client::CallArgs creditFilterArgs();

// Encodings the filter dialog writes.
// Situations in the fixed order S, N, C whatever the boxes' order on screen:
// "_" with none, "_S_N_C_" with all three.
QString encodeSituacoes(bool efetivado, bool pendente, bool cancelado);
// Accounting flags: "_", "_S_", "_N_" or "_S_N_".
QString encodeContabil(bool sim, bool nao);
// Order number: "T" when the box is empty, else the text adjusted to 20.
QString encodeNrPedido(const QString& typed);
// Description: "T" when the box is empty, else "%" + text as typed + "%".
QString encodeDescricao(const QString& typed);

// Unit finalization: releases the string parameters, in the stated order.
void releaseCreditFilterStrings();

// The block as "NAME = value" lines, dates as DD/MM/YYYY (the host's
// dump-params and diagnostics).
QString creditFilterParamsText();

}  // namespace confcred::package
