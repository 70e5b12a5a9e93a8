#include "host/client/call_transport.h"

#include <QCoreApplication>

#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "dataset/packet_codec.h"
#include "host/client/retry_key.h"
#include "host/client/server_tls.h"

namespace confcred::host::client {

void ServerRequest::setHeader(const QByteArray& name, const QByteArray& value) {
    for (auto& [have, old] : headers)
        if (have.compare(name, Qt::CaseInsensitive) == 0) {
            old = value;
            return;
        }
    headers.emplace_back(name, value);
}

QByteArray ServerRequest::header(const QByteArray& name) const {
    for (const auto& [have, value] : headers)
        if (have.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

NetTransport::NetTransport() : network_(std::make_unique<QNetworkAccessManager>()) {
    // The application server is reached directly; a proxy from the
    // environment would only stand between the host and a server on its LAN.
    network_->setProxy(QNetworkProxy::NoProxy);
}

NetTransport::~NetTransport() = default;

void NetTransport::pause(int ms) {
    pauseBeforeRetry(ms);
}

ServerAnswer NetTransport::exchange(const ServerRequest& request) {
    QNetworkRequest sent = serverRequest(serverUrl(request.host, request.port, request.path));
    if (request.post)
        sent.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // Qt would announce zstd, br and gzip; compressing a large packet on
    // loopback costs far more than sending it plain.
    sent.setRawHeader("Accept-Encoding", "identity");
    for (const auto& [name, value] : request.headers)
        sent.setRawHeader(name, value);
    sent.setTransferTimeout(request.timeoutMs);

    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        request.post ? network_->post(sent, request.body) : network_->get(sent),
        [](QNetworkReply* r) { r->deleteLater(); });
    const CertificateWatch certificate(reply.get());
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        // The windows repaint and the busy animation moves; the operator's
        // clicks and keys wait until the answer is in.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    const QVariant statusAttr = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttr.isValid() ? statusAttr.toInt() : 0;
    const QNetworkReply::NetworkError error = reply->error();
    const QString server = request.host + QLatin1Char(':') + QString::number(request.port);
    // Codes below 200 are failures of the connection itself (refused, closed,
    // timed out, cancelled), and a broken HTTP stream is one too; the answer,
    // if any, cannot be trusted. Other codes only mirror an HTTP failure
    // status, whose body carries the server's message.
    const bool transportFailed =
        error != QNetworkReply::NoError &&
        (status == 0 || error < QNetworkReply::ContentAccessDenied ||
         error == QNetworkReply::ProtocolFailure || error == QNetworkReply::ProtocolUnknownError);
    if (transportFailed) {
        QString text;
        switch (error) {
            case QNetworkReply::ConnectionRefusedError:
                throw AnswerLost(
                    QCoreApplication::translate("confcred_host",
                                                "O servidor de aplicação em %1 recusou a conexão; "
                                                "verifique se ele está em execução.")
                        .arg(server)
                        .toStdString());
            case QNetworkReply::RemoteHostClosedError:
                throw AnswerLost(
                    QCoreApplication::translate("confcred_host",
                                                "O servidor de aplicação em %1 encerrou a conexão "
                                                "antes de terminar a resposta (%2).")
                        .arg(server, request.what)
                        .toStdString());
            case QNetworkReply::HostNotFoundError:
                text = QCoreApplication::translate("confcred_host",
                                                   "Servidor de aplicação não encontrado: %1.")
                           .arg(request.host);
                break;
            case QNetworkReply::SslHandshakeFailedError:
                text = certificate.failure();
                break;
            case QNetworkReply::TimeoutError:
            case QNetworkReply::OperationCanceledError:
                text = QCoreApplication::translate(
                           "confcred_host",
                           "O servidor de aplicação em %1 não respondeu em %2 s (%3).")
                           .arg(server,
                                QLocale(QLocale::Portuguese, QLocale::Brazil)
                                    .toString(request.timeoutMs / 1000.0),
                                request.what);
                break;
            default:
                text = QCoreApplication::translate(
                           "confcred_host",
                           "Falha na comunicação com o servidor de aplicação em %1 "
                           "(%2): %3")
                           .arg(server, request.what, reply->errorString());
        }
        throw TransportError(text.toStdString());
    }
    ServerAnswer answer;
    answer.status = status;
    answer.wwwAuthenticate = reply->rawHeader("WWW-Authenticate");
    answer.createdOrders = reply->rawHeader("Confcred-Pedidos-Criados");
    const qint64 size = reply->bytesAvailable();
    answer.body.reserve(static_cast<size_t>(size) + dataset::kPacketPadding);
    answer.body.resize(static_cast<size_t>(size));
    if (size > 0 && reply->read(answer.body.data(), size) != size)
        throw TransportError(
            QCoreApplication::translate("confcred_host",
                                        "Resposta incompleta do servidor de aplicação em %1 (%2).")
                .arg(server, request.what)
                .toStdString());
    return answer;
}

}  // namespace confcred::host::client
