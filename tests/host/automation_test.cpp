// The automation driver's command table: the reference in docs/automation.md
// lists exactly its commands with their usage lines, and a wrong number of
// words after a command stops the script with the command's own message.
#include <gtest/gtest.h>

#include <QFile>
#include <QTextStream>

#include "host/automation/automation.h"
#include "host/automation/scripted_ui_service.h"

using namespace confcred::host;
using namespace confcred::host::automation;

namespace {

TEST(AutomationTest, ReferenceListsEveryCommandWithItsUsage) {
    QFile doc(QStringLiteral(CONFCRED_AUTOMATION_DOC));
    ASSERT_TRUE(doc.open(QIODevice::ReadOnly | QIODevice::Text)) << CONFCRED_AUTOMATION_DOC;
    // The command table's rows: | `usage` | what it does |
    QStringList documented;
    for (const QString& line : QString::fromUtf8(doc.readAll()).split('\n')) {
        if (!line.startsWith(QStringLiteral("| `")))
            continue;
        const qsizetype end = line.indexOf('`', 3);
        documented << line.mid(3, end - 3).replace(QStringLiteral("\\|"), QStringLiteral("|"));
    }
    EXPECT_EQ(documented, automation::automationCommandUsages());
}

TEST(AutomationTest, WrongArgumentCountsStopTheScript) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"open now", "error: line 1: open takes 0 argument(s)"},
        {"pick", "error: line 1: pick takes at least one key"},
        {"set frmA.edtA", "error: line 1: set takes 2 argument(s)"},
        {"grid-click frmA.dbgA 1", "error: line 1: grid-click takes 3 argument(s)"},
        {"answer Talvez", "error: line 1: unknown answer Talvez"},
        {"\n# only a comment\nfly", "error: line 3: unknown command fly"},
    };
    for (const auto& [script, expected] : rows) {
        SCOPED_TRACE(script);
        automation::ScriptedUiService ui;
        QString transcript;
        QTextStream out(&transcript);
        automation::AutomationDriver driver(ui, {}, out);
        EXPECT_EQ(driver.run(QString::fromUtf8(script)), 1);
        EXPECT_EQ(transcript.trimmed(), QString::fromUtf8(expected));
    }
}

}  // namespace
