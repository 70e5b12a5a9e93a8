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
inline host::widgets::TButtonFlat* sbtIncluir(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtIncluir");
}
inline host::widgets::TButtonFlat* sbtAlterar(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtAlterar");
}
inline host::widgets::TButtonFlat* sbtExcluir(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtExcluir");
}
inline host::widgets::TButtonFlat* sbtGravar(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtGravar");
}
inline host::widgets::TButtonFlat* sbtCancelar(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtCancelar");
}
inline host::widgets::TButtonFlat* sbtPesquisar(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtPesquisar");
}
inline host::widgets::TButtonFlat* sbtVerificar(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtVerificar");
}
inline host::widgets::TButtonFlat* sbtImprimir(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtImprimir");
}
inline host::widgets::TButtonFlat* sbtAjuda(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtAjuda");
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
inline host::widgets::TDBGrid* dbgPadrao(const QObject& s) {
    return &component<host::widgets::TDBGrid>(s, "dbgPadrao");
}
inline QFrame* panNavegador(const QObject& s) {
    return &component<QFrame>(s, "panNavegador");
}
inline host::widgets::TButtonFlat* sbtPrimeiro(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtPrimeiro");
}
inline host::widgets::TButtonFlat* sbtAnterior(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtAnterior");
}
inline host::widgets::TButtonFlat* sbtProximo(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtProximo");
}
inline host::widgets::TButtonFlat* sbtUltimo(const QObject& s) {
    return &component<host::widgets::TButtonFlat>(s, "sbtUltimo");
}
inline host::widgets::TDBText* dbtNome(const QObject& s) {
    return &component<host::widgets::TDBText>(s, "dbtNome");
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
    return *component<host::widgets::TDBGrid>(s, "dbgPadrao").dataSource();
}

}  // namespace confcred::testing::base
