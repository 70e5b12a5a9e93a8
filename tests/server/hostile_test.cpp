// What a careless or malicious client can send to the real server: SQL-looking
// text and LIKE wildcards in every argument and in the import file, quotes in
// selections, malformed JSON and packets, wrong argument counts and types,
// oversized bodies (plain and chunked), slow clients and text that is not
// UTF-8. Each must get a clear error or warning; the server stays up and
// nothing changes that should not.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/cp1252.h"
#include "raw_socket.h"
#include "server_test_util.h"
#include "support/wait_until.h"

namespace confcred::servertest {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kMaxBody = 65536;

using confcred::testing::RawSocket;

// Everything a refused or read-only call must leave as it was.
std::string snapshot(server::storage::Database& db) {
    std::string out;
    for (const char* sql :
         {"SELECT * FROM PEDCREDCONS ORDER BY IDPEDCREDCONS",
          "SELECT * FROM PEDCREDFAMI ORDER BY IDPEDCREDCONS, CDFAMILISALD",
          "SELECT * FROM SALDOCONS ORDER BY CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD",
          "SELECT COUNT(*) FROM LANCSALDO", "SELECT * FROM CLIENTE ORDER BY CDCLIENTE",
          "SELECT * FROM CONSUMIDOR ORDER BY CDCLIENTE, CDCONSUMIDOR",
          "SELECT * FROM CONTADOR ORDER BY NMCONTADOR"})
        for (const auto& row : db.queryText(sql)) {
            for (const auto& v : row)
                out += (v ? *v : "<null>") + "|";
            out += "\n";
        }
    return out;
}

class Hostile : public ::testing::TestWithParam<TestBackend> {
  protected:
    void SetUp() override {
        CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
        server_ = std::make_unique<ServerProcess>(optionsFor(
            GetParam(),
            {"--max-body", std::to_string(kMaxBody), "--request-timeout", "3", "--threads", "2"}));
        db_ = openSeeded(*server_);
        before_ = snapshot(*db_);
    }

    // A refusal an operator can read: 4xx, a message, and the server still up.
    void expectRefused(const std::string& what, const Answer& a) {
        ++checks_;
        EXPECT_FALSE(a.ok) << what;
        EXPECT_TRUE(a.status >= 400 && a.status < 500) << what << ": " << a.status << " " << a.body;
        EXPECT_FALSE(a.error.empty() || a.error[0] == '(') << what << ": " << a.body;
    }
    void expectUpAndUnchanged(const std::string& what) {
        EXPECT_EQ(server_->get("/health").status, 200) << "server down after " << what;
        EXPECT_TRUE(snapshot(*db_) == before_) << "data changed by " << what;
    }

    ServerProcess& server() { return *server_; }

    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<server::storage::Database> db_;
    std::string before_;
    int checks_ = 0;
};

const char* const kSqlish[] = {
    "' OR 1=1 --",
    "'; DROP TABLE PEDCREDCONS; --",
    "%",
    "_",
    "%%",
    "\\",
    "\"",
    "T' OR 'T'='T",
    "''",
    "%' OR '1'='1",
    "1; DELETE FROM SALDOCONS",
    "_S_N_C_' OR '1'='1",
    "\xE2\x80\xAE",
};

// What a description filter "%typed%" looks for: the text between one leading
// and one trailing '%', taken literally.
std::string literalPart(std::string text) {
    if (!text.empty() && text.front() == '%')
        text.erase(0, 1);
    if (!text.empty() && text.back() == '%')
        text.pop_back();
    return text;
}

TEST_P(Hostile, FilterArgumentsAreValuesNeverSql) {
    int answered = 0;
    for (int position = 0; position < 8; ++position) {
        for (const char* text : kSqlish) {
            Filter f;
            std::string* slots[] = {&f.clients,    &f.consumers, &f.first,  &f.last,
                                    &f.situations, &f.accounted, &f.number, &f.description};
            *slots[position] = text;
            for (const char* method : {"getPEDCREDCONS", "getPEDICREDFAMI"}) {
                const std::string what = std::string(method) + " argument " +
                                         std::to_string(position + 1) + " = " + text;
                const Answer a = call(server(), method, f.args());
                if (!a.ok) {
                    expectRefused(what, a);
                    continue;
                }
                ++answered;
                // Only the description may match anything, and then literally.
                if (position == 7 && a.packet.fieldIndex("DSSITCREBANC") >= 0) {
                    const auto& col = a.packet.column(
                        static_cast<std::size_t>(a.packet.fieldIndex("DSSITCREBANC")));
                    const std::string typed = literalPart(text);
                    for (std::size_t r = 0; r < a.packet.rowCount(); ++r)
                        EXPECT_NE(std::string(col.textAt(r)).find(typed), std::string::npos)
                            << what << " listed \"" << col.textAt(r) << "\"";
                } else if (position != 2 && position != 3 && position != 7) {
                    EXPECT_EQ(a.packet.rowCount(), 0u) << what << " matched rows";
                }
            }
        }
        expectUpAndUnchanged("filter argument " + std::to_string(position + 1));
    }
    EXPECT_GT(answered, 0);
    figure(std::to_string(checks_) + " hostile filter arguments refused, " +
           std::to_string(answered) + " answered literally, server up, nothing changed [" +
           testing::backendName(GetParam()) + "]");
}

TEST_P(Hostile, SelectionsAndPacketsAreChecked) {
    struct Case {
        const char* name;
        const char* method;
        std::string args;
    };
    const OrderKey real = storedOrders(*db_).begin()->second.key;
    auto selection = [](std::vector<OrderKey> keys, std::string extra = {}) {
        return "[" + selectionPacket(keys) + extra + "]";
    };
    const Case cases[] = {
        {"client list with SQL", "getConsumidor", R"(["' OR 1=1 --", "", "1"])"},
        {"client list unterminated quote", "getConsumidor", R"(["'CLI001", "", "1"])"},
        {"client list bare key", "getConsumidor", R"(["CLI001", "", "1"])"},
        {"bad all-clients marker", "getConsumidor", R"(["", "X", "1"])"},
        {"consumer key too short", "getPEDCREDCONS",
         R"(["T", "'CLI001'", "2000-01-01", "2999-01-01", "", "", "T", "T"])"},
        {"order with SQL number", "setEfetivaSaldo",
         selection({{"1 OR 1=1", real.client, real.consumer, ""}})},
        {"order with SQL client", "setEfetivaSaldo",
         selection({{real.number, "' OR ''='", real.consumer, ""}})},
        {"order with wildcard consumer", "setEfetivaSaldo",
         selection({{real.number, real.client, "%", ""}})},
        {"undo without its date", "setCancelaCredito",
         selection({{real.number, real.client, real.consumer, ""}})},
        {"empty selection", "setEfetivaSaldo", selection({})},
        {"situation X", "setSituacao", selection({real}, ",\"X\"")},
        {"situation as number", "setSituacao", selection({real}, ",1")},
        {"situation SQL", "setSituacao", selection({real}, ",\"C' OR '1'='1\"")},
        {"packet without order numbers", "setEfetivaSaldo",
         R"([{"fields":[{"name":"CDCLIENTE","type":"string","size":21}],"rows":[["CLI001"]]}])"},
        {"packet row too short", "setEfetivaSaldo",
         R"([{"fields":[{"name":"NRPEDCRECONS","type":"string","size":20}],"rows":[[]]}])"},
        {"packet with unknown type", "setEfetivaSaldo",
         R"([{"fields":[{"name":"NRPEDCRECONS","type":"blob","size":20}],"rows":[]}])"},
        {"packet as text", "setEfetivaSaldo", R"(["{\"fields\":[]}"])"},
        {"too many arguments", "setEfetivaSaldo", selection({real}, ",\"extra\"")},
        {"no arguments", "setCancelaCredito", "[]"},
        {"seven filter arguments", "getPEDCREDCONS",
         R"(["T","T","2000-01-01","2999-01-01","","","T"])"},
        {"date as number", "getPEDICREDFAMI", R"(["T","T",20261207,"2999-01-01","","","T","T"])"},
        {"impossible date", "getPEDCREDCONS",
         R"(["T","T","2026-02-30T00:00:00","2999-01-01","","","T","T"])"},
        {"import without ARQUIVO", "SetImporSaldoCons",
         R"([{"fields":[{"name":"TEXTO","type":"string","size":10}],"rows":[["x"]]}])"},
        {"import with two rows", "SetImporSaldoCons",
         R"([{"fields":[{"name":"ARQUIVO","type":"memo"}],"rows":[["a"],["b"]]}])"},
        {"unknown method", "dropEverything", "[]"},
    };
    for (const Case& c : cases)
        expectRefused(c.name, call(server(), c.method, c.args));
    expectUpAndUnchanged("bad selections and packets");
    // What the client sent comes back shortened in a refusal, however long.
    const Answer longClient =
        call(server(), "setEfetivaSaldo",
             selection({{real.number, std::string(60000, 'C'), real.consumer, ""}}));
    expectRefused("order with a 60,000-character client", longClient);
    EXPECT_LT(longClient.body.size(), 1000u) << longClient.body.substr(0, 300);

    // A doubled quote inside a key is part of the key, never the end of it.
    Filter quoted;
    quoted.clients = "'CLI001','O''Brien'' OR ''1''=''1'";
    const Answer a = call(server(), "getPEDCREDCONS", quoted.args());
    ASSERT_TRUE(a.ok) << a.error;
    const auto& clients =
        a.packet.column(static_cast<std::size_t>(a.packet.fieldIndex("CDCLIENTE")));
    EXPECT_GT(a.packet.rowCount(), 0u);
    for (std::size_t r = 0; r < a.packet.rowCount(); ++r)
        EXPECT_EQ(clients.textAt(r), "CLI001");

    struct RawCase {
        const char* name;
        std::string target;
        std::string body;
    };
    const std::string path = "/lun90000.rdmConfCredBanc/getPEDCREDCONS";
    const RawCase raw[] = {
        {"empty body", path, ""},
        {"truncated JSON", path, "{\"args\": ["},
        {"args not an array", path, "{\"args\": {}}"},
        {"another key", path, "{\"args\": [], \"drop\": 1}"},
        {"text after the object", path, "{\"args\": []} []"},
        {"not JSON at all", path, "SELECT * FROM PEDCREDCONS"},
        {"raw Windows-1252 bytes", path,
         "{\"args\": [\"'Jo\xE3o'\",\"T\",\"2000-01-01\",\"2999-01-01\",\"\",\"\",\"T\",\"T\"]}"},
        {"deeply nested", path, "{\"args\": [" + std::string(5000, '[') + "]}"},
        {"other server name", "/other.Server/getPEDCREDCONS", "{\"args\": []}"},
    };
    for (const RawCase& r : raw) {
        auto client = server().client();
        expectRefused(r.name, decodeAnswer(client.request("POST", r.target, r.body)));
    }
    expectUpAndUnchanged("malformed bodies");
    figure(std::to_string(checks_) +
           " malformed calls refused with a message, server up, "
           "nothing changed [" +
           testing::backendName(GetParam()) + "]");
}

TEST_P(Hostile, ImportFileTextIsOnlyData) {
    auto importArgs = [](const std::string& text) {
        dataset::DataPacket p({{"ARQUIVO", dataset::FieldType::String, 5000}});
        p.column(0).appendText(text);
        return "[" + dataset::encodePacket(p) + "]";
    };
    const std::size_t ordersBefore = storedOrders(*db_).size();
    const std::string evilDescription = "') OR 1=1 -- DELETE FROM SALDOCONS 100% _";
    const std::string file =
        "C;CLI001' OR '1'='1;CONS0001;H1;07/12/2026;;ALI=1\n"           // unknown client
        "C;CLI001;%;H2;07/12/2026;;ALI=1\n"                             // wildcard consumer
        "C;CLI001;CONS0001;H3;07/12/2026;;AL%=1\n"                      // wildcard family
        "C;CLI001;CONS0001;H4;07/12/2026;;ALI=1; DROP TABLE CLIENTE\n"  // no '='
        "C;CLI001;CONS0001;H5' OR '1'='1;07/12/2026;;ALI=1\n"           // accepted: a slip is text
        "C;CLI001;CONS0001;H6;07/12/2026;" +
        evilDescription + ";ALI=2\n" +                                               // accepted
        platform::cp1252ToUtf8("C;CLI001;CONS0001;H7;07/12/2026;Caf\x81;ALI=1\n") +  // control
        "C;CLI001;CONS0001;H8;07/12/2026;;ALI=1e3\n";                                // not a value
    const Answer a = call(server(), "SetImporSaldoCons", importArgs(file));
    ASSERT_TRUE(a.ok) << a.error;
    ASSERT_EQ(a.packet.rowCount(), 6u) << a.body;
    const auto& lines = a.packet.column(0);
    for (std::size_t r = 0; r < 6; ++r) {
        EXPECT_EQ(std::string(lines.textAt(r)).rfind("Linha ", 0), 0u) << lines.textAt(r);
        EXPECT_LE(lines.textAt(r).size(), 250u);
    }
    // Exactly the two accepted orders were added, with their text as written.
    const auto added = db_->queryText(
        "SELECT NRBOLETO, DSSITCREBANC FROM PEDCREDCONS WHERE NRBOLETO IN (?, ?) ORDER BY NRBOLETO",
        {std::string("H5' OR '1'='1"), std::string("H6")});
    ASSERT_EQ(added.size(), 2u);
    EXPECT_EQ(*added[1][1], evilDescription);
    EXPECT_EQ(storedOrders(*db_).size(), ordersBefore + 2);
    const LedgerReport report = checkLedger(*db_);
    EXPECT_TRUE(report.clean()) << describe(report);
    // The description searches literally for its wildcards.
    Filter f;
    f.description = "%100% _%";
    const Answer found = call(server(), "getPEDCREDCONS", f.args());
    ASSERT_TRUE(found.ok) << found.error;
    EXPECT_EQ(found.packet.rowCount(), 1u);

    // Raw Windows-1252 bytes are not UTF-8: the whole call is refused.
    std::string rawBody =
        "{\"args\": [{\"fields\":[{\"name\":\"ARQUIVO\",\"type\":\"memo\"}],"
        "\"rows\":[[\"C;CLI001;CONS0001;H9;07/12/2026;Jo\xE3o;ALI=1\"]]}]}";
    before_ = snapshot(*db_);
    auto client = server().client();
    expectRefused("import with raw Windows-1252 bytes",
                  decodeAnswer(client.request("POST", "/lun90000.rdmConfCredBanc/SetImporSaldoCons",
                                              rawBody)));
    expectUpAndUnchanged("import with raw Windows-1252 bytes");
    figure("import: 8 hostile lines, 6 warnings, 2 orders stored literally [" +
           std::string(testing::backendName(GetParam())) + "]");
}

// A field of /proc/<pid>/status in bytes ("VmRSS:", "VmHWM:").
std::size_t procStatusBytes(pid_t pid, std::string_view field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stoull(line.substr(field.size())) * 1024;
    return 0;
}

// Three million two-byte bad lines (a 9 MiB call) cost the server no more than
// a thousand warnings: the peak of its resident memory stays within 128 MiB of
// what it held idle, and the answer names the first thousand lines and counts
// the rest. The sanitizer's quarantine of freed memory is kept small in the
// server under test, so that what is measured is the server's own holding.
TEST_P(Hostile, MillionsOfBadImportLinesCostBoundedMemory) {
    constexpr std::size_t kLines = 3'000'000;
    constexpr std::size_t kBudget = std::size_t{128} << 20;
    auto options = optionsFor(GetParam(), {"--threads", "2"});
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.environment.push_back(
        {"ASAN_OPTIONS", std::string(asan ? asan : "") + ":quarantine_size_mb=16"});
    ServerProcess lone(std::move(options));
    openSeeded(lone);
    ASSERT_EQ(lone.get("/health").status, 200);
    const std::size_t idle = procStatusBytes(lone.pid(), "VmRSS:");
    ASSERT_GT(idle, 0u);

    std::string args = R"([{"fields":[{"name":"ARQUIVO","type":"string","size":5000}],"rows":[[")";
    args.reserve(args.size() + kLines * 3 + 8);
    for (std::size_t i = 0; i < kLines; ++i)
        args += "x\\n";
    args += R"("]]}])";
    const Answer a = call(lone, "SetImporSaldoCons", args);
    const std::size_t peak = procStatusBytes(lone.pid(), "VmHWM:");
    ASSERT_TRUE(a.ok) << a.status << " " << a.body.substr(0, 300);
    ASSERT_EQ(a.packet.rowCount(), 1001u);
    EXPECT_EQ(std::string(a.packet.column(0).textAt(0)).rfind("Linha 1: ", 0), 0u);
    EXPECT_EQ(a.packet.column(0).textAt(1000),
              "... e mais 2.999.000 linhas recusadas não listadas (são mostradas as primeiras "
              "1.000).");
    EXPECT_LT(a.body.size(), std::size_t{256} << 10);
    EXPECT_LE(peak, idle + kBudget)
        << "idle " << (idle >> 20) << " MiB, peak " << (peak >> 20) << " MiB";
    figure("import of 3,000,000 bad lines (" + std::to_string(args.size() >> 20) +
           " MiB): resident " + std::to_string(idle >> 20) + " MiB idle, " +
           std::to_string(peak >> 20) + " MiB at the peak [" + testing::backendName(GetParam()) +
           "]");
}

// A PostgreSQL cluster of the test's own (scripts/pg-cluster.sh), so that it
// can be frozen and stopped without touching the cluster other suites share.
class OwnCluster {
  public:
    OwnCluster() {
        dir_ = "/tmp/confcred-frozen-" + std::to_string(::getpid());
        const std::string command = "bash " CONFCRED_SOURCE_DIR "/scripts/pg-cluster.sh start " +
                                    dir_ + " " + std::to_string(freePort()) + " 2>/dev/null";
        if (std::FILE* out = ::popen(command.c_str(), "r")) {
            char line[256] = {};
            if (std::fgets(line, sizeof line, out))
                url_ = std::string(line).substr(0, std::string(line).find('\n'));
            ::pclose(out);
        }
    }
    ~OwnCluster() {
        signal(SIGCONT);
        std::system(
            ("bash " CONFCRED_SOURCE_DIR "/scripts/pg-cluster.sh stop " + dir_ + " >/dev/null 2>&1")
                .c_str());
    }
    const std::string& url() const { return url_; }

    // The postmaster and every process it started.
    void signal(int sig) {
        std::ifstream pidFile(dir_ + "/data/postmaster.pid");
        pid_t postmaster = 0;
        if (!(pidFile >> postmaster) || postmaster <= 0)
            return;
        ::kill(postmaster, sig);
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream stat(entry.path() / "stat");
            std::string pid, name, state;
            pid_t parent = 0;
            if (stat >> pid >> name >> state >> parent && parent == postmaster)
                ::kill(static_cast<pid_t>(std::stol(pid)), sig);
        }
    }
    void stop() {
        signal(SIGCONT);
        std::system(
            ("bash " CONFCRED_SOURCE_DIR "/scripts/pg-cluster.sh stop " + dir_ + " >/dev/null 2>&1")
                .c_str());
    }

  private:
    static int freePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof addr;
        ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &size);
        ::close(fd);
        return ntohs(addr.sin_port);
    }
    std::string dir_, url_;
};

// A database that stops answering (frozen) or goes away is said as such: 503
// with Retry-After and a Portuguese message, readiness "not ready", within
// the database time-out, never 401; and the server serves again once it is back.
TEST(DatabaseTrouble, FrozenOrGoneIsServiceUnavailableNeverUnauthorised) {
    if (!std::getenv("CONFCRED_TEST_PG"))
        GTEST_SKIP() << "CONFCRED_TEST_PG is not set: no PostgreSQL to freeze";
    OwnCluster cluster;
    ASSERT_FALSE(cluster.url().empty()) << "the test's own cluster did not start";
    testing::ServerProcessOptions options;
    options.backend = TestBackend::Postgres;
    options.dbUrl = cluster.url();
    options.extraArgs = {"--db-timeout", "2"};
    ServerProcess server(options);
    ASSERT_EQ(server.get("/health/ready").status, 200);
    const auto small = [&] { return server.post("getConsumidor", R"(["'CLI001'","","1"])"); };
    ASSERT_EQ(small().status, 200);

    cluster.signal(SIGSTOP);
    for (int i = 0; i < 2; ++i) {
        const testing::HttpReply frozen = small();
        EXPECT_EQ(frozen.status, 503) << frozen.body;
        EXPECT_FALSE(frozen.header("Retry-After").empty());
        EXPECT_NE(frozen.body.find("banco de dados"), std::string::npos) << frozen.body;
    }
    const testing::HttpReply ready = server.get("/health/ready");
    EXPECT_EQ(ready.status, 503);
    EXPECT_NE(ready.body.find("not ready"), std::string::npos) << ready.body;
    cluster.signal(SIGCONT);
    EXPECT_TRUE(testing::waitUntil([&] { return small().status == 200; }, 30s));

    cluster.stop();
    const testing::HttpReply gone = small();
    EXPECT_EQ(gone.status, 503) << gone.body;
    EXPECT_TRUE(testing::waitUntil([&] { return small().status == 503; }, 10s));
    EXPECT_EQ(small().status, 503) << "never 401 while the database is away";
}

TEST_P(Hostile, OversizedBodiesAreRefusedInPairs) {
    const std::string path = "/lun90000.rdmConfCredBanc/getPEDCREDCONS";
    // A valid call padded with blanks to an exact size.
    auto padded = [](std::size_t size) {
        std::string body = "{\"args\": " + Filter{}.args() + "}";
        body.insert(body.size() - 1, size - body.size(), ' ');
        return body;
    };
    auto client = server().client();
    const testing::HttpReply atLimit = client.request("POST", path, padded(kMaxBody));
    EXPECT_EQ(atLimit.status, 200) << atLimit.body.substr(0, 200);
    auto other = server().client();
    const testing::HttpReply overLimit = other.request("POST", path, padded(kMaxBody + 1));
    EXPECT_EQ(overLimit.status, 413) << overLimit.body.substr(0, 200);

    // Chunked: the limit counts the body as it arrives, whatever the chunks say.
    auto chunked = [&](std::size_t size) {
        RawSocket s(server().port());
        std::string head = "POST " + path +
                           " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n"
                           "Content-Type: application/json\r\nConnection: close\r\n\r\n";
        std::string body = padded(size), wire = head;
        for (std::size_t at = 0; at < body.size(); at += 1000) {
            const std::string piece = body.substr(at, 1000);
            char size16[16];
            std::snprintf(size16, sizeof size16, "%zx\r\n", piece.size());
            wire += size16 + piece + "\r\n";
        }
        wire += "0\r\n\r\n";
        s.send(wire);
        return s.readAll(5s);
    };
    EXPECT_EQ(chunked(kMaxBody).rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_EQ(chunked(kMaxBody + 1).rfind("HTTP/1.1 413", 0), 0u);
    // Far beyond the limit, sent without waiting: refused, and the server lives.
    EXPECT_EQ(chunked(kMaxBody * 8).rfind("HTTP/1.1 413", 0), 0u);
    expectUpAndUnchanged("oversized bodies");
    figure("bodies of " + std::to_string(kMaxBody) + " bytes accepted, " +
           std::to_string(kMaxBody + 1) + " refused, plain and chunked [" +
           testing::backendName(GetParam()) + "]");
}

TEST_P(Hostile, SlowClientsDoNotStarveOthers) {
    // Many more trickling clients than worker threads.
    constexpr int kSlow = 24;
    std::vector<std::unique_ptr<RawSocket>> slow;
    for (int i = 0; i < kSlow; ++i) {
        slow.push_back(std::make_unique<RawSocket>(server().port()));
        slow.back()->send("POST /lun90000.rdmConfCredBanc/getPEDCREDCONS HTTP/1.1\r\n");
    }
    std::atomic<bool> trickling{true};
    std::thread trickle([&] {
        for (int round = 0; trickling && round < 40; ++round) {
            for (auto& s : slow)
                s->send("X-Slow: 1\r\n");
            std::this_thread::sleep_for(200ms);
        }
    });
    const auto started = std::chrono::steady_clock::now();
    const Answer a = call(server(), "getPEDCREDCONS", Filter{}.args());
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    EXPECT_TRUE(a.ok) << a.error;
    EXPECT_LT(took, 2000ms);
    // The slow ones are cut off once their request time (3 s) is up.
    std::this_thread::sleep_for(3500ms);
    int cut = 0;
    for (auto& s : slow)
        cut += s->closedWithin(1000ms);
    trickling = false;
    trickle.join();
    EXPECT_EQ(cut, kSlow);
    expectUpAndUnchanged("slow clients");
    figure(std::to_string(kSlow) + " slow clients: a normal call answered in " +
           std::to_string(took.count()) + " ms, " + std::to_string(cut) + " slow ones cut off [" +
           testing::backendName(GetParam()) + "]");
}

INSTANTIATE_TEST_SUITE_P(Backends, Hostile, bothBackends(), backendLabel);

}  // namespace
}  // namespace confcred::servertest
