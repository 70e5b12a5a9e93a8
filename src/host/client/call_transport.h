// The transport of the server connection (TNetConnection): one HTTP exchange
// with the application server over QNetworkAccessManager, plain or over TLS
// (host/client/server_tls.h), waited for in a local event loop that repaints
// the windows and runs the busy animation while the operator's clicks and
// keys wait. A failure of the link comes back as TransportError in the
// operator's words. What is sent, how often and under which session is the
// call policy's (host/client/call_policy.h).
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/client/call_codec.h"

class QNetworkAccessManager;

namespace confcred::host::client {

// A transport failure after which the server may or may not have run the
// call: nothing, or no whole answer, came back.
class AnswerLost : public TransportError {
  public:
    using TransportError::TransportError;
};

// One request to the server at host:port.
struct ServerRequest {
    QString host;  // as TNetConnection::Host: https://HOST over TLS
    int port = 0;
    QString path;  // /health, /<ServerName>/<method>
    QString what;  // named in the failure texts: the path or the method
    bool post = false;
    QByteArray body;    // JSON; only with post
    int timeoutMs = 0;  // longest wait without any byte arriving
    std::vector<std::pair<QByteArray, QByteArray>> headers;

    // Replaces the header's value, or adds the header.
    void setHeader(const QByteArray& name, const QByteArray& value);
    // Empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// The server's answer, whatever its HTTP status.
struct ServerAnswer {
    int status = 0;
    std::string body;  // with spare capacity for the packet decoder's padding
    QByteArray wwwAuthenticate;
    QByteArray createdOrders;  // Confcred-Pedidos-Criados, when the server told it
};

class CallTransport {
  public:
    virtual ~CallTransport() = default;
    // Sends and waits for the whole answer; a failure status is an answer.
    // Throws AnswerLost when the connection was refused or closed before a
    // whole answer came, TransportError for any other failure of the link
    // (time-out, unknown host, certificate, broken HTTP).
    virtual ServerAnswer exchange(const ServerRequest& request) = 0;
    // Waits `ms` milliseconds as an exchange waits (the pause before a retry).
    virtual void pause(int ms) = 0;
};

// The transport over the network.
class NetTransport final : public CallTransport {
  public:
    NetTransport();
    ~NetTransport() override;
    NetTransport(const NetTransport&) = delete;
    NetTransport& operator=(const NetTransport&) = delete;

    ServerAnswer exchange(const ServerRequest& request) override;
    void pause(int ms) override;

  private:
    std::unique_ptr<QNetworkAccessManager> network_;
};

}  // namespace confcred::host::client
