#include "shell/shared_database.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>

namespace confcred::shell {

QString openSharedDatabase(const QString& url) {
    closeSharedDatabase();
    if (url.startsWith("sqlite:")) {
        const QString path = url.mid(7);
        if (!QFileInfo::exists(path))
            return "banco de dados não encontrado: " + path +
                   " (inicie o confcred-server, que o cria na primeira vez)";
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", kSharedConnection);
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000");
        if (!db.open())
            return "não foi possível abrir " + path + ": " + db.lastError().text();
        return {};
    }
    const QUrl parsed(url);
    if (!parsed.isValid() || (parsed.scheme() != "postgresql" && parsed.scheme() != "postgres"))
        return "endereço de banco de dados inválido: " + url;
    QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", kSharedConnection);
    db.setHostName(parsed.host().isEmpty() ? QStringLiteral("localhost") : parsed.host());
    db.setPort(parsed.port(5432));
    db.setDatabaseName(parsed.path().mid(1));
    db.setUserName(parsed.userName());
    db.setPassword(parsed.password());
    QStringList options;
    for (const auto& [key, value] : QUrlQuery(parsed).queryItems())
        options << key + "=" + value;
    db.setConnectOptions(options.join(';'));
    if (!db.open())
        return "não foi possível conectar ao PostgreSQL: " + db.lastError().text();
    return {};
}

void closeSharedDatabase() {
    if (!QSqlDatabase::contains(kSharedConnection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kSharedConnection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(kSharedConnection);
}

}  // namespace confcred::shell
