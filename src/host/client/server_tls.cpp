#include "host/client/server_tls.h"

#include <QCoreApplication>

#include <QFileInfo>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>
#include <stdexcept>

namespace confcred::host::client {

namespace {

constexpr QLatin1String kHttps("https://");
constexpr QLatin1String kHttp("http://");

// Empty: the system's store. Read and set on the UI thread only.
QList<QSslCertificate>& authorities() {
    static QList<QSslCertificate> certificates;
    return certificates;
}

}  // namespace

QUrl serverUrl(const QString& address, int port, const QString& path) {
    QUrl url;
    QString host = address;
    if (host.startsWith(kHttps, Qt::CaseInsensitive)) {
        url.setScheme(QStringLiteral("https"));
        host = host.mid(kHttps.size());
    } else {
        url.setScheme(QStringLiteral("http"));
        if (host.startsWith(kHttp, Qt::CaseInsensitive))
            host = host.mid(kHttp.size());
    }
    url.setHost(host);
    url.setPort(port);
    if (!path.isEmpty())
        url.setPath(path);
    return url;
}

QNetworkRequest serverRequest(const QUrl& url) {
    QNetworkRequest request(url);
    if (url.scheme() == QLatin1String("https")) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        // Given authorities replace the system's store; they do not add to it.
        if (!authorities().isEmpty())
            tls.setCaCertificates(authorities());
        request.setSslConfiguration(tls);
    }
    return request;
}

void setServerCaFile(const QString& path) {
    if (path.isEmpty()) {
        authorities().clear();
        return;
    }
    if (!QFileInfo(path).isFile())
        throw std::runtime_error(
            QCoreApplication::translate("confcred_host",
                                        "Arquivo de autoridades certificadoras não encontrado: %1.")
                .arg(path)
                .toStdString());
    const QList<QSslCertificate> found = QSslCertificate::fromPath(path, QSsl::Pem);
    if (found.isEmpty())
        throw std::runtime_error(QCoreApplication::translate(
                                     "confcred_host",
                                     "O arquivo %1 não contém nenhum certificado PEM de autoridade "
                                     "certificadora.")
                                     .arg(path)
                                     .toStdString());
    authorities() = found;
}

CertificateWatch::CertificateWatch(QNetworkReply* reply) : reply_(reply) {
    QObject::connect(reply, &QNetworkReply::sslErrors, &context_,
                     [this](const QList<QSslError>& errors) { errors_ += errors; });
}

QString CertificateWatch::failure() const {
    if (reply_->error() != QNetworkReply::SslHandshakeFailedError)
        return {};
    const QString server = reply_->url()
                               .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath |
                                         QUrl::RemoveQuery | QUrl::RemoveFragment)
                               .toString();
    if (errors_.isEmpty())
        return QCoreApplication::translate(
                   "confcred_host",
                   "A conexão segura (TLS) com o servidor de aplicação em %1 falhou: %2")
            .arg(server, reply_->errorString());
    QStringList faults;
    for (const QSslError& error : errors_)
        faults << error.errorString();
    faults.removeDuplicates();
    return QCoreApplication::translate(
               "confcred_host",
               "O certificado do servidor de aplicação em %1 não foi aceito e a conexão foi "
               "interrompida: %2. Confira as autoridades certificadoras do host (opção --ca) "
               "ou o certificado do servidor.")
        .arg(server, faults.join(QStringLiteral("; ")));
}

}  // namespace confcred::host::client
