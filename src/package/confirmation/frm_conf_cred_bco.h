// The bank credit confirmation screen (unit Cli_Lun90000): the orders that
// match the credit filter parameters and their per-family breakdown, the tick
// marks, and the four batch operations.
#pragma once

#include <memory>

#include "dataset/data_source.h"
#include "dataset/record_set.h"
#include "host/forms/frm_padrao.h"
#include "package/core/run_screen.h"

namespace confcred::host::client {
class TNetConnection;
}
namespace confcred::host::core {
class TMessages;
}
namespace confcred::host::widgets {
struct DrawColumnCellArgs;
class TButtonFlat;
class TDBGrid;
}  // namespace confcred::host::widgets

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;

namespace confcred::package {

class OrderTotals;

class TfrmConfCredBco : public host::forms::TfrmPadrao, private RunScreen {
    Q_OBJECT

  public:
    explicit TfrmConfCredBco(QWidget* parent = nullptr);
    ~TfrmConfCredBco() override;

    // The reload (F5) and the check column's title click, which the
    // benchmarks time without going through the widgets.
    void sbtVerificarClick() override;
    void dbgPadraoTitleClick(int column);

  private:
    // Components, named as in the screen's layout; each widget, menu entry
    // and record set is reachable by its name under the screen.
    host::widgets::TButtonFlat* btnEfetivaCredito;
    host::widgets::TButtonFlat* btnDesfazCredito;
    host::widgets::TButtonFlat* btnCancelaPedido;
    host::widgets::TButtonFlat* BtnDesfazCancelamento;
    host::widgets::TButtonFlat* brnFiltro;
    host::widgets::TButtonFlat* btImportCons;
    // The "Operações" menu beside "Registro": the toolbar's operations, the
    // filter and the import, each with its shortcut; an entry runs its
    // button's handler and is enabled with it.
    QMenu* mnuOperacoes = nullptr;
    QAction* mniEfetivaCredito = nullptr;
    QAction* mniDesfazCredito = nullptr;
    QAction* mniCancelaPedido = nullptr;
    QAction* mniDesfazCancelamento = nullptr;
    QAction* mniFiltro = nullptr;
    QAction* mniImportCons = nullptr;
    // Ticks the orders a bank return file settles (bank_return_run.h);
    // enabled while the order list is open.
    QAction* mniRetornoBancario = nullptr;
    QAction* mniConciliacaoExtrato = nullptr;
    // For supervision: the current order's history (Ctrl+H) and a period's closing.
    QAction* mniHistorico = nullptr;
    QAction* mniFechamento = nullptr;
    // Ticking from the keyboard, while orders are listed: every order
    // (Ctrl+A) and none (Ctrl+Shift+A), as the check column's title does,
    // and clearing the ticks of accounted orders, which undoing a credit
    // and cancelling an order cannot take.
    QAction* mniMarcarTodos = nullptr;
    QAction* mniDesmarcarTodos = nullptr;
    QAction* mniDesmarcarContabilizados = nullptr;
    host::widgets::TDBGrid* dbgFamilia;
    // Under the order grid: the listed and the ticked orders and their sums.
    QLabel* lblTotais;
    // Under the totals: the filter the list in view was fetched with, in
    // words ("Filtro: Cliente: Todos; ...").
    QLabel* lblFiltro = nullptr;
    // The find bar under the order grid (Ctrl+F shows it, F3 finds again):
    // an order by its number or bank slip, or by part of the consumer's or
    // the responsible person's name.
    QFrame* panLocalizar = nullptr;
    QLineEdit* edtLocalizar = nullptr;
    host::core::TMessages* msgPadrao;
    dataset::RecordSet cdsGetPediCreCons{"cdsGetPediCreCons"};
    dataset::RecordSet cdsPediCredFami{"cdsPediCredFami"};
    dataset::RecordSet cdsTemp{"cdsTemp"};

    // The mark-all switch: false, the next click on the check column's title
    // ticks every order; true, it clears every tick.
    bool boMarcaTodos = false;

    QLabel* imgUncheck;
    QLabel* imgCheck;
    host::client::TNetConnection* netConfCredBanc;
    dataset::DataSource dtsPediCredCons;
    // Follows cdsGetPediCreCons for lblTotais.
    std::unique_ptr<OrderTotals> totais;
    // The text last searched for, so that leaving the find bar does not
    // search again for what Return already found.
    QString lastFind_;

    // Handlers.
    void FormCreate() override;
    void FormActivate() override;
    void FormClose(host::forms::TCloseAction& action) override;
    void netConfCredBancBeforeConnect();
    void brnFiltroClick();
    void btImportConsClick();
    void mniRetornoBancarioClick();     // retorno_bancario.cpp
    void mniConciliacaoExtratoClick();  // conciliacao_extrato.cpp
    void mniHistoricoClick();           // supervisao.cpp
    void mniFechamentoClick();          // supervisao.cpp
    // The printout's filter in words, totals and tick column (order_report.cpp).
    host::print::GridReport printReport() const override;
    void cdsGetPediCreConsAfterScroll();
    void pgcPadraoChange();
    void dtsPadraoStateChange() override;
    // The operations and the import follow the operator's role: a role that
    // only looks sees them disabled, with the reason in their hints and on
    // the status line.
    void applyPerfil();
    void dbgFamiliaTitleClick(int column);
    // Display texts of the coded and value fields.
    void cdsGetPediCreConsIDPEDCREEXTRGetText(const dataset::Field& sender, std::string& text,
                                              bool displayText);
    void cdsGetPediCreConsIDPEDCRECONTGetText(const dataset::Field& sender, std::string& text,
                                              bool displayText);
    void cdsGetPediCreConsVRPEDCRECONSGetText(const dataset::Field& sender, std::string& text,
                                              bool displayText);
    void cdsPediCredFamiVRPEDCREFAMIGetText(const dataset::Field& sender, std::string& text,
                                            bool displayText);
    // Tick marks.
    void dbgPadraoDrawColumnCell(host::widgets::DrawColumnCellArgs& args);
    void dbgPadraoCellClick(int column);
    void dbgPadraoKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    // Finding an order from the keyboard.
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift) override;
    void edtLocalizarReturn();
    void edtLocalizarExit();
    // Batch operations.
    void btnEfetivaCreditoClick();
    void btnDesfazCreditoClick();
    void btnCancelaPedidoClick();
    void BtnDesfazCancelamentoClick();

    // Steps of the above.
    // The list is empty: the order list holds no record (loaded or not).
    bool listIsEmpty() const;
    void buildToolbar();
    void buildOperationsMenu();
    void buildGrids();
    void buildTotals();
    // The filter line: the parameters in force once a list is fetched.
    void showFilterInForce(bool loaded);
    void buildFindBar();
    void showFindBar();
    void hideFindBar();
    // Makes current the next order that matches the find bar's text.
    void findNextOrder();
    void attachDisplayTexts();
    void markAll();
    // The title click's walk with the switch set for a mark of "S" or "N".
    void markAllTicked();
    void markAllCleared();
    void unmarkAccounted();
    void runOperation(const struct BatchOperation& operation);

    // The screen's part in its runs (batch operations, bank return, reload):
    // boxes captioned with the application's title over the screen, the
    // busy animation over the main window, the grids detached from the
    // lists while a run changes them.
    int ask(host::core::BoxRequest box) override;
    std::optional<QString> ask(host::core::FileRequest request) override;
    void report(const RunFailure& failure) override;
    void busy(bool on) override;
    void followList(bool follow) override;
    void reload() override;
};

}  // namespace confcred::package
