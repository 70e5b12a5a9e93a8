#pragma once
// The two layout readers behind readReturnFile. Each gets the file's records
// (at least one, the first of the layout's length) and checks the rest.

#include <string>
#include <vector>

#include "bankreturn/fixed_line.h"
#include "bankreturn/return_file.h"

namespace confcred::bankreturn::detail {

ReturnFile readCnab240(const std::vector<FixedLine>& lines);
ReturnFile readCnab400(const std::vector<FixedLine>& lines);

// Refuses a record whose length is not the layout's.
void requireLength(const FixedLine& line, int length);

// Refuses a file that ends before its file trailer (record 9).
[[noreturn]] void refuseTruncated(const std::vector<FixedLine>& lines);

}  // namespace confcred::bankreturn::detail
