// The JSON of one call: the request body {"args": [...]} read into Args, and
// the answers {"result": ...} and {"error": {"message": ...}} written back.
// docs/protocol.md describes the encodings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dataset/json_text.h"
#include "server/methods/rpc.h"

namespace confcred::server::http {

// simdjson reads up to this many bytes past the end of the body; a body whose
// capacity leaves them spare is read in place, without a copy.
inline constexpr std::size_t kBodyPadding = 64;

// Reads the arguments of a call to `method`. Strings become std::string,
// numbers double, true/false bool, null monostate and objects data packets;
// anything else, malformed JSON, a missing "args", another key or text after
// the object is an ArgumentError (HTTP 400) with a Portuguese message; so is
// a text that is not UTF-8 or holds a control character (input_text.h).
// `body` may be given spare capacity (reserve) for kBodyPadding; it is only
// reserved into, never changed.
methods::Args decodeCall(const std::string& method, std::string& body);

using dataset::appendJsonString;

// The pieces that wrap a method's result text: prefix + result + suffix.
inline constexpr std::string_view kResultPrefix = "{\"result\":";
inline constexpr std::string_view kResultSuffix = "}";

std::string encodeResult(std::string_view resultJson);
std::string encodeError(std::string_view message);

}  // namespace confcred::server::http
