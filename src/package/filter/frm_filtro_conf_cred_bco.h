// The confirmation filter dialog (unit Cli_Lun90001): edits one credit
// filter and gives it back only when the operator confirms; its creation
// function loads it from the credit filter parameters and writes them back. The client
// and consumer look-ups behind its two search buttons live in
// filter_lookups.cpp, the placing of its controls in filter_layout.cpp.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "dataset/data_source.h"
#include "dataset/record_set.h"
#include "host/forms/frm_filtro_padrao.h"
#include "package/core/credit_filter_params.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace confcred::host::client {
class TADOIBQuery;
class TNetConnection;
}  // namespace confcred::host::client
namespace confcred::host::widgets {
class TBtnPesquisa;
class TDateEditPlus;
}  // namespace confcred::host::widgets

namespace confcred::package {

class TfrmFiltroConfCredBco : public host::forms::TfrmFiltroPadrao {
    Q_OBJECT

  public:
    // A dialog that opens on `filter` (its controls are loaded from it when
    // it is created) and gives back what the operator confirms.
    explicit TfrmFiltroConfCredBco(const CreditFilter& filter = CreditFilter(),
                                   QWidget* parent = nullptr);
    ~TfrmFiltroConfCredBco() override;

    // The filter as the dialog stands now: its selections and controls, the
    // order number as its edit shows it (a confirmation adjusts it there
    // first), encoded as the server receives them.
    CreditFilter filter() const;
    // The filter the operator confirmed; none until the dialog is confirmed.
    std::optional<CreditFilter> confirmedFilter() const;

  private:
    // Components, named as in the dialog's layout, in tab order; each one is
    // reachable by its name under the dialog.
    QGroupBox* grbCliente;
    QRadioButton* rbtTodosCliente;
    QRadioButton* rbtListaCliente;
    host::widgets::TBtnPesquisa* btnCliente;
    QGroupBox* grbConsumidor;
    QRadioButton* rbtTodosConsumidor;
    QRadioButton* rbtListaConsumidor;
    host::widgets::TBtnPesquisa* btnConsumidor;
    // Beside the two search buttons: the names chosen with them.
    QLabel* lblClienteEscolhido = nullptr;
    QLabel* lblConsumidorEscolhido = nullptr;
    QGroupBox* grbPeriodo;
    QLabel* lblDe;
    host::widgets::TDateEditPlus* depInicial;
    QLabel* lblAte;
    host::widgets::TDateEditPlus* depFinal;
    QGroupBox* grbContabilizado;
    QCheckBox* chkContabSim;
    QCheckBox* chkContabNao;
    QGroupBox* grbSituacao;
    QCheckBox* chkSitPendente;
    QCheckBox* chkSitEfetivado;
    QCheckBox* chkSitCancelado;
    QLabel* lblNrPedido;
    QLineEdit* edtNrPedido;
    QGroupBox* grbDescCredito;
    QLineEdit* edtDescCredito;

    host::client::TNetConnection* netConfCredBanc;
    // The clients of the current branch, read from the host's own database.
    host::client::TADOIBQuery* cdsPesqCliente;
    // The consumers the server returns for the chosen clients.
    dataset::RecordSet cdsConsumidor{"cdsConsumidor"};

    // The filter the dialog opened on.
    const CreditFilter given_;

    // Dialog state.
    bool boConfirmou = false;
    QString stSelCliente;     // "T" or the client picker's selection
    QString stSelConsumidor;  // "T" or the consumer picker's selection
    QString stListaCliente;   // client list argument of the consumer search
    QString stTodosCliente;   // all-clients marker of the consumer search

    dataset::DataSource dtsCliente;
    dataset::DataSource dtsConsumidor;

    // Handlers.
    void FormCreate() override;
    void FormClose(host::forms::TCloseAction& action) override;
    void netConfCredBancBeforeConnect();
    void rbtTodosClienteClick();
    void rbtListaClienteClick();
    void rbtTodosConsumidorClick();
    void rbtListaConsumidorClick();
    void edtNrPedidoExit();
    void sbtConfirmaClick() override;
    void btnClienteClick();
    void btnConsumidorClick();
    void cdsPesqClienteNRINSJURCLIEGetText(const dataset::Field& field, std::string& text,
                                           bool displayText);

    // Validations: return when the choice is complete, otherwise show the
    // message, move the focus to the "Lista" button and stop the caller.
    void VD_CLIENTE();
    void VD_CONSUMIDOR();
    void VD_PERIODO();
    void showChoices();

    // Steps of the above.
    void buildControls();
    void wireEvents();
    void declareLookupSets();
};

// The client query's SQL text, line by line.
QStringList clientQuerySql();

}  // namespace confcred::package
