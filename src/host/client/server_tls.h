// How the host reaches the application server: plain HTTP, or HTTPS when the
// server address (WebURL, TNetConnection::Host) is written https://HOST. Over
// HTTPS the server's certificate must verify against the authorities of the
// host's CA file (--ca), or the system's certificate store when none is
// given; a certificate that does not verify ends the exchange, and nothing
// here offers to go on regardless.
#pragma once

#include <QList>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QObject>
#include <QSslError>
#include <QString>
#include <QUrl>

namespace confcred::host::client {

// http://HOST:PORT/path, or https://HOST:PORT/path for an https:// address.
QUrl serverUrl(const QString& address, int port, const QString& path = {});

// A request to the server at `url` that trusts the process's authorities.
QNetworkRequest serverRequest(const QUrl& url);

// The authorities a server's certificate must chain to, read from a PEM file
// of one or more certificates; an empty path goes back to the system's store.
// Throws std::runtime_error (a Portuguese sentence naming the file) when the
// file holds no certificate.
void setServerCaFile(const QString& path);

// Keeps what a reply found wrong with the server's certificate. Nothing
// ignores those faults, so the reply then fails its TLS handshake.
class CertificateWatch {
  public:
    explicit CertificateWatch(QNetworkReply* reply);
    CertificateWatch(const CertificateWatch&) = delete;
    CertificateWatch& operator=(const CertificateWatch&) = delete;

    // The operator's message when the reply's TLS handshake failed, naming
    // the server and the certificate's faults (else Qt's reason); empty when
    // it did not fail so.
    QString failure() const;

  private:
    QObject context_;  // the signal's connection ends with the watch
    QNetworkReply* reply_;
    QList<QSslError> errors_;
};

}  // namespace confcred::host::client
