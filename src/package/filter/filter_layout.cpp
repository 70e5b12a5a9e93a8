// The filter dialog's layout: the controls of the filter area in tab order,
// with their captions, limits and layout states, on a 528 x 246 client area
// whose filter area is 473 pixels wide.
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <initializer_list>

#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/date_edit_plus.h"
#include "host/widgets/label_fit.h"
#include "package/filter/frm_filtro_conf_cred_bco.h"

namespace confcred::package {

namespace {

constexpr int kClientWidth = 528;
constexpr int kClientHeight = 246;
constexpr int kFilterWidth = 473;
constexpr int kPanelWidth = kClientWidth - kFilterWidth;

template <class W>
W* placed(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

// Group captions are bold; what the groups hold is not.
QGroupBox* group(QWidget* parent, const char* name, const QString& caption, int left, int top,
                 int width, int height) {
    auto* box = placed(new QGroupBox(caption, parent), name, left, top, width, height);
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    return box;
}

template <class W>
W* plain(W* widget) {
    QFont font = widget->font();
    font.setBold(false);
    widget->setFont(font);
    return widget;
}

host::widgets::TDateEditPlus* dateEdit(QWidget* parent, const char* name, int left, int top) {
    auto* edit = plain(placed(new host::widgets::TDateEditPlus(parent), name, left, top, 100, 21));
    edit->setSaveTime(false);
    edit->setValidColor(Qt::blue);
    edit->setWeekdayNames({QCoreApplication::translate("Cli_Lun90001", "Domingo"),
                           QCoreApplication::translate("Cli_Lun90001", "Segunda"),
                           QCoreApplication::translate("Cli_Lun90001", "Terça"),
                           QCoreApplication::translate("Cli_Lun90001", "Quarta"),
                           QCoreApplication::translate("Cli_Lun90001", "Quinta"),
                           QCoreApplication::translate("Cli_Lun90001", "Sexta"),
                           QCoreApplication::translate("Cli_Lun90001", "Sábado")});
    return edit;
}

host::widgets::TBtnPesquisa* searchButton(QWidget* parent, const char* name,
                                          QRadioButton* associate) {
    auto* button = new host::widgets::TBtnPesquisa(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setHint(QCoreApplication::translate("Cli_Lun90001", "Pesquisar"));
    button->setAssociate(associate);
    button->placeBesideAssociate();
    button->setEnabled(false);
    return button;
}

}  // namespace

void TfrmFiltroConfCredBco::buildControls() {
    // The button panel of the base dialog, narrowed to the width this dialog
    // leaves it.
    layout()->setContentsMargins(0, 0, 0, 0);
    layout()->setSpacing(0);
    grbFiltroPadrao->setFixedWidth(kFilterWidth);
    panMenu->setFixedWidth(kPanelWidth);
    panMenu->layout()->setContentsMargins(1, 3, 1, 3);
    for (QWidget* w : std::initializer_list<QWidget*>{sbtConfirma, sbtFechar, lblCodTela}) {
        QFont small = w->font();
        small.setPointSizeF(small.pointSizeF() * 0.7);
        w->setFont(small);
    }
    sbtConfirma->setFixedSize(kPanelWidth - 4, 42);
    sbtFechar->setFixedSize(kPanelWidth - 4, 42);
    setFixedSize(kClientWidth, kClientHeight);

    QWidget* area = grbFiltroPadrao;
    grbCliente = group(area, "grbCliente", tr("Cliente"), 8, 6, 224, 46);
    rbtTodosCliente =
        plain(placed(new QRadioButton(tr("Todos"), grbCliente), "rbtTodosCliente", 12, 20, 70, 20));
    rbtTodosCliente->setChecked(true);
    rbtListaCliente =
        plain(placed(new QRadioButton(tr("Lista"), grbCliente), "rbtListaCliente", 96, 20, 60, 20));
    btnCliente = searchButton(grbCliente, "btnCliente", rbtListaCliente);
    btnCliente->setDataSetClosed(true);

    grbConsumidor = group(area, "grbConsumidor", tr("Consumidor/Resp."), 240, 6, 224, 46);
    rbtTodosConsumidor = plain(
        placed(new QRadioButton(tr("Todos"), grbConsumidor), "rbtTodosConsumidor", 12, 20, 70, 20));
    rbtTodosConsumidor->setChecked(true);
    rbtListaConsumidor = plain(
        placed(new QRadioButton(tr("Lista"), grbConsumidor), "rbtListaConsumidor", 96, 20, 60, 20));
    btnConsumidor = searchButton(grbConsumidor, "btnConsumidor", rbtListaConsumidor);
    btnConsumidor->setDataSource(&dtsConsumidor);
    btnConsumidor->setEmptyError(tr("Não há consumidor cadastrado."));

    grbPeriodo = group(area, "grbPeriodo", tr("Período"), 8, 56, 456, 46);
    lblDe = plain(placed(new QLabel(tr("de"), grbPeriodo), "lblDe", 12, 20, 20, 21));
    depInicial = dateEdit(grbPeriodo, "depInicial", 34, 20);
    lblAte = plain(placed(new QLabel(tr("até"), grbPeriodo), "lblAte", 146, 20, 24, 21));
    depFinal = dateEdit(grbPeriodo, "depFinal", 172, 20);

    grbContabilizado = group(area, "grbContabilizado", tr("Contabilizado"), 8, 106, 150, 46);
    chkContabSim =
        plain(placed(new QCheckBox(tr("Sim"), grbContabilizado), "chkContabSim", 12, 20, 60, 20));
    chkContabNao =
        plain(placed(new QCheckBox(tr("Não"), grbContabilizado), "chkContabNao", 80, 20, 60, 20));
    chkContabNao->setChecked(true);

    grbSituacao = group(area, "grbSituacao", tr("Situação"), 166, 106, 298, 46);
    chkSitPendente =
        plain(placed(new QCheckBox(tr("Pendente"), grbSituacao), "chkSitPendente", 12, 20, 90, 20));
    chkSitPendente->setChecked(true);
    chkSitEfetivado = plain(
        placed(new QCheckBox(tr("Efetivado"), grbSituacao), "chkSitEfetivado", 106, 20, 90, 20));
    chkSitCancelado = plain(
        placed(new QCheckBox(tr("Cancelado"), grbSituacao), "chkSitCancelado", 200, 20, 90, 20));

    lblNrPedido = placed(new QLabel(tr("Nr. Pedido"), area), "lblNrPedido", 10, 156, 120, 16);
    QFont bold = lblNrPedido->font();
    bold.setBold(true);
    lblNrPedido->setFont(bold);
    edtNrPedido = placed(new QLineEdit(area), "edtNrPedido", 8, 173, 180, 21);
    edtNrPedido->setMaxLength(20);

    grbDescCredito = group(area, "grbDescCredito", tr("Descrição do Crédito"), 8, 196, 456, 46);
    edtDescCredito =
        plain(placed(new QLineEdit(grbDescCredito), "edtDescCredito", 12, 18, 432, 21));
    edtDescCredito->setMaxLength(50);

    // A screen reader names each input after the label or group beside it.
    // Translated, "de" and "até" may need more room: taken on their left.
    host::widgets::fitLabelLeftward(*lblDe);
    host::widgets::fitLabelLeftward(*lblAte, depInicial->geometry().right() + 2);
    lblNrPedido->setBuddy(edtNrPedido);
    lblDe->setBuddy(depInicial);
    lblAte->setBuddy(depFinal);
    depInicial->setAccessibleName(grbPeriodo->title() + QStringLiteral(": ") + lblDe->text());
    edtDescCredito->setAccessibleName(grbDescCredito->title());

    QWidget* order[] = {rbtTodosCliente,    rbtListaCliente, btnCliente,     rbtTodosConsumidor,
                        rbtListaConsumidor, btnConsumidor,   depInicial,     depFinal,
                        chkContabSim,       chkContabNao,    chkSitPendente, chkSitEfetivado,
                        chkSitCancelado,    edtNrPedido,     edtDescCredito};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The button panel, right of the filter area, comes after it.
    setTabOrder(edtDescCredito, sbtConfirma);
    setTabOrder(sbtConfirma, sbtFechar);
}

}  // namespace confcred::package
