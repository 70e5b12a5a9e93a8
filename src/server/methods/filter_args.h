// The eight filter arguments of getPEDCREDCONS and getPEDICREDFAMI, read
// into an OrderFilter: which orders the two lists show.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"
#include "server/methods/rpc.h"
#include "server/methods/selection.h"

namespace confcred::server::methods {

struct OrderFilter {
    std::optional<std::vector<std::string>> clients;    // nullopt = every client
    std::optional<std::vector<ConsumerKey>> consumers;  // nullopt = every consumer
    platform::DateTime firstDay;                        // date part, inclusive
    platform::DateTime lastDay;                         // date part, inclusive
    std::optional<std::string> situations;              // nullopt = any; else codes of S N C
    std::optional<std::string> accounted;               // nullopt = any; else codes of S N
    std::optional<std::string> orderNumber;             // the 20-character number
    std::optional<std::string> descriptionPattern;      // LIKE pattern on the folded text
};

// Reads the eight arguments in order: clients, consumers, first date, last
// date, situations, accounting flags, order number, description. Throws
// ArgumentError (Portuguese, naming the argument) for anything malformed.
OrderFilter readOrderFilter(const Args& args);

// "_S_N_C_"-style code lists: "_" then each wanted letter followed by "_".
// The empty text is nullopt (no restriction); "_" an empty set. Letters must
// come from `allowed`; throws SelectionError otherwise.
std::optional<std::string> parseCodeList(std::string_view text, std::string_view allowed);

// "T" or empty = any order; otherwise up to 20 digits (blanks around ignored),
// zero-padded to 20. Throws SelectionError for anything else.
std::optional<std::string> parseOrderNumber(std::string_view text);

// "T" or empty = any description; otherwise "%" + typed + "%": the one
// leading and trailing "%" are taken off and the rest is found literally,
// without regard to case or accents. Returns the LIKE pattern. A text longer
// than the 50 characters of a description throws SelectionError.
std::optional<std::string> parseDescription(std::string_view text);

// A 20-digit order number from a number as typed or stored; nullopt when the
// text is not 1 to 20 digits.
std::optional<std::string> normaliseOrderNumber(std::string_view text);

}  // namespace confcred::server::methods
