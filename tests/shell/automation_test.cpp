// The host executable in automation mode, with the sample package: the
// loader, the menu entry, the scripted answers and the transcript.
#include <gtest/gtest.h>
#include <QProcess>
#include <QString>

#include "support/temp_dir.h"

namespace {

using confcred::testing::TempDir;

struct HostRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class AutomationTest : public ::testing::Test {
  protected:
    HostRun run(const std::string& script, QStringList extra = {}) {
        const auto path = dir.write("script.txt", script);
        QProcess host;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.path().string()));
        host.setProcessEnvironment(env);
        // No database and no server are needed by the sample package; the
        // missing database is only warned about.
        QStringList args = {
            "--package", CONFCRED_SAMPLE_PACKAGE,
            "--db",      QString::fromStdString("sqlite:" + dir.path().string() + "/none.db"),
            "--script",  QString::fromStdString(path.string())};
        host.start(CONFCRED_HOST_EXE, args + extra);
        EXPECT_TRUE(host.waitForFinished(60'000));
        return {host.exitCode(), QString::fromUtf8(host.readAllStandardOutput()),
                QString::fromUtf8(host.readAllStandardError())};
    }
    TempDir dir;
};

TEST_F(AutomationTest, DrivesTheScreenAndPrintsTheTranscript) {
    const HostRun r =
        run("open\n"
            "dump frmAmostra.cdsAmostra\n"
            "grid-title frmAmostra.dbgPadrao NOME   # sorts by name\n"
            "grid-click frmAmostra.dbgPadrao 3 CODIGO\n"
            "dump frmAmostra.cdsAmostra\n"
            "state frmAmostra.sbtFechar\n"
            "dump-params\n"
            "close frmAmostra\n");
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    const QString expected =
        "dump frmAmostra.cdsAmostra 3 rows\n"
        "> CODIGO=3 | NOME=Carla\n"
        "  CODIGO=1 | NOME=Ana\n"
        "  CODIGO=2 | NOME=Bruno\n"
        "dump frmAmostra.cdsAmostra 3 rows\n"
        "  CODIGO=1 | NOME=Ana\n"
        "  CODIGO=2 | NOME=Bruno\n"
        "> CODIGO=3 | NOME=Carla\n";
    EXPECT_TRUE(r.out.contains(expected)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("state frmAmostra.sbtFechar enabled=1")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("param INICIALIZADO = 1")) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith("end\n")) << r.out.toStdString();
}

TEST_F(AutomationTest, ScriptErrorsStopWithTheLineNumber) {
    const std::vector<std::pair<std::string, QString>> rows = {
        {"open\nclick frmAmostra.naoExiste\n", "error: line 2: unknown component"},
        {"open\n\nfly away\n", "error: line 3: unknown command fly"},
        {"dump frmNenhum.cds\n", "error: line 1: no open screen named frmNenhum"},
        {"open\ngrid-click frmAmostra.dbgPadrao 9 NOME\n", "error: line 2: no row 9"},
        {"answer Yes\n", "answers left unused"},
        {"set \"unterminated\n", "error: line 1: unterminated quote"},
    };
    for (const auto& [script, needle] : rows) {
        const HostRun r = run(script);
        EXPECT_EQ(r.exitCode, 1) << script;
        EXPECT_TRUE(r.out.contains(needle)) << script << " gave:\n" << r.out.toStdString();
    }
}

TEST_F(AutomationTest, BadOptionsAndMissingPackageExitNonZero) {
    QProcess host;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    host.setProcessEnvironment(env);
    host.start(CONFCRED_HOST_EXE, {"--branch", "x"});
    ASSERT_TRUE(host.waitForFinished(30'000));
    EXPECT_EQ(host.exitCode(), 2);
    EXPECT_TRUE(host.readAllStandardError().contains("--branch"));

    const HostRun r = run("open\n", {"--package", "/nonexistent/libPkg.so"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("cannot load package")) << r.err.toStdString();
}

}  // namespace
