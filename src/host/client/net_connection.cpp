#include "host/client/net_connection.h"

#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "dataset/packet_codec.h"
#include "host/client/retry_key.h"
#include "host/client/server_session.h"
#include "host/client/server_tls.h"
#include "host/core/off_ui_thread.h"

namespace confcred::host {

namespace {

TNetConnection::CallObserver& callObserver() {
    static TNetConnection::CallObserver observer;
    return observer;
}

QString where(const TNetConnection& c) {
    return c.Host() + QLatin1Char(':') + QString::number(c.Port());
}

TransportError transportError(const QString& text) {
    return TransportError(text.toStdString());
}

// A large answer (a list of many thousand orders) is decoded on a worker
// thread, so the windows keep painting until its packet is ready.
CallResult decodeCallAnswer(int status, std::string&& body, const QString& server,
                            const QString& method) {
    constexpr size_t kDecodeApartBytes = 256 * 1024;
    if (body.size() < kDecodeApartBytes)
        return decodeAnswer(status, std::move(body), server, method);
    return offUiThread([&] { return decodeAnswer(status, std::move(body), server, method); });
}

}  // namespace

CallResult RemoteServer::call(const QString& method, const CallArgs& args) {
    return connection_.AppServer(method, args);
}

TNetConnection::TNetConnection(QObject* parent)
    : QObject(parent), network_(new QNetworkAccessManager(this)) {
    // The application server is reached directly; a proxy from the
    // environment would only stand between the host and a server on its LAN.
    network_->setProxy(QNetworkProxy::NoProxy);
}

TNetConnection::~TNetConnection() = default;

void TNetConnection::setCallObserver(CallObserver observer) {
    callObserver() = std::move(observer);
}

QUrl TNetConnection::urlOf(const QString& path) const {
    return serverUrl(host_, port_, path);
}

void TNetConnection::setConnected(bool on) {
    if (on)
        Open();
    else
        Close();
}

void TNetConnection::Close() {
    if (!connected_)
        return;
    connected_ = false;
    emit connectedChanged(false);
}

void TNetConnection::Open() {
    if (connected_)
        return;
    if (beforeConnect_)
        beforeConnect_();
    const QString failed =
        QStringLiteral("Não foi possível conectar ao servidor de aplicação em %1: ")
            .arg(where(*this));
    if (host_.trimmed().isEmpty())
        throw transportError(failed + QStringLiteral("servidor não informado."));
    if (port_ < 1 || port_ > 65535)
        throw transportError(failed + QStringLiteral("porta inválida."));
    QNetworkRequest request = serverRequest(urlOf(QStringLiteral("/health")));
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(connectTimeoutMs_);
    std::string body;
    const int status =
        exchange(network_->get(request), connectTimeoutMs_, QStringLiteral("/health"), body);
    if (status != 200 || body.find("\"ok\"") == std::string::npos)
        throw transportError(
            failed +
            QStringLiteral("o serviço não respondeu como esperado (HTTP %1).").arg(status));
    connected_ = true;
    emit connectedChanged(true);
}

int TNetConnection::exchange(QNetworkReply* reply, int timeoutMs, const QString& what,
                             std::string& body, bool* sessionEnded) {
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owned(
        reply, [](QNetworkReply* r) { r->deleteLater(); });
    const CertificateWatch certificate(reply);
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        // The windows repaint and the busy animation moves; the operator's
        // clicks and keys wait until the answer is in.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const QVariant statusAttr = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttr.isValid() ? statusAttr.toInt() : 0;
    const QNetworkReply::NetworkError error = reply->error();
    // Codes below 200 are failures of the connection itself (refused, closed,
    // timed out, cancelled), and a broken HTTP stream is one too; the answer,
    // if any, cannot be trusted. Other codes only mirror an HTTP failure
    // status, whose body carries the server's message.
    const bool transportFailed =
        error != QNetworkReply::NoError &&
        (status == 0 || error < QNetworkReply::ContentAccessDenied ||
         error == QNetworkReply::ProtocolFailure || error == QNetworkReply::ProtocolUnknownError);
    if (transportFailed) {
        const QString server = where(*this);
        QString text;
        switch (error) {
            case QNetworkReply::ConnectionRefusedError:
                throw AnswerLost(QStringLiteral("O servidor de aplicação em %1 recusou a conexão; "
                                                "verifique se ele está em execução.")
                                     .arg(server)
                                     .toStdString());
            case QNetworkReply::RemoteHostClosedError:
                throw AnswerLost(QStringLiteral("O servidor de aplicação em %1 encerrou a conexão "
                                                "antes de terminar a resposta (%2).")
                                     .arg(server, what)
                                     .toStdString());
            case QNetworkReply::HostNotFoundError:
                text = QStringLiteral("Servidor de aplicação não encontrado: %1.").arg(host_);
                break;
            case QNetworkReply::SslHandshakeFailedError:
                text = certificate.failure();
                break;
            case QNetworkReply::TimeoutError:
            case QNetworkReply::OperationCanceledError:
                text = QStringLiteral("O servidor de aplicação em %1 não respondeu em %2 s (%3).")
                           .arg(server,
                                QLocale(QLocale::Portuguese, QLocale::Brazil)
                                    .toString(timeoutMs / 1000.0),
                                what);
                break;
            default:
                text = QStringLiteral(
                           "Falha na comunicação com o servidor de aplicação em %1 "
                           "(%2): %3")
                           .arg(server, what, reply->errorString());
        }
        throw transportError(text);
    }
    if (sessionEnded)
        *sessionEnded =
            status == 401 &&
            reply->rawHeader("WWW-Authenticate").contains(R"(realm="confcred-session")");
    const qint64 size = reply->bytesAvailable();
    body.clear();
    body.reserve(static_cast<size_t>(size) + dataset::kPacketPadding);
    body.resize(static_cast<size_t>(size));
    if (size > 0 && reply->read(body.data(), size) != size)
        throw transportError(
            QStringLiteral("Resposta incompleta do servidor de aplicação em %1 (%2).")
                .arg(where(*this), what));
    return status;
}

CallResult TNetConnection::AppServer(const QString& method, const CallArgs& args) {
    if (!connected_)
        Open();
    const std::string argsText = encodeArgs(args);
    if (callObserver())
        callObserver()(method, QString::fromStdString(argsText));
    const std::string payload = encodeCallBody(argsText);

    QNetworkRequest request =
        serverRequest(urlOf(QLatin1Char('/') + serverName_ + QLatin1Char('/') + method));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // Qt would announce zstd, br and gzip; compressing a large packet on
    // loopback costs far more than sending it plain.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setRawHeader("X-Confcred-Operator", operatorName_.toUtf8());
    const bool writes = isWriteCall(method);
    if (writes)
        request.setRawHeader("Idempotency-Key", newIdempotencyKey());
    if (ServerSession& session = serverSession(); session.active()) {
        session.renewIfDue();
        request.setRawHeader("Authorization", session.bearer());
    }
    request.setTransferTimeout(callTimeoutMs_);
    std::string body;
    bool sessionEnded = false;
    const auto send = [&] {
        return exchange(network_->post(request, QByteArray::fromStdString(payload)), callTimeoutMs_,
                        method, body, &sessionEnded);
    };
    const auto sendOnce = [&] {
        try {
            try {
                return send();
            } catch (const AnswerLost&) {
                if (!writes)
                    throw;
                // The call may have been committed before its answer was lost:
                // the same key gets its real outcome instead of a second
                // application.
                pauseBeforeRetry(retryDelayMs_);
                return send();
            }
        } catch (const TransportError&) {
            // The link is gone: the next call connects afresh (before-connect
            // and the health check run again).
            Close();
            throw;
        }
    };
    int status = sendOnce();
    if (sessionEnded && serverSession().canLogInAgain()) {
        // The server refuses a call without a valid session before running
        // it, so the call goes once more, with the same key.
        if (const QString refused = logInAgainFor(writes); !refused.isEmpty()) {
            if (throwException_)
                throw ServerError(refused.toStdString());
            return CallResult::fromError(refused);
        }
        request.setRawHeader("Authorization", serverSession().bearer());
        request.setRawHeader("X-Confcred-Operator", operatorName_.toUtf8());
        status = sendOnce();
    }
    CallResult result = decodeCallAnswer(status, std::move(body), where(*this), method);
    if (result.isError() && throwException_)
        throw ServerError(result.errorMessage().toStdString());
    return result;
}

QString TNetConnection::logInAgainFor(bool writes) {
    ServerSession& session = serverSession();
    const QString before = session.operatorName();
    QString refusal;
    switch (session.logInAgain(refusal)) {
        case LoginAgain::Unavailable:
        case LoginAgain::Cancelled:
            return QStringLiteral(
                "Sua sessão no servidor de aplicação terminou e a nova entrada foi cancelada; "
                "nada foi alterado no servidor. Repita a operação para entrar novamente.");
        case LoginAgain::Refused:
            return QStringLiteral(
                       "Sua sessão no servidor de aplicação terminou e a nova entrada foi "
                       "recusada: %1 Nada foi alterado no servidor.")
                .arg(refusal);
        case LoginAgain::LoggedIn:
            break;
    }
    operatorName_ = session.operatorName();
    // A write the previous operator asked for is not sent in the name of
    // the one who took over; a list is.
    if (writes && operatorName_ != before)
        return QStringLiteral(
                   "A sessão passou para o operador %1; a operação pedida por %2 não foi enviada "
                   "e nada foi alterado no servidor. Repita-a se for o caso.")
            .arg(operatorName_, before);
    return {};
}

}  // namespace confcred::host
