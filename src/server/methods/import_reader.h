// Reading a consumer credit/debit file (the ARQUIVO text of SetImporSaldoCons)
// into orders and warning lines. Pure text work: whether a client, consumer,
// family or bank slip exists is for the storage to decide afterwards.
#pragma once

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

struct ImportReadResult {
    std::vector<ImportOrder> orders;
    std::vector<ImportWarning> warnings;
    int recognisedLines = 0;  // header, comment and blank lines understood as such
    int lineCount = 0;        // orders + warnings + recognisedLines
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
