// confcred-host: the host application. Opens the shared database, loads the
// screen package and offers its entry in the menu; with --script it runs an
// automation script against the real screens and prints a transcript.
#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QMdiArea>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "host/automation/automation.h"
#include "host/automation/scripted_ui_service.h"
#include "host/client/server_session.h"
#include "host/client/server_tls.h"
#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/package_loader.h"
#include "host/forms/login_dialog.h"
#include "platform/win_path.h"
#include "shell/host_options.h"
#include "shell/languages.h"
#include "shell/main_window.h"
#include "shell/package_folders.h"
#include "shell/package_params.h"
#include "shell/shared_database.h"

using namespace confcred;

namespace {

void applyContext(const shell::HostOptions& options) {
    host::core::FiliProc = options.branch;
    host::core::WebURL = options.serverHost;
    host::core::WebPort = options.serverPort;
    host::client::setServerCaFile(options.caFile);
    host::core::Operador = options.operatorName;
    platform::DriveMap drives = platform::DriveMap::defaults();
    for (auto it = options.drives.begin(); it != options.drives.end(); ++it)
        drives.map(it.key().toLatin1(), it.value().toStdString());
    platform::setDriveMap(std::move(drives));
}

int runScript(const shell::HostOptions& options, shell::MainWindow& window,
              host::core::PackageLoader& package) {
    QFile file(options.scriptPath);
    QTextStream out(stdout);
    if (!file.open(QIODevice::ReadOnly)) {
        out << "error: cannot read script " << options.scriptPath << Qt::endl;
        return 1;
    }
    host::automation::ScriptedUiService scripted;
    host::automation::ScopedUi scope(scripted);
    host::automation::AutomationDriver driver(
        scripted,
        {[&window] {
             if (!host::core::dispatch([&window] { window.openConfirmation(); }))
                 throw host::automation::AutomationError("the menu entry did not complete");
         },
         [&package] { return shell::packageParams(package); }},
        out);
    const int code = driver.run(QString::fromUtf8(file.readAll()));
    if (!options.screenshotPath.isEmpty()) {
        QApplication::processEvents();
        if (!window.grab().save(options.screenshotPath)) {
            out << "error: cannot write " << options.screenshotPath << Qt::endl;
            return 1;
        }
    }
    return code;
}

// Logs the operator in when the server wants a session; the host context's
// Operador becomes the name the server authenticated. Returns the exit code
// when the host must not go on (cancelled, or refused in automation).
std::optional<int> logIn(const shell::HostOptions& options) {
    std::optional<QString> password;
    if (!options.scriptPath.isEmpty())
        password = qEnvironmentVariable("CONFCRED_PASSWORD");
    QString message;
    const host::forms::LoginResult result = host::forms::logInAtStart(
        host::core::WebURL, host::core::WebPort, host::core::Operador, password, message);
    if (result == host::forms::LoginResult::Cancelled)
        return 0;
    if (result == host::forms::LoginResult::Refused) {
        std::fprintf(stderr, "confcred-host: login refused: %s\n", message.toUtf8().constData());
        return 1;
    }
    if (result == host::forms::LoginResult::Untrusted) {
        std::fprintf(stderr, "confcred-host: %s\n", message.toUtf8().constData());
        if (options.scriptPath.isEmpty())
            host::core::ui().showBox({host::core::BoxKind::Error, host::core::application().title(),
                                      message, host::core::mbOK, 0, nullptr});
        return 1;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("confcred-host"));
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    // Texts follow the person's language, unlike the regional formats above.
    const QLocale language = shell::personLocale();
    const std::unique_ptr<QTranslator> qtTexts = shell::installQtTranslation(language);
    const std::unique_ptr<QTranslator> hostTexts =
        shell::installHostTranslation(language, QApplication::applicationDirPath());

    shell::HostOptions options;
    try {
        options = shell::parseHostOptions(QApplication::arguments().mid(1),
                                          QApplication::applicationDirPath());
    } catch (const shell::OptionsError& error) {
        std::fprintf(stderr, "confcred-host: %s\n", error.what());
        return 2;
    }
    if (options.help) {
        std::fputs(shell::usage().toUtf8().constData(), stdout);
        return 0;
    }
    try {
        applyContext(options);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "confcred-host: %s\n", error.what());
        return 2;
    }
    host::core::application().setTitle(QStringLiteral("ConfCred"));
    if (const auto stop = logIn(options))
        return *stop;

    if (!options.database.isEmpty()) {
        if (const QString problem = shell::openSharedDatabase(options.database); !problem.isEmpty())
            std::fprintf(stderr, "confcred-host: %s\n", problem.toUtf8().constData());
    }

    host::core::PackageLoader package;
    QString packageProblem;
    try {
        package.load(options.packagePath, language);
    } catch (const host::core::PackageError& error) {
        std::fprintf(stderr, "confcred-host: %s\n", error.what());
        // A script cannot run without the screens; a person still gets the
        // window and is told why its menu entry does nothing.
        if (!options.scriptPath.isEmpty())
            return 1;
        packageProblem = QString::fromUtf8(error.what());
    }

    auto window = std::make_unique<shell::MainWindow>(options, package);
    host::core::application().setMainWindow(window.get());
    host::core::application().setMdiArea(window->mdiArea());
    window->show();
    if (packageProblem.isEmpty()) {
        // A fresh installation: the package's folders are made once, and said.
        const QString folders = shell::packageFoldersText(shell::createPackageFolders(package));
        if (!folders.isEmpty())
            host::core::application().showStatus(folders);
    }
    if (!packageProblem.isEmpty()) {
        window->setPackageMissing(packageProblem);
        host::core::ui().showBox({host::core::BoxKind::Error, host::core::application().title(),
                                  QCoreApplication::translate("confcred_host",
                                                              "Não foi possível carregar o pacote "
                                                              "de telas: ") +
                                      packageProblem,
                                  host::core::mbOK, 0, window.get()});
    }

    int code = 0;
    if (!options.scriptPath.isEmpty()) {
        code = runScript(options, *window, package);
    } else {
        code = app.exec();
    }
    // Screens go before the package that holds their code: their close
    // handlers run, their deferred deletions happen, then the package unloads.
    window->mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.reset();
    for (QWidget* top : QApplication::topLevelWidgets())
        delete top;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    package.unload();
    shell::closeSharedDatabase();
    host::client::serverSession().end();
    return code;
}
