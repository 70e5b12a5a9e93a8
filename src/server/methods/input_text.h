// The texts a call may carry. Every text argument, every text inside a packet
// and the operator's name are well-formed UTF-8 without control characters:
// both backends then store the same thing (PostgreSQL refuses NUL where
// SQLite would keep it) and no screen or log receives a hidden character. The
// import file (ARQUIVO) is the exception: its reader checks it line by line
// and warns about a bad line while importing the others.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "server/methods/rpc.h"

namespace confcred::server::methods {

// Well-formed UTF-8 as Unicode defines it: no overlongs, no surrogates,
// nothing past U+10FFFF.
bool validUtf8(std::string_view s);

// The bytes of the control character at s[i]: C0 controls, DEL, and the C1
// controls U+0080..U+009F (UTF-8 C2 80..C2 9F, what stray Windows-1252 bytes
// 0x81, 0x8D, ... turn into); 0 when s[i] starts none.
std::size_t controlLength(std::string_view s, std::size_t i);

// Throws ArgumentError (HTTP 400) naming the argument, and for a packet the
// field and row, that holds a bad text.
void checkArgumentTexts(const Args& args);
void checkOperatorHeader(std::string_view name);

// At most 40 characters of `text` (cut on a character boundary), then "..."
// when it goes on: how a message quotes what the client sent.
std::string clipForMessage(std::string_view text);

}  // namespace confcred::server::methods
