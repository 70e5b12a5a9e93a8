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

inline QGroupBox* grbCliente(const QObject& d) {
    return &component<QGroupBox>(d, "grbCliente");
}
inline QRadioButton* rbtTodosCliente(const QObject& d) {
    return &component<QRadioButton>(d, "rbtTodosCliente");
}
inline QRadioButton* rbtListaCliente(const QObject& d) {
    return &component<QRadioButton>(d, "rbtListaCliente");
}
inline host::widgets::TBtnPesquisa* btnCliente(const QObject& d) {
    return &component<host::widgets::TBtnPesquisa>(d, "btnCliente");
}
inline QGroupBox* grbConsumidor(const QObject& d) {
    return &component<QGroupBox>(d, "grbConsumidor");
}
inline QRadioButton* rbtTodosConsumidor(const QObject& d) {
    return &component<QRadioButton>(d, "rbtTodosConsumidor");
}
inline QRadioButton* rbtListaConsumidor(const QObject& d) {
    return &component<QRadioButton>(d, "rbtListaConsumidor");
}
inline host::widgets::TBtnPesquisa* btnConsumidor(const QObject& d) {
    return &component<host::widgets::TBtnPesquisa>(d, "btnConsumidor");
}
inline QGroupBox* grbPeriodo(const QObject& d) {
    return &component<QGroupBox>(d, "grbPeriodo");
}
inline QLabel* lblDe(const QObject& d) {
    return &component<QLabel>(d, "lblDe");
}
inline host::widgets::TDateEditPlus* depInicial(const QObject& d) {
    return &component<host::widgets::TDateEditPlus>(d, "depInicial");
}
inline QLabel* lblAte(const QObject& d) {
    return &component<QLabel>(d, "lblAte");
}
inline host::widgets::TDateEditPlus* depFinal(const QObject& d) {
    return &component<host::widgets::TDateEditPlus>(d, "depFinal");
}
inline QGroupBox* grbContabilizado(const QObject& d) {
    return &component<QGroupBox>(d, "grbContabilizado");
}
inline QCheckBox* chkContabSim(const QObject& d) {
    return &component<QCheckBox>(d, "chkContabSim");
}
inline QCheckBox* chkContabNao(const QObject& d) {
    return &component<QCheckBox>(d, "chkContabNao");
}
inline QGroupBox* grbSituacao(const QObject& d) {
    return &component<QGroupBox>(d, "grbSituacao");
}
inline QCheckBox* chkSitPendente(const QObject& d) {
    return &component<QCheckBox>(d, "chkSitPendente");
}
inline QCheckBox* chkSitEfetivado(const QObject& d) {
    return &component<QCheckBox>(d, "chkSitEfetivado");
}
inline QCheckBox* chkSitCancelado(const QObject& d) {
    return &component<QCheckBox>(d, "chkSitCancelado");
}
inline QLabel* lblNrPedido(const QObject& d) {
    return &component<QLabel>(d, "lblNrPedido");
}
inline QLineEdit* edtNrPedido(const QObject& d) {
    return &component<QLineEdit>(d, "edtNrPedido");
}
inline QGroupBox* grbDescCredito(const QObject& d) {
    return &component<QGroupBox>(d, "grbDescCredito");
}
inline QLineEdit* edtDescCredito(const QObject& d) {
    return &component<QLineEdit>(d, "edtDescCredito");
}
inline host::client::TNetConnection* netConfCredBanc(const QObject& d) {
    return &component<host::client::TNetConnection>(d, "netConfCredBanc");
}
inline host::client::TADOIBQuery* cdsPesqCliente(const QObject& d) {
    return &component<host::client::TADOIBQuery>(d, "cdsPesqCliente");
}
inline dataset::RecordSet& cdsConsumidor(const QObject& d) {
    return dataSet(d, "cdsConsumidor");
}

}  // namespace confcred::testing::filter
