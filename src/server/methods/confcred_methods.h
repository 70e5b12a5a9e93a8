// The application server object rdmConfCredBanc: its seven methods.
#pragma once

#include "server/methods/rpc.h"
#include "server/storage/database.h"

namespace confcred::server::methods {

// Adds getPEDCREDCONS, getPEDICREDFAMI, setSituacao, setEfetivaSaldo,
// setCancelaCredito, getConsumidor and SetImporSaldoCons, and beside them
// getRetornoBancario (a bank return file matched against the orders) and
// getConciliacaoExtrato (a bank statement matched against them), and for
// supervision getHistoricoPedido and getFechamento, working on `db`
// (which must outlive the table). A database failure reaches the caller as
// a MethodError with a Portuguese message.
void registerConfCredMethods(MethodTable& table, storage::Database& db);

}  // namespace confcred::server::methods
