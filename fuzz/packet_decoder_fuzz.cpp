// Decodes arbitrary bytes as a data packet. Whatever decodes must encode and
// decode again to the same packet; anything else is a PacketError, never a crash.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dataset/packet_codec.h"

using namespace confcred::dataset;

namespace {

bool sameCell(const Column& a, const Column& b, size_t row) {
    if (a.isNull(row) != b.isNull(row))
        return false;
    switch (a.type()) {
        case FieldType::Double:
            return a.doubleAt(row) == b.doubleAt(row);
        case FieldType::DateTime:
            return a.dateTimeAt(row) == b.dateTimeAt(row);
        case FieldType::Integer:
            return a.integerAt(row) == b.integerAt(row);
        default:
            return a.textAt(row) == b.textAt(row);
    }
}

void require(bool ok, const char* what) {
    if (ok)
        return;
    std::fprintf(stderr, "packet round trip broke: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DecodeOptions options;
    options.enforceWidths = size % 2 == 0;  // both ways, chosen by the input
    DataPacket first;
    try {
        // Both ways of reading: a copy of the text, or the text taken over.
        first =
            size % 3 == 0 ? decodePacket(std::string(text), options) : decodePacket(text, options);
    } catch (const PacketError&) {
        return 0;
    }
    // A decoded packet always encodes, and its text decodes to the same packet.
    const DataPacket second = decodePacket(encodePacket(first), options);
    require(first.fields() == second.fields(), "fields differ");
    require(first.rowCount() == second.rowCount(), "row counts differ");
    for (size_t f = 0; f < first.fieldCount(); ++f) {
        for (size_t r = 0; r < first.rowCount(); ++r) {
            require(sameCell(first.column(f), second.column(f), r), "a value differs");
        }
    }
    return 0;
}
