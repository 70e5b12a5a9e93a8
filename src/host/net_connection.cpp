#include "host/net_connection.h"

#include <simdjson.h>
#include <QEventLoop>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <charconv>
#include <cmath>

#include "dataset/json_text.h"
#include "dataset/packet_codec.h"
#include "dataset/record_set.h"
#include "host/application.h"

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

}  // namespace

void CallArg::appendJson(std::string& out) const {
    struct Visitor {
        std::string& out;
        void operator()(const QString& text) const {
            dataset::appendJsonString(out, text.toStdString());
        }
        void operator()(platform::DateTime when) const {
            dataset::appendJsonString(out, when.toIso());
        }
        void operator()(int64_t number) const { out += std::to_string(number); }
        void operator()(double number) const {
            if (!std::isfinite(number))
                throw std::invalid_argument("server call argument is not a finite number");
            char buf[32];
            const auto r = std::to_chars(buf, buf + sizeof buf, number);
            out.append(buf, r.ptr);
        }
        void operator()(bool flag) const { out += flag ? "true" : "false"; }
        void operator()(const std::shared_ptr<const dataset::DataPacket>& packet) const {
            dataset::encodePacketTo(*packet, out);
        }
        void operator()(const dataset::RecordSet* set) const {
            if (!set)
                throw std::invalid_argument("server call argument: no record set");
            dataset::encodePacketTo(set->toPacket(), out);
        }
    };
    std::visit(Visitor{out}, value_);
}

std::string encodeArgs(const CallArgs& args) {
    std::string out = "[";
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            out += ',';
        args[i].appendJson(out);
    }
    out += ']';
    return out;
}

CallResult CallResult::fromPacket(dataset::DataPacket packet) {
    CallResult r;
    r.hasPacket_ = true;
    r.packet_ = std::move(packet);
    return r;
}

CallResult CallResult::fromValue(QVariant value) {
    CallResult r;
    r.value_ = std::move(value);
    return r;
}

CallResult CallResult::fromError(QString message) {
    CallResult r;
    r.isError_ = true;
    r.error_ = std::move(message);
    return r;
}

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

QString TNetConnection::baseUrl() const {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host_);
    url.setPort(port_);
    return url.toString();
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
    QNetworkRequest request(QUrl(baseUrl() + QStringLiteral("/health")));
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
                             std::string& body) {
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owned(
        reply, [](QNetworkReply* r) { r->deleteLater(); });
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
                text = QStringLiteral(
                           "O servidor de aplicação em %1 recusou a conexão; verifique se "
                           "ele está em execução.")
                           .arg(server);
                break;
            case QNetworkReply::RemoteHostClosedError:
                text = QStringLiteral(
                           "O servidor de aplicação em %1 encerrou a conexão antes de "
                           "terminar a resposta (%2).")
                           .arg(server, what);
                break;
            case QNetworkReply::HostNotFoundError:
                text = QStringLiteral("Servidor de aplicação não encontrado: %1.").arg(host_);
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
    std::string payload;
    payload.reserve(argsText.size() + 12);
    payload += "{\"args\":";
    payload += argsText;
    payload += '}';

    QUrl url(baseUrl());
    url.setPath(QLatin1Char('/') + serverName_ + QLatin1Char('/') + method);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // Qt would announce zstd, br and gzip; compressing a large packet on
    // loopback costs far more than sending it plain.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setRawHeader("X-Confcred-Operator", Operador.toUtf8());
    request.setTransferTimeout(callTimeoutMs_);
    std::string body;
    int status = 0;
    try {
        status = exchange(network_->post(request, QByteArray::fromStdString(payload)),
                          callTimeoutMs_, method, body);
    } catch (const TransportError&) {
        // The link is gone: the next call connects afresh (before-connect and
        // the health check run again).
        Close();
        throw;
    }
    CallResult result = decodeAnswer(status, std::move(body), method);
    if (result.isError() && throwException_)
        throw ServerError(result.errorMessage().toStdString());
    return result;
}

CallResult TNetConnection::decodeAnswer(int status, std::string&& body,
                                        const QString& method) const {
    const QString bad = QStringLiteral(
                            "Resposta inválida do servidor de aplicação em %1 para %2 "
                            "(HTTP %3): ")
                            .arg(where(*this), method)
                            .arg(status);
    if (body.capacity() < body.size() + simdjson::SIMDJSON_PADDING)
        body.reserve(body.size() + simdjson::SIMDJSON_PADDING);
    simdjson::ondemand::parser parser;
    size_t packetBegin = 0;
    size_t packetLength = 0;
    CallResult plain;
    bool haveResult = false;
    try {
        simdjson::ondemand::document doc =
            parser.iterate(simdjson::padded_string_view(body.data(), body.size(), body.capacity()));
        simdjson::ondemand::object top = doc.get_object();
        for (auto field : top) {
            const std::string_view key = field.unescaped_key();
            simdjson::ondemand::value value = field.value();
            if (key == "error") {
                simdjson::ondemand::object err = value.get_object();
                std::string_view message = err["message"].get_string();
                return CallResult::fromError(
                    QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
            }
            if (key != "result")
                continue;
            haveResult = true;
            switch (value.type()) {
                case simdjson::ondemand::json_type::object: {
                    simdjson::ondemand::object packet = value.get_object();
                    std::string_view raw = packet.raw_json();
                    packetBegin = static_cast<size_t>(raw.data() - body.data());
                    packetLength = raw.size();
                    break;
                }
                case simdjson::ondemand::json_type::array: {
                    simdjson::ondemand::array items = value.get_array();
                    std::string_view raw = items.raw_json();
                    plain = CallResult::fromValue(
                        QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size())));
                    break;
                }
                case simdjson::ondemand::json_type::string: {
                    std::string_view text = value.get_string();
                    plain = CallResult::fromValue(
                        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
                    break;
                }
                case simdjson::ondemand::json_type::number: {
                    if (value.get_number_type() == simdjson::ondemand::number_type::signed_integer)
                        plain =
                            CallResult::fromValue(QVariant::fromValue<qint64>(value.get_int64()));
                    else
                        plain = CallResult::fromValue(double(value.get_double()));
                    break;
                }
                case simdjson::ondemand::json_type::boolean:
                    plain = CallResult::fromValue(bool(value.get_bool()));
                    break;
                case simdjson::ondemand::json_type::null:
                    plain = CallResult::fromValue(QVariant());
                    break;
            }
        }
        // Past the end of the document the location is an error.
        if (!doc.current_location().error())
            throw transportError(bad + QStringLiteral("texto depois do objeto."));
    } catch (const simdjson::simdjson_error& e) {
        throw transportError(bad + QString::fromUtf8(e.what()));
    }
    if (!haveResult)
        throw transportError(bad + QStringLiteral("sem \"result\" nem \"error\"."));
    if (status < 200 || status >= 300)
        throw transportError(bad + QStringLiteral("estado HTTP de falha sem mensagem de erro."));
    if (packetLength == 0)
        return plain;
    // The packet is cut out of the answer in place and handed over whole, so
    // its texts are read where they stand instead of being copied.
    body.erase(0, packetBegin);
    body.resize(packetLength);
    try {
        return CallResult::fromPacket(dataset::decodePacket(std::move(body)));
    } catch (const dataset::PacketError& e) {
        throw transportError(bad + QString::fromUtf8(e.what()));
    }
}

}  // namespace confcred::host
