#include "bankreturn/cnab400_banks.h"

#include <algorithm>

namespace confcred::bankreturn::detail {
namespace {

// Rows from each bank's published return layout. Banco do Brasil and Sicoob
// share the CBR643 record: type 7 for 7-digit agreements (17-digit slip, no
// check digit), type 1 for shorter ones (11 digits and the check digit).
constexpr auto kDdMmYy = FixedLine::DateForm::DdMmYy;
constexpr Cnab400Bank kBanks[] = {
    {"001", '7', 64, 17, 0, false, 182, 7, 176, kDdMmYy, {"05", "06", "07", "08", "15"}},
    {"001", '1', 63, 11, 74, false, 182, 7, 176, kDdMmYy, {"05", "06", "07", "08", "15"}},
    // 15 is the confirmation of a protest; the notary's liquidation is 17.
    {"033", '1', 63, 7, 70, false, 176, 13, 296, kDdMmYy, {"06", "07", "08", "17"}},
    // 35: liquidação on-line.
    {"104", '1', 57, 17, 0, true, 176, 13, 294, kDdMmYy, {"21", "22", "35"}},
    {"237", '1', 71, 11, 82, false, 176, 13, 296, kDdMmYy, {"06", "15", "17"}},
    {"341", '1', 63, 8, 94, false, 176, 13, 296, kDdMmYy, {"06", "07", "08"}},
    // The date foreseen for the credit in the current account, AAAAMMDD.
    {"748", '1', 48, 8, 56, true, 176, 13, 329, FixedLine::DateForm::YyyyMmDd, {"06", "15", "17"}},
    {"756", '1', 63, 11, 74, false, 182, 7, 176, kDdMmYy, {"05", "06", "15"}},
};

}  // namespace

bool Cnab400Bank::settles(std::string_view occurrence) const {
    return std::find(settlements.begin(), settlements.end(), occurrence) != settlements.end() &&
           !occurrence.empty();
}

const Cnab400Bank* cnab400Bank(std::string_view bank, char detailType) {
    for (const Cnab400Bank& row : kBanks) {
        if (row.code == bank && row.detailType == detailType)
            return &row;
    }
    return nullptr;
}

bool knownCnab400Bank(std::string_view bank) {
    return std::any_of(std::begin(kBanks), std::end(kBanks),
                       [bank](const Cnab400Bank& row) { return row.code == bank; });
}

}  // namespace confcred::bankreturn::detail
