#pragma once
// The wire form of a data packet, a JSON object:
//   {"fields": [{"name": "NRBOLETO", "type": "string", "size": 20}, ...],
//    "rows": [["N", 12.5, "2026-12-07T10:30:00", null, ...], ...]}
// Texts are JSON strings, double and integer JSON numbers, date-times ISO 8601
// local text, nulls JSON null. docs/data-packets.md describes the rules.
//
// The decoder is strict: it returns a whole packet or throws PacketError
// naming the row, the field and the problem; it never returns part of a packet.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "dataset/data_packet.h"

namespace confcred::dataset {

class PacketError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct DecodeOptions {
    // Refuse a text longer (in characters) than the width of its fixedstring or
    // string field. Memo fields and a width of 0 have no limit.
    bool enforceWidths = true;
};

// Writes the packet as JSON. A non-finite double, a date-time outside the years
// 1..9999, an empty or repeated field name or a column that does not match its
// field is a PacketError. Bytes of a text that are not valid UTF-8 are written
// as U+FFFD, so the output is always valid JSON.
std::string encodePacket(const DataPacket& packet);
// Appends the JSON of the packet to `out` (for packets inside a larger JSON
// text). On error, `out` is left as it was.
void encodePacketTo(const DataPacket& packet, std::string& out);

// The decoder reads up to this many bytes past the end of the text; a text
// with that much spare capacity is decoded without a copy.
inline constexpr size_t kPacketPadding = 64;

// Gives `json` the spare capacity that lets decodePacket read it in place.
void reservePacketPadding(std::string& json);

// Decodes a packet. The string overload reads the text in place when its
// capacity leaves kPacketPadding spare bytes, and copies it otherwise.
DataPacket decodePacket(std::string_view json, const DecodeOptions& options = {});
DataPacket decodePacket(const std::string& json, const DecodeOptions& options = {});
// Takes the text over: the packet keeps it and its texts point into it instead
// of being copied, which is how a received answer should be decoded.
DataPacket decodePacket(std::string&& json, const DecodeOptions& options = {});
DataPacket decodePacket(const char* json, const DecodeOptions& options = {});

}  // namespace confcred::dataset
