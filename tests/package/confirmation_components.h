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

CONFCRED_COMPONENT(host::widgets::TButtonFlat, btnEfetivaCredito)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, btnDesfazCredito)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, btnCancelaPedido)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, BtnDesfazCancelamento)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, brnFiltro)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, btImportCons)
CONFCRED_COMPONENT(QMenu, mnuOperacoes)
CONFCRED_COMPONENT(QAction, mniEfetivaCredito)
CONFCRED_COMPONENT(QAction, mniDesfazCredito)
CONFCRED_COMPONENT(QAction, mniCancelaPedido)
CONFCRED_COMPONENT(QAction, mniDesfazCancelamento)
CONFCRED_COMPONENT(QAction, mniFiltro)
CONFCRED_COMPONENT(QAction, mniImportCons)
CONFCRED_COMPONENT(QAction, mniRetornoBancario)
CONFCRED_COMPONENT(QAction, mniDesmarcarContabilizados)
CONFCRED_COMPONENT(host::widgets::TDBGrid, dbgFamilia)
CONFCRED_COMPONENT(QLabel, lblTotais)
CONFCRED_COMPONENT(QFrame, panLocalizar)
CONFCRED_COMPONENT(QLineEdit, edtLocalizar)
CONFCRED_COMPONENT(host::core::TMessages, msgPadrao)
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
