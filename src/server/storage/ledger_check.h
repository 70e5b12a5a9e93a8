// What the ledger says the other tables must hold: every consumer's balance
// per family is the sum of its effected amounts less those undone, and every
// order's situation is where its ledger operations leave it (pending when it
// has none). The check reads the ledger whole (`full`) or only its rows after
// the last verified point, whose balances VERIFSALDO keeps; the orders those
// rows touch are then followed through their own ledger, and every stored
// balance is compared either way.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "server/storage/ledger_chain.h"

namespace confcred::server::storage {

class Session;

namespace ledger {

using BalanceKey = std::tuple<std::string, std::string, std::string>;  // client, consumer, family

struct ContentReport {
    std::vector<std::string> differences;  // Portuguese, one sentence each
    std::int64_t ordersChecked = 0;
    std::int64_t balancesChecked = 0;
    // What the ledger adds up to, up to `upToLedgerId`: the balances to keep
    // as the new verified point.
    std::map<BalanceKey, std::int64_t> ledgerBalances;
    std::int64_t upToLedgerId = 0;
    bool fromScratch = true;  // false: ledgerBalances holds only the keys the new rows moved
};

// In a read transaction. `upToLedgerId` is the last ledger row to count (the
// chain's head as verified in the same transaction). `full` false reads from
// the verified point when there is one; without one the check is full.
ContentReport checkLedgerContent(Session& s, bool full, std::int64_t upToLedgerId);

// In a write transaction: records `heads` (by table) as the verified point
// of each chain, with the balances of `report`.
void saveVerifiedPoint(Session& s, const std::map<std::string, ChainPoint>& heads,
                       const ContentReport& report, const std::string& when);

// The verified point of each chain, by table (empty when none yet).
std::map<std::string, ChainPoint> verifiedPoints(Session& s);

}  // namespace ledger
}  // namespace confcred::server::storage
