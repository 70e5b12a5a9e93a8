#include "package/filter/frm_filtro_conf_cred_bco.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>
#include <tuple>
#include <utility>

#include "host/client/net_connection.h"
#include "host/client/sql_query.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/mens_erro.h"
#include "host/core/messages.h"
#include "host/core/text_routines.h"
#include "host/core/ui_service.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/control_exit.h"
#include "host/widgets/date_edit_plus.h"
#include "package/core/credit_filter_params.h"
#include "package/core/credit_filter_text.h"
#include "package/core/server_names.h"
#include "package/frame/package_units.h"
#include "package/frame/server_connection.h"

namespace confcred::package {

QPointer<TfrmFiltroConfCredBco> frmFiltroConfCredBco;

namespace {

const QString kTodos = QStringLiteral("T");

const host::core::MessageText kMessages[] = {
    {"NaoHaCliente", QT_TRANSLATE_NOOP("Cli_Lun90001", "Não há clientes cadastrados.")},
    {"Cliente", QT_TRANSLATE_NOOP("Cli_Lun90001", "Cliente")},
    {"NaoHaConsumidor", QT_TRANSLATE_NOOP("Cli_Lun90001", "Não há consumidores cadastrados.")},
    {"Consumidor", QT_TRANSLATE_NOOP("Cli_Lun90001", "Consumidor")},
    {"Clie_Inf", QT_TRANSLATE_NOOP("Cli_Lun90001", "Cliente deve ser informado.")},
    {"Cons_Inf", QT_TRANSLATE_NOOP("Cli_Lun90001", "Consumidor deve ser informado.")},
};

}  // namespace

TfrmFiltroConfCredBco::TfrmFiltroConfCredBco(const CreditFilter& filter, QWidget* parent)
    : TfrmFiltroPadrao(parent), given_(filter) {
    setObjectName(QStringLiteral("frmFiltroConfCredBco"));
    setWindowTitle(tr("Filtro de Confirmação de Crédito Bancário"));
    lblCodTela->setText(QStringLiteral("LUN90001"));
    msgPadrao->setLines(host::core::translatedLines("Cli_Lun90001", kMessages));

    netConfCredBanc = createServerConnection(this, QStringLiteral("netConfCredBanc"), kServerName,
                                             [this] { netConfCredBancBeforeConnect(); });

    cdsPesqCliente = new host::client::TADOIBQuery(QStringLiteral("cdsPesqCliente"), this);
    declareLookupSets();

    buildControls();
    for (auto [label, group, name] :
         {std::tuple{&lblClienteEscolhido, grbCliente, "lblClienteEscolhido"},
          std::tuple{&lblConsumidorEscolhido, grbConsumidor, "lblConsumidorEscolhido"}}) {
        *label = new QLabel(group);
        (*label)->setObjectName(QString::fromLatin1(name));
        (*label)->setGeometry(182, 20, group->width() - 186, 20);
        (*label)->setTextFormat(Qt::PlainText);
    }
    wireEvents();
}

TfrmFiltroConfCredBco::~TfrmFiltroConfCredBco() {
    // The search buttons and data sources go before the record sets they show.
    btnConsumidor->setDataSource(nullptr);
    dtsConsumidor.setDataSet(nullptr);
    dtsCliente.setDataSet(nullptr);
}

void TfrmFiltroConfCredBco::wireEvents() {
    // A radio button's handler runs when the button becomes selected, by the
    // operator or by the dialog itself; the deselected one of the pair stays
    // quiet.
    using Handler = void (TfrmFiltroConfCredBco::*)();
    for (auto [button, handler] :
         {std::pair{rbtTodosCliente, Handler{&TfrmFiltroConfCredBco::rbtTodosClienteClick}},
          std::pair{rbtListaCliente, Handler{&TfrmFiltroConfCredBco::rbtListaClienteClick}},
          std::pair{rbtTodosConsumidor, Handler{&TfrmFiltroConfCredBco::rbtTodosConsumidorClick}},
          std::pair{rbtListaConsumidor,
                    Handler{&TfrmFiltroConfCredBco::rbtListaConsumidorClick}}}) {
        host::core::onEvent(button, &QAbstractButton::toggled, this, [this, handler](bool on) {
            if (on)
                (this->*handler)();
        });
    }
    host::core::onEvent(btnCliente, &QAbstractButton::clicked, this,
                        &TfrmFiltroConfCredBco::btnClienteClick);
    host::core::onEvent(btnConsumidor, &QAbstractButton::clicked, this,
                        &TfrmFiltroConfCredBco::btnConsumidorClick);
    host::core::onEvent(host::widgets::ControlExit::of(edtNrPedido),
                        &host::widgets::ControlExit::exited, this,
                        &TfrmFiltroConfCredBco::edtNrPedidoExit);
    // After the handlers above: the names of what is chosen.
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             rbtTodosCliente, rbtListaCliente, rbtTodosConsumidor, rbtListaConsumidor})
        connect(b, &QAbstractButton::toggled, this, [this] { showChoices(); });
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{btnCliente, btnConsumidor})
        connect(b, &QAbstractButton::clicked, this, [this] { showChoices(); });
}

void TfrmFiltroConfCredBco::showChoices() {
    // Beside each search button: the clients or consumers chosen, by name,
    // cut to the room there; whole in the tooltip and for a screen reader.
    auto show = [](QLabel* label, bool lista, const QString& selection, const QString& words) {
        const QString text = lista && selection != kTodos ? words : QString();
        label->setText(label->fontMetrics().elidedText(text, Qt::ElideRight, label->width()));
        label->setToolTip(text);
        label->setAccessibleDescription(text);
    };
    show(lblClienteEscolhido, rbtListaCliente->isChecked(), stSelCliente,
         clientSelectionText(stSelCliente));
    show(lblConsumidorEscolhido, rbtListaConsumidor->isChecked(), stSelConsumidor,
         consumerSelectionText(stSelConsumidor));
}

void TfrmFiltroConfCredBco::FormCreate() {
    TfrmFiltroPadrao::FormCreate();
    boConfirmou = false;
    depInicial->setDate(given_.dataInicial);
    depFinal->setDate(given_.dataFinal);
    // The selections come before the radio buttons, so that restoring a
    // "Lista" keeps them.
    stSelCliente = given_.cdCliente;
    stSelConsumidor = given_.cdConsumidor;
    rbtTodosConsumidor->setChecked(given_.todosCon);
    rbtListaConsumidor->setChecked(!given_.todosCon);
    rbtTodosCliente->setChecked(given_.todosCli);
    rbtListaCliente->setChecked(!given_.todosCli);
    chkSitPendente->setChecked(given_.pendente);
    chkSitEfetivado->setChecked(given_.efetivado);
    chkSitCancelado->setChecked(given_.cancelado);
    chkContabSim->setChecked(given_.contSim);
    chkContabNao->setChecked(given_.contNao);
    edtNrPedido->setText(given_.nrPedido);
    edtDescCredito->setText(given_.dsPedido);
    try {
        netConfCredBanc->Open();
    } catch (const std::exception&) {
        // No message of the dialog's own: it asks to close and is not shown.
        // A hidden dialog ignores the plain close request, so the close path
        // (FormClose) runs here directly, and the base notes the close.
        setModalResult(QDialog::Rejected);
    }
    // Opened before its branch is known, the query lists nothing yet; a host
    // database that cannot be read ends the creation here.
    cdsPesqCliente->Open();
    stListaCliente.clear();
    stTodosCliente = kTodos;
    showChoices();
}

void TfrmFiltroConfCredBco::FormClose(host::forms::TCloseAction& action) {
    TfrmFiltroPadrao::FormClose(action);
    while (netConfCredBanc->Connected())
        netConfCredBanc->Close();
}

void TfrmFiltroConfCredBco::netConfCredBancBeforeConnect() {
    pointAtHostServer(*netConfCredBanc);
}

void TfrmFiltroConfCredBco::rbtTodosClienteClick() {
    btnCliente->setEnabled(rbtListaCliente->isChecked());
    stSelCliente = kTodos;
    // All clients means all their consumers too.
    rbtTodosConsumidor->setChecked(true);
    stSelConsumidor = kTodos;
}

void TfrmFiltroConfCredBco::rbtListaClienteClick() {
    btnCliente->setEnabled(rbtListaCliente->isChecked());
}

void TfrmFiltroConfCredBco::rbtTodosConsumidorClick() {
    btnConsumidor->setEnabled(rbtListaConsumidor->isChecked());
    stSelConsumidor = kTodos;
}

void TfrmFiltroConfCredBco::rbtListaConsumidorClick() {
    btnConsumidor->setEnabled(rbtListaConsumidor->isChecked());
}

void TfrmFiltroConfCredBco::edtNrPedidoExit() {
    edtNrPedido->setText(host::core::Ajusta(edtNrPedido->text(), 20));
}

void TfrmFiltroConfCredBco::VD_CLIENTE() {
    try {
        if (rbtListaCliente->isChecked() && stSelCliente == kTodos)
            host::core::MensErro(msgPadrao->Msg(QStringLiteral("Clie_Inf")), true);
    } catch (...) {
        rbtListaCliente->setFocus(Qt::OtherFocusReason);
        throw;
    }
}

void TfrmFiltroConfCredBco::VD_CONSUMIDOR() {
    try {
        if (rbtListaConsumidor->isChecked() && stSelConsumidor == kTodos)
            host::core::MensErro(msgPadrao->Msg(QStringLiteral("Cons_Inf")), true);
    } catch (...) {
        rbtListaConsumidor->setFocus(Qt::OtherFocusReason);
        throw;
    }
}

CreditFilter TfrmFiltroConfCredBco::filter() const {
    CreditFilter f;
    f.cdCliente = stSelCliente;
    f.cdConsumidor = stSelConsumidor;
    f.dataInicial = depInicial->date();
    f.dataFinal = depFinal->date();
    f.dsSitCreBanc = encodeDescricao(edtDescCredito->text());
    f.nrPedCreCons = encodeNrPedido(edtNrPedido->text());
    f.idPedCreCont = encodeContabil(chkContabSim->isChecked(), chkContabNao->isChecked());
    f.idPedCreExtr = encodeSituacoes(chkSitEfetivado->isChecked(), chkSitPendente->isChecked(),
                                     chkSitCancelado->isChecked());
    f.todosCon = rbtTodosConsumidor->isChecked();
    f.todosCli = rbtTodosCliente->isChecked();
    f.pendente = chkSitPendente->isChecked();
    f.efetivado = chkSitEfetivado->isChecked();
    f.cancelado = chkSitCancelado->isChecked();
    f.contSim = chkContabSim->isChecked();
    f.contNao = chkContabNao->isChecked();
    f.nrPedido = edtNrPedido->text();
    f.dsPedido = edtDescCredito->text();
    return f;
}

std::optional<CreditFilter> TfrmFiltroConfCredBco::confirmedFilter() const {
    if (!boConfirmou)
        return std::nullopt;
    return filter();
}

void TfrmFiltroConfCredBco::VD_PERIODO() {
    // A date typed and refused (partial or impossible) is never replaced by
    // the previous one behind the operator's back: the filter waits for it.
    for (host::widgets::TDateEditPlus* edit : {depInicial, depFinal}) {
        if (edit->textIsValidDate())
            continue;
        try {
            host::core::MensErro(
                QCoreApplication::translate("Cli_Lun90001",
                                            "Data inválida no período: \"%1\". Informe a data "
                                            "como DD/MM/AAAA.")
                    .arg(edit->text().trimmed()),
                true);
        } catch (...) {
            edit->setFocus(Qt::OtherFocusReason);
            throw;
        }
    }
}

void TfrmFiltroConfCredBco::sbtConfirmaClick() {
    VD_CLIENTE();
    VD_CONSUMIDOR();
    VD_PERIODO();
    // The confirm button takes no focus, so the edit may not have been left.
    if (!host::core::EmptyString(edtNrPedido->text()))
        edtNrPedido->setText(host::core::Ajusta(edtNrPedido->text(), 20));
    boConfirmou = true;
    Close();
}

bool CriaFiltroConfirmacao() {
    QPointer<TfrmFiltroConfCredBco> dialog = frmFiltroConfCredBco;
    // Freed and forgotten on every way out, failures included: each call
    // works on a fresh dialog loaded from the credit filter parameters.
    host::core::ScopeGuard release([&dialog] {
        frmFiltroConfCredBco = nullptr;
        delete dialog.data();
    });
    if (dialog.isNull()) {
        // A failure here (the host database cannot be read) goes on to the
        // caller, whose handler stops there; the guard frees what was made.
        dialog = host::forms::createForm<TfrmFiltroConfCredBco>(
            creditFilter(), host::core::application().mainForm());
        frmFiltroConfCredBco = dialog;
    }
    if (!dialog->closedDuringCreation())
        host::core::ui().showModal(*dialog);
    // A nested call may have freed the dialog while it was shown.
    const std::optional<CreditFilter> confirmed =
        dialog.isNull() ? std::nullopt : dialog->confirmedFilter();
    if (!confirmed)
        return false;
    // The parameters change only with a confirmation, all together.
    setCreditFilter(*confirmed);
    return true;
}

}  // namespace confcred::package
