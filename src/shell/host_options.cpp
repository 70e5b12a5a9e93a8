#include "shell/host_options.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cstdlib>

namespace confcred::shell {

namespace {

QString dataHome() {
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    if (!xdg.isEmpty())
        return QString::fromLocal8Bit(xdg);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

void setServer(HostOptions& options, const QString& value) {
    // https://HOST:PORT reaches the server over TLS. The scheme stays on the
    // host, as the host context carries it (host/client/server_tls.h); http:// is
    // the plain form.
    QString address = value;
    bool tls = false;
    for (const QLatin1String scheme : {QLatin1String("https://"), QLatin1String("http://")}) {
        if (address.startsWith(scheme, Qt::CaseInsensitive)) {
            tls = scheme.startsWith(QLatin1String("https"));
            address = address.mid(scheme.size());
            if (address.endsWith('/'))
                address.chop(1);
            break;
        }
    }
    const int colon = address.lastIndexOf(':');
    QString host = colon < 0 ? address : address.left(colon);
    if (host.isEmpty())
        throw OptionsError("--server wants HOST:PORT, got \"" + value.toStdString() + "\"");
    options.serverHost = tls ? QStringLiteral("https://") + host : host;
    if (colon >= 0) {
        bool ok = false;
        const int port = address.mid(colon + 1).toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            throw OptionsError("--server: bad port in \"" + value.toStdString() + "\"");
        options.serverPort = port;
    }
}

void setBranch(HostOptions& options, const QString& value) {
    bool ok = false;
    const int branch = value.trimmed().toInt(&ok);
    if (!ok || branch < 0)
        throw OptionsError("--branch wants a branch number, got \"" + value.toStdString() + "\"");
    options.branch = branch;
}

void setDrive(HostOptions& options, const QString& value) {
    const int eq = value.indexOf('=');
    const QString letter = value.left(eq).trimmed().toUpper();
    if (eq < 0 || letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z' ||
        value.mid(eq + 1).isEmpty())
        throw OptionsError("--drive wants LETTER=FOLDER, got \"" + value.toStdString() + "\"");
    options.drives[letter[0]] = QDir(value.mid(eq + 1)).absolutePath();
}

void setDatabase(HostOptions& options, const QString& value) {
    if (!value.startsWith("sqlite:") && !value.startsWith("postgresql://") &&
        !value.startsWith("postgres://"))
        throw OptionsError("--db wants sqlite:PATH or postgresql://..., got \"" +
                           value.toStdString() + "\"");
    options.database = value;
}

using Setter = void (*)(HostOptions&, const QString&);

struct Option {
    const char* name;  // on the command line with "--", in the INI file as is
    Setter set;
};

const Option kOptions[] = {
    {"server", setServer},
    {"ca", [](HostOptions& o, const QString& v) { o.caFile = QFileInfo(v).absoluteFilePath(); }},
    {"branch", setBranch},
    {"operator", [](HostOptions& o, const QString& v) { o.operatorName = v; }},
    {"db", setDatabase},
    {"drive", setDrive},
    {"package",
     [](HostOptions& o, const QString& v) { o.packagePath = QFileInfo(v).absoluteFilePath(); }},
    {"script", [](HostOptions& o, const QString& v) { o.scriptPath = v; }},
    {"screenshot", [](HostOptions& o, const QString& v) { o.screenshotPath = v; }},
    {"config", [](HostOptions& o, const QString& v) { o.configPath = v; }},
};

const Option* findOption(const QString& name) {
    for (const Option& option : kOptions)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

}  // namespace

QString defaultDatabaseUrl() {
    return "sqlite:" + dataHome() + "/confcred/confcred.db";
}

QString defaultConfigPath() {
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    const QString base =
        xdg.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : QString::fromLocal8Bit(xdg);
    return base + QStringLiteral("/confcred/confcred-host.ini");
}

QString usage() {
    return QStringLiteral(
        "usage: confcred-host [options]\n"
        "  --server HOST:PORT   application server (default 127.0.0.1:8211)\n"
        "                       https://HOST:PORT: over TLS, its certificate checked\n"
        "  --ca FILE            PEM file of the authorities the server's certificate\n"
        "                       must chain to (default: the system's certificate store)\n"
        "  --branch N           branch code, FiliProc (default 1)\n"
        "  --operator NAME      operator name (default: the login name)\n"
        "  --db URL             shared database: sqlite:PATH or postgresql://...; only\n"
        "                       for a single desk with the database on its own machine\n"
        "                       (default: the host's queries go through the server)\n"
        "  --drive C=FOLDER     maps a Windows drive letter to a folder (repeatable)\n"
        "  --package PATH       the screen package module (default: beside the host)\n"
        "  --config FILE        INI file with the same keys in [host] (default\n"
        "                       ~/.config/confcred/confcred-host.ini)\n"
        "  --script FILE        automation mode: runs FILE, prints a transcript\n"
        "  --screenshot PNG     automation mode: saves the main window at the end\n"
        "  --help\n");
}

HostOptions parseHostOptions(const QStringList& arguments, const QString& applicationDir) {
    HostOptions options;
    QStringList given;  // names set on the command line; the INI file does not override them
    QList<std::pair<const Option*, QString>> commandLine;
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (!arg.startsWith("--"))
            throw OptionsError("unexpected argument \"" + arg.toStdString() + "\"");
        arg = arg.mid(2);
        QString value;
        const int eq = arg.indexOf('=');
        if (eq > 0 && findOption(arg.left(eq))) {
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            throw OptionsError("--" + arg.toStdString() + " wants a value");
        }
        const Option* option = findOption(arg);
        if (!option)
            throw OptionsError("unknown option --" + arg.toStdString());
        commandLine.append({option, value});
        given << arg;
    }

    // The INI file first, so that the command line wins.
    for (const auto& [option, value] : commandLine)
        if (QLatin1String(option->name) == QLatin1String("config"))
            option->set(options, value);
    const QString ini = options.configPath.isEmpty() ? defaultConfigPath() : options.configPath;
    if (!options.configPath.isEmpty() && !QFileInfo::exists(ini))
        throw OptionsError("config file not found: " + ini.toStdString());
    if (QFileInfo::exists(ini)) {
        options.configPath = ini;
        QSettings settings(ini, QSettings::IniFormat);
        settings.beginGroup("host");
        for (const Option& option : kOptions) {
            const QString name = QLatin1String(option.name);
            if (name == "config" || name == "script" || given.contains(name))
                continue;
            const QVariant value = settings.value(name);
            if (!value.isValid())
                continue;
            // QSettings reads "a,b" as a list: several drives in one value
            // ("C=/data/c,D=/data/d"); any other value is taken whole.
            const QStringList parts = value.toStringList();
            const QStringList values = name == "drive" ? parts : QStringList{parts.join(',')};
            for (const QString& v : values)
                option.set(options, v.trimmed());
        }
    }
    for (const auto& [option, value] : commandLine)
        option->set(options, value);

    // Without --db the host's own queries go through the application server
    // (host/client/server_query.h): a desk needs no database credentials.
    if (options.operatorName.isEmpty()) {
        const QByteArray user = qgetenv("USER");
        options.operatorName =
            user.isEmpty() ? QStringLiteral("operador") : QString::fromLocal8Bit(user);
    }
    if (options.packagePath.isEmpty())
        options.packagePath = applicationDir + QStringLiteral("/libPkg_Lun90000.so");
    return options;
}

}  // namespace confcred::shell
