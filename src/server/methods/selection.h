// The list picker's selection string, as the host writes it into the client
// and consumer filters: the chosen keys, each quoted with ' (an inner '
// doubled), separated by commas without blanks: 'a','O''Brien'. It is parsed
// here and its keys bound as values, never spliced into SQL.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace confcred::server::methods {

// A selection string that is not in that format. The message is Portuguese
// and says where the text goes wrong.
class SelectionError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// Limits that keep one request from building an unbounded statement.
inline constexpr std::size_t kMaxSelectionKeys = 5000;
inline constexpr std::size_t kMaxSelectionKeyLength = 100;  // characters

// The keys of a selection, in order (repeats kept). An empty text has no keys.
// Throws SelectionError for anything else that is not exactly the format.
std::vector<std::string> parseSelection(std::string_view text);

// The consumer key CHAVE: client code and consumer code, each right-padded
// with blanks to 21 characters.
inline constexpr std::size_t kCodeWidth = 21;

struct ConsumerKey {
    std::string client;
    std::string consumer;
    friend bool operator==(const ConsumerKey&, const ConsumerKey&) = default;
};

std::string makeConsumerKey(std::string_view client, std::string_view consumer);
// Splits a CHAVE after its 21st character and trims the blanks of both parts.
// Throws SelectionError when the key is too short to hold a consumer code or
// the client part is blank.
ConsumerKey splitConsumerKey(std::string_view key);

}  // namespace confcred::server::methods
