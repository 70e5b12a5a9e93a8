// TNetConnection: a screen's connection to the application server. Calls are
// late-bound by method name: POST http://Host:Port/<ServerName>/<method> with
// {"args": [...]}; the answer is {"result": ...} or {"error": {"message"}}.
// A call is synchronous for the caller but waits in a local event loop that
// repaints the windows and runs the busy animation while user input waits.
#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "dataset/data_packet.h"
#include "platform/datetime.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::host {

// One argument of a server call.
class CallArg {
  public:
    CallArg(const QString& text) : value_(text) {}
    CallArg(const char* text) : value_(QString::fromUtf8(text)) {}
    CallArg(platform::DateTime when) : value_(when) {}
    CallArg(int number) : value_(static_cast<int64_t>(number)) {}
    CallArg(int64_t number) : value_(number) {}
    CallArg(double number) : value_(number) {}
    CallArg(bool flag) : value_(flag) {}
    CallArg(dataset::DataPacket packet)
        : value_(std::make_shared<const dataset::DataPacket>(std::move(packet))) {}
    // The record set's packet as it stands when the call is made.
    CallArg(const dataset::RecordSet* set) : value_(set) {}
    CallArg(dataset::RecordSet* set) : value_(static_cast<const dataset::RecordSet*>(set)) {}

    // Appends the JSON value. Throws std::invalid_argument for a null record
    // set or a number that is not finite, dataset::PacketError for a bad packet.
    void appendJson(std::string& out) const;

  private:
    std::variant<QString, platform::DateTime, int64_t, double, bool,
                 std::shared_ptr<const dataset::DataPacket>, const dataset::RecordSet*>
        value_;
};

using CallArgs = std::vector<CallArg>;

// The JSON array of the arguments, as sent: ["T","T","2026-12-01T00:00:00",...].
std::string encodeArgs(const CallArgs& args);

// What the server answered: a result (a data packet, or a plain value: text,
// number, boolean, null) or the server's error message.
class CallResult {
  public:
    static CallResult fromPacket(dataset::DataPacket packet);
    static CallResult fromValue(QVariant value);  // null QVariant for a JSON null
    static CallResult fromError(QString message);

    bool ok() const { return !isError_; }
    bool isError() const { return isError_; }
    const QString& errorMessage() const { return error_; }

    bool hasPacket() const { return hasPacket_; }
    const dataset::DataPacket& packet() const { return packet_; }
    dataset::DataPacket takePacket() { return std::move(packet_); }
    // A plain result; for an array, its JSON text.
    const QVariant& value() const { return value_; }

  private:
    bool isError_ = false;
    bool hasPacket_ = false;
    QString error_;
    dataset::DataPacket packet_;
    QVariant value_;
};

// A server answer that the client cannot use (not JSON, no result or error, a
// broken packet) and every transport failure raise this, with a message in
// Portuguese for the operator.
class TransportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

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

    explicit TNetConnection(QObject* parent = nullptr);
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

    // Runs before every connect, so a handler can set Host and Port from the
    // host context.
    void setBeforeConnect(std::function<void()> handler) { beforeConnect_ = std::move(handler); }

    // Longest wait for an answer without any byte arriving, per call.
    int callTimeoutMs() const { return callTimeoutMs_; }
    void setCallTimeoutMs(int ms) { callTimeoutMs_ = ms; }
    int connectTimeoutMs() const { return connectTimeoutMs_; }
    void setConnectTimeoutMs(int ms) { connectTimeoutMs_ = ms; }

    // A late-bound call. A closed connection opens first (before-connect runs).
    CallResult AppServer(const QString& method, const CallArgs& args = {});
    RemoteServer appServer() { return RemoteServer(*this); }

    // Process-wide: told of every call (method name and the JSON array of its
    // arguments) before it is sent; the automation transcript prints them.
    using CallObserver = std::function<void(const QString& method, const QString& argsText)>;
    static void setCallObserver(CallObserver observer);

  signals:
    void connectedChanged(bool connected);

  private:
    QString baseUrl() const;
    // Sends and waits; returns the HTTP status (0 when none came) and fills
    // `body`. Throws TransportError on a transport failure.
    int exchange(QNetworkReply* reply, int timeoutMs, const QString& what, std::string& body);
    CallResult decodeAnswer(int status, std::string&& body, const QString& method) const;

    QString host_ = QStringLiteral("127.0.0.1");
    int port_ = 8211;
    QString serverName_;
    bool throwException_ = false;
    bool connected_ = false;
    int callTimeoutMs_ = kDefaultCallTimeoutMs;
    int connectTimeoutMs_ = kDefaultConnectTimeoutMs;
    std::function<void()> beforeConnect_;
    QNetworkAccessManager* network_ = nullptr;
};

}  // namespace confcred::host
