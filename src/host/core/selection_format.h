// The list picker's selection string: the chosen keys in the record set's
// order, each quoted with ' (an inner ' doubled), separated by commas, no
// blanks: 'a','O''Brien'. The server parses it back; it is never spliced into
// SQL.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace confcred::host::core {

QString formatSelection(const QStringList& keys);

// The keys of a selection; an empty text is an empty list. Anything else that
// is not exactly the format above (the "T" of "all", blanks, a missing quote)
// gives nothing.
std::optional<QStringList> parseSelection(const QString& selection);

}  // namespace confcred::host::core
