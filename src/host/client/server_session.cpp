#include "host/client/server_session.h"

#include <QCoreApplication>

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QUrl>
#include <memory>

#include "host/client/retry_key.h"
#include "host/client/server_tls.h"

namespace confcred::host::client {

namespace {

constexpr int kTimeoutMs = 30'000;

struct Exchanged {
    int status = 0;
    QByteArray body;
    QString tlsFailure;  // the server's certificate did not verify (host/client/server_tls.h)
};

// Sends with a network manager of its own, which lives no longer than the
// exchange (the session object itself outlives the application), and waits
// as the calls do: windows repaint, user input waits.
template <class Send>
Exchanged exchange(Send send) {
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    std::unique_ptr<QNetworkReply> reply(send(network));
    const CertificateWatch certificate(reply.get());
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return {status.isValid() ? status.toInt() : 0, reply->readAll(), certificate.failure()};
}

QNetworkRequest jsonRequest(const QUrl& url) {
    QNetworkRequest request = serverRequest(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(kTimeoutMs);
    return request;
}

// A balancer's 502/503/504 or a page that is not JSON: no server took the
// request.
bool unavailable(const Exchanged& answer) {
    if (answer.status == 0)
        return false;
    const QByteArray body = answer.body.trimmed();
    return answer.status == 502 || answer.status == 503 || answer.status == 504 ||
           !body.startsWith('{');
}

QString errorMessage(const Exchanged& answer, const QString& server) {
    const QString message = QJsonDocument::fromJson(answer.body)
                                .object()
                                .value(QStringLiteral("error"))
                                .toObject()
                                .value(QStringLiteral("message"))
                                .toString();
    if (!message.isEmpty())
        return message;
    if (answer.status == 0)
        return QCoreApplication::translate("confcred_host",
                                           "O servidor de aplicação não respondeu.");
    if (unavailable(answer))
        return QCoreApplication::translate(
                   "confcred_host",
                   "Servidor de aplicação indisponível em %1 (HTTP %2): nenhum servidor atendeu "
                   "a entrada. Tente novamente em instantes.")
            .arg(server)
            .arg(answer.status);
    return QCoreApplication::translate("confcred_host",
                                       "O servidor de aplicação recusou a entrada (HTTP %1).")
        .arg(answer.status);
}

}  // namespace

bool ServerSession::required(const QString& host, int port, QString* tlsFailure) {
    QNetworkRequest request = serverRequest(serverUrl(host, port, QStringLiteral("/health")));
    request.setTransferTimeout(kTimeoutMs);
    const Exchanged answer = exchange([&](QNetworkAccessManager& n) { return n.get(request); });
    if (tlsFailure)
        *tlsFailure = answer.tlsFailure;
    return answer.status == 200 &&
           QJsonDocument::fromJson(answer.body).object().value(QStringLiteral("sessions")).toBool();
}

bool ServerSession::take(const QByteArray& body) {
    const QJsonObject result =
        QJsonDocument::fromJson(body).object().value(QStringLiteral("result")).toObject();
    const QString token = result.value(QStringLiteral("token")).toString();
    const QDateTime expires =
        QDateTime::fromString(result.value(QStringLiteral("expires")).toString(), Qt::ISODate);
    if (token.isEmpty() || !expires.isValid())
        return false;
    token_ = token;
    operator_ = result.value(QStringLiteral("operator")).toString();
    if (result.contains(QStringLiteral("role")))
        role_ = result.value(QStringLiteral("role")).toString();
    issued_ = QDateTime::currentDateTime();
    expires_ = expires;
    return true;
}

LoginReply ServerSession::login(const QString& host, int port, const QString& operatorName,
                                const QString& password) {
    const QJsonObject credentials{{QStringLiteral("operator"), operatorName},
                                  {QStringLiteral("password"), password}};
    const QNetworkRequest request = jsonRequest(serverUrl(host, port, QStringLiteral("/session")));
    const QByteArray body = QJsonDocument(credentials).toJson(QJsonDocument::Compact);
    Exchanged answer = exchange([&](QNetworkAccessManager& n) { return n.post(request, body); });
    // Behind a balancer a server may be going away as the login arrives: it
    // goes again, twice at most, before the operator is told.
    for (int retry = 1; retry <= 2 && unavailable(answer); ++retry) {
        pauseBeforeRetry(500 * retry);
        answer = exchange([&](QNetworkAccessManager& n) { return n.post(request, body); });
    }
    LoginReply reply;
    reply.status = answer.status;
    if (answer.status == 200 && take(answer.body)) {
        host_ = host;
        port_ = port;
        reply.ok = true;
    } else {
        reply.message = errorMessage(answer, host + QLatin1Char(':') + QString::number(port));
    }
    return reply;
}

void ServerSession::renewIfDue() {
    if (!active())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 length = issued_.secsTo(expires_);
    if (now.secsTo(expires_) > length / 3)
        return;
    QNetworkRequest request =
        jsonRequest(serverUrl(host_, port_, QStringLiteral("/session/renew")));
    request.setRawHeader("Authorization", bearer());
    const Exchanged answer =
        exchange([&](QNetworkAccessManager& n) { return n.post(request, QByteArray()); });
    if (answer.status == 200)
        take(answer.body);
}

void ServerSession::end() {
    relogin_ = nullptr;
    if (!active())
        return;
    QNetworkRequest request = jsonRequest(serverUrl(host_, port_, QStringLiteral("/session")));
    request.setRawHeader("Authorization", bearer());
    exchange([&](QNetworkAccessManager& n) { return n.deleteResource(request); });
    token_.clear();
    operator_.clear();
    role_.clear();
}

LoginAgain ServerSession::logInAgain(QString& message) {
    if (!relogin_ || loggingInAgain_)
        return LoginAgain::Unavailable;
    loggingInAgain_ = true;
    const auto done = qScopeGuard([this] { loggingInAgain_ = false; });
    return relogin_(message);
}

ServerSession& serverSession() {
    static ServerSession session;
    return session;
}

}  // namespace confcred::host::client
