// The ledger's state as a server finds it at start: its guard triggers put
// back when someone dropped or disabled them, its chains' heads checked (and
// the rows written since the last verified point walked), and, when a chain
// does not hold, the reason writes are refused for (docs/security.md).
#pragma once

#include <string>
#include <vector>

namespace confcred::server::storage {

class Database;

struct LedgerAtStart {
    std::vector<std::string> guardsRestored;  // trigger names put back
    std::string broken;                       // empty when the chains hold
};

LedgerAtStart checkLedgerAtStart(Database& db);

// Why this process refuses writes (empty: it does not). Set once at start;
// read by the write methods and by the readiness check.
void setWriteRefusal(std::string why);
std::string writeRefusal();

}  // namespace confcred::server::storage
