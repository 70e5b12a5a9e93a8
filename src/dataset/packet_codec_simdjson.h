#pragma once
// Decoding a packet that sits inside a larger JSON text being read with
// simdjson On-Demand (the server reads {"args": [packet, ...]} this way).
// Include only where simdjson is linked, with its flags: `ondemand` names the
// implementation chosen at compile time, which must be the library's.
// To write a packet into a larger JSON text, use encodePacketTo.

#include <simdjson.h>

// confcred_dataset is compiled with simdjson's own flags, which turn threads
// on; a file compiled without them sees another layout of the parser, and the
// two copies of simdjson's inline code would quietly disagree.
#ifndef SIMDJSON_THREADS_ENABLED
#error "compile with simdjson's flags (link PkgConfig::SIMDJSON)"
#endif

#include "dataset/packet_codec.h"

namespace confcred::dataset {

// Decodes the packet object at `value` and consumes it, so the caller goes on
// with the next value of its document. `documentEnd`, when given, is the end of
// the JSON text; it only helps size the columns ahead. `parser`, when given,
// is the one reading the document: long texts are then unescaped without a
// second copy. Errors as decodePacket.
DataPacket decodePacketValue(simdjson::ondemand::value value, const DecodeOptions& options = {},
                             const char* documentEnd = nullptr,
                             const simdjson::ondemand::parser* parser = nullptr);

}  // namespace confcred::dataset
