// The application server object and its methods, as the screens call them.
#pragma once

#include <QString>

namespace confcred::package {

// The confirmation screen and the filter dialog spell the server name with a
// small letter, the import dialog with a capital; the server reads both.
inline const QString kServerName = QStringLiteral("lun90000.rdmConfCredBanc");
inline const QString kImportServerName = QStringLiteral("Lun90000.rdmConfCredBanc");

inline const QString kGetPedCredCons = QStringLiteral("getPEDCREDCONS");
inline const QString kGetPediCredFami = QStringLiteral("getPEDICREDFAMI");
inline const QString kSetSituacao = QStringLiteral("setSituacao");
inline const QString kSetEfetivaSaldo = QStringLiteral("setEfetivaSaldo");
inline const QString kSetCancelaCredito = QStringLiteral("setCancelaCredito");
inline const QString kGetConsumidor = QStringLiteral("getConsumidor");
inline const QString kSetImporSaldoCons = QStringLiteral("SetImporSaldoCons");
// Beside the seven: a bank return file matched against the orders.
inline const QString kGetRetornoBancario = QStringLiteral("getRetornoBancario");
// Beside the seven: a bank statement reconciled with the orders.
inline const QString kGetConciliacaoExtrato = QStringLiteral("getConciliacaoExtrato");
// Beside the seven: an order's history and a period's closing, for supervision.
inline const QString kGetHistoricoPedido = QStringLiteral("getHistoricoPedido");
inline const QString kGetFechamento = QStringLiteral("getFechamento");

}  // namespace confcred::package
