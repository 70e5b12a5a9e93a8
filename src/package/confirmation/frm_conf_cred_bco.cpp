#include "package/confirmation/frm_conf_cred_bco.h"

#include <QAction>
#include <QFont>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTabWidget>
#include <QVBoxLayout>
#include <utility>

#include "host/client/net_connection.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/mens_erro.h"
#include "host/core/messages.h"
#include "host/widgets/busy_indicator.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/db_text.h"
#include "host/widgets/named_data_set.h"
#include "package/confirmation/check_pictures.h"
#include "package/core/credit_filter_params.h"
#include "package/core/credit_filter_text.h"
#include "package/core/list_reload.h"
#include "package/core/order_fields.h"
#include "package/core/order_totals.h"
#include "package/core/server_names.h"
#include "package/frame/package_units.h"
#include "package/frame/server_connection.h"

namespace confcred::package {

namespace {

const host::core::MessageText kMessages[] = {
    {"Erro_Conexao", QT_TRANSLATE_NOOP("Cli_Lun90000",
                                       "Não foi possível estabelecer uma conexão com o servidor, "
                                       "a tela será finalizada.")},
    {"Sim", QT_TRANSLATE_NOOP("Cli_Lun90000", "Sim")},
    {"Nao", QT_TRANSLATE_NOOP("Cli_Lun90000", "Não")},
    {"Pendente", QT_TRANSLATE_NOOP("Cli_Lun90000", "Pendente")},
    {"Cancelado", QT_TRANSLATE_NOOP("Cli_Lun90000", "Cancelado")},
    {"Efetivado", QT_TRANSLATE_NOOP("Cli_Lun90000", "Efetivado")},
    {"Ope_Conc", QT_TRANSLATE_NOOP("Cli_Lun90000", "Operação concluída com sucesso.")},
    {"Conf_OPE", QT_TRANSLATE_NOOP("Cli_Lun90000", "Confirma Operação?")},
    {"Dev_Sel_Pend_Canc",
     QT_TRANSLATE_NOOP("Cli_Lun90000",
                       "Deve ser marcado pelo menos um crédito pendente para o "
                       "cancelamento do crédito.")},
    {"Dev_Sel_Canc", QT_TRANSLATE_NOOP("Cli_Lun90000",
                                       "Deve ser marcado pelo menos um crédito cancelado para "
                                       "desfazer o cancelamento do crédito.")},
    {"Dev_Sel_Pend_Efet", QT_TRANSLATE_NOOP("Cli_Lun90000",
                                            "Deve ser marcado pelo menos um crédito pendente para "
                                            "efetivação do crédito.")},
    {"Dev_Sel_Efet", QT_TRANSLATE_NOOP("Cli_Lun90000",
                                       "Deve ser marcado pelo menos um crédito efetivado para "
                                       "desfazer a efetivação do crédito.")},
};

// The family filter's text for an order number; an apostrophe in the number
// is doubled, so the number still matches its own rows.
std::string familyFilterFor(const std::string& number) {
    std::string text = "NRPEDCRECONS = '";
    for (char c : number) {
        text += c;
        if (c == '\'')
            text += '\'';
    }
    text += '\'';
    return text;
}

}  // namespace

TfrmConfCredBco::TfrmConfCredBco(QWidget* parent) : TfrmPadrao(parent) {
    setObjectName(QStringLiteral("frmConfCredBco"));
    setWindowTitle(tr("Confirmação de Crédito Bancário"));
    lblCodTela->setText(QStringLiteral("LUN90000"));
    setBounds(QRect(244, 105, 815, 585));
    setAttribute(Qt::WA_AlwaysShowToolTips);

    msgPadrao = new host::core::TMessages(this);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgPadrao->setLines(host::core::translatedLines("Cli_Lun90000", kMessages));

    netConfCredBanc = createServerConnection(this, QStringLiteral("netConfCredBanc"), kServerName,
                                             [this] { netConfCredBancBeforeConnect(); });

    declareOrderFields(cdsGetPediCreCons);
    declareFamilyFields(cdsPediCredFami);
    declareSelectedFields(cdsTemp);
    attachDisplayTexts();
    host::core::onEvent(&cdsGetPediCreCons, &dataset::RecordSet::setAfterScroll, this,
                        &TfrmConfCredBco::cdsGetPediCreConsAfterScroll);
    host::widgets::nameDataSet(this, QStringLiteral("cdsGetPediCreCons"), cdsGetPediCreCons);
    host::widgets::nameDataSet(this, QStringLiteral("cdsPediCredFami"), cdsPediCredFami);
    host::widgets::nameDataSet(this, QStringLiteral("cdsTemp"), cdsTemp);

    dtsPediCredCons.setDataSet(&cdsGetPediCreCons);
    dbtNome->setDataSource(&dtsPediCredCons);
    dbtNome->setDataField(QStringLiteral("NRPEDCRECONS"));

    buildToolbar();
    buildOperationsMenu();
    buildGrids();
    dtsPadrao.setDataSet(&cdsGetPediCreCons);
    buildTotals();
    buildFindBar();
}

TfrmConfCredBco::~TfrmConfCredBco() {
    // The views go before the record sets and data sources they show.
    dbgFamilia->setDataSource(nullptr);
    dbgPadrao->setDataSource(nullptr);
    dbtNome->setDataSource(nullptr);
    dtsPadrao.setDataSet(nullptr);
    dtsPediCredCons.setDataSet(nullptr);
    cdsGetPediCreCons.setAfterScroll({});
    totais->setOnChange({});
}

void TfrmConfCredBco::buildToolbar() {
    auto button = [this](const char* name, const QString& hint, host::widgets::Glyph glyph,
                         int left) {
        auto* b = new host::widgets::TButtonFlat(QString::fromLatin1(name), hint,
                                                 host::widgets::glyphIcon(glyph), panMenu);
        b->place(left, 4);
        return b;
    };
    btnEfetivaCredito =
        button("btnEfetivaCredito", tr("Efetivar Crédito"), host::widgets::Glyph::Confirm, 181);
    btnDesfazCredito =
        button("btnDesfazCredito", tr("Desfazer Crédito"), host::widgets::Glyph::Cancel, 202);
    btnCancelaPedido =
        button("btnCancelaPedido", tr("Cancelar Pedido"), host::widgets::Glyph::Delete, 237);
    BtnDesfazCancelamento = button("BtnDesfazCancelamento", tr("Desfazer Cancelamento"),
                                   host::widgets::Glyph::Reload, 258);
    brnFiltro = button("brnFiltro", tr("Filtro de Confirmação de Crédito Bancário"),
                       host::widgets::Glyph::Search, 292);
    btImportCons = button("btImportCons", tr("Importação Crédito/Débito Consumidor "),
                          host::widgets::Glyph::Import, 321);

    auto picture = [this](const char* name, const QImage& image, int left) {
        auto* label = new QLabel(panMenu);
        label->setObjectName(QString::fromLatin1(name));
        label->setPixmap(QPixmap::fromImage(image));
        label->setGeometry(left, 4, 16, 16);
        label->hide();
        return label;
    };
    imgUncheck = picture("imgUncheck", uncheckImage(), 474);
    imgCheck = picture("imgCheck", checkImage(), 491);

    for (auto [b, handler] :
         {std::pair{btnEfetivaCredito, &TfrmConfCredBco::btnEfetivaCreditoClick},
          std::pair{btnDesfazCredito, &TfrmConfCredBco::btnDesfazCreditoClick},
          std::pair{btnCancelaPedido, &TfrmConfCredBco::btnCancelaPedidoClick},
          std::pair{BtnDesfazCancelamento, &TfrmConfCredBco::BtnDesfazCancelamentoClick},
          std::pair{brnFiltro, &TfrmConfCredBco::brnFiltroClick},
          std::pair{btImportCons, &TfrmConfCredBco::btImportConsClick}}) {
        // After the operation's boxes and dialogs the keyboard is back on the list.
        host::core::onEvent(b, &QAbstractButton::clicked, this, [this, handler] {
            host::core::ScopeGuard back([this] { focusGrid(); });
            (this->*handler)();
        });
    }
}

void TfrmConfCredBco::buildOperationsMenu() {
    mnuOperacoes = mnuPadrao->addMenu(tr("&Operações"));
    mnuOperacoes->setObjectName(QStringLiteral("mnuOperacoes"));
    auto add = [this](const char* name, const QString& text, host::widgets::TButtonFlat* button,
                      const QKeySequence& keys) {
        QAction* entry = mnuOperacoes->addAction(button->icon(), text);
        entry->setObjectName(QString::fromLatin1(name));
        entry->setShortcut(keys);
        entry->setEnabled(button->isEnabled());
        // The entry presses its button: the same handler, the same stops.
        connect(entry, &QAction::triggered, button, &QAbstractButton::click);
        return entry;
    };
    mniEfetivaCredito = add("mniEfetivaCredito", tr("&Efetivar Crédito"), btnEfetivaCredito,
                            QKeySequence(Qt::CTRL | Qt::Key_E));
    mniDesfazCredito = add("mniDesfazCredito", tr("&Desfazer Crédito"), btnDesfazCredito,
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    mniCancelaPedido = add("mniCancelaPedido", tr("&Cancelar Pedido"), btnCancelaPedido,
                           QKeySequence(Qt::CTRL | Qt::Key_Delete));
    mniDesfazCancelamento =
        add("mniDesfazCancelamento", tr("Desfazer Ca&ncelamento"), BtnDesfazCancelamento,
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete));
    mnuOperacoes->addSeparator();
    mniFiltro = add("mniFiltro", tr("&Filtro..."), brnFiltro,
                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    mniImportCons =
        add("mniImportCons", tr("&Importar..."), btImportCons, QKeySequence(Qt::CTRL | Qt::Key_I));
    mniRetornoBancario = mnuOperacoes->addAction(tr("Marcar pelo &retorno bancário..."));
    mniRetornoBancario->setObjectName(QStringLiteral("mniRetornoBancario"));
    mniRetornoBancario->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    mniRetornoBancario->setEnabled(false);
    host::core::onEvent(mniRetornoBancario, &QAction::triggered, this,
                        &TfrmConfCredBco::mniRetornoBancarioClick);
    mniConciliacaoExtrato = mnuOperacoes->addAction(tr("Conciliação de e&xtrato..."));
    mniConciliacaoExtrato->setObjectName(QStringLiteral("mniConciliacaoExtrato"));
    mniConciliacaoExtrato->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    mniConciliacaoExtrato->setEnabled(false);
    host::core::onEvent(mniConciliacaoExtrato, &QAction::triggered, this,
                        &TfrmConfCredBco::mniConciliacaoExtratoClick);
    mniHistorico = mnuOperacoes->addAction(tr("&Histórico do pedido..."));
    mniHistorico->setObjectName(QStringLiteral("mniHistorico"));
    mniHistorico->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    mniHistorico->setEnabled(false);
    host::core::onEvent(mniHistorico, &QAction::triggered, this,
                        &TfrmConfCredBco::mniHistoricoClick);
    mniFechamento = mnuOperacoes->addAction(tr("Fech&amento..."));
    mniFechamento->setObjectName(QStringLiteral("mniFechamento"));
    host::core::onEvent(mniFechamento, &QAction::triggered, this,
                        &TfrmConfCredBco::mniFechamentoClick);

    mnuOperacoes->addSeparator();
    auto marks = [this](const char* name, const QString& text, const QKeySequence& keys,
                        void (TfrmConfCredBco::*handler)()) {
        QAction* entry = mnuOperacoes->addAction(text);
        entry->setObjectName(QString::fromLatin1(name));
        entry->setShortcut(keys);
        entry->setEnabled(false);
        host::core::onEvent(entry, &QAction::triggered, this, handler);
        return entry;
    };
    mniMarcarTodos = marks("mniMarcarTodos", tr("&Marcar todos"),
                           QKeySequence(Qt::CTRL | Qt::Key_A), &TfrmConfCredBco::markAllTicked);
    mniDesmarcarTodos =
        marks("mniDesmarcarTodos", tr("Desmarcar &todos"),
              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), &TfrmConfCredBco::markAllCleared);
    mniDesmarcarContabilizados = marks("mniDesmarcarContabilizados", tr("Desmarcar contabilizados"),
                                       QKeySequence(), &TfrmConfCredBco::unmarkAccounted);
}

void TfrmConfCredBco::buildGrids() {
    pgcPadrao->setTabText(pgcPadrao->indexOf(tshFolhaDados), tr("Pedido"));
    pgcPadrao->setTabText(pgcPadrao->indexOf(tshFormulario), tr("Família"));

    QFont symbol(QStringLiteral("SYMBOL_CHARSET"));
    symbol.setPixelSize(11);
    dbgPadrao->setColumns({
        {QStringLiteral("IDCHECK"), QStringLiteral("4"), 26, -1, symbol},
        {QStringLiteral("IDPEDCREEXTR"), tr("Situação Créd.")},
        {QStringLiteral("IDPEDCRECONT"), tr("Contabilizado")},
        {QStringLiteral("NRPEDCRECONS"), tr("Nr. Pedido")},
        {QStringLiteral("NRBOLETO"), tr("Nr. Boleto")},
        {QStringLiteral("DTPEDCRECONS"), tr("Data / Hora")},
        {QStringLiteral("DSSITCREBANC"), tr("Descrição Crédito"), 138},
        {QStringLiteral("NMRAZSOCCLIE"), tr("Cliente"), 167},
        {QStringLiteral("NMCONSUMIDOR"), tr("Consumidor"), 168},
        {QStringLiteral("NMRESPCONS"), tr("Responsável"), 134},
        {QStringLiteral("VRPEDCRECONS"), tr("Valor")},
    });

    auto* sheet = new QVBoxLayout(tshFormulario);
    sheet->setContentsMargins(0, 0, 0, 0);
    dbgFamilia = new host::widgets::TDBGrid(tshFormulario);
    dbgFamilia->setObjectName(QStringLiteral("dbgFamilia"));
    dbgFamilia->setFrameShape(QFrame::NoFrame);
    QPalette tooltip = dbgFamilia->palette();
    tooltip.setColor(QPalette::Base, palette().color(QPalette::ToolTipBase));
    dbgFamilia->setPalette(tooltip);
    sheet->addWidget(dbgFamilia);
    dbgFamilia->setColumns({
        {QStringLiteral("CDFAMILISALD"), tr("Código Família"), 98},
        {QStringLiteral("NMFAMILISALD"), tr("Nome Família"), 201},
        {QStringLiteral("VRPEDCREFAMI"), tr("Valor")},
    });
    dbgFamilia->setDataSource(&dtsPadrao);
    // A screen reader says what the tick picture shows.
    dbgPadrao->recordModel().setAccessibleText([](const QString& field, const QString& stored) {
        if (field != QStringLiteral("IDCHECK"))
            return QString();
        return stored != QStringLiteral("N") ? tr("Marcado") : tr("Não marcado");
    });

    using host::widgets::TDBGrid;
    host::core::onEvent(dbgPadrao, &TDBGrid::OnTitleClick, this,
                        &TfrmConfCredBco::dbgPadraoTitleClick);
    host::core::onEvent(dbgPadrao, &TDBGrid::OnCellClick, this,
                        &TfrmConfCredBco::dbgPadraoCellClick);
    host::core::onEvent(dbgPadrao, &TDBGrid::OnDrawColumnCell, this,
                        &TfrmConfCredBco::dbgPadraoDrawColumnCell);
    host::core::onEvent(dbgFamilia, &TDBGrid::OnTitleClick, this,
                        &TfrmConfCredBco::dbgFamiliaTitleClick);
    // The family grid shares the order grid's key handler.
    host::core::onEvent(dbgFamilia, &TDBGrid::OnKeyDown, this, &TfrmConfCredBco::dbgPadraoKeyDown);
    host::core::onEvent(pgcPadrao, &QTabWidget::currentChanged, this,
                        &TfrmConfCredBco::pgcPadraoChange);
}

void TfrmConfCredBco::buildTotals() {
    // Below the order grid, on its tab page: the grid gives up the line's height.
    lblTotais = new QLabel(tshFolhaDados);
    lblTotais->setObjectName(QStringLiteral("lblTotais"));
    lblTotais->setTextFormat(Qt::PlainText);
    tshFolhaDados->layout()->addWidget(lblTotais);
    totais = std::make_unique<OrderTotals>(cdsGetPediCreCons);
    totais->setOnChange([this] { lblTotais->setText(totais->text()); });
    lblTotais->setText(totais->text());
    // Under the totals: the filter the list was fetched with.
    lblFiltro = new QLabel(tshFolhaDados);
    lblFiltro->setObjectName(QStringLiteral("lblFiltro"));
    lblFiltro->setTextFormat(Qt::PlainText);
    lblFiltro->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFiltro->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    tshFolhaDados->layout()->addWidget(lblFiltro);
    showFilterInForce(false);
}

void TfrmConfCredBco::showFilterInForce(bool loaded) {
    const QString text = loaded ? tr("Filtro: %1").arg(creditFilterText())
                                : tr("Filtro: nenhuma lista buscada ainda");
    lblFiltro->setText(text);
    lblFiltro->setToolTip(text);  // whole, where the line is too narrow
}

void TfrmConfCredBco::attachDisplayTexts() {
    const auto getText = [this](dataset::RecordSet& set, const char* field, auto handler) {
        host::core::onEvent(&set.fieldByName(field), &dataset::Field::setOnGetText, this, handler);
    };
    // The packet of selected orders shows its codes as the order list does.
    for (dataset::RecordSet* set : {&cdsGetPediCreCons, &cdsTemp}) {
        getText(*set, "IDPEDCREEXTR", &TfrmConfCredBco::cdsGetPediCreConsIDPEDCREEXTRGetText);
        getText(*set, "IDPEDCRECONT", &TfrmConfCredBco::cdsGetPediCreConsIDPEDCRECONTGetText);
    }
    getText(cdsGetPediCreCons, "VRPEDCRECONS",
            &TfrmConfCredBco::cdsGetPediCreConsVRPEDCRECONSGetText);
    getText(cdsPediCredFami, "VRPEDCREFAMI", &TfrmConfCredBco::cdsPediCredFamiVRPEDCREFAMIGetText);
}

void TfrmConfCredBco::cdsGetPediCreConsIDPEDCREEXTRGetText(const dataset::Field& sender,
                                                           std::string& text, bool) {
    text = situacaoText(sender.asString(), *msgPadrao).toStdString();
}

void TfrmConfCredBco::cdsGetPediCreConsIDPEDCRECONTGetText(const dataset::Field& sender,
                                                           std::string& text, bool) {
    text = contabilText(sender.asString(), *msgPadrao).toStdString();
}

void TfrmConfCredBco::cdsGetPediCreConsVRPEDCRECONSGetText(const dataset::Field& sender,
                                                           std::string& text, bool) {
    text = valorText(sender);
}

void TfrmConfCredBco::cdsPediCredFamiVRPEDCREFAMIGetText(const dataset::Field& sender,
                                                         std::string& text, bool) {
    text = valorText(sender);
}

bool TfrmConfCredBco::listIsEmpty() const {
    return !cdsGetPediCreCons.active() || cdsGetPediCreCons.isEmpty();
}

void TfrmConfCredBco::FormCreate() {
    TfrmPadrao::FormCreate();
    setCreditFilterDefaults();
    boMarcaTodos = false;
    try {
        host::widgets::ActiveShowAvi(host::core::application().mainForm(),
                                     host::widgets::busyConnecting);
        netConfCredBanc->Open();
        host::widgets::DeactiveShowAvi();
    } catch (const host::core::Abort&) {
        throw;
    } catch (const std::exception&) {
        host::widgets::DeactiveShowAvi();
        host::core::MensErro(msgPadrao->Msg(QStringLiteral("Erro_Conexao")), false);
        Close();
    }
    applyPerfil();
    // Another operator may take over the session, with another role.
    connect(&host::core::application(), &host::core::Application::operatorChanged, this,
            [this] { host::core::dispatch([this] { applyPerfil(); }); });
}

void TfrmConfCredBco::applyPerfil() {
    const bool onlyLooks = host::core::perfilSoConsulta();
    const QString why =
        tr("Seu perfil (consulta) permite só consultar: as operações e a "
           "importação pedem o perfil operador.");
    for (auto [button, entry] : {std::pair{btnEfetivaCredito, mniEfetivaCredito},
                                 {btnDesfazCredito, mniDesfazCredito},
                                 {btnCancelaPedido, mniCancelaPedido},
                                 {BtnDesfazCancelamento, mniDesfazCancelamento},
                                 {btImportCons, mniImportCons}}) {
        // The button's own hint, with the reason beneath while it is refused.
        if (!button->property("hintAlone").isValid())
            button->setProperty("hintAlone", button->hint());
        const QString alone = button->property("hintAlone").toString();
        button->setToolTip(onlyLooks ? alone + QLatin1Char('\n') + why : alone);
        entry->setToolTip(onlyLooks ? why : QString());
        if (onlyLooks) {
            button->setEnabled(false);
            entry->setEnabled(false);
        }
    }
    if (onlyLooks) {
        host::core::application().showStatus(why);
    } else if (!btImportCons->isEnabled()) {
        // Back from a role that only looks.
        btImportCons->setEnabled(true);
        mniImportCons->setEnabled(true);
        if (dtsPadrao.dataSet() != nullptr)
            dtsPadraoStateChange();
    }
}

void TfrmConfCredBco::netConfCredBancBeforeConnect() {
    pointAtHostServer(*netConfCredBanc);
}

void TfrmConfCredBco::FormActivate() {
    if (Cli_Lun90000::boCriaFiltro)
        return;
    Cli_Lun90000::boCriaFiltro = true;
    CriaFiltroConfirmacao();
    sbtVerificarClick();
}

void TfrmConfCredBco::sbtVerificarClick() {
    host::core::ScopeGuard back([this] { focusGrid(); });
    // The totals line says the list is loading until the reload ends, however
    // it ends; then it shows the totals of whatever the list holds.
    host::core::ScopeGuard totalsBack([this] { lblTotais->setText(totais->text()); });
    OrderTotals::Hold totalsHeld(*totais);
    lblTotais->setText(tr("Carregando pedidos..."));
    ListReload lists{*netConfCredBanc, cdsGetPediCreCons, cdsPediCredFami, *this};
    if (!runListReload(lists))
        return;
    showFilterInForce(true);
    cdsGetPediCreCons.first();
    boMarcaTodos = false;
}

int TfrmConfCredBco::ask(host::core::BoxRequest box) {
    if (box.caption.isEmpty())
        box.caption = host::core::application().title();
    box.parent = this;
    return host::core::ui().showBox(box);
}

std::optional<QString> TfrmConfCredBco::ask(host::core::FileRequest request) {
    request.parent = this;
    return host::core::ui().chooseFile(request);
}

void TfrmConfCredBco::report(const RunFailure& failure) {
    reportRunFailure(failure);
}

void TfrmConfCredBco::busy(bool on) {
    if (on)
        host::widgets::ActiveShowAvi(host::core::application().mainForm(),
                                     host::widgets::busyProcessing);
    else
        host::widgets::DeactiveShowAvi();
}

void TfrmConfCredBco::followList(bool follow) {
    dtsPadrao.setEnabled(follow);
}

void TfrmConfCredBco::reload() {
    sbtVerificarClick();
}

void TfrmConfCredBco::brnFiltroClick() {
    const bool confirmed = CriaFiltroConfirmacao();
    if (confirmed)
        sbtVerificarClick();
    boMarcaTodos = !confirmed;
}

void TfrmConfCredBco::btImportConsClick() {
    CriaImportCons();
    repaint();
}

void TfrmConfCredBco::cdsGetPediCreConsAfterScroll() {
    if (listIsEmpty())
        return;
    cdsPediCredFami.setFiltered(false);
    cdsPediCredFami.setFilter(
        familyFilterFor(cdsGetPediCreCons.fieldByName("NRPEDCRECONS").asString()));
    cdsPediCredFami.setFiltered(true);
}

void TfrmConfCredBco::pgcPadraoChange() {
    dtsPadrao.setEnabled(false);
    dtsPadrao.setDataSet(pgcPadrao->currentWidget() == tshFolhaDados ? &cdsGetPediCreCons
                                                                     : &cdsPediCredFami);
    dtsPadrao.setEnabled(true);
}

void TfrmConfCredBco::dtsPadraoStateChange() {
    TfrmPadrao::dtsPadraoStateChange();
    // Never available on this screen: the record commands and their menu
    // entries, and duplicating a record.
    for (auto [control, entry] : {std::pair<QWidget*, QAction*>{sbtIncluir, mniIncluir},
                                  {sbtAlterar, mniAlterar},
                                  {sbtExcluir, mniExcluir},
                                  {sbtGravar, mniGravar},
                                  {sbtCancelar, mniCancelar},
                                  {sbtPesquisar, mniPesquisar}}) {
        control->setEnabled(false);
        entry->setEnabled(false);
    }
    mniDuplicar->setEnabled(false);
    // Printing and the four operations only while orders are listed, on
    // either tab.
    // A role that only looks never gets the operations.
    const bool listed = !listIsEmpty();
    const bool operates = listed && !host::core::perfilSoConsulta();
    for (auto [control, entry] : {std::pair<QWidget*, QAction*>{sbtImprimir, nullptr},
                                  {btnEfetivaCredito, mniEfetivaCredito},
                                  {btnDesfazCredito, mniDesfazCredito},
                                  {btnCancelaPedido, mniCancelaPedido},
                                  {BtnDesfazCancelamento, mniDesfazCancelamento}}) {
        const bool on = control == sbtImprimir ? listed : operates;
        control->setEnabled(on);
        if (entry != nullptr)
            entry->setEnabled(on);
    }
    mniRetornoBancario->setEnabled(cdsGetPediCreCons.active());
    mniConciliacaoExtrato->setEnabled(cdsGetPediCreCons.active());
    mniHistorico->setEnabled(cdsGetPediCreCons.active() && !cdsGetPediCreCons.isEmpty());
    for (QAction* entry : {mniMarcarTodos, mniDesmarcarTodos, mniDesmarcarContabilizados})
        entry->setEnabled(listed && dtsPadrao.dataSet() == &cdsGetPediCreCons);
}

void TfrmConfCredBco::dbgPadraoTitleClick(int column) {
    if (listIsEmpty())
        return;
    const QString field = dbgPadrao->fieldNameAt(column);
    if (field == QStringLiteral("IDCHECK")) {
        markAll();
        return;
    }
    cdsGetPediCreCons.setIndexFieldNames(field.toStdString());
}

void TfrmConfCredBco::dbgFamiliaTitleClick(int column) {
    cdsPediCredFami.setIndexFieldNames(dbgFamilia->fieldNameAt(column).toStdString());
}

void TfrmConfCredBco::FormClose(host::forms::TCloseAction& action) {
    TfrmPadrao::FormClose(action);
    netConfCredBanc->Close();
    Cli_Lun90000::boIdCriado = false;
}

}  // namespace confcred::package
