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
namespace platform = confcred::platform;

namespace {

BoxRequest box(BoxKind kind, const char* text, BoxButtons buttons) {
    BoxRequest r;
    r.kind = kind;
    r.text = QString::fromUtf8(text);
    r.buttons = buttons;
    return r;
}

TEST(ScriptedUiTest, AnswersComeFromTheQueuesInOrderAndEveryBoxIsRecorded) {
    application().setTitle(QStringLiteral("ERP Teste"));
    ScriptedUiService s;
    s.queueBoxAnswer(mrYes);
    s.queueBoxAnswer(mrOk);
    s.queueFile(QStringLiteral("C:\\Credito\\Site\\lote.txt"));
    s.queueFileCancel();
    s.queuePick(QStringLiteral("'1','2'"));
    s.queuePickCancel();
    EXPECT_EQ(s.pendingAnswers(), 6u);

    EXPECT_EQ(s.showBox(box(BoxKind::Confirmation, "Confirma Operação?", mbYes | mbNo)), mrYes);
    BoxRequest titled = box(BoxKind::Information, "Pronto.", mbOK);
    titled.caption = QStringLiteral("Outro título");
    EXPECT_EQ(s.showBox(titled), mrOk);
    EXPECT_EQ(s.chooseFile({}),
              std::optional<QString>(QStringLiteral("C:\\Credito\\Site\\lote.txt")));
    EXPECT_EQ(s.chooseFile({}), std::nullopt);
    PickRequest pick;
    pick.title = QStringLiteral("Clientes");
    pick.selection = QStringLiteral("'7'");
    EXPECT_EQ(s.pickList(pick).selection, QStringLiteral("'1','2'"));
    const PickResult cancelled = s.pickList(pick);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.selection, QStringLiteral("'7'"));  // left as it was given
    EXPECT_EQ(s.pendingAnswers(), 0u);

    ASSERT_EQ(s.boxes().size(), 2u);
    EXPECT_EQ(s.boxes()[0].kind, BoxKind::Confirmation);
    EXPECT_EQ(s.boxes()[0].caption, QStringLiteral("ERP Teste"));  // the title when none given
    EXPECT_EQ(s.boxes()[0].text, QStringLiteral("Confirma Operação?"));
    EXPECT_EQ(s.boxes()[0].buttons, BoxButtons{mbYes | mbNo});
    EXPECT_EQ(s.boxes()[0].answer, mrYes);
    EXPECT_EQ(s.boxes()[1].caption, QStringLiteral("Outro título"));
    ASSERT_EQ(s.requests().size(), 6u);
    EXPECT_EQ(s.requests()[2].kind, RecordedRequest::Kind::File);
    EXPECT_EQ(s.requests()[4].kind, RecordedRequest::Kind::Pick);
    EXPECT_TRUE(s.scriptErrors().empty());
}

TEST(ScriptedUiTest, ARequestWithoutAnAnswerIsAScriptError) {
    ScriptedUiService s;
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("frmFiltroConfCredBco"));
    const std::vector<std::pair<const char*, std::function<void()>>> rows = {
        {"box", [&] { s.showBox(box(BoxKind::Error, "Sem resposta", mbOK)); }},
        {"file", [&] { s.chooseFile({}); }},
        {"pick", [&] { s.pickList({}); }},
        {"modal", [&] { s.showModal(dialog); }},
    };
    std::vector<QString> told;
    s.setOnScriptError([&](const QString& m) { told.push_back(m); });
    for (const auto& [name, request] : rows) {
        SCOPED_TRACE(name);
        EXPECT_THROW(request(), ScriptError);
    }
    ASSERT_EQ(s.scriptErrors().size(), 4u);
    EXPECT_EQ(told, s.scriptErrors());
    EXPECT_TRUE(s.scriptErrors()[0].contains(QStringLiteral("Sem resposta")));
    EXPECT_TRUE(s.scriptErrors()[3].contains(QStringLiteral("frmFiltroConfCredBco")));
    EXPECT_FALSE(dialog.isVisible());
    // The unanswered box is still recorded, so a transcript shows it.
    ASSERT_EQ(s.boxes().size(), 1u);
    EXPECT_EQ(s.boxes()[0].answer, mrNone);
}

TEST(ScriptedUiTest, ModalActionsWorkOnTheShownDialog) {
    ScriptedUiService s;
    QDialog dialog;
    auto* confirm = new QPushButton(QStringLiteral("Confirmar"), &dialog);
    QObject::connect(confirm, &QPushButton::clicked, &dialog, &QDialog::accept);
    bool wasVisible = false;
    s.queueModal([&](QDialog& d) {
        wasVisible = d.isVisible();
        confirm->click();
    });
    EXPECT_EQ(s.showModal(dialog), mrOk);
    EXPECT_TRUE(wasVisible);
    EXPECT_FALSE(dialog.isVisible());

    // Left open by its action: closed as Escape would, and recorded.
    s.queueModal([](QDialog&) {});
    EXPECT_EQ(s.showModal(dialog), mrCancel);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(s.requests().back().detail.contains(QStringLiteral("closed")));

    // A fallback takes modal screens nothing was queued for.
    s.setModalFallback([](QDialog& d) { d.done(mrYes); });
    EXPECT_EQ(s.showModal(dialog), mrYes);
}

TEST(ScriptedUiTest, BoxFallbackAndNames) {
    ScriptedUiService s;
    s.setBoxFallback([](const RecordedBox& b) -> std::optional<int> {
        return b.kind == BoxKind::Confirmation ? std::optional<int>(mrNo) : std::nullopt;
    });
    EXPECT_EQ(s.showBox(box(BoxKind::Confirmation, "?", mbYes | mbNo)), mrNo);
    EXPECT_THROW(s.showBox(box(BoxKind::Error, "!", mbOK)), ScriptError);

    EXPECT_EQ(modalResultFromName(QStringLiteral("yes")), mrYes);
    EXPECT_EQ(modalResultFromName(QStringLiteral("OK")), mrOk);
    EXPECT_EQ(modalResultFromName(QStringLiteral("Sim")), std::nullopt);
    EXPECT_EQ(boxButtonsText(mbYes | mbNo), QStringLiteral("Yes|No"));
    EXPECT_EQ(boxKindName(BoxKind::Confirmation), QStringLiteral("Confirmation"));
}

TEST(ScriptedUiTest, ScopedUiRestoresTheServiceBefore) {
    UiService* before = &ui();
    {
        ScriptedUiService s;
        ScopedUi scope(s);
        EXPECT_EQ(&ui(), &s);
        ui().setScreenCursor(crHourGlass);
        EXPECT_EQ(s.screenCursor(), crHourGlass);
    }
    EXPECT_EQ(&ui(), before);
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
        EXPECT_EQ(qtFileFilter(QString::fromUtf8(windows)), QString::fromUtf8(qt));
    }
}

TEST(QtUiServiceTest, HostPathsBackToWindowsPaths) {
    platform::DriveMap map;
    map.map('C', "/srv/confcred/C");
    map.map('D', "/srv/confcred/C/dados");  // nested: the closest drive wins
    map.map('Z', "/");
    platform::ScopedDriveMap scope(map);
    EXPECT_EQ(windowsPathOf("/srv/confcred/C/Credito/Site/lote.txt"),
              std::optional<QString>(QStringLiteral("C:\\Credito\\Site\\lote.txt")));
    EXPECT_EQ(windowsPathOf("/srv/confcred/C/dados/a.txt"),
              std::optional<QString>(QStringLiteral("D:\\a.txt")));
    EXPECT_EQ(windowsPathOf("/tmp/x.txt"),
              std::optional<QString>(QStringLiteral("Z:\\tmp\\x.txt")));
    map.unmap('Z');
    platform::ScopedDriveMap noZ(map);
    EXPECT_EQ(windowsPathOf("/tmp/x.txt"), std::nullopt);
    EXPECT_EQ(windowsPathOf("/srv/confcred/Cx/a.txt"), std::nullopt);
}

// A real box, answered by a timer that presses its "Sim" button: checks the
// caption, icon, Portuguese buttons and the classic result code.
TEST(QtUiServiceTest, MessageBoxShowsTitleIconAndClassicButtons) {
    application().setTitle(QStringLiteral("ERP Teste"));
    QtUiService qt;
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
    const int result = qt.showBox(box(BoxKind::Confirmation, "Confirma?", mbYes | mbNo));
    timer.stop();
    EXPECT_EQ(result, mrYes);
    EXPECT_EQ(caption, QStringLiteral("ERP Teste"));
    EXPECT_EQ(icon, QMessageBox::Question);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("&Não"), QStringLiteral("&Sim")}));
}

}  // namespace
