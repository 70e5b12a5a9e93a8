// Folding texts for searching: lower case and no accents, so that "Ação",
// "ACAO" and "acao" are found by one another on every backend.
#pragma once

#include <string>
#include <string_view>

namespace confcred::server::storage {

// A..Z to a..z; the accented Latin letters (U+00C0..U+017F) to their base
// letters, lower case (á, À, ã -> a; Ç -> c; ß -> ss; Æ -> ae). Other text,
// including bytes that are not valid UTF-8, is kept as it is.
std::string foldForSearch(std::string_view text);

// A LIKE pattern (with ESCAPE '\') that finds `text` literally as a substring
// of a folded text: the text is folded and \, % and _ are escaped.
std::string containsPattern(std::string_view text);

}  // namespace confcred::server::storage
