// JSON string literals for the texts that travel outside data packets (call
// arguments, error messages).
#pragma once

#include <string>
#include <string_view>

namespace confcred::dataset {

// Appends `text` as a JSON string literal. Bytes that are not valid UTF-8 are
// written as U+FFFD, so the output is always valid JSON.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace confcred::dataset
