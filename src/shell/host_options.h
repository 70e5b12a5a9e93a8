// The host's settings: command-line options over an INI file over defaults
// that work at once with the server's defaults and demo data.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <stdexcept>

namespace confcred::shell {

class OptionsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct HostOptions {
    QString serverHost = QStringLiteral("127.0.0.1");
    int serverPort = 8211;
    QString caFile;  // authorities for an https:// server; empty: the system's store
    int branch = 1;
    QString operatorName;         // the login name when not given
    QString database;             // sqlite:PATH or postgresql://...
    QMap<QChar, QString> drives;  // drive letter -> host folder
    QString packagePath;          // the screen package module
    QString scriptPath;           // automation mode when set
    QString configPath;           // the INI file read, if any
    QString screenshotPath;       // automation: write a picture of the main window at the end
    bool help = false;
};

// The same place confcred-server keeps its default database.
QString defaultDatabaseUrl();
// The INI file read when --config is not given.
QString defaultConfigPath();
QString usage();

// Reads `arguments` (without the program name). The INI file (--config or the
// default, when it exists) gives values the command line does not. Throws
// OptionsError with a one-line message.
HostOptions parseHostOptions(const QStringList& arguments, const QString& applicationDir);

}  // namespace confcred::shell
