// The seven methods in-process, on SQLite and (when available) PostgreSQL:
// filters, transitions with balances and ledger, all-or-nothing calls, the
// consumer list and the import.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

#include "platform/clock.h"
#include "server/methods/selection.h"
#include "server/storage/stored_values.h"
#include "storage_fixture.h"

namespace confcred::testing {
namespace {

using dataset::DataPacket;
using dataset::FieldType;
using server::methods::Arg;

std::vector<Arg> filter(std::string clients = "T", std::string consumers = "T",
                        std::string first = "2026-11-01T00:00:00",
                        std::string last = "2026-12-31T00:00:00", std::string situations = "",
                        std::string accounted = "", std::string number = "T",
                        std::string description = "T") {
    return {clients, consumers, first, last, situations, accounted, number, description};
}

std::string text(const DataPacket& p, std::size_t row, const char* field) {
    return std::string(p.column(static_cast<std::size_t>(p.fieldIndex(field))).textAt(row));
}

// A packet of selected orders as the screen builds it.
DataPacket selection(const std::vector<std::array<std::string, 3>>& orders,
                     const std::vector<platform::DateTime>& dates = {}) {
    DataPacket p({{"IDCHECK", FieldType::FixedString, 1},
                  {"NRPEDCRECONS", FieldType::String, 20},
                  {"CDCLIENTE", FieldType::String, 21},
                  {"CDCONSUMIDOR", FieldType::String, 21},
                  {"DTPEDCRECONS", FieldType::DateTime, 0}});
    for (std::size_t i = 0; i < orders.size(); ++i) {
        p.column(0).appendNull();
        for (std::size_t f = 0; f < 3; ++f)
            p.column(f + 1).appendText(orders[i][f]);
        if (i < dates.size())
            p.column(4).appendDateTime(dates[i]);
        else
            p.column(4).appendNull();
    }
    return p;
}

DataPacket importPacket(const std::string& file) {
    DataPacket p({{"ARQUIVO", FieldType::String, 5000}});
    p.column(0).appendText(file);
    return p;
}

class Methods : public BackendTest {
  protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (!IsSkipped())
            open();
    }

    struct Order {
        std::string number, client, consumer, situation, when;
    };
    // Orders straight from the tables, by number.
    std::vector<Order> orders(const std::string& situation, std::size_t n) {
        std::vector<Order> out;
        for (const auto& r : db_->queryText(
                 "SELECT NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, IDPEDCREEXTR, DTPEDCRECONS"
                 " FROM PEDCREDCONS WHERE IDPEDCREEXTR = ? ORDER BY NRPEDCRECONS",
                 {situation})) {
            if (out.size() == n)
                break;
            out.push_back({*r[0], *r[1], *r[2], *r[3], *r[4]});
        }
        return out;
    }
    std::string situation(const std::string& number) {
        return scalar("SELECT IDPEDCREEXTR FROM PEDCREDCONS WHERE NRPEDCRECONS = ?", {number});
    }
    // (client, consumer, family) -> balance in centavos.
    std::map<std::string, long long> balances() {
        std::map<std::string, long long> out;
        for (const auto& r : db_->queryText(
                 "SELECT CDCLIENTE || '/' || CDCONSUMIDOR || '/' || CDFAMILISALD, VRSALDO_CENT"
                 " FROM SALDOCONS"))
            out[*r[0]] = std::stoll(*r[1]);
        return out;
    }
    std::map<std::string, long long> familyValues(const std::string& number) {
        std::map<std::string, long long> out;
        for (const auto& r :
             db_->queryText("SELECT P.CDCLIENTE || '/' || P.CDCONSUMIDOR || '/' || F.CDFAMILISALD,"
                            " F.VRPEDCREFAMI_CENT FROM PEDCREDCONS P JOIN PEDCREDFAMI F"
                            " ON F.IDPEDCREDCONS = P.IDPEDCREDCONS WHERE P.NRPEDCRECONS = ?",
                            {number}))
            out[*r[0]] = std::stoll(*r[1]);
        return out;
    }
    void expectBalancesMatchLedger() {
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM SALDOCONS S WHERE VRSALDO_CENT <>"
                         " (SELECT COALESCE(SUM(VRLANCSALDO_CENT), 0) FROM LANCSALDO L"
                         "   WHERE L.CDCLIENTE = S.CDCLIENTE AND L.CDCONSUMIDOR = S.CDCONSUMIDOR"
                         "     AND L.CDFAMILISALD = S.CDFAMILISALD)"),
                  "0");
    }
    std::string errorOf(const std::string& method, std::vector<Arg> args) {
        try {
            call(method, std::move(args));
        } catch (const server::methods::MethodError& e) {
            return e.what();
        }
        return "no error";
    }
};

// The record's fields themselves: contract_test.cpp.
TEST_P(Methods, DefaultFilterListsTodaysPendingOrders) {
    const std::string today = platform::now().toIso().substr(0, 10) + "T00:00:00";
    const auto p = callPacket("getPEDCREDCONS",
                              filter("T", "T", today, today, "", "", "", ""));  // as on first load
    const auto& when = p.column(static_cast<std::size_t>(p.fieldIndex("DTPEDCRECONS")));
    ASSERT_GE(p.rowCount(), 5u);
    for (std::size_t r = 0; r < p.rowCount(); ++r) {
        EXPECT_EQ(text(p, r, "IDCHECK"), "N");
        EXPECT_EQ(when.dateTimeAt(r).datePart(), platform::now().datePart());
        if (r > 0) {
            const auto a = when.dateTimeAt(r - 1), b = when.dateTimeAt(r);
            EXPECT_TRUE(a < b ||
                        (a == b && text(p, r - 1, "NRPEDCRECONS") < text(p, r, "NRPEDCRECONS")));
        }
    }
    EXPECT_FALSE(text(p, 0, "NMRESPCONS").empty());
    EXPECT_FALSE(text(p, 0, "NMRAZSOCCLIE").empty());
}

// Each filter argument against the same condition counted in SQL.
TEST_P(Methods, EachFilterNarrowsTheListAsItsCondition) {
    const auto count = [&](std::vector<Arg> args) {
        return callPacket("getPEDCREDCONS", std::move(args)).rowCount();
    };
    const auto sqlCount = [&](const std::string& where,
                              const std::vector<std::optional<std::string>>& p = {}) {
        return static_cast<std::size_t>(
            std::stoul(scalar("SELECT COUNT(*) FROM PEDCREDCONS P WHERE P.DTPEDCRECONS BETWEEN"
                              " '2026-11-01 00:00:00.000' AND '2026-12-31 23:59:59.999' AND " +
                                  where,
                              p)));
    };
    const auto one = orders("S", 1).at(0);
    EXPECT_EQ(count(filter()), sqlCount("1 = 1"));
    EXPECT_EQ(count(filter("T", "T", "2026-11-01T00:00:00", "2026-12-31T00:00:00", "_S_C_")),
              sqlCount("P.IDPEDCREEXTR IN ('S', 'C')"));
    EXPECT_EQ(count(filter("T", "T", "2026-11-01T00:00:00", "2026-12-31T00:00:00", "_")), 0u);
    EXPECT_EQ(count(filter("T", "T", "2026-11-01T00:00:00", "2026-12-31T00:00:00", "", "_S_")),
              sqlCount("P.IDPEDCRECONT = 'S'"));
    EXPECT_EQ(count(filter("'CLI001','CLI004'")), sqlCount("P.CDCLIENTE IN ('CLI001', 'CLI004')"));
    EXPECT_EQ(count(filter("'CLI001',''';DELETE FROM PEDCREDCONS;--'")),
              sqlCount("P.CDCLIENTE = 'CLI001'"));
    // A selection of thousands of keys is bound value by value as well.
    std::string many = "'CLI002'";
    for (int i = 0; i < 4000; ++i)
        many += ",'X" + std::to_string(i) + "'";
    EXPECT_EQ(count(filter(many)), sqlCount("P.CDCLIENTE = 'CLI002'"));
    const std::string key = server::methods::makeConsumerKey(one.client, one.consumer);
    EXPECT_EQ(count(filter("T", "'" + key + "'")),
              sqlCount("P.CDCLIENTE = ? AND P.CDCONSUMIDOR = ?", {one.client, one.consumer}));
    EXPECT_EQ(count(filter("T", "T", "2026-11-01T00:00:00", "2026-12-31T00:00:00", "", "",
                           one.number.substr(one.number.find_first_not_of('0')))),
              1u);
    // A single day, by its date part, whatever the time sent.
    const std::string day = one.when.substr(0, 10);
    EXPECT_EQ(count(filter("T", "T", day + "T18:00:00", day + "T06:00:00")),
              sqlCount("P.DTPEDCRECONS LIKE ?", {day + "%"}));
    EXPECT_GT(sqlCount("P.DTPEDCRECONS LIKE ?", {day + "%"}), 0u);
}

TEST_P(Methods, FamilyListHasTheFamiliesOfEveryListedOrder) {
    const auto args = filter("'CLI002'");
    const auto list = callPacket("getPEDCREDCONS", args);
    const auto families = callPacket("getPEDICREDFAMI", args);
    ASSERT_EQ(families.fieldCount(), 4u);
    EXPECT_EQ(families.fields()[0].name, "CDFAMILISALD");
    EXPECT_EQ(families.fields()[3].name, "NRPEDCRECONS");
    std::map<std::string, double> sums;
    for (std::size_t r = 0; r < families.rowCount(); ++r) {
        EXPECT_FALSE(text(families, r, "NMFAMILISALD").empty());
        sums[text(families, r, "NRPEDCRECONS")] += families.column(2).doubleAt(r);
    }
    ASSERT_EQ(sums.size(), list.rowCount());
    for (std::size_t r = 0; r < list.rowCount(); ++r)
        EXPECT_NEAR(sums[text(list, r, "NRPEDCRECONS")], list.column(7).doubleAt(r), 1e-6);
}

TEST_P(Methods, EffectingCreditsEachFamilyOnceAndUndoingTakesItBack) {
    const auto picked = orders("N", 2);
    const auto before = balances();
    const auto packet = selection({{picked[0].number, picked[0].client, picked[0].consumer},
                                   {picked[1].number, picked[1].client, picked[1].consumer}});
    call("setEfetivaSaldo", {packet}, "ana");
    EXPECT_EQ(situation(picked[0].number), "S");
    EXPECT_EQ(situation(picked[1].number), "S");
    auto expected = before;
    for (const auto& o : picked)
        for (const auto& [key, cents] : familyValues(o.number))
            expected[key] += cents;
    EXPECT_EQ(balances(), expected);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM LANCSALDO WHERE NRPEDCRECONS = ? AND NMOPERADOR = 'ana'"
                     " AND IDOPERACAO = 'EFETIVA'",
                     {picked[0].number}),
              std::to_string(familyValues(picked[0].number).size()));

    // The same packet again: another operator got there first.
    const std::string again = errorOf("setEfetivaSaldo", {packet});
    EXPECT_NE(again.find(picked[0].number), std::string::npos) << again;
    EXPECT_NE(again.find("não está mais pendente"), std::string::npos) << again;
    EXPECT_EQ(balances(), expected);

    // Undo needs the order's own date and time.
    const auto when = *server::storage::parseStoredDateTime(picked[0].when);
    const std::string wrongDate = errorOf(
        "setCancelaCredito", {selection({{picked[0].number, picked[0].client, picked[0].consumer}},
                                        {when.addMs(1000)})});
    EXPECT_NE(wrongDate.find("não confere"), std::string::npos) << wrongDate;
    EXPECT_EQ(situation(picked[0].number), "S");
    call("setCancelaCredito",
         {selection({{picked[0].number, picked[0].client, picked[0].consumer}}, {when})});
    EXPECT_EQ(situation(picked[0].number), "N");
    auto afterUndo = expected;
    for (const auto& [key, cents] : familyValues(picked[0].number))
        afterUndo[key] -= cents;
    EXPECT_EQ(balances(), afterUndo);
    expectBalancesMatchLedger();
}

TEST_P(Methods, CancellingAndUndoingMoveOnlyTheSituation) {
    const auto o = orders("N", 1).at(0);
    const auto before = balances();
    const auto packet = selection({{o.number, o.client, o.consumer}});
    call("setSituacao", {packet, std::string("C")});
    EXPECT_EQ(situation(o.number), "C");
    EXPECT_NE(errorOf("setEfetivaSaldo", {packet}).find("cancelado"), std::string::npos);
    call("setSituacao", {packet, std::string("N")});
    EXPECT_EQ(situation(o.number), "N");
    EXPECT_EQ(balances(), before);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM LANCSALDO WHERE NRPEDCRECONS = ?"
                     " AND IDOPERACAO IN ('CANCELA', 'DESFAZ_CANCELA')",
                     {o.number}),
              "2");
    EXPECT_THROW(call("setSituacao", {packet, std::string("S")}), server::methods::ArgumentError);
}

// An accounted order keeps its credit: undoing it or cancelling it is refused
// by name, and the rest of the call goes with it.
TEST_P(Methods, AccountedOrdersAreNeitherUndoneNorCancelled) {
    const auto rows = db_->queryText(
        "SELECT NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, DTPEDCRECONS FROM PEDCREDCONS"
        " WHERE IDPEDCREEXTR = 'S' AND IDPEDCRECONT = 'S' ORDER BY NRPEDCRECONS");
    ASSERT_FALSE(rows.empty());
    const auto& a = rows.front();
    const auto plain = orders("S", 50);
    const auto other = std::find_if(plain.begin(), plain.end(), [&](const Order& o) {
        return scalar("SELECT IDPEDCRECONT FROM PEDCREDCONS WHERE NRPEDCRECONS = ?", {o.number}) !=
               "S";
    });
    ASSERT_NE(other, plain.end());
    const auto before = balances();
    const auto ledger = scalar("SELECT COUNT(*) FROM LANCSALDO");
    const std::string undo =
        errorOf("setCancelaCredito",
                {selection({{other->number, other->client, other->consumer}, {*a[0], *a[1], *a[2]}},
                           {*server::storage::parseStoredDateTime(other->when),
                            *server::storage::parseStoredDateTime(*a[3])})});
    EXPECT_NE(undo.find("desfazer o crédito do pedido " + *a[0] + ": ele já foi contabilizado"),
              std::string::npos)
        << undo;
    EXPECT_NE(undo.find("Nenhum pedido foi alterado"), std::string::npos) << undo;
    EXPECT_EQ(situation(other->number), "S");
    EXPECT_EQ(situation(*a[0]), "S");

    // A pending order marked accounted (not in the demo data, but possible
    // in a host database) cannot be cancelled either.
    const auto pending = orders("N", 1).at(0);
    db_->queryText("UPDATE PEDCREDCONS SET IDPEDCRECONT = 'S' WHERE NRPEDCRECONS = ?",
                   {pending.number});
    const std::string cancel = errorOf(
        "setSituacao",
        {selection({{pending.number, pending.client, pending.consumer}}), std::string("C")});
    EXPECT_NE(cancel.find("cancelar o pedido " + pending.number + ": ele já foi contabilizado"),
              std::string::npos)
        << cancel;
    EXPECT_EQ(situation(pending.number), "N");
    EXPECT_EQ(balances(), before);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM LANCSALDO"), ledger);
}

// One bad row fails the whole call and changes nothing.
TEST_P(Methods, OneBadRowUndoesTheWholeCall) {
    const auto picked = orders("N", 2);
    const auto before = balances();
    const auto ledger = scalar("SELECT COUNT(*) FROM LANCSALDO");
    const std::vector<std::pair<std::array<std::string, 3>, std::string>> bad = {
        {{"99999999", picked[1].client, picked[1].consumer}, "não existe"},
        {{picked[1].number, "CLI999", picked[1].consumer}, "não pertence"},
        {{picked[1].number, picked[1].client, "OUTRO"}, "não pertence"},
        {{"12' OR '1'='1", picked[1].client, picked[1].consumer}, "não existe"},
        {{picked[0].number, picked[0].client, picked[0].consumer}, "mais de uma vez"},
    };
    for (const auto& [row, says] : bad) {
        const std::string message =
            errorOf("setEfetivaSaldo",
                    {selection({{picked[0].number, picked[0].client, picked[0].consumer}, row})});
        EXPECT_NE(message.find(says), std::string::npos) << message;
        EXPECT_NE(message.find("Nenhum pedido foi alterado"), std::string::npos) << message;
        EXPECT_EQ(situation(picked[0].number), "N");
    }
    EXPECT_EQ(balances(), before);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM LANCSALDO"), ledger);
    // Malformed packets are argument errors.
    EXPECT_THROW(call("setEfetivaSaldo", {DataPacket({{"X", FieldType::String, 1}})}),
                 server::methods::ArgumentError);
    EXPECT_THROW(call("setEfetivaSaldo", {std::string("pedido")}), server::methods::ArgumentError);
    EXPECT_THROW(call("setEfetivaSaldo", {selection({})}), server::methods::MethodError);
    EXPECT_THROW(call("setCancelaCredito",
                      {selection({{picked[0].number, picked[0].client, picked[0].consumer}})}),
                 server::methods::MethodError);  // undo without the date
}

// Two operators effect overlapping orders at once: each order is credited once.
TEST_P(Methods, ConcurrentEffectsCreditEachOrderExactlyOnce) {
    const auto picked = orders("N", 40);
    ASSERT_EQ(picked.size(), 40u);
    std::vector<std::array<std::string, 3>> rows;
    for (const auto& o : picked)
        rows.push_back({o.number, o.client, o.consumer});
    std::atomic<int> successes{0}, refusals{0};
    std::vector<std::thread> operators;
    for (int t = 0; t < 4; ++t)
        operators.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                // Overlapping windows of five orders.
                const std::size_t start = static_cast<std::size_t>((t * 7 + i * 3) % 36);
                const std::vector<std::array<std::string, 3>> part(rows.begin() + start,
                                                                   rows.begin() + start + 5);
                try {
                    call("setEfetivaSaldo", {selection(part)});
                    ++successes;
                } catch (const server::methods::MethodError&) {
                    ++refusals;
                }
            }
        });
    for (auto& t : operators)
        t.join();
    EXPECT_GT(successes.load(), 0);
    EXPECT_EQ(successes.load() + refusals.load(), 80);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM (SELECT IDPEDCREDCONS, CDFAMILISALD FROM LANCSALDO"
                     " WHERE IDOPERACAO = 'EFETIVA' AND NMOPERADOR = 'tester'"
                     " GROUP BY IDPEDCREDCONS, CDFAMILISALD HAVING COUNT(*) > 1) D"),
              "0");
    expectBalancesMatchLedger();
}

TEST_P(Methods, ConsumersOfTheBranchOrOfTheListedClients) {
    const auto all = callPacket("getConsumidor", {std::string(""), std::string("T"), 1.0});
    ASSERT_GT(all.rowCount(), 0u);
    const auto branch = db_->queryText(
        "SELECT COUNT(*) FROM CONSUMIDOR C JOIN CLIENFILIAL F ON F.CDCLIENTE = C.CDCLIENTE"
        " WHERE F.CDFILIAL = '1'");
    EXPECT_EQ(std::to_string(all.rowCount()), *branch[0][0]);
    for (std::size_t r = 0; r < all.rowCount(); ++r) {
        EXPECT_EQ(text(all, r, "IDMARCADO"), "N");
        EXPECT_EQ(text(all, r, "CHAVE"),
                  server::methods::makeConsumerKey(text(all, r, "CDCLIENTE"),
                                                   text(all, r, "CDCONSUMIDOR")));
    }
    const auto listed = callPacket(
        "getConsumidor", {std::string("'CLI004','X''Y'"), std::string(""), std::string("1")});
    ASSERT_GT(listed.rowCount(), 0u);
    for (std::size_t r = 0; r < listed.rowCount(); ++r)
        EXPECT_EQ(text(listed, r, "CDCLIENTE"), "CLI004");
    EXPECT_EQ(callPacket("getConsumidor", {std::string(""), std::string("T"), std::string("7")})
                  .rowCount(),
              0u);
    EXPECT_THROW(call("getConsumidor", {std::string("CLI004"), std::string(""), 1.0}),
                 server::methods::ArgumentError);
    EXPECT_THROW(call("getConsumidor", {std::string(""), std::string(""), 1.0}),
                 server::methods::ArgumentError);
    EXPECT_THROW(call("getConsumidor", {std::string(""), std::string("X"), 1.0}),
                 server::methods::ArgumentError);
}

TEST_P(Methods, ImportCreatesPendingOrdersOnceAndWarnsAboutTheRest) {
    std::string file = "TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRICAO;FAMILIAS\r\n";
    // Enough lines to pass the 5000 characters the field declares.
    for (int i = 0; i < 120; ++i)
        file += "C;CLI001;CONS0001;IMP" + std::to_string(i) +
                ";07/12/2026 10:30:00;Crédito importado;ALI=10,50;BEB=2\r\n";
    file += "D;CLI001;CONS0002;IMP-D;07/12/2026;Estorno;LAN=12,5\r\n";  // line 122
    file += "C;CLI999;CONS0001;IMP-X1;07/12/2026;;ALI=1\r\n";           // 123 client
    file += "C;CLI001;CONS0036;IMP-X2;07/12/2026;;ALI=1\r\n";           // 124 consumer
    file += "C;CLI001;CONS0001;IMP-X3;07/12/2026;;ZZZ=1\r\n";           // 125 family
    file += "C;CLI001;CONS0001;IMP0;07/12/2026;;ALI=1\r\n";             // 126 repeated
    file += "X;'; DROP TABLE PEDCREDCONS; --\r\n";                      // 127 format
    ASSERT_GT(file.size(), 5000u);
    const std::string orderCount = scalar("SELECT COUNT(*) FROM PEDCREDCONS");
    const auto warnings = callPacket("SetImporSaldoCons", {importPacket(file)});
    std::vector<std::string> lines;
    for (std::size_t r = 0; r < warnings.rowCount(); ++r)
        lines.push_back(text(warnings, r, "DSLINHA"));
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "Linha 123: cliente \"CLI999\" não cadastrado.");
    EXPECT_EQ(lines[1],
              "Linha 124: consumidor \"CONS0036\" não cadastrado para o cliente \"CLI001\".");
    EXPECT_EQ(lines[2], "Linha 125: família \"ZZZ\" não cadastrada.");
    EXPECT_EQ(lines[3].rfind("Linha 126: boleto", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind("Linha 127:", 0), 0u) << lines[4];
    EXPECT_EQ(std::stoi(scalar("SELECT COUNT(*) FROM PEDCREDCONS")), std::stoi(orderCount) + 121);
    EXPECT_EQ(scalar("SELECT IDPEDCREEXTR || '/' || VRPEDCRECONS_CENT || '/' || DTPEDCRECONS"
                     " FROM PEDCREDCONS WHERE NRBOLETO = 'IMP-D'"),
              "N/-1250/2026-12-07 00:00:00.000");
    EXPECT_EQ(scalar("SELECT SUM(VRPEDCREFAMI_CENT) FROM PEDCREDFAMI F JOIN PEDCREDCONS P"
                     " ON P.IDPEDCREDCONS = F.IDPEDCREDCONS WHERE P.NRBOLETO = 'IMP7'"),
              "1250");

    // The same file again creates nothing new: every order line is a warning.
    const auto second = callPacket("SetImporSaldoCons", {importPacket(file)});
    EXPECT_EQ(second.rowCount(), 126u);
    EXPECT_NE(text(second, 0, "DSLINHA").find("já importado"), std::string::npos);
    EXPECT_EQ(std::stoi(scalar("SELECT COUNT(*) FROM PEDCREDCONS")), std::stoi(orderCount) + 121);

    // An empty file is a success with nothing to say.
    EXPECT_EQ(callPacket("SetImporSaldoCons", {importPacket("")}).rowCount(), 0u);
    DataPacket twoRows({{"ARQUIVO", FieldType::String, 5000}});
    twoRows.column(0).appendText("a");
    twoRows.column(0).appendText("b");
    EXPECT_THROW(call("SetImporSaldoCons", {twoRows}), server::methods::ArgumentError);
}

// However many lines are refused, the answer names the first thousand by line
// (those the storage refused and those the reader refused, in line order) and
// counts the rest in one closing line.
TEST_P(Methods, ImportWarningsStopAtTheFirstThousand) {
    std::string file;
    for (int i = 0; i < 1200; ++i)  // lines 1-1200: unknown client, refused by the storage
        file += "C;CLI999;CONS0001;CAP" + std::to_string(i) + ";07/12/2026;;ALI=1\n";
    for (int i = 0; i < 2000; ++i)  // lines 1201-3200: refused by the reader
        file += "x\n";
    const auto warnings = callPacket("SetImporSaldoCons", {importPacket(file)});
    ASSERT_EQ(warnings.rowCount(), 1001u);
    EXPECT_EQ(text(warnings, 0, "DSLINHA"), "Linha 1: cliente \"CLI999\" não cadastrado.");
    EXPECT_EQ(text(warnings, 999, "DSLINHA").rfind("Linha 1000: cliente", 0), 0u);
    EXPECT_EQ(text(warnings, 1000, "DSLINHA"),
              "... e mais 2.200 linhas recusadas não listadas (são mostradas as primeiras 1.000).");
}

// The description is found literally, without regard to case or accents,
// wildcards and all: the same rows on both backends.
TEST_P(Methods, DescriptionSearchIsLiteralAndIgnoresCaseAndAccents) {
    const std::string file =
        "C;CLI002;CONS0008;L1;07/12/2026;Crédito 100% garantido;ALI=1\n"
        "C;CLI002;CONS0008;L2;07/12/2026;CREDITO 1000 garantido;ALI=1\n"
        "C;CLI002;CONS0008;L3;07/12/2026;Lanche_especial;ALI=1\n"
        "C;CLI002;CONS0008;L4;07/12/2026;LancheXespecial;ALI=1\n"
        "C;CLI002;CONS0008;L5;07/12/2026;Pão\\queijo;ALI=1\n"
        "C;CLI002;CONS0008;L6;07/12/2026;PAO QUEIJO;ALI=1\n";
    ASSERT_EQ(callPacket("SetImporSaldoCons", {importPacket(file)}).rowCount(), 0u);
    const auto found = [&](const std::string& typed) {
        const auto p = callPacket(
            "getPEDCREDCONS", filter("'CLI002'", "T", "2026-12-07T00:00:00", "2026-12-07T00:00:00",
                                     "_N_", "", "T", "%" + typed + "%"));
        std::vector<std::string> slips;
        for (std::size_t r = 0; r < p.rowCount(); ++r)
            if (text(p, r, "NRBOLETO").size() == 2)
                slips.push_back(text(p, r, "NRBOLETO"));
        std::sort(slips.begin(), slips.end());
        return slips;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(found("crédito"), (V{"L1", "L2"}));
    EXPECT_EQ(found("CREDITO 100"), (V{"L1", "L2"}));
    EXPECT_EQ(found("100%"), (V{"L1"}));
    EXPECT_EQ(found("100% g"), (V{"L1"}));
    EXPECT_EQ(found("e_e"), (V{"L3"}));
    EXPECT_EQ(found("_"), (V{"L3"}));
    EXPECT_EQ(found("pão\\"), (V{"L5"}));
    EXPECT_EQ(found("PÃO"), (V{"L5", "L6"}));
    EXPECT_EQ(found("%"), (V{"L1"}));
    EXPECT_EQ(found("' OR 1=1 --"), V{});
}

INSTANTIATE_TEST_SUITE_P(Backends, Methods, ::testing::Values("sqlite", "postgres"), backendName);

}  // namespace
}  // namespace confcred::testing
