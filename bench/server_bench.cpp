// Benchmarks of the application server on 100,000 credit orders, each against
// SQLite doing the bare minimum of the same work in the same run:
// - server.list_vs_sqlite: getPEDCREDCONS answered over HTTP on loopback,
//   against the same query stepped through SQLite's C API;
// - server.import_vs_sqlite_import: a 100,000-line file through
//   SetImporSaldoCons, against the sqlite3 shell's .import of an equivalent
//   CSV into the same table;
// - bankreturn.match_vs_list: a 100,000-record bank return file read and
//   matched against 100,000 orders by getRetornoBancario, against
//   getPEDCREDCONS listing the same orders, both over HTTP;
// - statement.match_vs_list: a 100,000-entry OFX statement read and
//   reconciled against the 100,300 orders by getConciliacaoExtrato, against
//   getPEDCREDCONS listing them, both over HTTP;
// and what one client can do to the others, each the p99 latency of a normal
// client's small call (getConsumidor on a new connection) under the load
// against the same calls without it, alternately in rounds:
// - server.p99_under_hog_vs_idle: one address holds 1,000 idle connections;
// - server.p99_under_slowloris_vs_idle: 512 connections from 8 addresses send
//   their heads one byte at a time;
// - server.p99_during_import_vs_idle: a 500,000-line import runs (here the
//   client calls 500 times a second, before and during, instead of back to
//   back);
// - server.rss_under_body_flood_vs_idle: the resident memory while 40 clients
//   without the token each send a 64 MiB body, against before.
// The server runs in this process, on its own threads, behind its real HTTP
// endpoint; the client is a plain Beast client on one connection.

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <sqlite3.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/http/span_body.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bankreturn/return_file.h"
#include "bankreturn/statement.h"
#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "harness.h"
#include "load_clients.h"
#include "order_data.h"
#include "platform/cp1252.h"
#include "server/http/call_codec.h"
#include "server/http/http_server.h"
#include "server/methods/confcred_methods.h"
#include "server/methods/import_reader.h"
#include "server/storage/database.h"
#include "server/storage/demo_data.h"
#include "server/storage/stored_values.h"
#include "support/return_files.h"
#include "support/statement_files.h"

using namespace confcred;
using namespace confcred::bench;
namespace fs = std::filesystem;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = boost::asio::ip::tcp;

namespace {

constexpr int kOrders = 100'000;
constexpr int kRuns = 5;

// A folder for the run's databases, removed at the end.
struct Scratch {
    Scratch() {
        path = fs::temp_directory_path() / ("confcred-bench-" + std::to_string(::getpid()));
        fs::create_directories(path);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

// The server object on a database, behind its HTTP endpoint on a free port.
struct LocalServer {
    explicit LocalServer(const std::string& url, const std::string& token = {})
        : db(server::storage::openDatabase(url)) {
        server::methods::registerConfCredMethods(methods, *db);
        server::http::HttpServerOptions options;
        options.port = 0;
        options.threads = 2;
        options.token = token;
        options.maxBodyBytes = std::size_t{256} << 20;
        http = std::make_unique<server::http::HttpServer>(methods, options);
        http->start();
    }
    ~LocalServer() { http->stop(); }

    std::unique_ptr<server::storage::Database> db;
    server::methods::MethodTable methods;
    std::unique_ptr<server::http::HttpServer> http;
};

// One kept-alive connection; answers are read whole, whatever their size.
class Client {
  public:
    explicit Client(std::uint16_t port) : socket_(io_) {
        socket_.connect(tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), port));
        socket_.set_option(tcp::no_delay(true));
    }

    // The body is sent from where it is, as a client sends the file it holds.
    std::string post(const std::string& method, const std::string& body) {
        http::request<http::span_body<const char>> request(
            http::verb::post, "/lun90000.rdmConfCredBanc/" + method, 11);
        request.set(http::field::host, "127.0.0.1");
        request.set(http::field::content_type, "application/json");
        request.body() = {body.data(), body.size()};
        request.prepare_payload();
        http::write(socket_, request);
        http::response_parser<http::string_body> parser;
        parser.body_limit(boost::none);
        http::read(socket_, buffer_, parser);
        auto response = parser.release();
        if (response.result() != http::status::ok)
            throw std::runtime_error(method + " answered " + std::to_string(response.result_int()) +
                                     ": " + response.body().substr(0, 300));
        return std::move(response.body());
    }

  private:
    boost::asio::io_context io_;
    tcp::socket socket_;
    beast::flat_buffer buffer_;
};

std::string allOrdersArgs() {
    return R"({"args":["T","T","2000-01-01T00:00:00","2999-12-31T00:00:00","_S_N_C_","_S_N_","T","T"]})";
}

// getPEDCREDCONS's own statement for a filter that takes in every order: the
// reference runs exactly what the method runs.
const std::string kListSql = std::string(kOrderSelect) +
                             " WHERE P.DTPEDCRECONS BETWEEN ? AND ? AND P.IDPEDCREEXTR IN (?, ?, ?)"
                             " AND P.IDPEDCRECONT IN (?, ?)"
                             " ORDER BY P.DTPEDCRECONS, P.NRPEDCRECONS";

// The same query through SQLite's C API, every column of every row read.
std::size_t stepList(sqlite3* db) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, kListSql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    const char* texts[] = {
        "2000-01-01 00:00:00.000", "2999-12-31 23:59:59.999", "S", "N", "C", "S", "N"};
    for (int i = 0; i < 7; ++i)
        sqlite3_bind_text(stmt, i + 1, texts[i], -1, SQLITE_STATIC);
    std::size_t rows = 0, bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < 12; ++c)
            bytes += c == 6 ? static_cast<std::size_t>(sqlite3_column_int64(stmt, c) & 1)
                            : static_cast<std::size_t>(sqlite3_column_bytes(stmt, c)) +
                                  (sqlite3_column_text(stmt, c) != nullptr);
        ++rows;
    }
    sqlite3_finalize(stmt);
    return rows + (bytes == 0);
}

void benchList(const Scratch& scratch) {
    const std::string path = (scratch.path / "list.db").string();
    {
        auto db = server::storage::openDatabase("sqlite:" + path);
        const double seeding = secondsOf([&] { server::storage::seedOrders(*db, kOrders, 1); });
        note("seeded " + std::to_string(kOrders) + " orders in " + ms(seeding));
    }
    LocalServer local("sqlite:" + path);
    Client client(local.http->port());
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    // The cache the server's own sessions use, so that neither side reads more from disk.
    sqlite3_exec(raw, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);

    std::size_t answerBytes = 0, rows = 0;
    // Where the time goes, for when the figure does not hold.
    const double query = medianSeconds([&] { rows = stepList(raw); }, 3);
    const server::methods::Method* method = local.methods.find("getPEDCREDCONS");
    const double inProcess = medianSeconds(
        [&] {
            std::string body = allOrdersArgs();
            const auto args = server::http::decodeCall("getPEDCREDCONS", body);
            answerBytes = (*method)(args, {}).size();
        },
        3);
    note("getPEDCREDCONS of " + std::to_string(rows) + " orders: query stepped " + ms(query) +
         ", method in process (query, packet, JSON) " + ms(inProcess) + ", answer " +
         std::to_string(answerBytes / 1024) + " KiB");

    const double ratio =
        ratioOf([&] { answerBytes = client.post("getPEDCREDCONS", allOrdersArgs()).size(); },
                [&] { rows = stepList(raw); }, kRuns);
    sqlite3_close(raw);
    figure("server.list_vs_sqlite", ratio);
}

// The seeded orders settled by a CNAB 240 file, one record each: a matching
// amount for most, another for every tenth, an unknown slip for every
// hundredth, so that every branch of the matching runs.
void benchBankReturn(const Scratch& scratch) {
    const std::string path = (scratch.path / "bankreturn.db").string();
    auto db = server::storage::openDatabase("sqlite:" + path);
    server::storage::seedOrders(*db, kOrders, 1);
    std::vector<testing::ComposedSlip> slips;
    slips.reserve(kOrders);
    for (const auto& row : db->queryText("SELECT NRBOLETO, VRPEDCRECONS_CENT FROM PEDCREDCONS"
                                         " ORDER BY IDPEDCREDCONS DESC")) {
        if (slips.size() == static_cast<std::size_t>(kOrders))
            break;
        testing::ComposedSlip s;
        const std::size_t i = slips.size();
        s.nossoNumero = i % 100 == 0 ? "99" + std::to_string(i) : *row[0];
        s.faceCents = std::abs(std::stoll(*row[1]));
        s.paidCents = s.faceCents + (i % 10 == 0 ? 1 : 0);
        s.creditDate = s.occurrenceDate = platform::Date{2026, 12, 8};
        slips.push_back(std::move(s));
    }
    db.reset();
    dataset::DataPacket file(dataset::records::fieldDefs(dataset::records::kImport));
    file.column(0).appendText(platform::cp1252ToUtf8(testing::composeCnab240("104", slips)));
    const std::string body = "{\"args\":[" + dataset::encodePacket(file) + "]}";
    note("return file of " + std::to_string(slips.size()) +
         " records: " + std::to_string(body.size() / 1024) + " KiB as a call");

    LocalServer local("sqlite:" + path);
    Client client(local.http->port());
    // Where the time goes, for when the figure does not hold.
    const server::methods::Method* method = local.methods.find("getRetornoBancario");
    std::optional<server::methods::Args> args;
    const double decoding = medianSeconds(
        [&] {
            std::string copy = body;
            args.emplace(server::http::decodeCall("getRetornoBancario", copy));
        },
        3);
    const std::string_view text = args->packet(0).column(0).textAt(0);
    const double reading = medianSeconds([&] { bankreturn::readReturnFile(text); }, 3);
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const double slipsStepped = medianSeconds(
        [&] {
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(raw,
                               "SELECT NRBOLETO, NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR,"
                               " VRPEDCRECONS_CENT, IDPEDCREEXTR FROM PEDCREDCONS",
                               -1, &stmt, nullptr);
            while (sqlite3_step(stmt) == SQLITE_ROW)
                for (int c = 0; c < 6; ++c)
                    sqlite3_column_text(stmt, c);
            sqlite3_finalize(stmt);
        },
        3);
    sqlite3_close(raw);
    std::size_t answerBytes = 0;
    const double inProcess = medianSeconds([&] { answerBytes = (*method)(*args, {}).size(); }, 3);
    note("getRetornoBancario in process: call decoded " + ms(decoding) + ", file read " +
         ms(reading) + ", orders' slips stepped " + ms(slipsStepped) +
         ", method (read, match, packet, JSON) " + ms(inProcess) + ", answer " +
         std::to_string(answerBytes / 1024) + " KiB");
    std::size_t matched = 0, listed = 0;
    const double ratio =
        ratioOf([&] { matched = client.post("getRetornoBancario", body).size(); },
                [&] { listed = client.post("getPEDCREDCONS", allOrdersArgs()).size(); }, kRuns);
    note("answers: getRetornoBancario " + std::to_string(matched / 1024) + " KiB, getPEDCREDCONS " +
         std::to_string(listed / 1024) + " KiB");
    figure("bankreturn.match_vs_list", ratio);
}

// A statement of one entry per seeded order, a day after it: four in ten
// name the order's slip, four in ten are PIX of the responsible person
// (probable or ambiguous), one another amount, one a debit; so every branch
// of the matching runs.
void benchStatement(const Scratch& scratch) {
    const std::string path = (scratch.path / "statement.db").string();
    auto db = server::storage::openDatabase("sqlite:" + path);
    server::storage::seedOrders(*db, kOrders, 1);
    std::vector<testing::ComposedEntry> entries;
    entries.reserve(kOrders);
    for (const auto& row :
         db->queryText("SELECT P.NRBOLETO, P.VRPEDCRECONS_CENT, P.DTPEDCRECONS, C.NMRESPCONS"
                       " FROM PEDCREDCONS P JOIN CONSUMIDOR C ON C.CDCLIENTE = P.CDCLIENTE"
                       " AND C.CDCONSUMIDOR = P.CDCONSUMIDOR ORDER BY P.IDPEDCREDCONS DESC")) {
        if (entries.size() == static_cast<std::size_t>(kOrders))
            break;
        const std::size_t i = entries.size();
        testing::ComposedEntry e;
        e.when =
            server::storage::parseStoredDateTime(*row[2]).value_or(platform::DateTime{}).addDays(1);
        e.cents = std::abs(std::stoll(*row[1]));
        e.id = std::to_string(202612000000 + static_cast<long long>(i));
        switch (i % 10) {
            case 0:
            case 1:
            case 2:
            case 3:
                e.memo = "PAGTO BOLETO " + *row[0];
                break;
            case 8:
                e.cents += 7;
                e.memo = "TED RECEBIDA";
                e.payerName = "FULANO DE TAL";
                break;
            case 9:
                e.cents = -e.cents;
                e.memo = "TARIFA";
                break;
            default:
                e.memo = "PIX RECEBIDO";
                e.payerName = row[3].value_or("");
        }
        entries.push_back(std::move(e));
    }
    db.reset();
    dataset::DataPacket file(dataset::records::fieldDefs(dataset::records::kImport));
    file.column(0).appendText(testing::composeOfx(entries, 1));
    const std::string body = "{\"args\":[" + dataset::encodePacket(file) + "]}";
    note("statement of " + std::to_string(entries.size()) +
         " entries: " + std::to_string(body.size() / 1024) + " KiB as a call");

    LocalServer local("sqlite:" + path);
    // Where the time goes, for when the figure does not hold.
    const server::methods::Method* method = local.methods.find("getConciliacaoExtrato");
    std::optional<server::methods::Args> args;
    const double decoding = medianSeconds(
        [&] {
            std::string copy = body;
            args.emplace(server::http::decodeCall("getConciliacaoExtrato", copy));
        },
        3);
    const std::string_view text = args->packet(0).column(0).textAt(0);
    const double reading = medianSeconds([&] { bankreturn::readStatement(text); }, 3);
    std::size_t answerBytes = 0;
    const double inProcess = medianSeconds([&] { answerBytes = (*method)(*args, {}).size(); }, 3);
    note("getConciliacaoExtrato in process: call decoded " + ms(decoding) + ", file read " +
         ms(reading) + ", method (read, match, packet, JSON) " + ms(inProcess) + ", answer " +
         std::to_string(answerBytes / 1024) + " KiB");
    if (std::getenv("CONFCRED_BENCH_IN_PROCESS"))
        return;
    Client client(local.http->port());
    std::size_t matched = 0, listed = 0;
    const double ratio =
        ratioOf([&] { matched = client.post("getConciliacaoExtrato", body).size(); },
                [&] { listed = client.post("getPEDCREDCONS", allOrdersArgs()).size(); }, kRuns);
    note("answers: getConciliacaoExtrato " + std::to_string(matched / 1024) +
         " KiB, getPEDCREDCONS " + std::to_string(listed / 1024) + " KiB");
    figure("statement.match_vs_list", ratio);
}

// One line of the import file and the equivalent CSV row of PEDCREDCONS.
struct ImportRun {
    std::string body;  // the SetImporSaldoCons call
    fs::path csv;      // the same orders for the sqlite3 shell
};

std::string twoDigits(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string csvField(std::string_view text) {
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The CSV is written only when `folder` is not empty.
ImportRun makeImportRun(const dataset::DataPacket& orders, int run, const fs::path& folder) {
    const auto column = [&](std::string_view name) -> const dataset::Column& {
        return orders.column(static_cast<std::size_t>(orders.fieldIndex(name)));
    };
    const auto& values = column("VRPEDCRECONS");
    const auto& dates = column("DTPEDCRECONS");
    const auto& descriptions = column("DSSITCREBANC");
    std::string text, csv;
    text.reserve(orders.rowCount() * 90);
    csv.reserve(orders.rowCount() * 160);
    for (std::size_t i = 0; i < orders.rowCount(); ++i) {
        const int client = 1 + static_cast<int>(i % 6);
        const int consumer = (client - 1) * 7 + 1 + static_cast<int>((i / 6) % 7);
        const std::string clientCode = "CLI00" + std::to_string(client);
        char consumerCode[16];
        std::snprintf(consumerCode, sizeof consumerCode, "CONS%04d", consumer);
        const std::string boleto = std::to_string(run + 1) + std::to_string(1'000'000 + i);
        const auto cents = static_cast<std::int64_t>(values.doubleAt(i) * 100 + 0.5);
        const std::int64_t first = cents * 6 / 10, second = cents - first;
        const auto when = dates.dateTimeAt(i);
        const auto d = when.date();
        const auto t = when.time();
        const std::string description(descriptions.textAt(i));
        // C;CLIENT;CONSUMER;SLIP;DD/MM/YYYY HH:MM:SS;DESCRIPTION;ALI=x,yy;BEB=x,yy
        text += "C;" + clientCode + ";" + consumerCode + ";" + boleto + ";" + twoDigits(d.day) +
                "/" + twoDigits(d.month) + "/" + std::to_string(d.year) + " " + twoDigits(t.hour) +
                ":" + twoDigits(t.minute) + ":" + twoDigits(t.second) + ";" + description +
                ";ALI=" + std::to_string(first / 100) + "," +
                twoDigits(static_cast<int>(first % 100)) + ";BEB=" + std::to_string(second / 100) +
                "," + twoDigits(static_cast<int>(second % 100)) + "\r\n";
        if (folder.empty())
            continue;
        const std::int64_t id = std::int64_t{run + 1} * 10'000'000 + static_cast<std::int64_t>(i);
        char number[24];
        std::snprintf(number, sizeof number, "%020lld", static_cast<long long>(id));
        csv += std::to_string(id) + "," + std::string(number) + ",1," + clientCode + "," +
               consumerCode + "," + boleto + ",N,N," + std::to_string(cents) + "," +
               server::storage::storedDateTime(when) + "," + csvField(description) + "," +
               csvField(description) + "\n";
    }
    dataset::DataPacket file(dataset::records::fieldDefs(dataset::records::kImport));
    file.column(static_cast<std::size_t>(file.fieldIndex("ARQUIVO"))).appendText(text);
    ImportRun out;
    out.body = "{\"args\":[" + dataset::encodePacket(file) + "]}";
    if (!folder.empty()) {
        out.csv = folder / ("run" + std::to_string(run) + ".csv");
        std::ofstream(out.csv, std::ios::binary) << csv;
    }
    return out;
}

void benchImport(const Scratch& scratch) {
    const std::string served = (scratch.path / "import.db").string();
    const std::string shell = (scratch.path / "shell.db").string();
    // Both start from the same new database: schema and demo data.
    server::storage::openDatabase("sqlite:" + served);
    fs::copy_file(served, shell);

    const dataset::DataPacket orders = makeOrders(kOrders);
    std::vector<ImportRun> runs;
    for (int run = 0; run <= kRuns; ++run)
        runs.push_back(makeImportRun(orders, run, scratch.path));
    note("import file of " + std::to_string(kOrders) +
         " lines: " + std::to_string(runs[0].body.size() / 1024) + " KiB as a call");

    {
        // Reading alone, for the record: the reader is a small part of the call.
        std::string body = runs[0].body;
        const auto args = server::http::decodeCall("SetImporSaldoCons", body);
        const auto& file = args.packet(0);
        const auto text =
            file.column(static_cast<std::size_t>(file.fieldIndex("ARQUIVO"))).textAt(0);
        std::size_t accepted = 0;
        const double reading = medianSeconds(
            [&] { accepted = server::methods::readImportFile(text).orders.size(); }, 3);
        note("readImportFile of " + std::to_string(accepted) + " orders: " + ms(reading));
    }

    LocalServer local("sqlite:" + served);
    Client client(local.http->port());
    std::size_t nextWork = 0, nextReference = 0;
    std::string warnings;
    const double ratio = ratioOf(
        [&] { warnings = client.post("SetImporSaldoCons", runs[nextWork++].body); },
        [&] {
            const std::string command = "sqlite3 -batch '" + shell + "' \".import --csv '" +
                                        runs[nextReference++].csv.string() + "' PEDCREDCONS\"";
            if (std::system(command.c_str()) != 0)
                throw std::runtime_error("sqlite3 .import failed: " + command);
        },
        kRuns);
    // Every line must have become an order: the work measured is the whole import.
    const auto count = [](const std::string& path) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM PEDCREDCONS", -1, &stmt, nullptr);
        sqlite3_step(stmt);
        const auto n = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return n;
    };
    note("orders after the runs: served " + std::to_string(count(served)) + ", shell " +
         std::to_string(count(shell)) + "; last answer " + std::to_string(warnings.size()) +
         " bytes");
    figure("server.import_vs_sqlite_import", ratio);
}

// ---------------------------------------------------------------------------
// One client against the others

using namespace std::chrono_literals;

constexpr int kLoadRounds = 3;
constexpr int kCallsPerRound = 200;
constexpr auto kCallTimeout = 2s;
// A 500,000-line import (52 MiB as a call, its file made in about 5 s) takes
// about 40 s on an idle CI machine of two cores, over a minute on a shared
// one; the small calls are timed only while it runs.
constexpr int kImportLoadLines = 500'000;
constexpr int kImportReferenceCalls = 2'000;
// The normal client beside the import calls 500 times a second, far more
// than a screen does, but not back to back: a client that never pauses would
// itself keep a core busy and be measured against its own traffic.
constexpr auto kImportLoadPace = 2ms;

const std::string& smallCall() {
    static const std::string request =
        callRequest("getConsumidor", R"({"args":["'CLI001'","","1"]})");
    return request;
}

std::string msText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
    return text;
}

// Rounds of the normal client's calls alone and under the load `start`
// returns (held while the calls run), alternately: the ratio of the median
// p99 under load to the median p99 alone.
double p99UnderLoad(std::uint16_t port, const std::string& what,
                    const std::function<std::shared_ptr<void>()>& start) {
    std::vector<double> alone, loaded;
    Latencies allAlone, allLoaded;  // every call, for the notes
    for (int round = 0; round < kLoadRounds; ++round) {
        const Latencies by =
            timeCalls(port, "127.0.0.1", smallCall(), kCallsPerRound, kCallTimeout);
        alone.push_back(by.percentile(0.99));
        const std::shared_ptr<void> load = start();
        const Latencies under =
            timeCalls(port, "127.0.0.1", smallCall(), kCallsPerRound, kCallTimeout);
        loaded.push_back(under.percentile(0.99));
        allAlone.seconds.insert(allAlone.seconds.end(), by.seconds.begin(), by.seconds.end());
        allLoaded.seconds.insert(allLoaded.seconds.end(), under.seconds.begin(),
                                 under.seconds.end());
        allLoaded.failed += under.failed;
    }
    std::sort(alone.begin(), alone.end());
    std::sort(loaded.begin(), loaded.end());
    const double a = alone[alone.size() / 2], l = loaded[loaded.size() / 2];
    note(what + ": p99 " + msText(l) + " against " + msText(a) + " alone (medians " +
         msText(allLoaded.percentile(0.5)) + " and " + msText(allAlone.percentile(0.5)) + "); " +
         std::to_string(allLoaded.failed) + " of " + std::to_string(allLoaded.seconds.size()) +
         " calls unanswered");
    return a > 0 ? l / a : 0.0;
}

void benchConnectionLoads(const Scratch& scratch) {
    LocalServer local("sqlite:" + (scratch.path / "loads.db").string());
    const std::uint16_t port = local.http->port();
    timeCalls(port, "127.0.0.1", smallCall(), 50, kCallTimeout);  // warm-up

    figure("server.p99_under_hog_vs_idle",
           p99UnderLoad(port, "1,000 idle connections from one address", [&] {
               auto hog = std::make_shared<IdleHog>(port, "127.0.0.2", 1000);
               std::this_thread::sleep_for(300ms);  // all accepted, the excess closed
               return std::shared_ptr<void>(hog);
           }));

    std::vector<std::string> addresses;
    for (int i = 3; i <= 10; ++i)
        addresses.push_back("127.0.0." + std::to_string(i));
    std::size_t bytes = 0;
    figure("server.p99_under_slowloris_vs_idle",
           p99UnderLoad(port, "512 heads sent a byte at a time from 8 addresses", [&] {
               auto slow = std::shared_ptr<SlowHeaders>(new SlowHeaders(port, addresses, 64, 50ms),
                                                        [&](SlowHeaders* s) {
                                                            bytes += s->bytesSent();
                                                            delete s;
                                                        });
               std::this_thread::sleep_for(300ms);
               return std::shared_ptr<void>(slow);
           }));
    note("slow heads: " + std::to_string(bytes) + " bytes sent one at a time");
}

void benchImportLoad(const Scratch& scratch) {
    LocalServer local("sqlite:" + (scratch.path / "import-load.db").string());
    const std::uint16_t port = local.http->port();
    ImportRun run;
    const double making =
        secondsOf([&] { run = makeImportRun(makeOrders(kImportLoadLines), 7, {}); });
    timeCalls(port, "127.0.0.1", smallCall(), 50, kCallTimeout);  // warm-up
    // The reference: enough calls alone that their p99 is not two or three
    // calls' luck on a busy machine.
    const Latencies alone = timeCalls(port, "127.0.0.1", smallCall(), kImportReferenceCalls,
                                      kCallTimeout, nullptr, kImportLoadPace);

    std::atomic<bool> importing{true};
    double importSeconds = 0;
    std::string failure;
    std::thread importer([&] {
        try {
            Client client(port);
            importSeconds = secondsOf([&] { client.post("SetImporSaldoCons", run.body); });
        } catch (const std::exception& e) {
            failure = e.what();
        }
        importing = false;
    });
    const Latencies during = timeCalls(
        port, "127.0.0.1", smallCall(), 1'000'000, kCallTimeout, [&] { return importing.load(); },
        kImportLoadPace);
    importer.join();
    if (!failure.empty())
        throw std::runtime_error("import under load: " + failure);
    note("import of " + std::to_string(kImportLoadLines) + " lines (" +
         std::to_string(run.body.size() >> 20) + " MiB, made in " + ms(making) + ") took " +
         ms(importSeconds) + "; " + std::to_string(during.seconds.size()) +
         " small calls meanwhile, p99 " + msText(during.percentile(0.99)) + ", median " +
         msText(during.percentile(0.5)) + " (" + std::to_string(during.failed) +
         " unanswered); alone p99 " + msText(alone.percentile(0.99)) + ", median " +
         msText(alone.percentile(0.5)));
    figure("server.p99_during_import_vs_idle", during.percentile(0.99) / alone.percentile(0.99));
}

void benchBodyFlood(const Scratch& scratch) {
    LocalServer local("sqlite:" + (scratch.path / "flood.db").string(), "flood-token");
    const std::uint16_t port = local.http->port();
    constexpr std::size_t kBody = std::size_t{64} << 20;
    const std::string health = "GET /health HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    timeCalls(port, "127.0.0.1", health, 50, kCallTimeout);  // warm-up
    const std::size_t idle = residentBytes();
    const std::string head =
        "POST /lun90000.rdmConfCredBanc/SetImporSaldoCons HTTP/1.1\r\n"
        "Host: x\r\nContent-Type: application/json\r\nContent-Length: " +
        std::to_string(kBody) + "\r\n\r\n";
    const FloodResult flood = floodBodies(port, head, 40, kBody, 5s);
    note("40 unauthorised 64 MiB bodies: " + std::to_string(flood.answered) + " answered, " +
         std::to_string(flood.bytesSent >> 20) + " MiB sent; resident " +
         std::to_string(idle >> 20) + " MiB before, " +
         std::to_string(flood.peakResidentBytes >> 20) + " MiB at most during");
    figure("server.rss_under_body_flood_vs_idle",
           static_cast<double>(flood.peakResidentBytes) / static_cast<double>(idle));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Scratch scratch;
        // One benchmark alone, when looking into it.
        if (argc > 1) {
            const std::string_view which = argv[1];
            if (which == "bankreturn")
                benchBankReturn(scratch);
            else if (which == "statement")
                benchStatement(scratch);
            else if (which == "import-load")
                benchImportLoad(scratch);
            else
                throw std::runtime_error("unknown benchmark: " + std::string(which));
            return 0;
        }
        // First, while the process is small: its memory is the figure.
        benchBodyFlood(scratch);
        benchConnectionLoads(scratch);
        benchImportLoad(scratch);
        benchList(scratch);
        benchBankReturn(scratch);
        benchStatement(scratch);
        benchImport(scratch);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_server: %s\n", e.what());
        return 1;
    }
    return 0;
}
