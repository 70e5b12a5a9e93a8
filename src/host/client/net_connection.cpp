#include "host/client/net_connection.h"

#include <QCoreApplication>

#include "host/client/call_policy.h"
#include "host/client/call_transport.h"
#include "host/core/off_ui_thread.h"

namespace confcred::host::client {

namespace {

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
    return core::offUiThread([&] { return decodeAnswer(status, std::move(body), server, method); });
}

}  // namespace

CallResult RemoteServer::call(const QString& method, const CallArgs& args) {
    return connection_.AppServer(method, args);
}

TNetConnection::TNetConnection(QObject* parent) : TNetConnection(hostCallContext(), parent) {}

TNetConnection::TNetConnection(CallContext& context, QObject* parent)
    : QObject(parent), context_(&context), transport_(std::make_unique<NetTransport>()) {}

TNetConnection::~TNetConnection() = default;

void TNetConnection::setCallObserver(CallObserver observer) {
    hostCallContext().observer = std::move(observer);
}

QString TNetConnection::where() const {
    return host_ + QLatin1Char(':') + QString::number(port_);
}

ServerRequest TNetConnection::requestTo(const QString& path, const QString& what,
                                        int timeoutMs) const {
    ServerRequest request;
    request.host = host_;
    request.port = port_;
    request.path = path;
    request.what = what;
    request.timeoutMs = timeoutMs;
    return request;
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
        QCoreApplication::translate("confcred_host",
                                    "Não foi possível conectar ao servidor de aplicação em %1: ")
            .arg(where());
    if (host_.trimmed().isEmpty())
        throw transportError(
            failed + QCoreApplication::translate("confcred_host", "servidor não informado."));
    if (port_ < 1 || port_ > 65535)
        throw transportError(failed +
                             QCoreApplication::translate("confcred_host", "porta inválida."));
    const QString health = QStringLiteral("/health");
    const ServerAnswer answer = transport_->exchange(requestTo(health, health, connectTimeoutMs_));
    if (answer.status != 200 || answer.body.find("\"ok\"") == std::string::npos)
        throw transportError(
            failed + QCoreApplication::translate("confcred_host",
                                                 "o serviço não respondeu como esperado (HTTP %1).")
                         .arg(answer.status));
    connected_ = true;
    emit connectedChanged(true);
}

CallResult TNetConnection::AppServer(const QString& method, const CallArgs& args) {
    if (!connected_)
        Open();
    const std::string argsText = encodeArgs(args);
    if (context_->observer)
        context_->observer(method, QString::fromStdString(argsText));
    ServerRequest request = requestTo(QLatin1Char('/') + serverName_ + QLatin1Char('/') + method,
                                      method, callTimeoutMs_);
    request.post = true;
    request.body = QByteArray::fromStdString(encodeCallBody(argsText));

    CallPolicy policy(*transport_, context_->session);
    policy.setRetryDelayMs(retryDelayMs_);
    // The link is gone: the next call connects afresh (before-connect and
    // the health check run again).
    policy.setLinkLost([this] { Close(); });
    CallOutcome sent = policy.send(method, std::move(request), operatorName_);
    if (!sent.refused.isEmpty()) {
        if (throwException_)
            throw ServerError(sent.refused.toStdString());
        return CallResult::fromError(sent.refused);
    }
    CallResult result = decodeCallAnswer(sent.status, std::move(sent.body), where(), method);
    bool counted = false;
    const qint64 created = sent.createdOrders.toLongLong(&counted);
    if (counted && created >= 0)
        result.setCreatedOrders(created);
    if (result.isError() && throwException_)
        throw ServerError(result.errorMessage().toStdString());
    return result;
}

}  // namespace confcred::host::client
