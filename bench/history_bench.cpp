// The daily work on a database that holds years, each against the same work
// on a database that holds only that work, in the same run:
// - history.list_today_vs_fresh: the default list (a day's pending orders of
//   branch 1's clients, getPEDCREDCONS);
// - history.bankreturn_vs_fresh: a bank return settling the last 10,000
//   orders (getRetornoBancario); the fresh database holds the days they
//   belong to;
// - history.import_vs_fresh: a 10,000-line import (SetImporSaldoCons), with
//   new slips each time;
// - history.verify_day_vs_fresh: the nightly verification of one day's
//   ledger rows from the point verified the day before.
// The history (2 million orders by default) is made once and kept beside
// this executable, named by the generator's and the schema's versions; each
// run works on a copy of it. Methods run in process, as the server runs
// them behind its endpoint.
// With CONFCRED_BENCH_PG or CONFCRED_TEST_PG (a postgresql:// URL of a server
// where databases may be created; the test command's cluster) the list and
// bank return figures are measured on PostgreSQL too
// (history.postgres.*); its history is kept as a database of that server,
// named by the same versions, and made when missing.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "harness.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "server/http/call_codec.h"
#include "server/methods/confcred_methods.h"
#include "server/storage/database.h"
#include "server/storage/demo_data.h"
#include "server/storage/ledger_chain.h"
#include "server/storage/ledger_check.h"
#include "server/storage/postgres_backend.h"
#include "server/storage/schema.h"
#include "server/storage/stored_values.h"
#include "support/return_files.h"

using namespace confcred;
using namespace confcred::bench;
namespace fs = std::filesystem;
namespace storage = confcred::server::storage;

namespace {

int envInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

const int kDays = envInt("CONFCRED_BENCH_HISTORY_DAYS", 400);
const int kPerDay = envInt("CONFCRED_BENCH_HISTORY_PER_DAY", 5000);
constexpr int kSlips = 10'000;
constexpr int kImportLines = 10'000;
constexpr int kRuns = 7;
// Calls per timed sample of the short figures, so that a sample outlasts the
// machine's hiccups.
constexpr int kCallsPerSample = 5;

// `work` kCallsPerSample times.
std::function<void()> repeated(std::function<void()> work) {
    return [work = std::move(work)] {
        for (int i = 0; i < kCallsPerSample; ++i)
            work();
    };
}
// The fresh database: the days the bank return's slips come from.
const int kFreshDays = (kSlips + kPerDay - 1) / kPerDay;
// A fixed last day, so that the kept history serves whatever day it is.
const platform::DateTime kLastDay = platform::DateTime::fromParts(2026, 12, 1);

std::string dateArg(const platform::DateTime& d) {
    const auto p = d.date();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT00:00:00", p.year, p.month, p.day);
    return text;
}

std::string twoDigits(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

// The full verification, recorded as the verified point.
void verifyAndRecord(storage::Database& db) {
    namespace ledger = storage::ledger;
    ledger::ContentReport content;
    std::map<std::string, ledger::ChainPoint> heads;
    db.read([&](storage::Session& s) {
        const ledger::ChainReport chain = ledger::verifyChains(s);
        if (!chain.ok)
            throw std::runtime_error("the history's chain does not hold: " + chain.problem);
        heads = ledger::chainHeads(s);
        content = ledger::checkLedgerContent(s, true, heads[ledger::ledgerTable().name].lastId);
    });
    if (!content.differences.empty())
        throw std::runtime_error("the history disagrees with its ledger: " +
                                 content.differences.front());
    db.write([&](storage::Session& s) {
        ledger::saveVerifiedPoint(s, heads, content, storage::storedDateTime(platform::now()));
    });
}

// The nightly check from the verified point, without moving the point.
std::int64_t verifyFromPoint(storage::Database& db) {
    namespace ledger = storage::ledger;
    return db.read([](storage::Session& s) {
        const auto points = ledger::verifiedPoints(s);
        const ledger::ChainReport chain = ledger::verifyChains(s, points);
        if (!chain.ok || points.empty())
            throw std::runtime_error("verification from the point failed: " + chain.problem);
        const auto heads = ledger::chainHeads(s);
        const ledger::ContentReport content =
            ledger::checkLedgerContent(s, false, heads.at(ledger::ledgerTable().name).lastId);
        if (!content.differences.empty() || content.fromScratch)
            throw std::runtime_error("verification from the point found differences");
        return chain.rows;
    });
}

// The point recorded without walking the chain: the heads as they stand and
// the balances as the ledger sums them in SQL. For PostgreSQL's copy of a
// history whose generator the SQLite one has already verified whole.
void recordPoint(storage::Database& db) {
    namespace ledger = storage::ledger;
    db.write([](storage::Session& s) {
        ledger::ContentReport content;
        s.query(
            "SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, SUM(VRLANCSALDO_CENT) FROM LANCSALDO"
            " WHERE CDFAMILISALD IS NOT NULL GROUP BY CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD",
            {}, [&](const storage::Row& r) {
                content.ledgerBalances[{std::string(r.text(0)), std::string(r.text(1)),
                                        std::string(r.text(2))}] = r.integer(3);
            });
        ledger::saveVerifiedPoint(s, ledger::chainHeads(s), content,
                                  storage::storedDateTime(platform::now()));
    });
}

// All days but the last, verified, then the last day: the nightly check of
// the last day has the day before's point to start from.
void fill(storage::Database& db, int days, bool verifyWhole = true) {
    if (days > 1)
        storage::seedHistory(
            db, {days - 1, kPerDay, 1, kLastDay.addDays(-1)}, [&](int done, std::int64_t orders) {
                if (done % 50 == 0 || done == days - 1)
                    note("history: " + std::to_string(done) + " of " + std::to_string(days) +
                         " days, " + std::to_string(orders) + " orders");
            });
    if (verifyWhole)
        verifyAndRecord(db);
    else
        recordPoint(db);
    storage::seedHistory(db, {1, kPerDay, 1, kLastDay});
}

// The kept SQLite history, made when missing.
fs::path keptHistory() {
    const fs::path folder = fs::read_symlink("/proc/self/exe").parent_path() / "history-cache";
    fs::create_directories(folder);
    const fs::path file =
        folder / ("history-g" + std::to_string(storage::kHistoryGeneratorVersion) + "-s" +
                  std::to_string(storage::latestSchemaVersion()) + "-" + std::to_string(kDays) +
                  "x" + std::to_string(kPerDay) + ".db");
    if (fs::exists(file)) {
        note("history kept from an earlier run: " + file.string());
        return file;
    }
    for (const auto& old : fs::directory_iterator(folder))
        fs::remove(old.path());  // another version's: not used again
    const fs::path partial = file.string() + ".partial";
    const double seconds = secondsOf([&] {
        auto db = storage::openDatabase("sqlite:" + partial.string(), false);
        fill(*db, kDays);
    });
    fs::rename(partial, file);
    for (const char* suffix : {"-wal", "-shm"})
        fs::remove(partial.string() + suffix);
    note("history of " + std::to_string(std::int64_t{kDays} * kPerDay) + " orders made in " +
         ms(seconds) + " (once per build directory)");
    return file;
}

// The server's methods on one database.
struct Served {
    explicit Served(std::unique_ptr<storage::Database> database) : db(std::move(database)) {
        server::methods::registerConfCredMethods(methods, *db);
    }
    std::string call(const std::string& name, const std::string& body) {
        std::string copy = body;
        const auto args = server::http::decodeCall(name, copy);
        return (*methods.find(name))(args, server::methods::CallContext{"bench"});
    }
    std::unique_ptr<storage::Database> db;
    server::methods::MethodTable methods;
};

std::string defaultListArgs() {
    const std::string day = dateArg(kLastDay);
    return R"({"args":["'CLI001','CLI002','CLI003','CLI006'","T",")" + day + R"(",")" + day +
           R"(","_N_","_S_N_","T","T"]})";
}

// A return file settling the last `count` orders of the database.
std::string bankReturnArgs(storage::Database& db) {
    std::vector<testing::ComposedSlip> slips;
    for (const auto& row : db.queryText("SELECT NRBOLETO, VRPEDCRECONS_CENT FROM PEDCREDCONS"
                                        " ORDER BY IDPEDCREDCONS DESC LIMIT " +
                                        std::to_string(kSlips))) {
        testing::ComposedSlip s;
        const std::size_t i = slips.size();
        s.nossoNumero = i % 100 == 0 ? "88" + std::to_string(i) : *row[0];
        s.faceCents = std::abs(std::stoll(*row[1]));
        s.paidCents = s.faceCents + (i % 10 == 0 ? 1 : 0);
        s.creditDate = s.occurrenceDate = platform::Date{2026, 12, 1};
        slips.push_back(std::move(s));
    }
    dataset::DataPacket file(dataset::records::fieldDefs(dataset::records::kImport));
    file.column(0).appendText(platform::cp1252ToUtf8(testing::composeCnab240("104", slips)));
    return "{\"args\":[" + dataset::encodePacket(file) + "]}";
}

// A 10,000-line import with slips of its own (`run` tells the runs apart).
std::string importArgs(int run) {
    std::string text;
    const auto d = kLastDay.date();
    for (int i = 0; i < kImportLines; ++i) {
        const int client = 1 + i % 6;
        const int consumer = (client - 1) * 7 + 1 + (i / 6) % 7;
        char consumerCode[16];
        std::snprintf(consumerCode, sizeof consumerCode, "CONS%04d", consumer);
        const int cents = 500 + (i * 37) % 20'000;
        text += "C;CLI00" + std::to_string(client) + ";" + consumerCode + ";IMP" +
                std::to_string(run) + "-" + std::to_string(i) + ";" + twoDigits(d.day) + "/" +
                twoDigits(d.month) + "/" + std::to_string(d.year) +
                " 10:" + twoDigits(i / 60 % 60) + ":" + twoDigits(i % 60) +
                ";Crédito mensal;ALI=" + std::to_string(cents / 100) + "," +
                twoDigits(cents % 100) + "\r\n";
    }
    dataset::DataPacket file(dataset::records::fieldDefs(dataset::records::kImport));
    file.column(0).appendText(text);
    return "{\"args\":[" + dataset::encodePacket(file) + "]}";
}

// `prefix` names the figures: "history." or "history.postgres.".
void listAndBankReturn(Served& history, Served& fresh, const std::string& prefix) {
    const std::string list = defaultListArgs();
    std::size_t historyBytes = 0, freshBytes = 0;
    const double listRatio =
        ratioOf(repeated([&] { historyBytes = history.call("getPEDCREDCONS", list).size(); }),
                repeated([&] { freshBytes = fresh.call("getPEDCREDCONS", list).size(); }), kRuns);
    note("default list: " + std::to_string(historyBytes / 1024) + " KiB with history, " +
         std::to_string(freshBytes / 1024) + " KiB fresh");
    if (historyBytes != freshBytes)
        throw std::runtime_error("the default list differs between the two databases");
    figure(prefix + "list_today_vs_fresh", listRatio);

    const std::string historyReturn = bankReturnArgs(*history.db);
    const std::string freshReturn = bankReturnArgs(*fresh.db);
    const double returnRatio = ratioOf(
        repeated([&] { historyBytes = history.call("getRetornoBancario", historyReturn).size(); }),
        repeated([&] { freshBytes = fresh.call("getRetornoBancario", freshReturn).size(); }),
        kRuns);
    note("bank return of " + std::to_string(kSlips) + " slips: answers " +
         std::to_string(historyBytes / 1024) + " KiB and " + std::to_string(freshBytes / 1024) +
         " KiB");
    figure(prefix + "bankreturn_vs_fresh", returnRatio);
}

void sqliteFigures(const fs::path& scratch) {
    const fs::path kept = keptHistory();
    const fs::path copy = scratch / "history.db";
    const double copying = secondsOf([&] { fs::copy_file(kept, copy); });
    note("history copied for this run in " + ms(copying) + " (" +
         std::to_string(fs::file_size(copy) >> 20) + " MiB)");
    Served history(storage::openDatabase("sqlite:" + copy.string(), false));
    const fs::path freshFile = scratch / "fresh.db";
    Served fresh(storage::openDatabase("sqlite:" + freshFile.string(), false));
    fill(*fresh.db, kFreshDays);

    listAndBankReturn(history, fresh, "history.");

    std::int64_t historyRows = 0, freshRows = 0;
    const double verifyRatio =
        ratioOf(repeated([&] { historyRows = verifyFromPoint(*history.db); }),
                repeated([&] { freshRows = verifyFromPoint(*fresh.db); }), kRuns);
    note("verification from the point: " + std::to_string(historyRows) + " and " +
         std::to_string(freshRows) + " ledger rows");
    figure("history.verify_day_vs_fresh", verifyRatio);

    int historyRun = 0, freshRun = 0;
    const double importRatio =
        ratioOf([&] { history.call("SetImporSaldoCons", importArgs(historyRun++)); },
                [&] { fresh.call("SetImporSaldoCons", importArgs(freshRun++)); }, kRuns);
    figure("history.import_vs_fresh", importRatio);
}

// PostgreSQL: the history kept as a database of its own in the server.
void postgresFigures(const std::string& admin) {
    const auto withDatabase = [&](const std::string& name) {
        const auto hostStart = admin.find("://") + 3;
        const auto slash = admin.find('/', hostStart);
        const auto query = admin.find('?', hostStart);
        std::string out = admin.substr(0, slash == std::string::npos ? query : slash) + "/" + name;
        if (query != std::string::npos)
            out += admin.substr(query);
        return out;
    };
    const std::string keptName = "confcred_history_g" +
                                 std::to_string(storage::kHistoryGeneratorVersion) + "_s" +
                                 std::to_string(storage::latestSchemaVersion()) + "_" +
                                 std::to_string(kDays) + "x" + std::to_string(kPerDay);
    auto adminSession = storage::openPostgresSession(admin);
    bool kept = false;
    adminSession->query("SELECT 1 FROM pg_database WHERE datname = ?", {std::string_view(keptName)},
                        [&](const storage::Row&) { kept = true; });
    if (!kept) {
        const std::string partial = keptName + "_partial";
        adminSession->executeScript("DROP DATABASE IF EXISTS " + partial);
        adminSession->executeScript("CREATE DATABASE " + partial +
                                    " TEMPLATE template0 ENCODING 'UTF8'");
        const double seconds = secondsOf([&] {
            auto db = storage::openDatabase(withDatabase(partial), false);
            fill(*db, kDays, false);
        });
        adminSession->executeScript("ALTER DATABASE " + partial + " RENAME TO " + keptName);
        note("PostgreSQL history made in " + ms(seconds));
    } else {
        note("PostgreSQL history kept from an earlier run: " + keptName);
    }
    const std::string freshName = "confcred_fresh_" + std::to_string(::getpid());
    adminSession->executeScript("DROP DATABASE IF EXISTS " + freshName);
    adminSession->executeScript("CREATE DATABASE " + freshName +
                                " TEMPLATE template0 ENCODING 'UTF8'");
    {
        // Read-only figures: the kept database itself.
        Served history(storage::openDatabase(withDatabase(keptName), false));
        Served fresh(storage::openDatabase(withDatabase(freshName), false));
        fill(*fresh.db, kFreshDays);
        listAndBankReturn(history, fresh, "history.postgres.");
    }
    adminSession->executeScript("DROP DATABASE IF EXISTS " + freshName + " WITH (FORCE)");
}

}  // namespace

int main() {
    const fs::path scratch =
        fs::temp_directory_path() / ("confcred-history-bench-" + std::to_string(::getpid()));
    int status = 0;
    try {
        fs::create_directories(scratch);
        sqliteFigures(scratch);
        const char* pg = std::getenv("CONFCRED_BENCH_PG");
        if (!pg || !*pg)
            pg = std::getenv("CONFCRED_TEST_PG");
        if (pg && std::string_view(pg).rfind("postgresql://", 0) == 0)
            postgresFigures(pg);
        else
            note("neither CONFCRED_BENCH_PG nor CONFCRED_TEST_PG: no PostgreSQL figures");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_history: %s\n", e.what());
        status = 1;
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return status;
}
