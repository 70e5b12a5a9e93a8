// The JSON of one server call as the client sees it: the arguments written
// into the request body {"args": [...]}, and the answer {"result": ...} or
// {"error": {"message": ...}} read back with its HTTP status. No sockets and no
// widgets here (Qt Core only), so the codec is tested and fuzzed on its own;
// docs/protocol.md describes the encodings.
#pragma once

#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "dataset/data_packet.h"
#include "platform/datetime.h"

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::host::client {

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

// The request body around an encoded argument array: {"args":[...]}.
std::string encodeCallBody(const std::string& argsText);

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
    // How many orders an import created, when the server told it.
    std::optional<qint64> createdOrders() const { return createdOrders_; }
    void setCreatedOrders(std::optional<qint64> count) { createdOrders_ = count; }

  private:
    bool isError_ = false;
    bool hasPacket_ = false;
    QString error_;
    dataset::DataPacket packet_;
    QVariant value_;
    std::optional<qint64> createdOrders_;
};

// A server answer that the client cannot use (not JSON, no result or error, a
// broken packet) and every transport failure raise this, with a message in
// Portuguese for the operator.
class TransportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the answer to a call of `method` on the server at `server`
// ("host:port", named in the messages). The server's {"error"} comes back as
// an error CallResult whatever the status; a result counts only with a 2xx
// status. Anything else raises TransportError ("Resposta inválida do servidor
// de aplicação em ..."). A packet result is cut out of `body` in place, so
// spare capacity for simdjson's padding saves a copy.
CallResult decodeAnswer(int status, std::string&& body, const QString& server,
                        const QString& method);

}  // namespace confcred::host::client
