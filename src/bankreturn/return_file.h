// Reading a bank's collection return file ("arquivo de retorno"): CNAB 240
// (segments T and U) or CNAB 400 in a bank's own layout. Pure text work, no
// Qt: the file's text in, one record per slip event out, or a refusal that
// names the line and column. Matching the records against orders is for the
// server to do afterwards.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/datetime.h"

namespace confcred::bankreturn {

enum class Layout { Cnab240, Cnab400 };

struct ReturnRecord {
    int line = 0;             // 1-based line of the detail record (segment T in CNAB 240)
    std::string nossoNumero;  // the bank's slip number as the file gives it, trimmed
    std::string
        nossoNumeroDigit;  // its check digit when the layout carries one beside it, else empty
    std::string documentNumber;  // "seu número" / document number, trimmed
    int64_t faceValueCents = 0;  // valor do título
    int64_t paidCents = 0;       // amount paid or received for the slip, never the face value
    int64_t feesCents = 0;       // juros / multa / encargos
    int64_t discountCents = 0;   // desconto (and abatimento where the layout adds it)
    std::string occurrence;      // the bank's occurrence code as written ("06", "17", ...)
    bool settlement = false;     // the occurrence settles the slip (liquidação)
    std::optional<platform::DateTime> occurrenceDate;  // midnight of the date
    std::optional<platform::DateTime> creditDate;      // midnight of the date
    // The bank's fee for the event (tarifa de cobrança, custas); none when the
    // layout has no such field or the bank left it blank.
    std::optional<int64_t> tariffCents;
};

struct ReturnFile {
    Layout layout = Layout::Cnab240;
    std::string bankCode;               // three digits, "001"
    std::string bankName;               // as the header gives it, trimmed
    std::vector<ReturnRecord> records;  // in file order
    // Records read although their length was not the layout's: longer only by
    // trailing blanks (or a stray carriage return), or shorter by the blanks
    // the transfer dropped (see adjustedLinesNote).
    int adjustedLines = 0;
};

// A refusal: the whole file is refused, nothing is read. what() is a
// Portuguese message naming the line and column ("Linha 3, coluna 153: ...").
class ReturnFileError : public std::runtime_error {
  public:
    ReturnFileError(int line, int column, const std::string& message);
    int line() const { return line_; }
    int column() const { return column_; }

  private:
    int line_;
    int column_;
};

// text: the file as read, in UTF-8 or in Windows-1252 (taken as Windows-1252
// when it is not valid UTF-8); lines end in CR LF or LF, a last line may lack
// its end. Detects the layout from the line length and header record and the
// bank from the header's bank code. Throws ReturnFileError.
ReturnFile readReturnFile(std::string_view text);

// For the operator: "3 linhas com brancos finais ajustados"; empty when none.
std::string adjustedLinesNote(const ReturnFile& file);

// The occurrence's meaning in the bank's own table, as its manual words it
// ("Liquidação normal"); empty for a code the table lacks.
std::string_view occurrenceDescription(const ReturnFile& file, std::string_view occurrence);

// The slip's digits with leading zeros removed ("000123" -> "123"; "" when no
// digit but zeros). The matching rule compares these.
std::string slipDigits(std::string_view slip);
// The same into `digits`, whose storage is kept for the next slip.
void slipDigits(std::string_view slip, std::string& digits);

}  // namespace confcred::bankreturn
