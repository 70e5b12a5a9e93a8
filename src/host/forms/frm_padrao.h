// The base data screen (TfrmPadrao): a child of the host's multiple-document
// area (a top-level window when the host has none, as in tests) with the
// screen-code label, the toolbar of data commands, the page control with the
// data sheet grid and the form tab, the standard data source and the
// navigator panel with the record-name label. Derived screens override the
// handlers below, calling the base handler first, and reach every base
// command by name to disable what they do not use.
#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include "dataset/data_source.h"
#include "host/forms/form_base.h"
#include "host/print/grid_table.h"

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QMenuBar;
class QTabWidget;

namespace confcred::host::widgets {
class TButtonFlat;
class TDBGrid;
class TDBText;
}  // namespace confcred::host::widgets

namespace confcred::host::forms {

class TfrmPadrao : public QWidget, public FormLifecycle {
    Q_OBJECT

  public:
    explicit TfrmPadrao(QWidget* parent = nullptr);
    ~TfrmPadrao() override;

    // Shows the screen and makes it the active one.
    void Show();
    // The close request: FormClose decides (the base frees the screen).
    void Close();
    // Frees the screen after the current event.
    void Release();
    // The window frame: the multiple-document child window, or the screen.
    QWidget* frame() const;
    // The window's place and size, frame included (title bar and borders), as
    // the screen's layout states them; the frame takes them when the screen
    // first shows. Without them the frame fits around the screen's own size.
    void setBounds(const QRect& bounds) { bounds_ = bounds; }
    QMdiSubWindow* subWindow() const { return subWindow_; }
    // Gives the focus to the grid of the page in front, so that the keyboard
    // works on the list again after a dialog, a box or a reload.
    void focusGrid();

  protected:
    // Components, named as in the screens' layouts: the derived screens use
    // them; from outside, each is reachable by its name under the screen.
    QLabel* lblCodTela;
    QMenuBar* mnuPadrao;
    QMenu* mnuRegistro;
    QFrame* panMenu;
    widgets::TButtonFlat* sbtIncluir;
    widgets::TButtonFlat* sbtAlterar;
    widgets::TButtonFlat* sbtExcluir;
    widgets::TButtonFlat* sbtGravar;
    widgets::TButtonFlat* sbtCancelar;
    widgets::TButtonFlat* sbtPesquisar;
    widgets::TButtonFlat* sbtVerificar;  // reload (F5)
    widgets::TButtonFlat* sbtImprimir;
    widgets::TButtonFlat* sbtAjuda;
    widgets::TButtonFlat* sbtFechar;
    QAction* mniIncluir;
    QAction* mniAlterar;
    QAction* mniExcluir;
    QAction* mniGravar;
    QAction* mniCancelar;
    QAction* mniPesquisar;
    QAction* mniDuplicar;
    QAction* mniVerificar;
    QAction* mniImprimir;
    // Export of the grid's data to a CSV or PDF file; enabled with sbtImprimir.
    QAction* mniExportarCsv;
    QAction* mniExportarPdf;
    QAction* mniFechar;
    QTabWidget* pgcPadrao;
    QWidget* tshFolhaDados;
    QWidget* tshFormulario;
    widgets::TDBGrid* dbgPadrao;
    dataset::DataSource dtsPadrao;
    QFrame* panNavegador;
    widgets::TButtonFlat* sbtPrimeiro;
    widgets::TButtonFlat* sbtAnterior;
    widgets::TButtonFlat* sbtProximo;
    widgets::TButtonFlat* sbtUltimo;
    widgets::TDBText* dbtNome;

    // Handlers. The base close frees the screen; the base key handler runs
    // the reload on F5; the base state handler enables the data commands by
    // the state of the standard data source. dtsPadraoStateChange runs at
    // every state change of dtsPadrao while it points to a record set (with
    // none, only the base rule runs); override it rather than replacing the
    // source's state handler.
    void FormCreate() override;
    void FormClose(TCloseAction& action) override;
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    virtual void dtsPadraoStateChange();
    virtual void dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers shift);
    // Reload: the derived screen's own.
    virtual void sbtVerificarClick() {}
    // The data commands: the derived screen's own.
    virtual void sbtIncluirClick() {}
    virtual void sbtAlterarClick() {}
    virtual void sbtExcluirClick() {}
    virtual void sbtGravarClick() {}
    virtual void sbtCancelarClick() {}
    virtual void sbtPesquisarClick() {}
    // Prints the grid's current data through the print preview.
    virtual void sbtImprimirClick();
    // Write the grid's current data to a file the operator chooses.
    virtual void mniExportarCsvClick();
    virtual void mniExportarPdfClick();
    // What the printout and the exports say beside the grid's rows: the base
    // gives the screen's title, the operator and the time, and the record
    // count as the total; a screen with a filter or totals adds them.
    virtual print::GridReport printReport() const;
    // Shows the screen's help page (showScreenHelp).
    virtual void sbtAjudaClick();

    void closeEvent(QCloseEvent* event) override;

  private:
    void buildToolbar();
    void buildMenu();
    void buildPages();
    void buildNavigator();
    void navigate(int step);
    // The first showing's place and size of the frame.
    void placeFrame();
    // FormActivate once per activation of the child window, and only once the
    // screen is created and shown.
    void activateInArea(bool active);

    QPointer<QMdiSubWindow> subWindow_;
    QRect bounds_;
    bool shownOnce_ = false;
    bool activeInArea_ = false;
};

}  // namespace confcred::host::forms
