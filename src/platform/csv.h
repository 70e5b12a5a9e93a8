// CSV as Brazilian spreadsheets open it: fields separated by ";" (the comma
// is the decimal separator), lines ended by CR LF, UTF-8 text behind a
// byte-order mark so that the accents read right.
#pragma once

#include <string>
#include <string_view>

namespace confcred::platform {

// The byte-order mark that opens every CSV file we write.
inline constexpr std::string_view kCsvBom = "\xEF\xBB\xBF";

// A field as written: quoted with '"' (an inner quote doubled) when it holds
// ";", a quote or a line break; otherwise as is.
std::string csvField(std::string text);

// A text field as a spreadsheet should keep it: made of digits (an order
// number), as ="0001234" so that leading zeros and the digits past the
// fifteenth survive; starting like a formula ("=", "+", "-", "@"), behind an
// apostrophe so that it opens as the text it is; then as csvField.
std::string csvTextField(std::string text);

}  // namespace confcred::platform
