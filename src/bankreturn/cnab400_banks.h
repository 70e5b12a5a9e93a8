#pragma once
// Where each bank's CNAB 400 collection return puts a slip's fields. The banks
// agree on the amounts' and dates' columns and differ on the slip number, its
// check digit, the credit date and the occurrence codes.

#include <array>
#include <string_view>

#include "bankreturn/fixed_line.h"

namespace confcred::bankreturn::detail {

struct Cnab400Bank {
    std::string_view code;
    char detailType;  // the detail record's first character
    int slipColumn, slipWidth;
    int digitColumn;                // 0: no check digit beside the slip
    bool separateFine;              // multa apart from juros, in 280-292
    int tariffColumn, tariffWidth;  // tarifa / despesas de cobrança
    int creditDateColumn;           // 0: not carried
    FixedLine::DateForm creditDateForm;
    std::array<std::string_view, 5> settlements;  // occurrence codes of liquidação

    bool settles(std::string_view occurrence) const;
};

// The layout of a bank's detail record of that type; null when the bank has
// no such detail record (or is not read at all: see knownCnab400Bank).
const Cnab400Bank* cnab400Bank(std::string_view bank, char detailType);
bool knownCnab400Bank(std::string_view bank);

}  // namespace confcred::bankreturn::detail
