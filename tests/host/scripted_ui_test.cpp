// The scripted UI service (queues, records, missing answers) and the pure
// parts of the Qt one (filters, paths, the message box itself).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "dataset/data_source.h"
#include "host/automation/scripted_ui_service.h"
#include "host/core/application.h"
#include "host/widgets/qt_ui_service.h"
#include "platform/win_path.h"

using namespace confcred::host;
using namespace confcred::host::core;
using namespace confcred::host::widgets;
using namespace confcred::host::automation;
namespace platform = confcred::platform;

namespace {

core::BoxRequest box(core::BoxKind kind, const char* text, core::BoxButtons buttons) {
    core::BoxRequest r;
    r.kind = kind;
    r.text = QString::fromUtf8(text);
    r.buttons = buttons;
    return r;
}

TEST(ScriptedUiTest, AnswersComeFromTheQueuesInOrderAndEveryBoxIsRecorded) {
    core::application().setTitle(QStringLiteral("ERP Teste"));
    automation::ScriptedUiService s;
    s.queueBoxAnswer(core::mrYes);
    s.queueBoxAnswer(core::mrOk);
    s.queueFile(QStringLiteral("C:\\Credito\\Site\\lote.txt"));
    s.queueFileCancel();
    s.queuePick(QStringLiteral("'1','2'"));
    s.queuePickCancel();
    EXPECT_EQ(s.pendingAnswers(), 6u);

    EXPECT_EQ(
        s.showBox(box(core::BoxKind::Confirmation, "Confirma Operação?", core::mbYes | core::mbNo)),
        core::mrYes);
    core::BoxRequest titled = box(core::BoxKind::Information, "Pronto.", core::mbOK);
    titled.caption = QStringLiteral("Outro título");
    EXPECT_EQ(s.showBox(titled), core::mrOk);
    EXPECT_EQ(s.chooseFile({}),
              std::optional<QString>(QStringLiteral("C:\\Credito\\Site\\lote.txt")));
    EXPECT_EQ(s.chooseFile({}), std::nullopt);
    core::PickRequest pick;
    pick.title = QStringLiteral("Clientes");
    pick.selection = QStringLiteral("'7'");
    EXPECT_EQ(s.pickList(pick).selection, QStringLiteral("'1','2'"));
    const core::PickResult cancelled = s.pickList(pick);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.selection, QStringLiteral("'7'"));  // left as it was given
    EXPECT_EQ(s.pendingAnswers(), 0u);

    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[0].kind, core::BoxKind::Confirmation);
    EXPECT_EQ(s.boxes()[0].caption, QStringLiteral("ERP Teste"));  // the title when none given
    EXPECT_EQ(s.boxes()[0].text, QStringLiteral("Confirma Operação?"));
    EXPECT_EQ(s.boxes()[0].buttons, core::BoxButtons{core::mbYes | core::mbNo});
    EXPECT_EQ(s.boxes()[0].answer, core::mrYes);
    EXPECT_EQ(s.boxes()[1].caption, QStringLiteral("Outro título"));
    ASSERT_EQ(s.requests().size(), 6u);
    EXPECT_EQ(s.requests()[2].kind, automation::RecordedRequest::Kind::File);
    EXPECT_EQ(s.requests()[4].kind, automation::RecordedRequest::Kind::Pick);
    EXPECT_TRUE(s.scriptErrors().empty());
}

TEST(ScriptedUiTest, ARequestWithoutAnAnswerIsAScriptError) {
    automation::ScriptedUiService s;
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("frmFiltroConfCredBco"));
    const std::vector<std::pair<const char*, std::function<void()>>> rows = {
        {"box", [&] { s.showBox(box(core::BoxKind::Error, "Sem resposta", core::mbOK)); }},
        {"file", [&] { s.chooseFile({}); }},
        {"pick", [&] { s.pickList({}); }},
        {"modal", [&] { s.showModal(dialog); }},
    };
    std::vector<QString> told;
    s.setOnScriptError([&](const QString& m) { told.push_back(m); });
    for (const auto& [name, request] : rows) {
        SCOPED_TRACE(name);
        EXPECT_THROW(request(), automation::ScriptError);
    }
    ASSERT_EQ(s.scriptErrors().size(), 4u);
    EXPECT_EQ(told, s.scriptErrors());
    EXPECT_TRUE(s.scriptErrors()[0].contains(QStringLiteral("Sem resposta")));
    EXPECT_TRUE(s.scriptErrors()[3].contains(QStringLiteral("frmFiltroConfCredBco")));
    EXPECT_FALSE(dialog.isVisible());
    // The unanswered box is still recorded, so a transcript shows it.
    ASSERT_EQ(s.boxes().size(), 1u);
    EXPECT_EQ(s.boxes()[0].answer, core::mrNone);
}

TEST(ScriptedUiTest, ModalActionsWorkOnTheShownDialog) {
    automation::ScriptedUiService s;
    QDialog dialog;
    auto* confirm = new QPushButton(QStringLiteral("Confirmar"), &dialog);
    QObject::connect(confirm, &QPushButton::clicked, &dialog, &QDialog::accept);
    bool wasVisible = false;
    s.queueModal([&](QDialog& d) {
        wasVisible = d.isVisible();
        confirm->click();
    });
    EXPECT_EQ(s.showModal(dialog), core::mrOk);
    EXPECT_TRUE(wasVisible);
    EXPECT_FALSE(dialog.isVisible());

    // Left open by its action: closed as Escape would, and recorded.
    s.queueModal([](QDialog&) {});
    EXPECT_EQ(s.showModal(dialog), core::mrCancel);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(s.requests().back().detail.contains(QStringLiteral("closed")));

    // A fallback takes modal screens nothing was queued for.
    s.setModalFallback([](QDialog& d) { d.done(core::mrYes); });
    EXPECT_EQ(s.showModal(dialog), core::mrYes);
}

TEST(ScriptedUiTest, BoxFallbackAndNames) {
    automation::ScriptedUiService s;
    s.setBoxFallback([](const automation::RecordedBox& b) -> std::optional<int> {
        return b.kind == core::BoxKind::Confirmation ? std::optional<int>(core::mrNo)
                                                     : std::nullopt;
    });
    EXPECT_EQ(s.showBox(box(core::BoxKind::Confirmation, "?", core::mbYes | core::mbNo)),
              core::mrNo);
    EXPECT_THROW(s.showBox(box(core::BoxKind::Error, "!", core::mbOK)), automation::ScriptError);

    EXPECT_EQ(automation::modalResultFromName(QStringLiteral("yes")), core::mrYes);
    EXPECT_EQ(automation::modalResultFromName(QStringLiteral("OK")), core::mrOk);
    EXPECT_EQ(automation::modalResultFromName(QStringLiteral("Sim")), std::nullopt);
    EXPECT_EQ(automation::boxButtonsText(core::mbYes | core::mbNo), QStringLiteral("Yes|No"));
    EXPECT_EQ(automation::boxKindName(core::BoxKind::Confirmation), QStringLiteral("Confirmation"));
}

TEST(ScriptedUiTest, ScopedUiRestoresTheServiceBefore) {
    core::UiService* before = &core::ui();
    {
        automation::ScriptedUiService s;
        automation::ScopedUi scope(s);
        EXPECT_EQ(&core::ui(), &s);
        core::ui().setScreenCursor(core::crHourGlass);
        EXPECT_EQ(s.screenCursor(), core::crHourGlass);
    }
    EXPECT_EQ(&core::ui(), before);
}

TEST(QtUiServiceTest, WindowsFiltersBecomeQtFilters) {
    const std::pair<const char*, const char*> rows[] = {
        {"Text File|*.txt|All Files|*.*", "Text File (*.txt);;All Files (*.*)"},
        {"Textos|*.txt;*.csv", "Textos (*.txt *.csv)"},
        {"Sem padrão|", ""},
        {"", ""},
    };
    for (const auto& [windows, qt] : rows) {
        SCOPED_TRACE(windows);
        EXPECT_EQ(widgets::qtFileFilter(QString::fromUtf8(windows)), QString::fromUtf8(qt));
    }
}

TEST(QtUiServiceTest, HostPathsBackToWindowsPaths) {
    platform::DriveMap map;
    map.map('C', "/srv/confcred/C");
    map.map('D', "/srv/confcred/C/dados");  // nested: the closest drive wins
    map.map('Z', "/");
    platform::ScopedDriveMap scope(map);
    EXPECT_EQ(widgets::windowsPathOf("/srv/confcred/C/Credito/Site/lote.txt"),
              std::optional<QString>(QStringLiteral("C:\\Credito\\Site\\lote.txt")));
    EXPECT_EQ(widgets::windowsPathOf("/srv/confcred/C/dados/a.txt"),
              std::optional<QString>(QStringLiteral("D:\\a.txt")));
    EXPECT_EQ(widgets::windowsPathOf("/tmp/x.txt"),
              std::optional<QString>(QStringLiteral("Z:\\tmp\\x.txt")));
    map.unmap('Z');
    platform::ScopedDriveMap noZ(map);
    EXPECT_EQ(widgets::windowsPathOf("/tmp/x.txt"), std::nullopt);
    EXPECT_EQ(widgets::windowsPathOf("/srv/confcred/Cx/a.txt"), std::nullopt);
}

// A real box, answered by a timer that presses its "Sim" button: checks the
// caption, icon, Portuguese buttons and the classic result code.
TEST(QtUiServiceTest, MessageBoxShowsTitleIconAndClassicButtons) {
    core::application().setTitle(QStringLiteral("ERP Teste"));
    widgets::QtUiService qt;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList texts;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown)
            return;
        caption = shown->windowTitle();
        icon = shown->icon();
        for (QAbstractButton* b : shown->buttons())
            texts << b->text();
        shown->button(QMessageBox::Yes)->click();
    });
    timer.start();
    const int result =
        qt.showBox(box(core::BoxKind::Confirmation, "Confirma?", core::mbYes | core::mbNo));
    timer.stop();
    EXPECT_EQ(result, core::mrYes);
    EXPECT_EQ(caption, QStringLiteral("ERP Teste"));
    EXPECT_EQ(icon, QMessageBox::Question);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Não"), QStringLiteral("&Sim")}));
}

}  // namespace
