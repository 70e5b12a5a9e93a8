// Reads arbitrary bytes as the server's answer to a call. Three leading digits
// are the HTTP status (200 without them); the rest is the body. The answer must
// come back as a result or an error result, or raise TransportError, never
// anything else; a result only with a 2xx status; a packet result encodes and
// decodes again; and the body read in place (with spare capacity) must give
// what a copy gives.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "dataset/packet_codec.h"
#include "host/client/call_codec.h"

using namespace confcred;

namespace {

void require(bool ok, const char* what) {
    if (ok)
        return;
    std::fprintf(stderr, "call answer decoding broke: %s\n", what);
    std::abort();
}

// What one reading gave, reduced to what both readings must share.
struct Outcome {
    std::optional<std::string> failure;  // the TransportError's text
    std::optional<host::client::CallResult> result;
};

Outcome read(int status, std::string body) {
    try {
        return {std::nullopt, host::client::decodeAnswer(status, std::move(body),
                                                         QStringLiteral("127.0.0.1:8211"),
                                                         QStringLiteral("getPEDCREDCONS"))};
    } catch (const host::client::TransportError& e) {
        return {std::string(e.what()), std::nullopt};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    int status = 200;
    if (text.size() >= 3 && text.find_first_not_of("0123456789") >= 3) {
        status = (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
        text.remove_prefix(3);
    }

    std::string padded;
    padded.reserve(text.size() + dataset::kPacketPadding);
    padded.assign(text);
    const Outcome inPlace = read(status, std::move(padded));
    const Outcome copied = read(status, std::string(text));

    require(inPlace.failure == copied.failure, "in place and copied readings fail apart");
    if (inPlace.failure)
        return 0;
    const host::client::CallResult& a = *inPlace.result;
    const host::client::CallResult& b = *copied.result;
    require(a.isError() == b.isError() && a.errorMessage() == b.errorMessage(),
            "error results differ");
    if (a.isError())
        return 0;
    require(status >= 200 && status < 300, "a result with a failure status");
    require(a.hasPacket() == b.hasPacket() && a.value() == b.value(), "results differ");
    if (!a.hasPacket())
        return 0;
    require(a.packet().fields() == b.packet().fields() &&
                a.packet().rowCount() == b.packet().rowCount(),
            "packets differ");
    const dataset::DataPacket again = dataset::decodePacket(dataset::encodePacket(a.packet()));
    require(again.fields() == a.packet().fields() && again.rowCount() == a.packet().rowCount(),
            "a packet result does not survive a round trip");
    return 0;
}
