#pragma once
// Bank return files for tests and benchmarks: valid CNAB 240 and CNAB 400
// collection returns in Windows-1252 with consistent trailers, in the columns each bank's
// layout gives. Written apart from the reader, from the same published
// layouts, so that hand-written lines in the reader's tests can catch a
// mistake the two would otherwise share.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"

namespace confcred::testing {

struct ComposedSlip {
    std::string nossoNumero;  // digits, right-aligned and zero-filled in the field
    std::string digit;        // the check digit, for the banks that carry one beside
    int64_t faceCents = 0;
    int64_t paidCents = 0;
    int64_t feesCents = 0;
    int64_t discountCents = 0;
    std::string occurrence = "06";
    std::optional<platform::Date> occurrenceDate;  // empty: zeros in the file
    std::optional<platform::Date> creditDate;
    std::string documentNumber;
    int64_t tariffCents = 0;  // tarifa / despesas de cobrança
};

// bank: "001", "033", "104", "237", "341", "748", "756" (CNAB 240 takes any
// other code in the FEBRABAN positions). One lot in CNAB 240; in CNAB 400 the
// Banco do Brasil details are of type 7 (17-digit slips, no check digit).
std::string composeCnab240(const std::string& bank, const std::vector<ComposedSlip>& slips,
                           bool crlf = true);
std::string composeCnab400(const std::string& bank, const std::vector<ComposedSlip>& slips,
                           bool crlf = true);

}  // namespace confcred::testing
