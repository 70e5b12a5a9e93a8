// Reconciling a bank statement with the order list, without a window: the
// file chooser, reading the file, getConciliacaoExtrato, and then, at the
// operator's word, the ticks of the orders the statement paid. It asks and
// tells its failures through the screen's RunScreen; the screen shows the
// report.
#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_packet.h"
#include "package/core/run_screen.h"

namespace confcred::dataset {
class RecordSet;
}
namespace confcred::host::client {
class TNetConnection;
}

namespace confcred::package::statement {

// Where the chooser opens, as the operator reads it.
inline constexpr std::string_view kExtratoFolder = R"(C:\Credito\Site\Extrato)";

// The letters getConciliacaoExtrato gives an entry, in the report's order.
inline constexpr std::array<char, 9> kResults = {'M', 'P', 'V', 'A', 'E', 'C', 'D', 'X', 'O'};

// What a letter means, in words (translated).
QString resultMeaning(char result);

enum class StatementEnd { Cancelled, Unreadable, ServerRefused, TransportFailed, Done };

struct LetterTotal {
    char result = 'M';
    size_t count = 0;
    int64_t cents = 0;  // sum of VRLANCAMENTO
};

struct StatementOutcome {
    StatementEnd end = StatementEnd::Cancelled;
    QString path;  // the file chosen
    std::optional<RunFailure> failure;
    // Done only: the server's answer, one row per entry, and its sums.
    dataset::DataPacket entries;
    std::array<LetterTotal, kResults.size()> totals{};  // in kResults' order
};

struct StatementRun {
    host::client::TNetConnection& connection;
    RunScreen& screen;
};

// Asks for the file and sends it. A failure listed in StatementEnd goes to
// the screen's report, which stops the handler.
StatementOutcome runStatement(StatementRun& run);

// Fills the outcome's totals from its entries.
void sumLetters(StatementOutcome& outcome);

struct Marked {
    size_t ticked = 0;                  // listed orders ticked by this (some may have been)
    std::vector<std::string> unlisted;  // matched orders the list does not show
};

// Ticks the listed orders of the entries lettered "M", and "P" when
// `probable`; never any other letter. Every other tick stays as it was; the
// first ticked order (in list order) becomes current.
Marked markReconciled(dataset::RecordSet& orders, const dataset::DataPacket& entries,
                      bool probable);

// The report as CSV (UTF-8 with a byte-order mark, ";"), one row per entry;
// order and slip numbers kept as text for a spreadsheet; the totals per
// letter close it.
std::string entriesCsv(const StatementOutcome& outcome);

}  // namespace confcred::package::statement
