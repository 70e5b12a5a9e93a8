// Benchmarks of the confirmation screen with 100,000 orders and 400,000
// family rows on a real confcred-server over loopback:
// - confirmation.reload_vs_sqlite: the reload (both server calls, decode,
//   load, first family filter) against SQLite running the server's two
//   statements and stepping every column of every row;
// - host.reload_stall_share: the longest time the event loop did not run
//   during a reload (the screen shown, a 5 ms timer ticking) as a share of
//   the whole reload's time: the window must keep painting while the lists
//   are fetched, decoded and loaded;
// - confirmation.markall_vs_walk: ticking every order from the check
//   column's title against a bare walk over the same orders;
// - confirmation.batch_vs_walk: a batch operation's walk and packet building
//   (every order ticked and pending) against the same bare walk.
// The walks are also timed on a tenth of the orders: their cost per order
// must not grow with the list.

#include <sqlite3.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/record_set.h"
#include "harness.h"
#include "host/client/net_connection.h"
#include "host/core/application.h"
#include "host/forms/form_base.h"
#include "host/widgets/db_grid.h"
#include "host/widgets/named_data_set.h"
#include "order_data.h"
#include "package/confirmation/frm_conf_cred_bco.h"
#include "package/core/batch_operation.h"
#include "package/core/credit_filter_params.h"
#include "package/frame/package_units.h"
#include "platform/clock.h"
#include "server/storage/database.h"
#include "server/storage/demo_data.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

using namespace confcred;
using namespace confcred::bench;

namespace {

constexpr int kOrders = 100'000;

// Every order gets every one of the four families: 400,000 family rows.
void seed(const std::string& path) {
    {
        auto db = server::storage::openDatabase("sqlite:" + path);
        server::storage::seedOrders(*db, kOrders, 1);
    }
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    char* error = nullptr;
    if (sqlite3_exec(raw,
                     "INSERT INTO PEDCREDFAMI (IDPEDCREDCONS, CDFAMILISALD, VRPEDCREFAMI_CENT)"
                     " SELECT P.IDPEDCREDCONS, A.CDFAMILISALD, 1000 FROM PEDCREDCONS P"
                     " CROSS JOIN FAMILIASALDO A WHERE NOT EXISTS (SELECT 1 FROM PEDCREDFAMI F"
                     " WHERE F.IDPEDCREDCONS = P.IDPEDCREDCONS"
                     " AND F.CDFAMILISALD = A.CDFAMILISALD)",
                     nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "seeding families: %s\n", error);
        std::exit(1);
    }
    sqlite3_close(raw);
}

// The server's two statements for a filter that takes every order of the
// period, every column of every row read.
const std::string kOrderSql = std::string(kOrderSelect) +
                              " WHERE P.DTPEDCRECONS BETWEEN ? AND ?"
                              " ORDER BY P.DTPEDCRECONS, P.NRPEDCRECONS";
constexpr const char* kFamilySql =
    "SELECT F.CDFAMILISALD, A.NMFAMILISALD, F.VRPEDCREFAMI_CENT, P.NRPEDCRECONS"
    " FROM PEDCREDCONS P"
    " JOIN PEDCREDFAMI F ON F.IDPEDCREDCONS = P.IDPEDCREDCONS"
    " JOIN FAMILIASALDO A ON A.CDFAMILISALD = F.CDFAMILISALD"
    " WHERE P.DTPEDCRECONS BETWEEN ? AND ?"
    " ORDER BY P.DTPEDCRECONS, P.NRPEDCRECONS, F.CDFAMILISALD";

size_t step(sqlite3* db, const char* sql, int columns) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_bind_text(stmt, 1, "2000-01-01 00:00:00.000", -1, SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, "2999-12-31 23:59:59.999", -1, SQLITE_STATIC);
    size_t bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < columns; ++c)
            bytes += static_cast<size_t>(sqlite3_column_bytes(stmt, c)) +
                     (sqlite3_column_text(stmt, c) != nullptr);
    sqlite3_finalize(stmt);
    return bytes;
}

// The screen's standard data source, as its grid shows it.
dataset::DataSource& standardSource(QObject& screen) {
    return *screen.findChild<host::widgets::TDBGrid*>(QStringLiteral("dbgPadrao"))->dataSource();
}

// The screen's order list walked from first to last with its views
// detached, as the operations walk it, doing nothing else: each step still
// filters the family list to the current order.
void bareWalk(package::TfrmConfCredBco& screen) {
    dataset::RecordSet& orders =
        *host::widgets::findDataSet(&screen, QStringLiteral("cdsGetPediCreCons"));
    standardSource(screen).setEnabled(false);
    orders.first();
    while (!orders.eof())
        orders.next();
    standardSource(screen).setEnabled(true);
}

// The longest wait between ticks of a 5 ms timer while `work` runs, the
// first from the start and the last to the end; with the work's own time.
struct Stall {
    double longest = 0;
    double whole = 0;
};

Stall stallOf(const std::function<void()>& work) {
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    auto last = std::chrono::steady_clock::now();
    const auto start = last;
    double longest = 0;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const auto now = std::chrono::steady_clock::now();
        longest = std::max(longest, std::chrono::duration<double>(now - last).count());
        last = now;
    });
    ticks.start(5);
    work();
    const auto end = std::chrono::steady_clock::now();
    longest = std::max(longest, std::chrono::duration<double>(end - last).count());
    return {longest, std::chrono::duration<double>(end - start).count()};
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    testing::TempDir scratch;
    const std::string path = (scratch.path() / "confirmation.db").string();
    const double seeding = secondsOf([&] { seed(path); });
    note("seeded " + std::to_string(kOrders) + " orders with 4 families each in " + ms(seeding));

    testing::ServerProcessOptions options;
    options.dbUrl = "sqlite:" + path;
    testing::ServerProcess server(options);
    host::core::WebURL = QStringLiteral("127.0.0.1");
    host::core::WebPort = server.port();

    // Every order of the database: the whole period, every situation (after
    // the screen's creation, which sets the defaults).
    std::unique_ptr<package::TfrmConfCredBco> screen(
        host::forms::createForm<package::TfrmConfCredBco>());
    package::P_DATAINICIAL = platform::DateTime::fromParts(2000, 1, 1);
    package::P_DATAFINAL = platform::DateTime::fromParts(2999, 12, 31);
    auto& orders = *host::widgets::findDataSet(screen.get(), QStringLiteral("cdsGetPediCreCons"));
    auto& families = *host::widgets::findDataSet(screen.get(), QStringLiteral("cdsPediCredFami"));
    auto& selected = *host::widgets::findDataSet(screen.get(), QStringLiteral("cdsTemp"));

    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(raw, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    size_t bytes = 0;
    const double reload =
        ratioOf([&] { screen->sbtVerificarClick(); },
                [&] { bytes = step(raw, kOrderSql.c_str(), 12) + step(raw, kFamilySql, 4); });
    sqlite3_close(raw);
    families.setFiltered(false);
    note("reload: " + std::to_string(orders.recordCount()) + " orders, " +
         std::to_string(families.recordCount()) + " family rows; reference read " +
         std::to_string(bytes / 1024) + " KiB");
    families.setFiltered(true);
    figure("confirmation.reload_vs_sqlite", reload);

    // Shown, so that the grids and the totals line paint in the pauses; as if
    // the filter dialog had been through already, which showing would open.
    package::Cli_Lun90000::boCriaFiltro = true;
    screen->show();
    QApplication::processEvents();
    std::vector<double> shares;
    Stall stall;
    for (int i = 0; i < 3; ++i) {
        stall = stallOf([&] { screen->sbtVerificarClick(); });
        shares.push_back(stall.longest / stall.whole);
    }
    std::sort(shares.begin(), shares.end());
    note("reload stall: longest " + ms(stall.longest) + " of " + ms(stall.whole) +
         " (last of three)");
    figure("host.reload_stall_share", shares[1]);
    screen->hide();
    QApplication::processEvents();

    const double markAll =
        ratioOf([&] { screen->dbgPadraoTitleClick(0); }, [&] { bareWalk(*screen); });
    figure("confirmation.markall_vs_walk", markAll);

    // Every order ticked, every one pending: the walk takes them all.
    // The title click alternates between ticking every order and clearing
    // every tick; a second click when the first cleared them.
    screen->dbgPadraoTitleClick(0);
    if (orders.fieldByName("IDCHECK").asString() != "S")
        screen->dbgPadraoTitleClick(0);
    {
        // The list takes only tick marks: the situations change on a copy.
        dataset::RecordSet pending;
        pending.loadPacket(orders.toPacket());
        while (!pending.eof()) {
            pending.edit();
            pending.fieldByName("IDPEDCREEXTR").setAsString("N");
            pending.post();
            pending.next();
        }
        orders.loadPacket(pending.toPacket());
    }
    size_t taken = 0, packetBytes = 0;
    const double batch = ratioOf(
        [&] {
            selected.close();
            selected.createDataSet();
            standardSource(*screen).setEnabled(false);
            taken = package::collectSelected(orders, selected, package::efetivaCredito());
            packetBytes = host::client::encodeArgs({&selected}).size();
            standardSource(*screen).setEnabled(true);
        },
        [&] { bareWalk(*screen); });
    note("batch: " + std::to_string(taken) + " orders taken, packet " +
         std::to_string(packetBytes / 1024) + " KiB");
    figure("confirmation.batch_vs_walk", batch);

    // Growth: mark-all on the orders of the last three days (about a tenth)
    // costs the same per order as on all of them.
    const double perOrderAll = medianSeconds([&] { screen->dbgPadraoTitleClick(0); }, 3) /
                               static_cast<double>(orders.recordCount());
    const size_t allCount = orders.recordCount();
    package::P_DATAFINAL = platform::now().datePart();
    package::P_DATAINICIAL = package::P_DATAFINAL.addDays(-2);
    screen->sbtVerificarClick();
    const double perOrderFew = medianSeconds([&] { screen->dbgPadraoTitleClick(0); }, 3) /
                               static_cast<double>(orders.recordCount());
    note("mark-all per order: " + std::to_string(perOrderAll * 1e9) + " ns at " +
         std::to_string(allCount) + " orders, " + std::to_string(perOrderFew * 1e9) + " ns at " +
         std::to_string(orders.recordCount()) + " orders");
    return 0;
}
