// Finding an order in the confirmation list by what the operator types: the
// order number or the bank slip exactly (looked up in the record set's
// equality indexes), or part of the consumer's or the responsible person's
// name.
#pragma once

#include <QString>
#include <optional>

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::package {

// The 1-based position of the first order after the current one that
// matches `text`, going round to the first order after the last; the current
// order itself only when it is the one match. Nothing when none matches (or
// the text is blank).
std::optional<size_t> nextOrderMatch(dataset::RecordSet& orders, const QString& text);

}  // namespace confcred::package
