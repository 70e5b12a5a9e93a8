// The confirmation screen by keyboard and screen reader: the grid keeps the
// focus after boxes and reloads, F5 reloads after any key, the find bar and
// F3 go round the matches, every control of the three screens has a name,
// and Ajuda or F1 shows the screen's page of shortcuts.
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QLineEdit>
#include <QMap>
#include <QTabWidget>

#include "confirmation_components.h"
#include "confirmation_support.h"
#include "host/automation/synthetic_input.h"
#include "host/forms/frm_filtro_padrao.h"
#include "host/widgets/accessibility.h"
#include "host/widgets/button_flat.h"
#include "package/import/frm_impor_cons.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace confirmation;

class Keyboard : public PackageTest {};

QWidget* focusOf(QWidget& screen) {
    return screen.window()->focusWidget();
}

TEST_F(Keyboard, TheGridKeepsTheFocusAndF5FollowsAnyKey) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    auto& grid = *dbgPadrao(screen);
    ASSERT_GE(orders.recordCount(), 3u);
    EXPECT_EQ(focusOf(screen), &grid);

    // A box (nothing ticked for the operation) and a done operation: the
    // keyboard is back on the grid either way.
    for (const bool tick : {false, true}) {
        SCOPED_TRACE(tick);
        pgcPadrao(screen)->tabBar()->setFocus();
        if (tick)
            pressSpace(grid);
        ui_.queueBoxAnswer(host::core::mrYes);
        ui_.queueBoxAnswer(host::core::mrOk);
        btnEfetivaCredito(screen)->click();  // Ctrl+E: keyboard_road.script
        ASSERT_EQ(ui_.pendingAnswers(), 0u);
        EXPECT_EQ(focusOf(screen), &grid);
    }

    // F5 right after Space and after an arrow reloads: the reload undoes the
    // tick Space made. The keys come one after another as the keyboard gives
    // them (each event built where the last one was).
    const auto press = [&grid](int key) {
        host::automation::sendKey(&grid, key, Qt::NoModifier,
                                  key == Qt::Key_Space ? QStringLiteral(" ") : QString());
    };
    sbtVerificar(screen)->click();  // the server's ticks only
    for (const std::vector<int>& keys :
         {std::vector<int>{Qt::Key_Space, Qt::Key_F5},
          std::vector<int>{Qt::Key_Space, Qt::Key_Down, Qt::Key_F5}}) {
        SCOPED_TRACE(keys.size());
        QCoreApplication::processEvents();  // the operator is no faster than the screen
        const QStringList stored = tickedNumbers(orders);
        for (size_t i = 0; i + 1 < keys.size(); ++i)
            press(keys[i]);
        ASSERT_NE(tickedNumbers(orders), stored);
        press(keys.back());
        EXPECT_EQ(tickedNumbers(orders), stored);
        EXPECT_EQ(focusOf(screen), &grid);
    }
}

TEST_F(Keyboard, FindBarAndF3GoRoundTheMatches) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    auto& grid = *dbgPadrao(screen);
    // The consumer listed most often.
    const QStringList consumers = column(orders, "NMCONSUMIDOR");
    const QStringList responsible = column(orders, "NMRESPCONS");
    QMap<QString, int> counts;
    for (const QString& name : consumers)
        ++counts[name];
    const QString name = std::max_element(counts.begin(), counts.end()).key();
    ASSERT_GE(counts[name], 2) << "the demo data lists no consumer twice";
    const QString part = name.mid(1, name.size() - 2).toLower();  // part of it, any case
    std::vector<size_t> expected;
    for (qsizetype i = 0; i < consumers.size(); ++i) {
        if (consumers[i].contains(part, Qt::CaseInsensitive) ||
            responsible[i].contains(part, Qt::CaseInsensitive))
            expected.push_back(static_cast<size_t>(i) + 1);
    }
    orders.last();

    host::automation::sendKeyCombination(&grid, QKeyCombination(Qt::CTRL, Qt::Key_F));
    ASSERT_TRUE(panLocalizar(screen)->isVisibleTo(&screen));
    EXPECT_EQ(focusOf(screen), edtLocalizar(screen));
    edtLocalizar(screen)->setText(part);
    host::automation::sendKey(edtLocalizar(screen), Qt::Key_Return, Qt::NoModifier,
                              QStringLiteral("\r"));
    EXPECT_EQ(focusOf(screen), &grid);
    // From the last order round to the first match, then on with F3 and
    // round again.
    std::vector<size_t> visited{orders.recNo()};
    for (size_t i = 0; i < expected.size(); ++i) {
        host::automation::sendKey(&grid, Qt::Key_F3);
        visited.push_back(orders.recNo());
    }
    std::vector<size_t> round = expected;
    round.push_back(expected.front());
    EXPECT_EQ(visited, round);

    // An order number without its leading zeros, from the index.
    const QString number = column(orders, "NRPEDCRECONS").back();
    const uint64_t lookups = orders.stats().indexLookups;
    orders.first();
    edtLocalizar(screen)->setText(QString::number(number.toLongLong()));
    host::automation::sendKey(edtLocalizar(screen), Qt::Key_Return, Qt::NoModifier,
                              QStringLiteral("\r"));
    EXPECT_EQ(current(orders, "NRPEDCRECONS"), number);
    EXPECT_GT(orders.stats().indexLookups, lookups);

    // No match: the order stays and the bar says so.
    const size_t at = orders.recNo();
    edtLocalizar(screen)->setText(QStringLiteral("não há tal pedido"));
    host::automation::sendKey(edtLocalizar(screen), Qt::Key_Return, Qt::NoModifier,
                              QStringLiteral("\r"));
    EXPECT_EQ(orders.recNo(), at);
    EXPECT_EQ(edtLocalizar(screen)->toolTip(), QStringLiteral("Nenhum pedido encontrado."));
}

// Every button and input of a screen, as a screen reader lists it, has a
// name; returns "objectName=name" for each.
QStringList namedControls(QWidget* form) {
    QStringList names, read;
    for (const host::widgets::AccessibleControl& c : host::widgets::accessibleControls(form)) {
        EXPECT_FALSE(c.name.trimmed().isEmpty())
            << form->objectName().toStdString() << "." << c.objectName.toStdString() << " ("
            << c.role.toStdString() << ")";
        // Two controls a screen reader reads alike (role and name) cannot be
        // told apart.
        EXPECT_FALSE(read.contains(c.role + " " + c.name))
            << form->objectName().toStdString() << "." << c.objectName.toStdString()
            << " repeats \"" << c.name.toStdString() << "\"";
        read << c.role + " " + c.name;
        names << c.objectName + "=" + c.name;
    }
    return names;
}

TEST_F(Keyboard, EveryControlOfTheScreensHasAnAccessibleName) {
    auto& screen = openLoadedScreen(ui_);
    const QStringList confirmation = namedControls(&screen);
    for (const char* expected :
         {"btnEfetivaCredito=Efetivar Crédito", "sbtPrimeiro=Primeiro",
          "sbtVerificar=Atualizar (F5)", "dbgPadrao=Pedido", "edtLocalizar=Localizar"})
        EXPECT_TRUE(confirmation.contains(expected)) << expected;

    // The tick column reads as its picture shows.
    auto& grid = *dbgPadrao(screen);
    const int check = grid.columnOfField(QStringLiteral("IDCHECK"));
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(&grid)->tableInterface();
    ASSERT_NE(table, nullptr);
    const auto cellName = [&] { return table->cellAt(0, check)->text(QAccessible::Name); };
    cdsGetPediCreCons(screen).first();
    const bool ticked = current(cdsGetPediCreCons(screen), "IDCHECK") == "S";
    EXPECT_EQ(cellName(), ticked ? "Marcado" : "Não marcado");
    pressSpace(grid);
    EXPECT_EQ(grid.model()->index(0, check).data(Qt::AccessibleTextRole).toString(),
              ticked ? "Não marcado" : "Marcado");

    QStringList filter, import;
    ui_.queueModal([&](QDialog& dialog) { filter = namedControls(&dialog); });
    brnFiltro(screen)->click();
    for (const char* expected : {"edtNrPedido=Nr. Pedido", "depInicial=Período: de", "depFinal=até",
                                 "btnCliente=Cliente: Pesquisar",
                                 "btnConsumidor=Consumidor/Resp.: Pesquisar", "sbtFechar=Fechar"})
        EXPECT_TRUE(filter.contains(expected)) << expected;
    // The filter's tab order follows its layout: the panel's buttons after
    // the filter area (the chain goes round).
    ASSERT_FALSE(filter.isEmpty());
    EXPECT_EQ((filter.indexOf(QRegularExpression("^edtDescCredito=.*")) + 1) % filter.size(),
              filter.indexOf("sbtConfirma=Confirmar"));
    EXPECT_EQ(filter.indexOf("sbtFechar=Fechar") + 1,
              filter.indexOf("rbtTodosCliente=Cliente: Todos"));

    ui_.queueModal([&](QDialog& dialog) { import = namedControls(&dialog); });
    btImportCons(screen)->click();
    for (const char* expected : {"medArquivo=Arquivo", "btnArquivo=Pesquisar"})
        EXPECT_TRUE(import.contains(expected)) << expected;
}

TEST_F(Keyboard, AjudaShowsTheScreensPageWithItsShortcuts) {
    auto& screen = openLoadedScreen(ui_);
    ui_.clearRecords();
    sbtAjuda(screen)->click();
    EXPECT_TRUE(ui_.boxes().empty());
    ASSERT_EQ(ui_.pages().size(), 1u);
    EXPECT_TRUE(ui_.pages()[0].title.contains(QStringLiteral("Confirmação de Crédito Bancário")));
    for (const char* text : {"Ctrl+E", "Ctrl+Shift+Del", "F3", "FAMÍLIA=VALOR"})
        EXPECT_TRUE(ui_.pages()[0].html.contains(QString::fromUtf8(text))) << text;

    // F1 in each dialog shows that dialog's own page, also where the help
    // button is hidden.
    const auto pressF1 = [](QDialog& dialog) {
        dialog.activateWindow();
        QApplication::processEvents();
        if (QApplication::activeWindow() != &dialog)
            QApplication::setActiveWindow(&dialog);
        QWidget* target = dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog;
        EXPECT_TRUE(host::automation::sendKeyCombination(target, QKeyCombination(Qt::Key_F1)));
        dialog.reject();
    };
    ui_.queueModal(pressF1);
    brnFiltro(screen)->click();
    ui_.queueModal(pressF1);
    btImportCons(screen)->click();
    ASSERT_EQ(ui_.pages().size(), 3u);
    EXPECT_EQ(ui_.pages()[1].title, "Ajuda - Filtro de Confirmação de Crédito Bancário");
    EXPECT_TRUE(ui_.pages()[1].html.contains("Consumidor deve ser informado."));
    EXPECT_EQ(ui_.pages()[2].title, "Ajuda - Importação Crédito/Débito Consumidor ");
    EXPECT_TRUE(ui_.pages()[2].html.contains("Log_Lun"));
}

}  // namespace
}  // namespace confcred::testing
