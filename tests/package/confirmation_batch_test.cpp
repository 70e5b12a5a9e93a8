// The four batch operations: which orders each one sends, the question, the
// nothing-selected messages, server errors, a dropped connection, and the
// clean-up that always reloads.
#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <cmath>
#include <csignal>

#include "confirmation_components.h"
#include "confirmation_support.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/widgets/busy_indicator.h"
#include "host/widgets/button_flat.h"
#include "package/core/credit_filter_params.h"
#include "platform/regional.h"

namespace confcred::testing {
namespace {

using namespace base;

using namespace confirmation;

using package::TfrmConfCredBco;

class ConfirmationBatch : public PackageTest {
  protected:
    // Every test changes orders on the server: each starts from fresh demo data.
    void SetUp() override {
        restartFreshServer();
        PackageTest::SetUp();
    }

    // Ticks exactly the orders whose situation is one of `situations`, up to
    // `perSituation` of each; returns their numbers by situation.
    QMap<QString, QStringList> tick(TfrmConfCredBco& screen, const QStringList& situations,
                                    int perSituation) {
        auto& orders = cdsGetPediCreCons(screen);
        QMap<QString, QStringList> ticked;
        orders.first();
        while (!orders.eof()) {
            const QString situation = current(orders, "IDPEDCREEXTR");
            const bool take =
                situations.contains(situation) && ticked[situation].size() < perSituation;
            orders.edit();
            orders.fieldByName("IDCHECK").setAsString(take ? "S" : "N");
            orders.post();
            if (take)
                ticked[situation] << current(orders, "NRPEDCRECONS");
            orders.next();
        }
        return ticked;
    }

    // The packet of the last operation call: its order numbers, and the
    // arguments after the packet.
    struct SentCall {
        QString method;
        QStringList numbers;
        QStringList dates;
        QJsonArray rest;
    };
    SentCall lastSent(const QString& method) {
        for (auto it = calls().crbegin(); it != calls().crend(); ++it) {
            if (!it->startsWith(method + QLatin1Char(' ')))
                continue;
            const QJsonArray args =
                QJsonDocument::fromJson(it->section(QLatin1Char(' '), 1).toUtf8()).array();
            SentCall sent{method, {}, {}, {}};
            const QJsonObject packet = args[0].toObject();
            int number = -1, date = -1;
            const QJsonArray fields = packet["fields"].toArray();
            for (int i = 0; i < fields.size(); ++i) {
                const QString name = fields[i].toObject()["name"].toString();
                if (name == "NRPEDCRECONS")
                    number = i;
                if (name == "DTPEDCRECONS")
                    date = i;
            }
            EXPECT_EQ(fields.size(), 12);
            for (const QJsonValue& row : packet["rows"].toArray()) {
                sent.numbers << row.toArray()[number].toString();
                if (!row.toArray()[date].isNull())
                    sent.dates << row.toArray()[date].toString();
            }
            for (int i = 1; i < args.size(); ++i)
                sent.rest.append(args[i]);
            return sent;
        }
        ADD_FAILURE() << "no call of " << method.toStdString();
        return {};
    }

    static QStringList sorted(QStringList list) {
        list.sort();
        return list;
    }
};

TEST_F(ConfirmationBatch, EachOperationSendsExactlyTheTickedOrdersOfItsSituation) {
    struct Row {
        const char* name;
        const char* button;
        QString method;
        QString takes;  // situation of the orders sent
        QJsonArray rest;
        QString after;  // situation after the call
        QString taken;  // the question's words for the orders sent
    } rows[] = {
        {"effect credit",
         "btnEfetivaCredito",
         "setEfetivaSaldo",
         "N",
         {},
         "S",
         "Efetivar crédito: 2 pedidos pendentes marcados"},
        {"undo credit",
         "btnDesfazCredito",
         "setCancelaCredito",
         "S",
         {},
         "N",
         "Desfazer crédito: 2 pedidos efetivados marcados"},
        {"cancel order",
         "btnCancelaPedido",
         "setSituacao",
         "N",
         {"C"},
         "C",
         "Cancelar pedido: 2 pedidos pendentes marcados"},
        {"undo cancellation",
         "BtnDesfazCancelamento",
         "setSituacao",
         "C",
         {"N"},
         "N",
         "Desfazer cancelamento: 2 pedidos cancelados marcados"},
    };
    auto& screen = openLoadedScreen(ui_);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto ticked = tick(screen, {"N", "S", "C"}, 2);
        ASSERT_EQ(ticked.value(row.takes).size(), 2);
        // The question's figures: the sum of the two orders it sends, and
        // the ticked orders of the other two situations it leaves.
        int64_t cents = 0;
        qsizetype others = 0;
        for (auto it = ticked.cbegin(); it != ticked.cend(); ++it)
            others += it.key() == row.takes ? 0 : it.value().size();
        const QStringList listed = column(cdsGetPediCreCons(screen), "NRPEDCRECONS");
        for (const QString& number : ticked.value(row.takes)) {
            cdsGetPediCreCons(screen).setRecNo(static_cast<size_t>(listed.indexOf(number)) + 1);
            cents += std::llround(cdsGetPediCreCons(screen).fieldByName("VRPEDCRECONS").asDouble() *
                                  100);
        }
        ASSERT_GT(others, 1);
        clearCalls();
        ui_.clearRecords();
        ui_.queueBoxAnswer(host::core::mrYes);
        ui_.queueBoxAnswer(host::core::mrOk);
        component<host::widgets::TButtonFlat>(screen, row.button).click();

        const SentCall sent = lastSent(row.method);
        EXPECT_EQ(sorted(sent.numbers), sorted(ticked.value(row.takes)));
        EXPECT_EQ(sent.rest, row.rest);
        // Only undo credit carries the order's date and time.
        EXPECT_EQ(sent.dates.size(), row.method == "setCancelaCredito" ? sent.numbers.size() : 0);
        for (const QString& date : sent.dates)
            EXPECT_FALSE(date.endsWith("T00:00:00")) << date.toStdString();
        ASSERT_EQ(ui_.boxes().size(), 2u);
        EXPECT_EQ(ui_.boxes()[0].text, QStringLiteral("Confirma Operação?"));
        EXPECT_EQ(ui_.boxes()[0].buttons, host::core::mbYes | host::core::mbNo);
        EXPECT_EQ(ui_.boxes()[0].informativeText,
                  row.taken + ", " + QString::fromStdString(platform::formatMoney(cents)) + ". " +
                      QString::number(others) +
                      " pedidos marcados em outra situação não serão enviados.");
        EXPECT_EQ(ui_.boxes()[1].kind, host::core::BoxKind::Information);
        EXPECT_EQ(ui_.boxes()[1].text, QStringLiteral("Operação concluída com sucesso."));
        EXPECT_EQ(ui_.boxes()[1].informativeText, QStringLiteral("Pedidos alterados: 2."));
        // One call, then the reload; ticks gone, first order current.
        EXPECT_EQ(callMethods(), (QStringList{row.method, "getPEDCREDCONS", "getPEDICREDFAMI"}));
        EXPECT_EQ(tickedNumbers(cdsGetPediCreCons(screen)), QStringList{});
        EXPECT_EQ(cdsGetPediCreCons(screen).recNo(), 1u);
        EXPECT_TRUE(dtsPadrao(screen).enabled());
        EXPECT_EQ(host::widgets::busyDepth(), 0);
        // The server moved them.
        auto& orders = cdsGetPediCreCons(screen);
        const QStringList numbers = column(orders, "NRPEDCRECONS");
        const QStringList situations = column(orders, "IDPEDCREEXTR");
        for (const QString& number : sent.numbers)
            EXPECT_EQ(situations[numbers.indexOf(number)], row.after) << number.toStdString();
    }
}

TEST_F(ConfirmationBatch, AnsweringNoChangesNothing) {
    auto& screen = openLoadedScreen(ui_);
    tick(screen, {"N"}, 3);
    cdsGetPediCreCons(screen).setRecNo(5);
    const QStringList marks = column(cdsGetPediCreCons(screen), "IDCHECK");
    clearCalls();
    ui_.queueBoxAnswer(host::core::mrNo);
    btnEfetivaCredito(screen)->click();
    EXPECT_TRUE(calls().isEmpty());
    EXPECT_EQ(column(cdsGetPediCreCons(screen), "IDCHECK"), marks);
    EXPECT_EQ(cdsGetPediCreCons(screen).recNo(), 5u);
    EXPECT_FALSE(cdsTemp(screen).active());
    EXPECT_EQ(host::widgets::busyDepth(), 0);
}

TEST_F(ConfirmationBatch, NothingQualifyingShowsTheOperationsMessageAndReloads) {
    struct Row {
        const char* name;
        const char* button;
        QStringList tickedSituations;
        QString message;
    } rows[] = {
        {"effect credit",
         "btnEfetivaCredito",
         {"S", "C"},
         "Deve ser marcado pelo menos um crédito pendente para efetivação do crédito."},
        {"undo credit",
         "btnDesfazCredito",
         {"N", "C"},
         "Deve ser marcado pelo menos um crédito efetivado para desfazer a efetivação do "
         "crédito."},
        {"cancel order",
         "btnCancelaPedido",
         {},
         "Deve ser marcado pelo menos um crédito pendente para o cancelamento do crédito."},
        {"undo cancellation",
         "BtnDesfazCancelamento",
         {"N", "S"},
         "Deve ser marcado pelo menos um crédito cancelado para desfazer o cancelamento do "
         "crédito."},
    };
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tick(screen, row.tickedSituations, 100);
        const QStringList ticked = tickedNumbers(orders);
        orders.setRecNo(3);
        const QString currentOrder = current(orders, "NRPEDCRECONS");
        clearCalls();
        ui_.clearRecords();
        ui_.queueBoxAnswer(host::core::mrYes);
        ui_.queueBoxAnswer(host::core::mrOk);
        component<host::widgets::TButtonFlat>(screen, row.button).click();
        ASSERT_EQ(ui_.boxes().size(), 2u);
        EXPECT_EQ(ui_.boxes()[1].kind, host::core::BoxKind::Error);
        EXPECT_EQ(ui_.boxes()[1].text, row.message);
        EXPECT_EQ(callMethods(), (QStringList{"getPEDCREDCONS", "getPEDICREDFAMI"}));
        EXPECT_TRUE(cdsTemp(screen).isEmpty());
        // Nothing changed on the server: the reload gives the ticks back.
        EXPECT_EQ(tickedNumbers(orders), ticked);
        EXPECT_EQ(current(orders, "NRPEDCRECONS"), currentOrder);
        EXPECT_TRUE(dtsPadrao(screen).enabled());
        EXPECT_EQ(host::widgets::busyDepth(), 0);
    }
}

// Ticked "S" but with a situation that is empty or in lower case: never taken.
TEST_F(ConfirmationBatch, OddSituationsAreNeverTaken) {
    auto& screen = openLoadedScreen(ui_);
    tick(screen, {}, 0);
    reloadChanged(cdsGetPediCreCons(screen), [](dataset::RecordSet& orders) {
        for (const char* odd : {"", "n"}) {
            orders.next();
            orders.edit();
            orders.fieldByName("IDCHECK").setAsString("S");
            orders.fieldByName("IDPEDCREEXTR").setAsString(odd);
            orders.post();
        }
    });
    ui_.queueBoxAnswer(host::core::mrYes);
    ui_.queueBoxAnswer(host::core::mrOk);
    clearCalls();
    btnEfetivaCredito(screen)->click();
    EXPECT_FALSE(callMethods().contains("setEfetivaSaldo"));
    EXPECT_EQ(ui_.boxes().back().kind, host::core::BoxKind::Error);
}

// A refused operation changed nothing: the reload gives back the ticks of the
// orders still listed and the current order. A done one reloads plainly.
TEST_F(ConfirmationBatch, RefusedOperationKeepsTicksAndCurrentOrderDoneOneClearsThem) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    auto& families = cdsPediCredFami(screen);
    // Effected and pending orders only, so that an order cancelled meanwhile
    // leaves the list.
    package::P_IDPEDCREEXTR = QStringLiteral("_S_N_");
    screen.sbtVerificarClick();
    const auto ticked = tick(screen, {"N", "S"}, 3);
    ASSERT_EQ(ticked.value("N").size(), 3);
    ASSERT_EQ(ticked.value("S").size(), 3);
    // Someone else cancels one of the ticked pending orders first.
    QString cancelled;
    for (const QString& number : ticked.value("N"))
        if (cancelled.isEmpty() &&
            column(orders, "IDPEDCRECONT")[column(orders, "NRPEDCRECONS").indexOf(number)] != "S")
            cancelled = number;
    ASSERT_FALSE(cancelled.isEmpty());
    setSituationOnServer(server(), orders, cancelled, "C");
    // The current order is an unticked one well down the list.
    orders.setRecNo(orders.recordCount() - 1);
    while (current(orders, "IDCHECK") == "S")
        orders.prior();
    const QString currentOrder = current(orders, "NRPEDCRECONS");
    ASSERT_GT(orders.recNo(), 1u);

    clearCalls();
    ui_.queueBoxAnswer(host::core::mrYes);
    ui_.queueBoxAnswer(host::core::mrOk);
    btnEfetivaCredito(screen)->click();
    ASSERT_EQ(ui_.boxes().size(), 2u);
    EXPECT_EQ(ui_.boxes()[1].kind, host::core::BoxKind::Error);
    EXPECT_TRUE(ui_.boxes()[1].text.contains(cancelled)) << ui_.boxes()[1].text.toStdString();
    EXPECT_EQ(callMethods(), (QStringList{"setEfetivaSaldo", "getPEDCREDCONS", "getPEDICREDFAMI"}));
    EXPECT_FALSE(column(orders, "NRPEDCRECONS").contains(cancelled));
    QStringList stillListed = ticked.value("N") + ticked.value("S");
    stillListed.removeOne(cancelled);
    EXPECT_EQ(tickedNumbers(orders), sorted(stillListed));
    EXPECT_EQ(current(orders, "NRPEDCRECONS"), currentOrder);
    const QStringList familyOrders = column(families, "NRPEDCRECONS");
    EXPECT_EQ(familyOrders.count(currentOrder), familyOrders.size());
    EXPECT_TRUE(dtsPadrao(screen).enabled());
    EXPECT_EQ(host::widgets::busyDepth(), 0);

    // Sent again with the ticks given back, it is done: ticks gone, first
    // order current.
    clearCalls();
    ui_.clearRecords();
    ui_.queueBoxAnswer(host::core::mrYes);
    ui_.queueBoxAnswer(host::core::mrOk);
    btnEfetivaCredito(screen)->click();
    ASSERT_EQ(ui_.boxes().size(), 2u);
    EXPECT_EQ(ui_.boxes()[1].text, QStringLiteral("Operação concluída com sucesso."));
    QStringList pending = ticked.value("N");
    pending.removeOne(cancelled);
    EXPECT_EQ(sorted(lastSent("setEfetivaSaldo").numbers), sorted(pending));
    EXPECT_EQ(tickedNumbers(orders), QStringList{});
    EXPECT_EQ(orders.recNo(), 1u);
    EXPECT_FALSE(markAllIsOn(screen));
}

// The server goes away: the failure is reported, the reload fails too, and
// the grid is still attached afterwards.
TEST_F(ConfirmationBatch, DroppedConnectionLeavesTheGridAttached) {
    auto& screen = openLoadedScreen(ui_);
    tick(screen, {"N"}, 2);
    server().kill(SIGKILL);
    server().wait(std::chrono::seconds(10));
    ui_.queueBoxAnswer(host::core::mrYes);
    ui_.setBoxFallback(
        [](const host::automation::RecordedBox&) { return std::optional<int>(host::core::mrOk); });
    btnEfetivaCredito(screen)->click();
    ui_.setBoxFallback(nullptr);
    bool sawFailure = false;
    for (const auto& box : ui_.boxes()) {
        EXPECT_NE(box.text, QStringLiteral("Operação concluída com sucesso."));
        sawFailure = sawFailure || box.kind == host::core::BoxKind::Error;
    }
    EXPECT_TRUE(sawFailure);
    EXPECT_TRUE(dtsPadrao(screen).enabled());
    EXPECT_EQ(host::widgets::busyDepth(), 0);
    // Marks stay as they were: the reload could not replace them.
    EXPECT_EQ(column(cdsGetPediCreCons(screen), "IDCHECK").count("S"), 2);
}

// The totals line, against counts and sums taken from the listed rows as the
// server sent them, after each way the ticks or the rows change.
TEST_F(ConfirmationBatch, TotalsLineFollowsTicksMarkAllReloadAndOperations) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    auto* line = screen.findChild<QLabel*>(QStringLiteral("lblTotais"));
    ASSERT_NE(line, nullptr);
    EXPECT_GE(line->y(), dbgPadrao(screen)->geometry().bottom());
    EXPECT_EQ(line->parentWidget(), tshFolhaDados(screen));

    auto expected = [&orders] {
        struct Sum {
            int count = 0;
            int64_t cents = 0;
        } listed, ticked;
        QMap<QString, Sum> bySituation;
        const QStringList checks = column(orders, "IDCHECK");
        const QStringList situations = column(orders, "IDPEDCREEXTR");
        const dataset::Column& values = orders.column(orders.fieldByName("VRPEDCRECONS").index());
        for (qsizetype i = 0; i < checks.size(); ++i) {
            const auto cents = static_cast<int64_t>(
                std::llround(values.doubleAt(orders.storageRowAt(static_cast<size_t>(i))) * 100));
            for (Sum* sum : {&listed, checks[i] == "S" ? &ticked : nullptr,
                             checks[i] == "S" ? &bySituation[situations[i]] : nullptr}) {
                if (sum != nullptr) {
                    ++sum->count;
                    sum->cents += cents;
                }
            }
        }
        auto part = [](const Sum& sum) {
            return QStringLiteral("%1, %2").arg(sum.count).arg(
                QString::fromStdString(platform::formatMoney(sum.cents)));
        };
        return QStringLiteral(
                   "Pedidos listados: %1 · marcados: %2 (pendentes %3; efetivados %4; "
                   "cancelados %5)")
            .arg(part(listed), part(ticked), part(bySituation["N"]), part(bySituation["S"]),
                 part(bySituation["C"]));
    };
    auto tickedCount = [&orders] { return column(orders, "IDCHECK").count("S"); };
    ASSERT_GE(orders.recordCount(), 6u);
    EXPECT_EQ(line->text(), expected());

    // By click and by space, on a list ordered by value.
    clickTitle(*dbgPadrao(screen), QStringLiteral("VRPEDCRECONS"));
    for (int row : {0, 2, 5})
        clickCell(*dbgPadrao(screen), row, QStringLiteral("IDCHECK"));
    ASSERT_EQ(tickedCount(), 3);
    EXPECT_EQ(line->text(), expected());
    pressSpace(*dbgPadrao(screen));
    ASSERT_EQ(tickedCount(), 2);
    EXPECT_EQ(line->text(), expected());

    // Mark-all and clear-all.
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    ASSERT_EQ(tickedCount(), static_cast<int>(orders.recordCount()));
    EXPECT_EQ(line->text(), expected());
    clickTitle(*dbgPadrao(screen), QStringLiteral("IDCHECK"));
    ASSERT_EQ(tickedCount(), 0);
    EXPECT_EQ(line->text(), expected());

    // The reload drops the ticks.
    tick(screen, {"N", "S", "C"}, 2);
    EXPECT_EQ(line->text(), expected());
    sbtVerificar(screen)->click();
    ASSERT_EQ(tickedCount(), 0);
    EXPECT_EQ(line->text(), expected());

    // Nothing qualifying: the ticks come back after the reload.
    tick(screen, {"S", "C"}, 2);
    ASSERT_GT(tickedCount(), 0);
    const QString kept = line->text();
    ui_.queueBoxAnswer(host::core::mrYes);
    ui_.queueBoxAnswer(host::core::mrOk);
    btnEfetivaCredito(screen)->click();
    EXPECT_EQ(line->text(), expected());
    EXPECT_EQ(line->text(), kept);

    // A done operation: the pending orders become effected, no tick is left.
    tick(screen, {"N"}, 3);
    const QString before = line->text();
    clearCalls();
    ui_.queueBoxAnswer(host::core::mrYes);
    ui_.queueBoxAnswer(host::core::mrOk);
    btnEfetivaCredito(screen)->click();
    ASSERT_EQ(callMethods().first(), QStringLiteral("setEfetivaSaldo"));
    ASSERT_EQ(tickedCount(), 0);
    EXPECT_EQ(line->text(), expected());
    EXPECT_NE(line->text(), before);
}

// The "Operações" menu: each entry makes its button's call, is enabled with
// its button, and shows its shortcut.
TEST_F(ConfirmationBatch, OperationsMenuEntriesRunAndFollowTheirButtons) {
    struct Entry {
        const char* entry;
        const char* button;
        QKeySequence keys;
        QString method;  // the server call, or the dialog shown
        QString takes;
        QJsonArray rest;
    } entries[] = {
        {"mniEfetivaCredito",
         "btnEfetivaCredito",
         QKeySequence(QStringLiteral("Ctrl+E")),
         "setEfetivaSaldo",
         "N",
         {}},
        {"mniDesfazCredito",
         "btnDesfazCredito",
         QKeySequence(QStringLiteral("Ctrl+Shift+E")),
         "setCancelaCredito",
         "S",
         {}},
        {"mniCancelaPedido",
         "btnCancelaPedido",
         QKeySequence(QStringLiteral("Ctrl+Del")),
         "setSituacao",
         "N",
         {"C"}},
        {"mniDesfazCancelamento",
         "BtnDesfazCancelamento",
         QKeySequence(QStringLiteral("Ctrl+Shift+Del")),
         "setSituacao",
         "C",
         {"N"}},
        {"mniFiltro",
         "brnFiltro",
         QKeySequence(QStringLiteral("Ctrl+Shift+F")),
         "frmFiltroConfCredBco",
         {},
         {}},
        {"mniImportCons",
         "btImportCons",
         QKeySequence(QStringLiteral("Ctrl+I")),
         "frmImporCons",
         {},
         {}},
    };
    auto& screen = openLoadedScreen(ui_);
    const QList<QAction*> bar = mnuPadrao(screen)->actions();
    ASSERT_NE(mnuOperacoes(screen), nullptr);
    EXPECT_EQ(mnuOperacoes(screen)->title(), QStringLiteral("&Operações"));
    EXPECT_EQ(bar.indexOf(mnuOperacoes(screen)->menuAction()),
              bar.indexOf(mnuRegistro(screen)->menuAction()) + 1);

    auto enabledInStep = [&screen, &entries](bool listed) {
        for (const Entry& e : entries) {
            const QAction* entry = &component<QAction>(screen, e.entry);
            EXPECT_EQ(entry->isEnabled(),
                      component<host::widgets::TButtonFlat>(screen, e.button).isEnabled())
                << entry->objectName().toStdString();
            EXPECT_EQ(entry->isEnabled(), listed || e.takes.isEmpty())
                << entry->objectName().toStdString();
        }
    };
    package::P_NRPEDCRECONS = QStringLiteral("99999999999999999999");
    screen.sbtVerificarClick();
    ASSERT_TRUE(cdsGetPediCreCons(screen).isEmpty());
    enabledInStep(false);
    package::P_NRPEDCRECONS.clear();
    screen.sbtVerificarClick();
    ASSERT_FALSE(cdsGetPediCreCons(screen).isEmpty());
    enabledInStep(true);

    for (const Entry& e : entries) {
        QAction* entry = &component<QAction>(screen, e.entry);
        SCOPED_TRACE(entry->objectName().toStdString());
        EXPECT_TRUE(mnuOperacoes(screen)->actions().contains(entry));
        EXPECT_EQ(entry->shortcut(), e.keys);
        clearCalls();
        if (e.takes.isEmpty()) {
            QString shown;
            ui_.queueModal([&shown](QDialog& dialog) { shown = dialog.objectName(); });
            entry->trigger();
            EXPECT_EQ(shown, e.method);
            continue;
        }
        const auto ticked = tick(screen, {"N", "S", "C"}, 2);
        ASSERT_FALSE(ticked.value(e.takes).isEmpty());
        ui_.queueBoxAnswer(host::core::mrYes);
        ui_.queueBoxAnswer(host::core::mrOk);
        entry->trigger();
        EXPECT_EQ(callMethods(), (QStringList{e.method, "getPEDCREDCONS", "getPEDICREDFAMI"}));
        const SentCall sent = lastSent(e.method);
        EXPECT_EQ(sorted(sent.numbers), sorted(ticked.value(e.takes)));
        EXPECT_EQ(sent.rest, e.rest);
    }
}

// A later instance has never loaded its list: the operation says nothing is
// selected, sends nothing, and its clean-up reload loads the list.
TEST_F(ConfirmationBatch, OperationBeforeAnyLoadShowsNothingSelected) {
    openLoadedScreen(ui_);
    package::frmConfCredBco->Close();
    processEvents();
    package::CriaConfCredBanc();
    auto& screen = *package::frmConfCredBco;
    ASSERT_FALSE(cdsGetPediCreCons(screen).active());
    clearCalls();
    ui_.queueBoxAnswer(host::core::mrYes);
    ui_.queueBoxAnswer(host::core::mrOk);
    btnCancelaPedido(screen)->click();
    ASSERT_EQ(ui_.boxes().size(), 2u);
    EXPECT_EQ(ui_.boxes()[1].text,
              QStringLiteral("Deve ser marcado pelo menos um crédito pendente para o "
                             "cancelamento do crédito."));
    EXPECT_EQ(callMethods(), (QStringList{"getPEDCREDCONS", "getPEDICREDFAMI"}));
    EXPECT_TRUE(cdsGetPediCreCons(screen).active());
    EXPECT_TRUE(dtsPadrao(screen).enabled());
}

// A role that only looks (consulta) sees the four operations and the import
// disabled, their hints and the status line saying why; marking and
// printing stay. Back with an operating role, they follow the list again.
TEST_F(ConfirmationBatch, ARoleThatOnlyLooksSeesTheOperationsDisabledAndWhy) {
    host::core::Perfil = QStringLiteral("consulta");
    host::core::ScopeGuard back([] { host::core::Perfil.clear(); });
    auto& screen = openLoadedScreen(ui_);
    ASSERT_GT(cdsGetPediCreCons(screen).recordCount(), 0u);
    EXPECT_TRUE(host::core::application().lastStatus().contains("consulta"));
    QWidget* const operations[] = {btnEfetivaCredito(screen), btnDesfazCredito(screen),
                                   btnCancelaPedido(screen), BtnDesfazCancelamento(screen),
                                   btImportCons(screen)};
    for (QWidget* button : operations) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_FALSE(button->isEnabled());
        EXPECT_TRUE(button->toolTip().contains("perfil operador"))
            << button->toolTip().toStdString();
    }
    for (QAction* entry : {mniEfetivaCredito(screen), mniImportCons(screen)})
        EXPECT_FALSE(entry->isEnabled());
    EXPECT_TRUE(sbtImprimir(screen)->isEnabled());
    sbtVerificar(screen)->click();  // a reload does not bring them back
    EXPECT_FALSE(btnEfetivaCredito(screen)->isEnabled());

    host::core::Perfil = QStringLiteral("operador");
    emit host::core::application().operatorChanged(QStringLiteral("Bia"));
    for (QWidget* button : operations)
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_EQ(btnEfetivaCredito(screen)->toolTip(), "Efetivar Crédito");
}

// Undoing a credit is refused whole by the server when one of its orders is
// accounted: the question says how many ticked ones are, and what to do;
// "Desmarcar contabilizados" clears just those. Ctrl+A and Ctrl+Shift+A tick
// and clear every order as the title click does.
TEST_F(ConfirmationBatch, TheQuestionWarnsOfAccountedOrdersAndTheyCanBeUnticked) {
    auto& screen = openLoadedScreen(ui_);
    auto& orders = cdsGetPediCreCons(screen);
    package::P_IDPEDCREEXTR = QStringLiteral("_S_");
    package::P_IDPEDCRECONT = QString();
    screen.sbtVerificarClick();
    const qsizetype accounted = column(orders, "IDPEDCRECONT").count("S");
    ASSERT_GE(accounted, 1);
    ASSERT_LT(accounted, column(orders, "IDPEDCRECONT").size());
    auto& grid = *dbgPadrao(screen);
    screen.Show();
    grid.setFocus();
    host::automation::sendKeyCombination(&grid, QKeyCombination(Qt::CTRL, Qt::Key_A));
    EXPECT_EQ(column(orders, "IDCHECK").count("S"), orders.recordCount());
    auto ask = [&] {
        ui_.clearRecords();
        ui_.queueBoxAnswer(host::core::mrNo);
        btnDesfazCredito(screen)->click();
        EXPECT_EQ(ui_.boxes().size(), 1u);
        return ui_.boxes().empty() ? QString() : ui_.boxes()[0].informativeText;
    };
    const QString warned = ask();
    const QString warning =
        accounted == 1
            ? QStringLiteral(
                  "Atenção: 1 pedido marcado já foi contabilizado e o "
                  "servidor recusará a operação inteira. Desmarque-o "
                  "(Operações > Desmarcar contabilizados)")
            : QStringLiteral("Atenção: %1 pedidos marcados já foram contabilizados").arg(accounted);
    EXPECT_TRUE(warned.contains(warning)) << warned.toStdString();

    mniDesmarcarContabilizados(screen)->trigger();
    for (qsizetype i = 0; i < column(orders, "IDCHECK").size(); ++i)
        EXPECT_EQ(column(orders, "IDCHECK")[i],
                  column(orders, "IDPEDCRECONT")[i] == "S" ? "N" : "S");
    EXPECT_FALSE(ask().contains(QStringLiteral("Atenção")));
    EXPECT_TRUE(host::core::application().lastStatus().contains(QString::number(accounted)));

    host::automation::sendKeyCombination(&grid, QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_A));
    EXPECT_EQ(column(orders, "IDCHECK").count("N"), orders.recordCount());
    EXPECT_FALSE(markAllIsOn(screen)) << "the next title click ticks again";
}

}  // namespace
}  // namespace confcred::testing
