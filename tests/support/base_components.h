// The base screens' components (TfrmPadrao, TfrmFiltroPadrao), found by
// their names under a screen derived from them, as the automation finds them.
// sbtFechar is a flat button on a data screen and a plain one on a filter
// dialog: both are tool buttons.
#pragma once

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolButton>

#include "dataset/data_source.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/db_text.h"
#include "support/component.h"

namespace confcred::testing::base {

CONFCRED_COMPONENT(QLabel, lblCodTela)
CONFCRED_COMPONENT(QMenuBar, mnuPadrao)
CONFCRED_COMPONENT(QMenu, mnuRegistro)
CONFCRED_COMPONENT(QFrame, panMenu)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtIncluir)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtAlterar)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtExcluir)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtGravar)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtCancelar)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtPesquisar)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtVerificar)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtImprimir)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtAjuda)
CONFCRED_COMPONENT(QToolButton, sbtFechar)
CONFCRED_COMPONENT(QAction, mniIncluir)
CONFCRED_COMPONENT(QAction, mniAlterar)
CONFCRED_COMPONENT(QAction, mniExcluir)
CONFCRED_COMPONENT(QAction, mniGravar)
CONFCRED_COMPONENT(QAction, mniCancelar)
CONFCRED_COMPONENT(QAction, mniPesquisar)
CONFCRED_COMPONENT(QAction, mniDuplicar)
CONFCRED_COMPONENT(QAction, mniVerificar)
CONFCRED_COMPONENT(QAction, mniImprimir)
CONFCRED_COMPONENT(QAction, mniExportarCsv)
CONFCRED_COMPONENT(QAction, mniExportarPdf)
CONFCRED_COMPONENT(QAction, mniFechar)
CONFCRED_COMPONENT(QTabWidget, pgcPadrao)
CONFCRED_COMPONENT(QWidget, tshFolhaDados)
CONFCRED_COMPONENT(QWidget, tshFormulario)
CONFCRED_COMPONENT(host::widgets::TDBGrid, dbgPadrao)
CONFCRED_COMPONENT(QFrame, panNavegador)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtPrimeiro)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtAnterior)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtProximo)
CONFCRED_COMPONENT(host::widgets::TButtonFlat, sbtUltimo)
CONFCRED_COMPONENT(host::widgets::TDBText, dbtNome)
CONFCRED_COMPONENT(QGroupBox, grbFiltroPadrao)
CONFCRED_COMPONENT(QFrame, panBotoes)
CONFCRED_COMPONENT(QToolButton, sbtConfirma)

// The standard data source, as the standard grid shows it.
inline dataset::DataSource& dtsPadrao(const QObject& s) {
    return *component<host::widgets::TDBGrid>(s, "dbgPadrao").dataSource();
}

}  // namespace confcred::testing::base
