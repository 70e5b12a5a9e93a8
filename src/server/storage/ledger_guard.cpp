#include "server/storage/ledger_guard.h"

#include <mutex>

#include "server/storage/database.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/ledger_check.h"
#include "server/storage/schema.h"

namespace confcred::server::storage {

namespace {

std::mutex refusalMutex;
std::string refusal;

}  // namespace

LedgerAtStart checkLedgerAtStart(Database& db) {
    LedgerAtStart found;
    found.guardsRestored = db.write([](Session& s) {
        lockForSetup(s);
        return restoreGuards(s);
    });
    found.broken = db.read([](Session& s) -> std::string {
        if (std::string heads = ledger::checkHeads(s); !heads.empty())
            return heads;
        // Since the last verified point only: the nightly check keeps it near.
        const auto points = ledger::verifiedPoints(s);
        if (points.empty())
            return {};
        const ledger::ChainReport report = ledger::verifyChains(s, points);
        if (report.ok)
            return {};
        return report.table + " row " + std::to_string(report.id) + ": " + report.problem;
    });
    return found;
}

void setWriteRefusal(std::string why) {
    std::lock_guard lock(refusalMutex);
    refusal = std::move(why);
}

std::string writeRefusal() {
    std::lock_guard lock(refusalMutex);
    return refusal;
}

}  // namespace confcred::server::storage
