// Message tables: lookups by key without regard to case, bad lines refused,
// and ShowMsg through the UI service.
#include <gtest/gtest.h>

#include <QApplication>
#include <stdexcept>

#include "host/automation/scripted_ui_service.h"
#include "host/core/application.h"
#include "host/core/messages.h"

using namespace confcred::host;
using namespace confcred::host::core;
using namespace confcred::host::automation;

namespace {

const QStringList kLines = {
    QStringLiteral("Ope_Conc|Operação concluída com sucesso."),
    QStringLiteral("CONF|Confirma operação?"),
    QStringLiteral("Sel_Reg|Selecione ao menos um registro | pedido."),
    QStringLiteral("Branco|Texto com branco no fim "),
    QStringLiteral("conf|segunda ocorrência"),
    QStringLiteral("Vazio|"),
};

TEST(MessagesTest, Lookups) {
    core::TMessages msg;
    msg.setLines(kLines);
    struct Row {
        const char* key;
        QString text;
    };
    const Row rows[] = {
        {"Ope_Conc", QStringLiteral("Operação concluída com sucesso.")},
        {"OPE_CONC", QStringLiteral("Operação concluída com sucesso.")},
        {"Conf", QStringLiteral("Confirma operação?")},  // the first of a repeated key
        {"Sel_Reg", QStringLiteral("Selecione ao menos um registro | pedido.")},
        {"Branco", QStringLiteral("Texto com branco no fim ")},
        {"Vazio", QString()},
        {"Inexistente", QString()},
        {"", QString()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(msg.Msg(QString::fromUtf8(row.key)), row.text);
    }
    EXPECT_TRUE(msg.contains(QStringLiteral("vazio")));
    EXPECT_FALSE(msg.contains(QStringLiteral("Inexistente")));
    EXPECT_EQ(msg.count(), kLines.size());
}

TEST(MessagesTest, BadLinesAreRefusedAndTheTableStaysAsItWas) {
    core::TMessages msg;
    msg.setLines(kLines);
    const QStringList bad[] = {
        {QStringLiteral("Ok|fine"), QStringLiteral("sem barra")},
        {QStringLiteral("|sem chave")},
    };
    for (const QStringList& lines : bad) {
        SCOPED_TRACE(lines.join(QLatin1Char('/')).toStdString());
        EXPECT_THROW(msg.setLines(lines), std::invalid_argument);
        EXPECT_EQ(msg.Msg(QStringLiteral("CONF")), QStringLiteral("Confirma operação?"));
        EXPECT_TRUE(msg.Msg(QStringLiteral("Ok")).isEmpty());
    }
    EXPECT_THROW(msg.addLine(QStringLiteral("nada")), std::invalid_argument);
    EXPECT_EQ(msg.count(), kLines.size());
    msg.addLine(QStringLiteral("Novo|Texto novo"));
    EXPECT_EQ(msg.Msg(QStringLiteral("novo")), QStringLiteral("Texto novo"));
}

TEST(MessagesTest, ShowMsgShowsTheTextWithTheTitleAndGivesTheAnswer) {
    core::application().setTitle(QStringLiteral("ERP Teste"));
    automation::ScriptedUiService scripted;
    automation::ScopedUi scope(scripted);
    core::TMessages msg;
    msg.setLines(kLines);
    scripted.queueBoxAnswer(core::mrYes);
    scripted.queueBoxAnswer(core::mrNo);
    EXPECT_EQ(msg.ShowMsg(QStringLiteral("Conf"), core::BoxKind::Confirmation,
                          core::mbYes | core::mbNo, 0),
              core::mrYes);
    EXPECT_EQ(msg.ShowMsg(QStringLiteral("conf"), core::BoxKind::Confirmation,
                          core::mbYes | core::mbNo, 0),
              core::mrNo);
    ASSERT_EQ(scripted.boxes().size(), 2u);
    const automation::RecordedBox& box = scripted.boxes()[0];
    EXPECT_EQ(box.kind, core::BoxKind::Confirmation);
    EXPECT_EQ(box.caption, QStringLiteral("ERP Teste"));
    EXPECT_EQ(box.text, QStringLiteral("Confirma operação?"));
    EXPECT_EQ(box.buttons, core::BoxButtons{core::mbYes | core::mbNo});
}

}  // namespace
