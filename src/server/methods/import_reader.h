// Reading a consumer credit/debit file (the ARQUIVO text of SetImporSaldoCons)
// into orders and warning lines. Pure text work: whether a client, consumer,
// family or bank slip exists is for the storage to decide afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"

namespace confcred::server::methods {

enum class ImportKind { Credit, Debit };

struct ImportFamilyValue {
    std::string family;  // CDFAMILISALD
    double value = 0;    // as written: positive; the kind gives the sign
};

struct ImportOrder {
    int lineNumber = 0;  // 1-based line of the file
    ImportKind kind = ImportKind::Credit;
    std::string client;    // CDCLIENTE
    std::string consumer;  // CDCONSUMIDOR
    std::string boleto;    // NRBOLETO, the bank slip number
    platform::DateTime when;
    std::string description;  // DSSITCREBANC, may be empty
    std::vector<ImportFamilyValue> families;
};

struct ImportWarning {
    int lineNumber = 0;
    std::string text;  // Portuguese, names the line, at most 250 characters
};

// The warnings of one import, bounded whatever the file: the first
// kImportWarningsShown by line number keep their texts, the others are only
// counted. A file of millions of bad lines costs no more than a thousand.
constexpr std::size_t kImportWarningsShown = 1000;

class ImportWarnings {
  public:
    ImportWarnings() = default;
    // Continues a list taken before: `omitted` warnings after its last line.
    ImportWarnings(std::vector<ImportWarning> first, std::int64_t omitted);

    // Whether a warning on `line` would keep its text; when not, add() only
    // counts it, so the caller may skip building the text.
    bool keeps(int line) const { return !full_ || line < threshold_; }
    void add(int line, std::string text);
    void count(int line) { add(line, {}); }
    std::int64_t total() const { return total_; }

    // The kept warnings in line order; `omitted` gets how many were only counted.
    std::vector<ImportWarning> take(std::int64_t& omitted);

  private:
    void prune();

    std::vector<ImportWarning> kept_;
    std::int64_t total_ = 0;
    bool full_ = false;
    int threshold_ = 0;  // once full, the last kept line
};

// The line that closes an answer whose warnings were cut, with the count of
// the others.
std::string omittedWarningsLine(std::int64_t omitted);

struct ImportReadResult {
    std::vector<ImportOrder> orders;
    std::vector<ImportWarning> warnings;  // at most kImportWarningsShown, in line order
    std::int64_t omittedWarnings = 0;     // warnings after those, only counted
    int recognisedLines = 0;              // header, comment and blank lines understood as such
    int lineCount = 0;                    // orders + warnings + omittedWarnings + recognisedLines
};

// Never throws on content: every line ends up as an order, a warning or a
// recognised non-order line.
ImportReadResult readImportFile(std::string_view text);

// A bank slip in the form in which it is unique per client: blanks trimmed,
// leading zeros dropped, letters in upper case (kCanonicalSlipSql in schema.h).
std::string canonicalSlip(std::string_view slip);

// Cuts a warning to the 250 characters a DSLINHA holds, on a UTF-8 boundary.
std::string limitWarning(std::string text);

}  // namespace confcred::server::methods
