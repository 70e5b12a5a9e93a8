#pragma once
// Windows-1252 text at the file boundary (the import file as read, the log as
// written); UTF-8 everywhere in memory.

#include <cstddef>
#include <string>
#include <string_view>

namespace confcred::platform {

// Every byte has a character: 0x80-0x9F per the Windows-1252 table, and the
// five bytes that table leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) as the
// control characters of the same number, so any byte string survives a round trip.
std::string cp1252ToUtf8(std::string_view bytes);

// A character with no Windows-1252 form becomes '?', and so does each
// malformed UTF-8 sequence (one '?' per maximal ill-formed part, as Unicode
// recommends for replacement).
std::string utf8ToCp1252(std::string_view utf8);

// How many leading bytes are ASCII (below 0x80), read eight at a time: the
// same in both encodings, so long files of plain text pass through unchanged.
std::size_t asciiPrefix(std::string_view text);

}  // namespace confcred::platform
