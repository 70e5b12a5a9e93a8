#include "package_fixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTcpServer>
#include <QWidget>

#include "host/client/net_connection.h"
#include "host/client/sql_query.h"
#include "host/core/application.h"
#include "host/widgets/busy_indicator.h"
#include "package/core/credit_filter_params.h"
#include "package/frame/package_units.h"

namespace confcred::testing {

std::unique_ptr<ServerProcess> PackageTest::server_;

PackageTest::PackageTest() = default;
PackageTest::~PackageTest() = default;

ServerProcess& PackageTest::server() {
    if (!server_) {
        ServerProcessOptions options;
        // SQLite: a new file starts with the demo data the screens are tested on.
        options.backend = TestBackend::Sqlite;
        server_ = std::make_unique<ServerProcess>(options);
    }
    return *server_;
}

void PackageTest::restartFreshServer() {
    server_.reset();
    server();
}

void PackageTest::TearDownTestSuite() {
    server_.reset();
}

void PackageTest::SetUp() {
    scoped_ = std::make_unique<host::automation::ScopedUi>(ui_);
    main_ = std::make_unique<QMainWindow>();
    area_ = new QMdiArea(main_.get());
    main_->setCentralWidget(area_);
    main_->resize(1024, 768);
    host::core::application().setMainWindow(main_.get());
    host::core::application().setMdiArea(area_);
    main_->show();
    host::core::WebURL = QStringLiteral("127.0.0.1");
    host::core::WebPort = server().port();
    host::core::FiliProc = 1;
    host::core::Operador = QStringLiteral("teste");
    package::Cli_Lun90002::initialization();
    package::Cli_Lun90000::initialization();
    package::setCreditFilterDefaults();
    host::client::TNetConnection::setCallObserver(
        [this](const QString& method, const QString& args) {
            calls_ << method + QLatin1Char(' ') + args;
        });
    openSharedDatabase();
}

void PackageTest::TearDown() {
    host::client::TNetConnection::setCallObserver(nullptr);
    // Every screen a test left open goes, with its close handler.
    area_->closeAllSubWindows();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w != main_.get())
            w->close();
    processEvents();
    host::core::application().setMdiArea(nullptr);
    host::core::application().setMainWindow(nullptr);
    main_.reset();
    area_ = nullptr;
    processEvents();
    while (host::widgets::busyDepth() > 0)
        host::widgets::DeactiveShowAvi();
    closeSharedDatabase();
    scoped_.reset();
}

void PackageTest::openSharedDatabase() {
    closeSharedDatabase();
    const QString url = QString::fromStdString(server().dbUrl());
    ASSERT_TRUE(url.startsWith(QStringLiteral("sqlite:"))) << url.toStdString();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                host::client::TADOIBQuery::kSharedConnection);
    db.setDatabaseName(url.mid(7));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
}

void PackageTest::closeSharedDatabase() {
    const QString name = QString::fromLatin1(host::client::TADOIBQuery::kSharedConnection);
    if (!QSqlDatabase::contains(name))
        return;
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

QStringList PackageTest::callMethods() const {
    QStringList methods;
    for (const QString& call : calls_)
        methods << call.section(QLatin1Char(' '), 0, 0);
    return methods;
}

void PackageTest::pointAtDeadServer() {
    // A port that was free a moment ago: nothing answers there.
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    host::core::WebPort = port;
}

void PackageTest::processEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

}  // namespace confcred::testing
