// The filter dialog's components, found by their names under the dialog as
// the automation finds them (component.h).
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "host/client/net_connection.h"
#include "host/client/sql_query.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/date_edit_plus.h"
#include "support/component.h"

namespace confcred::testing::filter {

CONFCRED_COMPONENT(QGroupBox, grbCliente)
CONFCRED_COMPONENT(QRadioButton, rbtTodosCliente)
CONFCRED_COMPONENT(QRadioButton, rbtListaCliente)
CONFCRED_COMPONENT(host::widgets::TBtnPesquisa, btnCliente)
CONFCRED_COMPONENT(QGroupBox, grbConsumidor)
CONFCRED_COMPONENT(QRadioButton, rbtTodosConsumidor)
CONFCRED_COMPONENT(QRadioButton, rbtListaConsumidor)
CONFCRED_COMPONENT(host::widgets::TBtnPesquisa, btnConsumidor)
CONFCRED_COMPONENT(QGroupBox, grbPeriodo)
CONFCRED_COMPONENT(QLabel, lblDe)
CONFCRED_COMPONENT(host::widgets::TDateEditPlus, depInicial)
CONFCRED_COMPONENT(QLabel, lblAte)
CONFCRED_COMPONENT(host::widgets::TDateEditPlus, depFinal)
CONFCRED_COMPONENT(QGroupBox, grbContabilizado)
CONFCRED_COMPONENT(QCheckBox, chkContabSim)
CONFCRED_COMPONENT(QCheckBox, chkContabNao)
CONFCRED_COMPONENT(QGroupBox, grbSituacao)
CONFCRED_COMPONENT(QCheckBox, chkSitPendente)
CONFCRED_COMPONENT(QCheckBox, chkSitEfetivado)
CONFCRED_COMPONENT(QCheckBox, chkSitCancelado)
CONFCRED_COMPONENT(QLabel, lblNrPedido)
CONFCRED_COMPONENT(QLineEdit, edtNrPedido)
CONFCRED_COMPONENT(QGroupBox, grbDescCredito)
CONFCRED_COMPONENT(QLineEdit, edtDescCredito)
CONFCRED_COMPONENT(host::client::TNetConnection, netConfCredBanc)
CONFCRED_COMPONENT(host::client::TADOIBQuery, cdsPesqCliente)
inline dataset::RecordSet& cdsConsumidor(const QObject& d) {
    return dataSet(d, "cdsConsumidor");
}

}  // namespace confcred::testing::filter
