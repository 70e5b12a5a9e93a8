// The confirmation screen's lists: the reload and its stops, the family
// breakdown following the current order, tabs, sorting, command enabling
// and the display texts.
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "confirmation_components.h"
#include "confirmation_support.h"
#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/forms/frm_filtro_padrao.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/db_text.h"
#include "package/core/credit_filter_params.h"
#include "package/core/order_fields.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace confirmation;

class ConfirmationList : public PackageTest {};

TEST_F(ConfirmationList, FamilyListFollowsTheCurrentOrderOnBothTabs) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    auto& families = cdsPediCredFami(screen);
    ASSERT_GT(orders.recordCount(), 3u);
    for (size_t recNo : {size_t{1}, size_t{3}, orders.recordCount()}) {
        orders.setRecNo(recNo);
        const QString number = current(orders, "NRPEDCRECONS");
        const QStringList familyOrders = column(families, "NRPEDCRECONS");
        ASSERT_FALSE(familyOrders.isEmpty()) << "order " << number.toStdString();
        EXPECT_EQ(familyOrders.count(number), familyOrders.size());
    }

    // The "Família" tab shows the families of the order current when the tab
    // was left, and the order-number label keeps showing that order.
    orders.setRecNo(2);
    const QString number = current(orders, "NRPEDCRECONS");
    pgcPadrao(screen)->setCurrentWidget(tshFormulario(screen));
    EXPECT_EQ(dtsPadrao(screen).dataSet(), &families);
    EXPECT_EQ(dbgFamilia(screen)->model()->rowCount(), static_cast<int>(families.recordCount()));
    EXPECT_EQ(dbtNome(screen)->text(), number);
    // The operations still follow the order list.
    EXPECT_TRUE(btnEfetivaCredito(screen)->isEnabled());
    pgcPadrao(screen)->setCurrentWidget(tshFolhaDados(screen));
    EXPECT_EQ(dtsPadrao(screen).dataSet(), &orders);
    EXPECT_EQ(current(orders, "NRPEDCRECONS"), number);
}

// The family grid shows every row on the tooltip colour; neither grid
// alternates its rows' colours.
TEST_F(ConfirmationList, FamilyRowsAllOnTheTooltipColour) {
    auto& screen = openLoadedScreen(ui_);
    EXPECT_FALSE(dbgPadrao(screen)->alternatingRowColors());
    EXPECT_FALSE(dbgFamilia(screen)->alternatingRowColors());
    pgcPadrao(screen)->setCurrentWidget(tshFormulario(screen));
    cdsPediCredFami(screen).setFiltered(false);  // rows enough to fill the grid
    host::widgets::TDBGrid& grid = *dbgFamilia(screen);
    const QImage shown = grid.viewport()->grab().toImage();
    const QColor tooltip = screen.palette().color(QPalette::ToolTipBase);
    const int column = grid.columnOfField(QStringLiteral("CDFAMILISALD"));
    int checked = 0;
    for (int row = 0; row < grid.model()->rowCount(); ++row) {
        const QModelIndex cell = grid.model()->index(row, column);
        const QRect rect = grid.visualRect(cell);
        if (rect.bottom() >= shown.height())
            break;
        if (grid.selectionModel()->isSelected(cell))
            continue;
        // Right of the short family code: only the row's background.
        const QPoint blank(rect.right() - 3, rect.center().y());
        EXPECT_EQ(shown.pixelColor(blank).name(), tooltip.name()) << "row " << row;
        ++checked;
    }
    EXPECT_GE(checked, 2);
}

TEST_F(ConfirmationList, SortByTitleSurvivesReloadAndSortsStoredCodes) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDPEDCREEXTR"));
    QStringList situations = column(orders, "IDPEDCREEXTR");
    ASSERT_TRUE(situations.contains("C") && situations.contains("N") && situations.contains("S"));
    EXPECT_TRUE(std::is_sorted(situations.begin(), situations.end()));  // C, N, S

    screen.sbtVerificarClick();
    EXPECT_EQ(orders.indexFieldNames(), "IDPEDCREEXTR");
    situations = column(orders, "IDPEDCREEXTR");
    EXPECT_TRUE(std::is_sorted(situations.begin(), situations.end()));
    EXPECT_EQ(orders.recNo(), 1u);

    // The family grid sorts its own list, ascending, on every click.
    pgcPadrao(screen)->setCurrentWidget(tshFormulario(screen));
    clickTitle(*dbgFamilia(screen), QStringLiteral("NMFAMILISALD"));
    clickTitle(*dbgFamilia(screen), QStringLiteral("NMFAMILISALD"));
    const QStringList names = column(cdsPediCredFami(screen), "NMFAMILISALD");
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
}

TEST_F(ConfirmationList, StopOnTheOrderCallKeepsBothLists) {
    auto& screen = openLoadedScreen(ui_);
    const QStringList before = column(cdsGetPediCreCons(screen), "NRPEDCRECONS");
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));  // the mark-all switch on
    // The server refuses a description longer than its column.
    package::P_DSSITCREBANC = QString(60, QLatin1Char('x'));
    ui_.queueBoxAnswer(host::core::mrOk);
    clearCalls();
    host::core::dispatch([&] { screen.sbtVerificarClick(); });
    EXPECT_EQ(callMethods(), QStringList{"getPEDCREDCONS"});
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
    EXPECT_EQ(column(cdsGetPediCreCons(screen), "NRPEDCRECONS"), before);
    EXPECT_TRUE(markAllIsOn(screen));
}

TEST_F(ConfirmationList, StopOnTheFamilyCallKeepsNewOrdersWithOldFamilies) {
    auto& screen = openLoadedScreen(ui_);
    auto& families = cdsPediCredFami(screen);
    families.setFiltered(false);
    const size_t familiesBefore = families.recordCount();
    families.setFiltered(true);
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));  // the mark-all switch on
    // Only cancelled orders now; the server goes away as the family call
    // is about to be sent.
    package::P_IDPEDCREEXTR = QStringLiteral("_C_");
    host::client::TNetConnection::setCallObserver([this](const QString& method, const QString&) {
        if (method == QStringLiteral("getPEDICREDFAMI"))
            server().kill(SIGKILL);
    });
    ui_.queueBoxAnswer(host::core::mrOk);
    host::core::dispatch([&] { screen.sbtVerificarClick(); });
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].kind, host::core::BoxKind::Error);
    const QStringList situations = column(cdsGetPediCreCons(screen), "IDPEDCREEXTR");
    ASSERT_FALSE(situations.isEmpty());
    EXPECT_EQ(situations.count("C"), situations.size());
    families.setFiltered(false);
    EXPECT_EQ(families.recordCount(), familiesBefore);
    EXPECT_TRUE(markAllIsOn(screen));
    server().restart();
}

// While the lists load the totals line says so, and it shows the totals
// again however the reload ends (here refused by the server the second time).
TEST_F(ConfirmationList, TotalsLineSaysLoadingUntilTheReloadEnds) {
    auto& screen = openLoadedScreen(ui_);
    const QString totals = lblTotais(screen)->text();
    QStringList seen;
    host::client::TNetConnection::setCallObserver(
        [&](const QString&, const QString&) { seen << lblTotais(screen)->text(); });
    screen.sbtVerificarClick();
    package::P_DSSITCREBANC = QString(60, QLatin1Char('x'));
    ui_.queueBoxAnswer(host::core::mrOk);
    host::core::dispatch([&] { screen.sbtVerificarClick(); });
    EXPECT_EQ(seen, QStringList(3, QStringLiteral("Carregando pedidos...")));
    EXPECT_EQ(lblTotais(screen)->text(), totals);
}

TEST_F(ConfirmationList, FilterButtonReloadsOnlyWhenConfirmed) {
    auto& screen = openLoadedScreen(ui_);
    clearCalls();
    ui_.queueModal([](QDialog&) {});  // closed without confirming
    brnFiltro(screen)->click();
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_TRUE(markAllIsOn(screen));
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));  // on again

    ui_.queueModal([](QDialog& dialog) {
        sbtConfirma(dynamic_cast<host::forms::TfrmFiltroPadrao&>(dialog))->click();
    });
    brnFiltro(screen)->click();
    EXPECT_EQ(callMethods(), (QStringList{"getPEDCREDCONS", "getPEDICREDFAMI"}));
    EXPECT_FALSE(markAllIsOn(screen));
}

// The import dialog has its own connection: the list is not reloaded after
// it, whatever it imported.
TEST_F(ConfirmationList, ImportButtonDoesNotReload) {
    auto& screen = openLoadedScreen(ui_);
    cdsGetPediCreCons(screen).setRecNo(3);
    const QStringList before = column(cdsGetPediCreCons(screen), "NRPEDCRECONS");
    clearCalls();
    ui_.clearRecords();
    ui_.queueModal([](QDialog& dialog) { dialog.reject(); });
    btImportCons(screen)->click();
    // The hourglass while the dialog is made and shown, the default once it closed.
    using Kind = host::automation::RecordedRequest::Kind;
    std::vector<std::pair<Kind, QString>> requests;
    for (const host::automation::RecordedRequest& r : ui_.requests())
        requests.emplace_back(r.kind, r.detail);
    EXPECT_EQ(requests,
              (std::vector<std::pair<Kind, QString>>{
                  {Kind::Cursor, "-11"}, {Kind::Modal, "frmImporCons"}, {Kind::Cursor, "0"}}));
    EXPECT_FALSE(callMethods().contains("getPEDCREDCONS"));
    EXPECT_EQ(column(cdsGetPediCreCons(screen), "NRPEDCRECONS"), before);
    EXPECT_EQ(cdsGetPediCreCons(screen).recNo(), 3u);
}

TEST_F(ConfirmationList, EmptyListDisablesOperationsAndIgnoresClicks) {
    auto& screen = openLoadedScreen(ui_);
    package::P_NRPEDCRECONS = QStringLiteral("99999999999999999999");
    screen.sbtVerificarClick();
    ASSERT_TRUE(cdsGetPediCreCons(screen).isEmpty());
    for (QWidget* w : {static_cast<QWidget*>(btnEfetivaCredito(screen)),
                       static_cast<QWidget*>(btnDesfazCredito(screen)),
                       static_cast<QWidget*>(btnCancelaPedido(screen)),
                       static_cast<QWidget*>(BtnDesfazCancelamento(screen)),
                       static_cast<QWidget*>(sbtImprimir(screen))})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (QWidget* w :
         {static_cast<QWidget*>(sbtIncluir(screen)), static_cast<QWidget*>(sbtPesquisar(screen))})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(mniDuplicar(screen)->isEnabled());
    // Titles and the space key: no box, no error, no call, nothing changes.
    const std::string sortedBy = cdsGetPediCreCons(screen).indexFieldNames();
    clearCalls();
    ui_.clearRecords();
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    clickTitle(*dbgPadrao(screen), QStringLiteral("NMCONSUMIDOR"));
    pressSpace(*dbgPadrao(screen));
    host::automation::sendKey(dbgPadrao(screen), Qt::Key_Space, Qt::ControlModifier,
                              QStringLiteral(" "));
    EXPECT_TRUE(ui_.requests().empty());
    EXPECT_TRUE(ui_.scriptErrors().empty());
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_TRUE(cdsGetPediCreCons(screen).isEmpty());
    EXPECT_EQ(cdsGetPediCreCons(screen).state(), dataset::DataSetState::Browse);
    EXPECT_EQ(cdsGetPediCreCons(screen).indexFieldNames(), sortedBy);
    EXPECT_TRUE(dtsPadrao(screen).enabled());
    EXPECT_FALSE(btnEfetivaCredito(screen)->isEnabled());
    EXPECT_TRUE(dbtNome(screen)->text().isEmpty());

    package::P_NRPEDCRECONS.clear();
    screen.sbtVerificarClick();
    EXPECT_TRUE(btnEfetivaCredito(screen)->isEnabled());
    EXPECT_TRUE(sbtImprimir(screen)->isEnabled());
    EXPECT_FALSE(sbtIncluir(screen)->isEnabled());
}

// An order number with an apostrophe still filters its own family rows.
TEST_F(ConfirmationList, ApostropheInOrderNumberFiltersItsFamilies) {
    auto& screen = openLoadedScreen(ui_);
    dataset::DataPacket orders = cdsGetPediCreCons(screen).toPacket();
    dataset::DataPacket families = cdsPediCredFami(screen).toPacket();
    cdsPediCredFami(screen).setFiltered(false);
    // Two orders whose numbers differ only by the quote.
    dataset::RecordSet crafted;
    crafted.loadPacket(std::move(orders));
    crafted.first();
    crafted.edit();
    crafted.fieldByName("NRPEDCRECONS").setAsString("O'1");
    crafted.post();
    dataset::RecordSet craftedFamilies;
    craftedFamilies.loadPacket(std::move(families));
    for (const char* number : {"O'1", "O1", "O'1"}) {
        craftedFamilies.append();
        craftedFamilies.fieldByName("NRPEDCRECONS").setAsString(number);
        craftedFamilies.fieldByName("CDFAMILISALD").setAsString("ALI");
        craftedFamilies.post();
    }
    cdsPediCredFami(screen).loadPacket(craftedFamilies.toPacket());
    cdsGetPediCreCons(screen).loadPacket(crafted.toPacket());
    cdsGetPediCreCons(screen).first();
    ASSERT_EQ(current(cdsGetPediCreCons(screen), "NRPEDCRECONS"), QStringLiteral("O'1"));
    EXPECT_EQ(column(cdsPediCredFami(screen), "NRPEDCRECONS"), (QStringList{"O'1", "O'1"}));
}

// The lists take no value but the tick marks: every other field of the order
// list, and every field of the family list, refuses a write and says which.
TEST_F(ConfirmationList, ListsTakeNoValueButTheTickMarks) {
    auto& screen = openLoadedScreen(ui_);
    for (dataset::RecordSet* list : {&cdsGetPediCreCons(screen), &cdsPediCredFami(screen)}) {
        ASSERT_FALSE(list->isEmpty()) << list->name();
        for (size_t i = 0; i < list->fieldCount(); ++i) {
            dataset::Field& field = list->field(i);
            const bool tick = list == &cdsGetPediCreCons(screen) && field.name() == "IDCHECK";
            list->edit();
            const std::string before = field.asString();
            if (tick) {
                EXPECT_NO_THROW(field.setAsString("S"));
            } else {
                try {
                    field.setAsString("");
                    ADD_FAILURE() << list->name() << "." << field.name() << " took a value";
                } catch (const dataset::DataSetError& error) {
                    EXPECT_EQ(std::string(error.what()), "O campo '" + field.name() +
                                                             "' do conjunto '" + list->name() +
                                                             "' é somente leitura.");
                }
                EXPECT_EQ(field.asString(), before) << list->name() << "." << field.name();
            }
            list->cancel();
        }
    }
}

TEST_F(ConfirmationList, DisplayTexts) {
    auto& screen = openLoadedScreen(ui_);
    const host::core::TMessages& messages = *msgPadrao(screen);
    struct Row {
        const char* name;
        std::string value;
        QString situacao;
        QString contabil;
    } rows[] = {
        {"effected", "S", "Efetivado", "Sim"},  {"pending", "N", "Pendente", "Não"},
        {"cancelled", "C", "Cancelado", "Não"}, {"empty", "", "", "Não"},
        {"lower case", "s", "", "Não"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(package::situacaoText(row.value, messages), row.situacao) << row.name;
        EXPECT_EQ(package::contabilText(row.value, messages), row.contabil) << row.name;
    }

    // The grid shows the texts, the values as "0.00" with a comma.
    auto& orders = cdsGetPediCreCons(screen);
    const QModelIndex value = dbgPadrao(screen)->model()->index(
        0, dbgPadrao(screen)->columnOfField(QStringLiteral("VRPEDCRECONS")));
    const QString shown = value.data().toString();
    EXPECT_TRUE(shown.contains(QLatin1Char(',')) && shown.section(',', 1).size() == 2)
        << shown.toStdString();
    reloadChanged(orders, [](dataset::RecordSet& copy) {
        copy.first();
        copy.edit();
        copy.fieldByName("VRPEDCRECONS").clear();
        copy.next();
        copy.edit();
        copy.fieldByName("VRPEDCRECONS").setAsDouble(12.5);
        copy.post();
    });
    orders.setRecNo(1);
    EXPECT_EQ(orders.fieldByName("VRPEDCRECONS").displayText(), "0,00");
    orders.setRecNo(2);
    EXPECT_EQ(orders.fieldByName("VRPEDCRECONS").displayText(), "12,50");
}

// F5 and the reload menu entry fetch the list again: a change another
// operator made on the server in between shows up.
TEST_F(ConfirmationList, F5AndTheReloadEntryFetchTheListAgain) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    const QStringList numbers = column(orders, "NRPEDCRECONS");
    const QStringList situations = column(orders, "IDPEDCREEXTR");
    const QStringList accounted = column(orders, "IDPEDCRECONT");
    qsizetype row = 0;
    while (row < numbers.size() && (situations[row] != "N" || accounted[row] == "S"))
        ++row;
    ASSERT_LT(row, numbers.size());
    const QString number = numbers[row];
    struct Step {
        const char* name;
        std::function<void()> reload;
        const char* moveTo;
    } steps[] = {
        {"F5", [&] { host::automation::sendKey(dbgPadrao(screen), Qt::Key_F5); }, "C"},
        {"mniVerificar", [&] { mniVerificar(screen)->trigger(); }, "N"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        setSituationOnServer(server(), orders, number, step.moveTo);
        clearCalls();
        step.reload();
        EXPECT_EQ(callMethods(), (QStringList{"getPEDCREDCONS", "getPEDICREDFAMI"}));
        const qsizetype at = column(orders, "NRPEDCRECONS").indexOf(number);
        ASSERT_GE(at, 0);
        EXPECT_EQ(column(orders, "IDPEDCREEXTR")[at], QString::fromLatin1(step.moveTo));
        EXPECT_EQ(orders.recNo(), 1u);
    }
}

// The screen as laid out: captions, hints, places of the buttons and the
// tick pictures, and the grids' titles, widths ("-": the grid's own width for
// the field) and title fonts.
TEST_F(ConfirmationList, Layout) {
    auto& screen = openLoadedScreen(ui_);
    auto place = [](const QWidget* w) {
        return QStringLiteral("%1,%2 %3x%4%5")
            .arg(w->x())
            .arg(w->y())
            .arg(w->width())
            .arg(w->height())
            .arg(w->isHidden() ? QStringLiteral(" hidden") : QString());
    };
    auto hint = [](const host::widgets::TButtonFlat* b) { return b->hint(); };
    auto columns = [](const host::widgets::TDBGrid& grid) {
        QStringList shown;
        for (int i = 0; i < grid.model()->columnCount(); ++i) {
            const host::widgets::GridColumn& c = grid.columns()[static_cast<size_t>(i)];
            QString text = grid.fieldNameAt(i) + QLatin1Char(' ') +
                           grid.model()->headerData(i, Qt::Horizontal).toString() +
                           QLatin1Char(' ');
            text += c.width < 0 && c.widthChars < 0 &&
                            grid.horizontalHeader()->sectionSize(i) == grid.defaultColumnWidth(i)
                        ? QStringLiteral("-")
                        : QString::number(grid.horizontalHeader()->sectionSize(i));
            const QVariant font = grid.model()->headerData(i, Qt::Horizontal, Qt::FontRole);
            if (font.isValid())
                text += QStringLiteral(" font %1 %2px")
                            .arg(font.value<QFont>().family())
                            .arg(font.value<QFont>().pixelSize());
            shown << text;
        }
        return shown.join(QStringLiteral(" | "));
    };
    auto* imgUncheck = screen.findChild<QLabel*>(QStringLiteral("imgUncheck"));
    auto* imgCheck = screen.findChild<QLabel*>(QStringLiteral("imgCheck"));
    ASSERT_TRUE(imgUncheck != nullptr && imgCheck != nullptr);
    struct Row {
        const char* what;
        QString shown;
        QString expected;
    } rows[] = {
        {"caption", screen.frame()->windowTitle(), "Confirmação de Crédito Bancário"},
        {"screen code", lblCodTela(screen)->text(), "LUN90000"},
        {"order tab", pgcPadrao(screen)->tabText(pgcPadrao(screen)->indexOf(tshFolhaDados(screen))),
         "Pedido"},
        {"family tab",
         pgcPadrao(screen)->tabText(pgcPadrao(screen)->indexOf(tshFormulario(screen))), "Família"},
        {"btnEfetivaCredito hint", hint(btnEfetivaCredito(screen)), "Efetivar Crédito"},
        {"btnDesfazCredito hint", hint(btnDesfazCredito(screen)), "Desfazer Crédito"},
        {"btnCancelaPedido hint", hint(btnCancelaPedido(screen)), "Cancelar Pedido"},
        {"BtnDesfazCancelamento hint", hint(BtnDesfazCancelamento(screen)),
         "Desfazer Cancelamento"},
        {"brnFiltro hint", hint(brnFiltro(screen)), "Filtro de Confirmação de Crédito Bancário"},
        {"btImportCons hint", hint(btImportCons(screen)), "Importação Crédito/Débito Consumidor "},
        {"btnEfetivaCredito", place(btnEfetivaCredito(screen)), "181,4 21x21"},
        {"btnDesfazCredito", place(btnDesfazCredito(screen)), "202,4 21x21"},
        {"btnCancelaPedido", place(btnCancelaPedido(screen)), "237,4 21x21"},
        {"BtnDesfazCancelamento", place(BtnDesfazCancelamento(screen)), "258,4 21x21"},
        {"brnFiltro", place(brnFiltro(screen)), "292,4 21x21"},
        {"btImportCons", place(btImportCons(screen)), "321,4 21x21"},
        {"sbtImprimir", place(sbtImprimir(screen)), "361,4 21x21"},
        {"sbtAjuda", place(sbtAjuda(screen)), "397,4 21x21"},
        {"sbtFechar", place(sbtFechar(screen)), "433,4 21x21"},
        {"imgUncheck", place(imgUncheck), "474,4 16x16 hidden"},
        {"imgCheck", place(imgCheck), "491,4 16x16 hidden"},
        {"dbgPadrao", columns(*dbgPadrao(screen)),
         "IDCHECK 4 26 font SYMBOL_CHARSET 11px | IDPEDCREEXTR Situação Créd. - | "
         "IDPEDCRECONT Contabilizado - | NRPEDCRECONS Nr. Pedido - | NRBOLETO Nr. Boleto - | "
         "DTPEDCRECONS Data / Hora - | DSSITCREBANC Descrição Crédito 138 | "
         "NMRAZSOCCLIE Cliente 167 | NMCONSUMIDOR Consumidor 168 | NMRESPCONS Responsável 134 | "
         "VRPEDCRECONS Valor -"},
        {"dbgFamilia", columns(*dbgFamilia(screen)),
         "CDFAMILISALD Código Família 98 | NMFAMILISALD Nome Família 201 | "
         "VRPEDCREFAMI Valor -"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.shown, row.expected) << row.what;
}

}  // namespace
}  // namespace confcred::testing
