#pragma once
// The two layout readers behind readReturnFile. Each gets the file's records
// (at least one, the first of the layout's length) and checks the rest.

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "bankreturn/fixed_line.h"
#include "bankreturn/return_file.h"

namespace confcred::bankreturn::detail {

// A CNAB file's records: split at their line ends, in one byte per
// character, and brought to the layout's length where they differ from it
// only by blanks at their end (`adjusted` counts those).
struct RecordLines {
    std::vector<FixedLine> lines;  // at least one
    int layout = 0;                // 240 or 400, from the first record
    int adjusted = 0;
    std::deque<std::string> storage;  // converted and padded records the lines point into
};
// kind names the file in a refusal ("arquivo de retorno", "extrato"): an
// empty file, or a first record of neither layout.
RecordLines recordLines(std::string_view text, const std::string& kind);

ReturnFile readCnab240(const std::vector<FixedLine>& lines);
ReturnFile readCnab400(const std::vector<FixedLine>& lines);

// Refuses a record whose length is not the layout's.
void requireLength(const FixedLine& line, int length);

// The CNAB 240 file trailer: the file's lots and records.
void checkFileTrailer(const FixedLine& line, int lots, int records);

// Refuses a file that ends before its file trailer (record 9).
[[noreturn]] void refuseTruncated(const std::vector<FixedLine>& lines);

}  // namespace confcred::bankreturn::detail
