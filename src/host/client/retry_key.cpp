#include "host/client/retry_key.h"

#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <QUuid>

namespace confcred::host::client {

bool isWriteCall(const QString& method) {
    static const QStringList writes = {
        QStringLiteral("setEfetivaSaldo"), QStringLiteral("setCancelaCredito"),
        QStringLiteral("setSituacao"), QStringLiteral("SetImporSaldoCons")};
    return writes.contains(method, Qt::CaseInsensitive);
}

QByteArray newIdempotencyKey() {
    return QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
}

void pauseBeforeRetry(int ms) {
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace confcred::host::client
