// The confirmation screen's components and record sets, found by their
// names under the screen as the automation finds them (component.h).
#pragma once

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "host/core/messages.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/db_grid.h"
#include "support/component.h"

namespace confcred::testing::confirmation {

inline host::widgets::TButtonFlat* btnEfetivaCredito(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "btnEfetivaCredito");
}
inline host::widgets::TButtonFlat* btnDesfazCredito(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "btnDesfazCredito");
}
inline host::widgets::TButtonFlat* btnCancelaPedido(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "btnCancelaPedido");
}
inline host::widgets::TButtonFlat* BtnDesfazCancelamento(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "BtnDesfazCancelamento");
}
inline host::widgets::TButtonFlat* brnFiltro(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "brnFiltro");
}
inline host::widgets::TButtonFlat* btImportCons(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "btImportCons");
}
inline QMenu* mnuOperacoes(const QObject& s) {
    return &component<QMenu>(s, "mnuOperacoes");
}
inline QAction* mniEfetivaCredito(const QObject& s) {
    return &component<QAction>(s, "mniEfetivaCredito");
}
inline QAction* mniDesfazCredito(const QObject& s) {
    return &component<QAction>(s, "mniDesfazCredito");
}
inline QAction* mniCancelaPedido(const QObject& s) {
    return &component<QAction>(s, "mniCancelaPedido");
}
inline QAction* mniDesfazCancelamento(const QObject& s) {
    return &component<QAction>(s, "mniDesfazCancelamento");
}
inline QAction* mniFiltro(const QObject& s) {
    return &component<QAction>(s, "mniFiltro");
}
inline QAction* mniImportCons(const QObject& s) {
    return &component<QAction>(s, "mniImportCons");
}
inline QAction* mniRetornoBancario(const QObject& s) {
    return &component<QAction>(s, "mniRetornoBancario");
}
inline host::widgets::TDBGrid* dbgFamilia(const QObject& s) {
    return &component<host::widgets::TDBGrid>(s, "dbgFamilia");
}
inline QLabel* lblTotais(const QObject& s) {
    return &component<QLabel>(s, "lblTotais");
}
inline QFrame* panLocalizar(const QObject& s) {
    return &component<QFrame>(s, "panLocalizar");
}
inline QLineEdit* edtLocalizar(const QObject& s) {
    return &component<QLineEdit>(s, "edtLocalizar");
}
inline host::core::TMessages* msgPadrao(const QObject& s) {
    return &component<host::core::TMessages>(s, "msgPadrao");
}
inline dataset::RecordSet& cdsGetPediCreCons(const QObject& s) {
    return dataSet(s, "cdsGetPediCreCons");
}
inline dataset::RecordSet& cdsPediCredFami(const QObject& s) {
    return dataSet(s, "cdsPediCredFami");
}
inline dataset::RecordSet& cdsTemp(const QObject& s) {
    return dataSet(s, "cdsTemp");
}

}  // namespace confcred::testing::confirmation
