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

inline QLabel* lblCodTela(const QObject& s) {
    return &component<QLabel>(s, "lblCodTela");
}
inline QMenuBar* mnuPadrao(const QObject& s) {
    return &component<QMenuBar>(s, "mnuPadrao");
}
inline QMenu* mnuRegistro(const QObject& s) {
    return &component<QMenu>(s, "mnuRegistro");
}
inline QFrame* panMenu(const QObject& s) {
    return &component<QFrame>(s, "panMenu");
}
inline host::TButtonFlat* sbtIncluir(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtIncluir");
}
inline host::TButtonFlat* sbtAlterar(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtAlterar");
}
inline host::TButtonFlat* sbtExcluir(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtExcluir");
}
inline host::TButtonFlat* sbtGravar(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtGravar");
}
inline host::TButtonFlat* sbtCancelar(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtCancelar");
}
inline host::TButtonFlat* sbtPesquisar(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtPesquisar");
}
inline host::TButtonFlat* sbtVerificar(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtVerificar");
}
inline host::TButtonFlat* sbtImprimir(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtImprimir");
}
inline host::TButtonFlat* sbtAjuda(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtAjuda");
}
inline QToolButton* sbtFechar(const QObject& s) {
    return &component<QToolButton>(s, "sbtFechar");
}
inline QAction* mniIncluir(const QObject& s) {
    return &component<QAction>(s, "mniIncluir");
}
inline QAction* mniAlterar(const QObject& s) {
    return &component<QAction>(s, "mniAlterar");
}
inline QAction* mniExcluir(const QObject& s) {
    return &component<QAction>(s, "mniExcluir");
}
inline QAction* mniGravar(const QObject& s) {
    return &component<QAction>(s, "mniGravar");
}
inline QAction* mniCancelar(const QObject& s) {
    return &component<QAction>(s, "mniCancelar");
}
inline QAction* mniPesquisar(const QObject& s) {
    return &component<QAction>(s, "mniPesquisar");
}
inline QAction* mniDuplicar(const QObject& s) {
    return &component<QAction>(s, "mniDuplicar");
}
inline QAction* mniVerificar(const QObject& s) {
    return &component<QAction>(s, "mniVerificar");
}
inline QAction* mniImprimir(const QObject& s) {
    return &component<QAction>(s, "mniImprimir");
}
inline QAction* mniExportarCsv(const QObject& s) {
    return &component<QAction>(s, "mniExportarCsv");
}
inline QAction* mniExportarPdf(const QObject& s) {
    return &component<QAction>(s, "mniExportarPdf");
}
inline QAction* mniFechar(const QObject& s) {
    return &component<QAction>(s, "mniFechar");
}
inline QTabWidget* pgcPadrao(const QObject& s) {
    return &component<QTabWidget>(s, "pgcPadrao");
}
inline QWidget* tshFolhaDados(const QObject& s) {
    return &component<QWidget>(s, "tshFolhaDados");
}
inline QWidget* tshFormulario(const QObject& s) {
    return &component<QWidget>(s, "tshFormulario");
}
inline host::TDBGrid* dbgPadrao(const QObject& s) {
    return &component<host::TDBGrid>(s, "dbgPadrao");
}
inline QFrame* panNavegador(const QObject& s) {
    return &component<QFrame>(s, "panNavegador");
}
inline host::TButtonFlat* sbtPrimeiro(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtPrimeiro");
}
inline host::TButtonFlat* sbtAnterior(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtAnterior");
}
inline host::TButtonFlat* sbtProximo(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtProximo");
}
inline host::TButtonFlat* sbtUltimo(const QObject& s) {
    return &component<host::TButtonFlat>(s, "sbtUltimo");
}
inline host::TDBText* dbtNome(const QObject& s) {
    return &component<host::TDBText>(s, "dbtNome");
}
inline QGroupBox* grbFiltroPadrao(const QObject& s) {
    return &component<QGroupBox>(s, "grbFiltroPadrao");
}
inline QFrame* panBotoes(const QObject& s) {
    return &component<QFrame>(s, "panBotoes");
}
inline QToolButton* sbtConfirma(const QObject& s) {
    return &component<QToolButton>(s, "sbtConfirma");
}

// The standard data source, as the standard grid shows it.
inline dataset::DataSource& dtsPadrao(const QObject& s) {
    return *component<host::TDBGrid>(s, "dbgPadrao").dataSource();
}

}  // namespace confcred::testing::base
