#pragma once
// Bank statements for tests and benchmarks, in the three forms the server
// reads, with the quirks real exports have. Written apart from the reader:
// OFX 1 with leaves closed and unclosed, comma and dot decimals, dot
// thousands, one decimal digit, leading blanks, zones written several ways,
// memos over two lines, two statements in one file and line ends of every
// kind; OFX 2 in XML; the CNAB 240 reconciliation statement (segment E) with
// consistent trailers; the PIX API's list of received PIX.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"

namespace confcred::testing {

struct ComposedEntry {
    platform::DateTime when;  // Brasília time
    int64_t cents = 0;        // a credit is positive
    std::string id;           // FITID, endToEndId or document number
    std::string memo;
    std::string payerName;      // OFX NAME, PIX pagador.nome; CNAB: into the history
    std::string payerDocument;  // digits; PIX only
    std::string txid;           // PIX only
};

// seed varies the quirks from entry to entry, the same for the same seed.
std::string composeOfx(const std::vector<ComposedEntry>& entries, unsigned seed = 1);
std::string composeOfxXml(const std::vector<ComposedEntry>& entries);
std::string composeCnab240Statement(const std::string& bank,
                                    const std::vector<ComposedEntry>& entries);
std::string composePixList(const std::vector<ComposedEntry>& entries);

}  // namespace confcred::testing
