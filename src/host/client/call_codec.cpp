#include "host/client/call_codec.h"

#include <QCoreApplication>

#include <simdjson.h>
#include <charconv>
#include <cmath>

#include "dataset/json_text.h"
#include "dataset/packet_codec.h"
#include "dataset/record_set.h"

namespace confcred::host::client {

namespace {

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

std::string encodeCallBody(const std::string& argsText) {
    std::string payload;
    payload.reserve(argsText.size() + 12);
    payload += "{\"args\":";
    payload += argsText;
    payload += '}';
    return payload;
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

CallResult decodeAnswer(int status, std::string&& body, const QString& server,
                        const QString& method) {
    const QString bad =
        QCoreApplication::translate("confcred_host",
                                    "Resposta inválida do servidor de aplicação em %1 para %2 "
                                    "(HTTP %3): ")
            .arg(server, method)
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
            throw transportError(
                bad + QCoreApplication::translate("confcred_host", "texto depois do objeto."));
    } catch (const simdjson::simdjson_error& e) {
        throw transportError(bad + QString::fromUtf8(e.what()));
    }
    if (!haveResult)
        throw transportError(
            bad + QCoreApplication::translate("confcred_host", "sem \"result\" nem \"error\"."));
    if (status < 200 || status >= 300)
        throw transportError(bad +
                             QCoreApplication::translate(
                                 "confcred_host", "estado HTTP de falha sem mensagem de erro."));
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

}  // namespace confcred::host::client
