// TNetConnection: a screen's connection to the application server. Calls are
// late-bound by method name: POST http://Host:Port/<ServerName>/<method> with
// {"args": [...]}; the answer is {"result": ...} or {"error": {"message"}}
// (the JSON on both sides is host/client/call_codec.h). A Host written https://HOST
// is reached over HTTPS with the certificate checks of host/client/server_tls.h.
// A call is synchronous for the caller but waits in a local event loop that
// repaints the windows and runs the busy animation while user input waits.
//
// The connection keeps the address and the open state and turns answers into
// results; the exchange and its failures are the transport's
// (host/client/call_transport.h), the key, the retry and the new login the
// call policy's (host/client/call_policy.h), and the session and the observer
// come from the context it is handed (host/client/call_context.h).
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/client/call_codec.h"
#include "host/client/call_context.h"

namespace confcred::host::client {

class CallTransport;
struct ServerRequest;

// The server's error, raised instead of returned when ThrowException is on.
class ServerError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TNetConnection;

// The remote object: appServer().call("getPEDCREDCONS", {...}).
class RemoteServer {
  public:
    explicit RemoteServer(TNetConnection& connection) : connection_(connection) {}
    CallResult call(const QString& method, const CallArgs& args = {});

  private:
    TNetConnection& connection_;
};

class TNetConnection : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Host READ Host WRITE setHost)
    Q_PROPERTY(int Port READ Port WRITE setPort)
    Q_PROPERTY(QString ServerName READ ServerName WRITE setServerName)
    Q_PROPERTY(bool ThrowException READ ThrowException WRITE setThrowException)
    Q_PROPERTY(bool Connected READ Connected WRITE setConnected NOTIFY connectedChanged)

  public:
    static constexpr int kDefaultCallTimeoutMs = 300'000;
    static constexpr int kDefaultConnectTimeoutMs = 10'000;

    // Under the host's session, told to the host's observer
    // (hostCallContext()).
    explicit TNetConnection(QObject* parent = nullptr);
    // Under the session and observer of `context`, which outlives it.
    explicit TNetConnection(CallContext& context, QObject* parent = nullptr);
    ~TNetConnection() override;

    QString Host() const { return host_; }
    void setHost(const QString& host) { host_ = host; }
    int Port() const { return port_; }
    void setPort(int port) { port_ = port; }
    QString ServerName() const { return serverName_; }
    void setServerName(const QString& name) { serverName_ = name; }
    // Off: a server-side error comes back as an error CallResult. On: it is
    // raised as ServerError. Transport failures raise TransportError either way.
    bool ThrowException() const { return throwException_; }
    void setThrowException(bool on) { throwException_ = on; }

    bool Connected() const { return connected_; }
    // true opens (as Open), false closes.
    void setConnected(bool on);
    // Runs the before-connect event, then checks that the server answers
    // GET /health. Throws TransportError (with the host and port) when it does
    // not; the connection stays closed. Opening an open connection does nothing.
    void Open();
    void Close();

    // Runs before every connect, so a handler can set Host, Port and the
    // operator from the host context.
    void setBeforeConnect(std::function<void()> handler) { beforeConnect_ = std::move(handler); }

    // Who is calling, sent with every call (X-Confcred-Operator) for the
    // server's balance ledger; empty when unknown.
    QString operatorName() const { return operatorName_; }
    void setOperatorName(const QString& name) { operatorName_ = name; }

    // Longest wait for an answer without any byte arriving, per call.
    int callTimeoutMs() const { return callTimeoutMs_; }
    void setCallTimeoutMs(int ms) { callTimeoutMs_ = ms; }
    int connectTimeoutMs() const { return connectTimeoutMs_; }
    void setConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }
    // Pause before a write call whose answer was lost is sent again with its
    // key (host/client/retry_key.h).
    int retryDelayMs() const { return retryDelayMs_; }
    void setRetryDelayMs(int ms) { retryDelayMs_ = ms; }

    // A late-bound call. A closed connection opens first (before-connect runs).
    // Refused because the session ended, it is sent once more after a new
    // login (host/client/server_session.h); a cancelled login is the call's error.
    CallResult AppServer(const QString& method, const CallArgs& args = {});
    RemoteServer appServer() { return RemoteServer(*this); }

    // Told of every call (method name and the JSON array of its arguments)
    // before it is sent; the automation transcript prints them. Sets the
    // host's context's observer, so it hears the connections made under it.
    using CallObserver = host::client::CallObserver;
    static void setCallObserver(CallObserver observer);

  signals:
    void connectedChanged(bool connected);

  private:
    // A request to `path` on Host:Port, `what` named in the failure texts.
    ServerRequest requestTo(const QString& path, const QString& what, int timeoutMs) const;
    QString where() const;

    CallContext* context_;
    std::unique_ptr<CallTransport> transport_;
    QString host_ = QStringLiteral("127.0.0.1");
    int port_ = 8211;
    QString serverName_;
    QString operatorName_;
    bool throwException_ = false;
    bool connected_ = false;
    int callTimeoutMs_ = kDefaultCallTimeoutMs;
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    int retryDelayMs_ = 1000;
    std::function<void()> beforeConnect_;
};

}  // namespace confcred::host::client
