#pragma once
// What the statement readers share: the file's text in UTF-8, positions as
// line and column, blanks folded, times brought to Brasília.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace confcred::bankreturn::detail {

// The text without a byte order mark, in UTF-8: kept when it already is
// (whatever a header declares), read as Windows-1252 otherwise.
std::string statementUtf8(std::string_view text);

// Line and column (1-based, the column in characters) of a byte offset.
struct Position {
    int line = 1;
    int column = 1;
};
Position positionOf(std::string_view text, size_t offset);

// Lines of offsets met in increasing order, counted once over the text.
class LineCounter {
  public:
    explicit LineCounter(std::string_view text) : text_(text) {}
    int lineOf(size_t offset);

  private:
    std::string_view text_;
    size_t offset_ = 0;
    int line_ = 1;
};

// Runs of blanks, tabs and line ends become one blank; none at either end.
std::string foldBlanks(std::string_view text);

// A value for a refusal: its first 40 characters in quotes.
std::string quoted(std::string_view value);

// Digits only ("123.456.789-09" -> "12345678909").
std::string digitsOf(std::string_view text);

// A time written with its zone's offset in minutes east of UTC, in Brasília
// time (UTC-3, no summer time since 2019). Without an offset, as written.
platform::DateTime brasiliaTime(platform::DateTime written, std::optional<int> offsetMinutes);

}  // namespace confcred::bankreturn::detail
