#pragma once
// What the package's screen tests share: a real confcred-server on a free
// loopback port, the host context pointing at it, the scripted UI service in
// place of real dialogs, every server call recorded, and a clean module state
// (the units' load sections run again) for every test, the host's main
// window with its multiple-document area, and the host's shared database
// connection on the server's database.

#include <gtest/gtest.h>

#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>
#include <ostream>

class QMainWindow;
class QMdiArea;

// Readable failure messages for Qt texts and rectangles.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
}

#include "host/automation/scripted_ui_service.h"
#include "support/server_process.h"

namespace confcred::testing {

class PackageTest : public ::testing::Test {
  protected:
    PackageTest();
    ~PackageTest() override;

    void SetUp() override;
    void TearDown() override;

    // The server of this test suite: started once per test suite, on SQLite
    // (or PostgreSQL when CONFCRED_TEST_PG is set), with its demo data.
    static ServerProcess& server();
    // Starts a fresh server (a new database) for the rest of the suite.
    static void restartFreshServer();
    static void TearDownTestSuite();

    // Server calls made since the test began: "method args-json".
    const QStringList& calls() const { return calls_; }
    QStringList callMethods() const;
    void clearCalls() { calls_.clear(); }

    // Points the host context at a port where nothing listens.
    void pointAtDeadServer();

    // The host's shared database connection, opened on the server's database
    // for every test as confcred-host opens it (read-only); a test may close
    // it to play a host database that cannot be read.
    static void openSharedDatabase();
    static void closeSharedDatabase();

    // Lets queued events (deferred deletions, repaints) run.
    static void processEvents();

    host::automation::ScriptedUiService ui_;
    // The host's main window with its multiple-document area, as confcred-host
    // sets them up; child screens open there and activate as in the host.
    QMainWindow* mainWindow() const { return main_.get(); }
    QMdiArea* mdiArea() const { return area_; }

  private:
    std::unique_ptr<QMainWindow> main_;
    QMdiArea* area_ = nullptr;
    std::unique_ptr<host::automation::ScopedUi> scoped_;
    QStringList calls_;
    static std::unique_ptr<ServerProcess> server_;
};

}  // namespace confcred::testing
