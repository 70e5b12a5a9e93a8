// Reading a bank statement: the entries of an account as the bank exports
// them, to find the credits that paid orders by PIX or transfer. Three forms
// are read, recognised from the content: OFX 1.x (SGML) and 2.x (XML), the
// FEBRABAN CNAB 240 statement for bank reconciliation (service 04, segment
// E), and the JSON of the PIX API (a list of received PIX or one charge).
// Pure text work, no Qt: the file's text in, one entry per statement line
// out in file order, or a refusal naming line and column (ReturnFileError,
// as for return files). Matching the entries against orders is the server's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bankreturn/return_file.h"
#include "platform/datetime.h"

namespace confcred::bankreturn {

enum class StatementFormat { Ofx, Cnab240, Pix };

struct StatementEntry {
    int line = 0;  // 1-based line where the entry starts
    // Brasília time: a time the file gives with a zone is brought to UTC-3;
    // a date alone is midnight.
    platform::DateTime date;
    int64_t amountCents = 0;    // signed: a credit is positive, a debit negative
    std::string id;             // FITID, endToEndId or document number, as the file gives it
    std::string description;    // memo, history text; blanks and line ends folded to one blank
    std::string payerName;      // when the file names the payer
    std::string payerDocument;  // the payer's CPF/CNPJ, digits only
    std::string txid;           // the PIX charge's identifier, when there is one
};

struct Statement {
    StatementFormat format = StatementFormat::Ofx;
    std::vector<StatementEntry> entries;  // in file order
    // CNAB records read although their length was not the layout's (as for
    // return files); zero for the other forms.
    int adjustedLines = 0;
};

// text: the file as read, in UTF-8 or Windows-1252 (taken as Windows-1252
// when it is not valid UTF-8, whatever a header declares). Throws
// ReturnFileError.
Statement readStatement(std::string_view text);

// The forms one by one, for callers that know which they hold.
Statement readOfxStatement(std::string_view text);
Statement readCnab240Statement(std::string_view text);
Statement readPixStatement(std::string_view text);

// An amount as banks write it in statements: an optional sign, digits with
// "." or "," as decimal separator and the other (or the same, repeated) as
// thousands separator, one or two decimals, blanks around. Only blanks is
// zero. nullopt when it is not such an amount or could be read two ways
// ("1.234": a thousand or one real?).
std::optional<int64_t> statementAmountCents(std::string_view text);

}  // namespace confcred::bankreturn
