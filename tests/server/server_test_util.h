#pragma once
// Shared by the end-to-end server suites: the backends to run on, calls with
// their answers decoded, the packets and filter arguments the screens send,
// and the consistency check of orders, balances and ledger.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <simdjson.h>

#include "dataset/data_packet.h"
#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "server/http/call_codec.h"
#include "server/storage/database.h"
#include "server/storage/demo_data.h"
#include "support/server_process.h"

namespace confcred::servertest {

using testing::ServerProcess;
using testing::TestBackend;

inline std::string backendLabel(const ::testing::TestParamInfo<TestBackend>& info) {
    return info.param == TestBackend::Sqlite ? "Sqlite" : "Postgres";
}

// Every suite runs on both; PostgreSQL is skipped, with the reason, when no
// cluster was given.
#define CONFCRED_SKIP_WITHOUT_BACKEND(backend)                                              \
    do {                                                                                    \
        if ((backend) == ::confcred::testing::TestBackend::Postgres &&                      \
            !std::getenv("CONFCRED_TEST_PG"))                                               \
            GTEST_SKIP() << "CONFCRED_TEST_PG is not set: no PostgreSQL cluster to run on"; \
    } while (0)

inline ::testing::internal::ParamGenerator<TestBackend> bothBackends() {
    return ::testing::Values(TestBackend::Sqlite, TestBackend::Postgres);
}

inline testing::ServerProcessOptions optionsFor(TestBackend backend,
                                                std::vector<std::string> extraArgs = {}) {
    testing::ServerProcessOptions options;
    options.backend = backend;
    options.extraArgs = std::move(extraArgs);
    return options;
}

// A decoded answer: the packet of {"result": ...} or the message of {"error": ...}.
struct Answer {
    int status = 0;
    bool ok = false;
    std::string error;
    dataset::DataPacket packet;
    std::string body;
};

inline Answer decodeAnswer(const testing::HttpReply& reply) {
    Answer a;
    a.status = reply.status;
    a.body = reply.body;
    simdjson::dom::parser parser;
    simdjson::dom::element doc;
    if (parser.parse(reply.body).get(doc) != simdjson::SUCCESS) {
        a.error = "(answer is not JSON) " + reply.body.substr(0, 200);
        return a;
    }
    simdjson::dom::element inner;
    if (doc["error"]["message"].get(inner) == simdjson::SUCCESS) {
        std::string_view message;
        a.error = inner.get(message) == simdjson::SUCCESS ? std::string(message) : "(no message)";
        return a;
    }
    if (doc["result"].get(inner) != simdjson::SUCCESS) {
        a.error = "(answer has neither result nor error) " + reply.body.substr(0, 200);
        return a;
    }
    try {
        a.packet = dataset::decodePacket(simdjson::to_string(inner));
        a.ok = reply.status == 200;
    } catch (const std::exception& e) {
        a.error = std::string("(result is not a packet) ") + e.what();
    }
    return a;
}

inline Answer call(const ServerProcess& server, std::string_view method,
                   std::string_view argsJson) {
    return decodeAnswer(server.post(method, argsJson));
}

inline std::string json(std::string_view text) {
    std::string out;
    dataset::appendJsonString(out, text);
    return out;
}

// The eight filter arguments of getPEDCREDCONS / getPEDICREDFAMI.
struct Filter {
    std::string clients = "T";
    std::string consumers = "T";
    std::string first = "2000-01-01T00:00:00";
    std::string last = "2999-12-31T00:00:00";
    std::string situations = "_S_N_C_";
    std::string accounted = "_S_N_";
    std::string number = "T";
    std::string description = "T";

    std::string args() const {
        return "[" + json(clients) + "," + json(consumers) + "," + json(first) + "," + json(last) +
               "," + json(situations) + "," + json(accounted) + "," + json(number) + "," +
               json(description) + "]";
    }
};

// An order as the screens identify it in a selection packet.
struct OrderKey {
    std::string number;
    std::string client;
    std::string consumer;
    std::string when;  // ISO 8601, sent only by the undo of a credit
};

// The packet of selected orders as cdsTemp sends it: the fields of the
// selected-order record, those the server reads filled.
inline std::string selectionPacket(const std::vector<OrderKey>& orders) {
    dataset::DataPacket p(dataset::records::fieldDefs(dataset::records::kSelected));
    const auto column = [&](std::string_view name) -> dataset::Column& {
        return p.column(static_cast<std::size_t>(p.fieldIndex(name)));
    };
    dataset::Column &number = column("NRPEDCRECONS"), &client = column("CDCLIENTE"),
                    &consumer = column("CDCONSUMIDOR"), &date = column("DTPEDCRECONS");
    for (const OrderKey& o : orders) {
        for (dataset::Column& c : p.columns())
            if (&c != &number && &c != &client && &c != &consumer && &c != &date)
                c.appendNull();
        number.appendText(o.number);
        client.appendText(o.client);
        consumer.appendText(o.consumer);
        if (auto when = platform::DateTime::parseIso(o.when))
            date.appendDateTime(*when);
        else
            date.appendNull();
    }
    return dataset::encodePacket(p);
}

// The four operations of the confirmation screen.
enum class Operation { Effect, UndoEffect, Cancel, UndoCancel };

inline const char* operationName(Operation op) {
    switch (op) {
        case Operation::Effect:
            return "efetivar";
        case Operation::UndoEffect:
            return "desfazer crédito";
        case Operation::Cancel:
            return "cancelar";
        case Operation::UndoCancel:
            return "desfazer cancelamento";
    }
    return "?";
}
// The situation an operation takes an order from, and the one it leaves it in.
inline char fromSituation(Operation op) {
    return op == Operation::Effect || op == Operation::Cancel ? 'N'
           : op == Operation::UndoEffect                      ? 'S'
                                                              : 'C';
}
inline char toSituation(Operation op) {
    return op == Operation::Effect ? 'S' : op == Operation::Cancel ? 'C' : 'N';
}

inline Answer runOperation(const ServerProcess& server, Operation op,
                           const std::vector<OrderKey>& orders) {
    const std::string packet = selectionPacket(orders);
    switch (op) {
        case Operation::Effect:
            return call(server, "setEfetivaSaldo", "[" + packet + "]");
        case Operation::UndoEffect:
            return call(server, "setCancelaCredito", "[" + packet + "]");
        case Operation::Cancel:
            return call(server, "setSituacao", "[" + packet + ",\"C\"]");
        case Operation::UndoCancel:
            return call(server, "setSituacao", "[" + packet + ",\"N\"]");
    }
    return {};
}

// One stored order with what the suites compare.
struct StoredOrder {
    OrderKey key;
    char situation = 'N';
    bool accounted = false;  // IDPEDCRECONT "S": its credit can be neither undone nor cancelled
};

// Every order of the database, by number.
inline std::map<std::string, StoredOrder> storedOrders(server::storage::Database& db) {
    std::map<std::string, StoredOrder> out;
    for (const auto& row :
         db.queryText("SELECT NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, DTPEDCRECONS, IDPEDCREEXTR,"
                      " IDPEDCRECONT FROM PEDCREDCONS")) {
        StoredOrder o;
        o.key = {*row[0], *row[1], *row[2], *row[3]};
        // Stored as "YYYY-MM-DD HH:MM:SS.mmm"; the wire wants ISO 8601.
        if (o.key.when.size() > 10)
            o.key.when[10] = 'T';
        o.situation = (*row[4])[0];
        o.accounted = row[5] && *row[5] == "S";
        out[o.key.number] = o;
    }
    return out;
}

// What the check of orders, balances and ledger found.
struct LedgerReport {
    int orders = 0;
    // (order, family) pairs whose ledger does not add up to what the order's
    // situation says: 0 when it is not effected, its value when it is.
    int halfApplied = 0;
    // (order, family) pairs effected more often than undone, beyond once.
    int doubleCredits = 0;
    // (client, consumer, family) balances that differ from the ledger's sum.
    int balanceMismatches = 0;
    std::vector<std::string> details;  // the first few findings

    bool clean() const { return halfApplied == 0 && doubleCredits == 0 && balanceMismatches == 0; }
};

inline std::int64_t toInt(const std::optional<std::string>& v) {
    return v ? std::stoll(*v) : 0;
}

// Reads the whole state and checks that every order is either fully applied
// or untouched and that every balance equals its ledger.
inline LedgerReport checkLedger(server::storage::Database& db) {
    LedgerReport report;
    auto note = [&](std::string text) {
        if (report.details.size() < 10)
            report.details.push_back(std::move(text));
    };
    struct Line {
        char situation = 'N';
        std::int64_t value = 0, ledger = 0, effects = 0, undos = 0;
    };
    std::map<std::pair<std::string, std::string>, Line> lines;  // (order, family)
    for (const auto& r : db.queryText(
             "SELECT P.NRPEDCRECONS, F.CDFAMILISALD, P.IDPEDCREEXTR, F.VRPEDCREFAMI_CENT"
             " FROM PEDCREDCONS P JOIN PEDCREDFAMI F ON F.IDPEDCREDCONS = P.IDPEDCREDCONS")) {
        Line& l = lines[{*r[0], *r[1]}];
        l.situation = (*r[2])[0];
        l.value = toInt(r[3]);
    }
    report.orders = std::stoi(*db.queryText("SELECT COUNT(*) FROM PEDCREDCONS")[0][0]);
    for (const auto& r : db.queryText(
             "SELECT NRPEDCRECONS, CDFAMILISALD, IDOPERACAO, SUM(VRLANCSALDO_CENT), COUNT(*)"
             " FROM LANCSALDO WHERE CDFAMILISALD IS NOT NULL"
             " GROUP BY NRPEDCRECONS, CDFAMILISALD, IDOPERACAO")) {
        auto found = lines.find({*r[0], *r[1]});
        if (found == lines.end()) {
            ++report.halfApplied;
            note("ledger names an unknown order line " + *r[0] + "/" + *r[1]);
            continue;
        }
        found->second.ledger += toInt(r[3]);
        if (*r[2] == "EFETIVA")
            found->second.effects += toInt(r[4]);
        else if (*r[2] == "DESFAZ_EFETIVA")
            found->second.undos += toInt(r[4]);
    }
    for (const auto& [key, l] : lines) {
        const std::int64_t net = l.effects - l.undos;
        if (net > 1) {
            ++report.doubleCredits;
            note("order " + key.first + " family " + key.second + " effected " +
                 std::to_string(net) + " times");
        }
        const bool effected = l.situation == 'S';
        if (l.ledger != (effected ? l.value : 0) || net != (effected ? 1 : 0)) {
            ++report.halfApplied;
            note("order " + key.first + " (" + l.situation + ") family " + key.second + ": value " +
                 std::to_string(l.value) + ", ledger " + std::to_string(l.ledger) +
                 ", net effects " + std::to_string(net));
        }
    }
    std::map<std::tuple<std::string, std::string, std::string>, std::int64_t> ledger, balance;
    for (const auto& r : db.queryText(
             "SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, SUM(VRLANCSALDO_CENT) FROM LANCSALDO"
             " WHERE CDFAMILISALD IS NOT NULL GROUP BY CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD"))
        ledger[{*r[0], *r[1], *r[2]}] = toInt(r[3]);
    for (const auto& r :
         db.queryText("SELECT CDCLIENTE, CDCONSUMIDOR, CDFAMILISALD, VRSALDO_CENT FROM SALDOCONS"))
        balance[{*r[0], *r[1], *r[2]}] = toInt(r[3]);
    for (const auto& [key, sum] : ledger) {
        auto found = balance.find(key);
        if ((found == balance.end() ? 0 : found->second) != sum) {
            ++report.balanceMismatches;
            note("balance of " + std::get<0>(key) + "/" + std::get<1>(key) + "/" +
                 std::get<2>(key) + " differs from its ledger");
        }
    }
    for (const auto& [key, value] : balance)
        if (value != 0 && !ledger.count(key)) {
            ++report.balanceMismatches;
            note("balance of " + std::get<0>(key) + "/" + std::get<1>(key) + "/" +
                 std::get<2>(key) + " has no ledger");
        }
    return report;
}

inline std::string describe(const LedgerReport& r) {
    std::string out = std::to_string(r.orders) + " orders, " + std::to_string(r.halfApplied) +
                      " half-applied, " + std::to_string(r.doubleCredits) + " double credits, " +
                      std::to_string(r.balanceMismatches) + " balance mismatches";
    for (const auto& d : r.details)
        out += "\n  " + d;
    return out;
}

// Opens the server's own database from the test, with the demo data every
// backend starts from (a new SQLite file has it already; a fresh PostgreSQL
// database gets it here) and `extraOrders` generated orders on top.
inline std::unique_ptr<server::storage::Database> openSeeded(const ServerProcess& server,
                                                             int extraOrders = 0,
                                                             unsigned seed = 7) {
    auto db = server::storage::openDatabase(server.dbUrl());
    server::storage::seedDemoData(*db);
    if (extraOrders > 0)
        server::storage::seedOrders(*db, extraOrders, seed);
    return db;
}

// The figure line a suite reports, visible in the test log.
inline void figure(const std::string& text) {
    std::printf("[ figure   ] %s\n", text.c_str());
    std::fflush(stdout);
}

}  // namespace confcred::servertest
