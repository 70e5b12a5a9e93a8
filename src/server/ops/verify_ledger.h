// `confcred-server verify-ledger [--db URL]`: walks the hash chains of the
// ledger and the import audit and tells whether they hold.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace confcred::server::ops {

// `args` are those after "verify-ledger". Prints "ok N rows" and each chain's
// head on `out` and returns 0 when every chain holds; prints the first row
// that breaks one (its table and key) on `out` and returns 3; returns 1 when
// the database cannot be read and 2 for a bad command line, with the reason
// on `err`.
int runVerifyLedger(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Walks every chain of the database at `url` (a restore's check of what it
// puts back). Empty when they hold or the schema predates them; else the
// first break, as a sentence.
std::string chainProblem(const std::string& url);

}  // namespace confcred::server::ops
