// Marking orders from a bank return file, without a window: the file chooser,
// reading the file, getRetornoBancario, the ticks of the orders the server
// matched, and the report of the rest. It asks and tells its failures
// through the screen's RunScreen and calls over the screen's connection; the
// screen shows the report.
#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "dataset/data_packet.h"
#include "package/core/run_screen.h"

namespace confcred::dataset {
class RecordSet;
}
namespace confcred::host::client {
class TNetConnection;
}

namespace confcred::package::bank_return {

// Where the chooser opens, as the operator reads it.
inline constexpr std::string_view kRetornoFolder = R"(C:\Credito\Site\Retorno)";

// The results getRetornoBancario gives a record, in the report's order.
inline constexpr std::array<char, 7> kResults = {'M', 'V', 'E', 'C', 'D', 'X', 'O'};

enum class ReturnEnd {
    Cancelled,        // no file chosen
    Unreadable,       // the file could not be read
    ServerRefused,    // the server refused the file (the reader's message)
    TransportFailed,  // no usable answer
    Done,
};

struct ResultTotal {
    char result = 'M';
    size_t count = 0;
    int64_t paidCents = 0;  // sum of VRPAGO
};

// The closing figures of the whole file, for the report's end.
struct ReturnTotals {
    size_t read = 0;                // records (slips) in the file
    size_t settled = 0;             // records that are settlements (every result but "O")
    size_t matched = 0;             // records matched ("M")
    int64_t paidCents = 0;          // sum of VRPAGO of the settlements
    int64_t matchedOrderCents = 0;  // sum of VRPEDCRECONS of the matched records
};

// The totals as the report closes with them, a title and a value each
// ("Boletos lidos", "12"), in the regional format.
std::vector<std::pair<QString, QString>> totalsLines(const ReturnTotals& totals);

struct ReturnOutcome {
    ReturnEnd end = ReturnEnd::Cancelled;
    QString path;  // the file chosen
    // What the screen was told: Unreadable, ServerRefused, TransportFailed.
    std::optional<RunFailure> failure;

    // Done only.
    std::array<ResultTotal, kResults.size()> totals{};  // in kResults' order
    size_t records = 0;
    size_t ticked = 0;  // listed orders this run ticked (some may have been ticked before)
    // Orders matched ("M") that the list does not show (outside the filter),
    // by number: not ticked.
    std::vector<std::string> unlisted;
    // Every record whose result is not "M", in file order, with the fields
    // of the server's answer.
    dataset::DataPacket exceptions;
    // Every record, matched ones included, in file order: what the report lists.
    dataset::DataPacket allRecords;
    ReturnTotals closing;
    // What the server said of the file as a whole (DSAVISO); empty when nothing.
    QString notice;
};

struct ReturnRun {
    host::client::TNetConnection& connection;
    dataset::RecordSet& orders;  // cdsGetPediCreCons, open
    RunScreen& screen;           // the list views do not follow the ticks as they change
};

// Asks for the file, sends it, and on an answer ticks every listed order the
// server matched ("M"), leaving every other tick as it was, and makes the
// first of them (in list order) current. A failure listed in ReturnEnd goes
// to the screen's report, which stops the handler; other failures pass on
// unchanged, the views attached again.
ReturnOutcome runBankReturn(ReturnRun& run);

// Ticks the listed orders the answer matched ("M") and fills the outcome's
// totals, ticked count, unlisted orders and exceptions from the answer.
void markMatched(dataset::RecordSet& orders, const dataset::DataPacket& answer,
                 ReturnOutcome& outcome);

// The report's lines as CSV: a title row and one row per record of
// `exceptions`, fields separated by ";", quoted when they hold ";", a quote
// or a line break; values in the regional format. UTF-8 with a byte-order
// mark, so that a spreadsheet reads the accents. With `totals`, a blank row
// and one row per total (title; value) close it.
std::string exceptionsCsv(const dataset::DataPacket& exceptions,
                          const ReturnTotals* totals = nullptr);

}  // namespace confcred::package::bank_return
