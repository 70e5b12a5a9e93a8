// How each backend runs the statements of the daily paths on a database that
// holds a history (statistics taken by ANALYZE): each through an index, none
// reading the whole order, family or ledger table. The statements are the
// server's own texts (storage/daily_queries.h, methods/order_where.h).

#include <gtest/gtest.h>

#include <regex>

#include "platform/clock.h"
#include "server/methods/order_where.h"
#include "server/storage/daily_queries.h"
#include "server/storage/stored_values.h"
#include "storage_fixture.h"

namespace confcred::testing {
namespace {

namespace storage = server::storage;
namespace queries = server::storage::queries;
using server::methods::OrderFilter;
using server::methods::OrderWhere;

struct Statement {
    std::string name;
    std::string sql;
    std::vector<std::string> values;
};

class QueryPlan : public BackendTest {
  protected:
    // The plan's lines, as the backend prints them.
    std::vector<std::string> plan(const Statement& st) {
        std::vector<storage::SqlValue> params(st.values.begin(), st.values.end());
        std::vector<std::string> lines;
        const bool pg = db_->backend() == storage::Backend::Postgres;
        db_->read([&](storage::Session& s) {
            s.query((pg ? "EXPLAIN " : "EXPLAIN QUERY PLAN ") + st.sql, params,
                    [&](const storage::Row& r) { lines.emplace_back(r.text(pg ? 0 : 3)); });
        });
        return lines;
    }

    // A line that reads a whole big table: SQLite's SCAN of one (also along
    // an index, unless a partial one); PostgreSQL's Seq Scan, or an index
    // walked without a condition.
    static std::string fullScan(const std::vector<std::string>& lines, bool pg) {
        static const std::regex sqliteScan(
            R"(^SCAN (PEDCREDCONS|PEDCREDFAMI|LANCSALDO|P|F)\b(?! USING (COVERING )?INDEX PEDCREDCONS_BOLETO_OUTROS))");
        static const std::regex pgSeq(R"(Seq Scan on (pedcredcons|pedcredfami|lancsaldo)\b)");
        static const std::regex pgIndex(
            R"(Index (Only )?Scan (Backward )?using (\w+) on (pedcredcons|pedcredfami|lancsaldo)\b)");
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (!pg && std::regex_search(lines[i], sqliteScan))
                return lines[i];
            if (pg && std::regex_search(lines[i], pgSeq))
                return lines[i];
            std::smatch m;
            if (pg && std::regex_search(lines[i], m, pgIndex) &&
                m[3] != "pedcredcons_boleto_outros") {
                const bool conditioned =
                    i + 1 < lines.size() && lines[i + 1].find("Index Cond") != std::string::npos;
                if (!conditioned)
                    return lines[i];
            }
        }
        return {};
    }
};

TEST_P(QueryPlan, EveryDailyStatementReadsThroughAnIndex) {
    open();
    storage::seedHistory(*db_, {60, 1500, 3, std::nullopt});  // ends with ANALYZE
    const bool pg = db_->backend() == storage::Backend::Postgres;
    const platform::DateTime today = platform::now().datePart();

    const auto listOf = [](const char* head, const char* orderBy, const OrderFilter& f) {
        const OrderWhere where(f);
        Statement st{"", std::string(head) + where.sql() + " ORDER BY " + orderBy, {}};
        for (const storage::SqlValue& v : where.params())
            st.values.emplace_back(std::get<std::string_view>(v));
        return st;
    };
    OrderFilter defaultList;  // today's pending orders of branch 1's clients
    defaultList.firstDay = defaultList.lastDay = today;
    defaultList.clients = std::vector<std::string>{"CLI001", "CLI002", "CLI003", "CLI006"};
    defaultList.situations = "N";
    OrderFilter byConsumer;  // yesterday, one consumer, effected and accounted
    byConsumer.firstDay = byConsumer.lastDay = today.addDays(-1);
    byConsumer.consumers = std::vector<server::methods::ConsumerKey>{{"CLI001", "CONS0001"}};
    byConsumer.situations = "S";
    byConsumer.accounted = "S";
    OrderFilter byNumber;  // one order over a whole year
    byNumber.firstDay = today.addDays(-365);
    byNumber.lastDay = today;
    byNumber.orderNumber = "00000000000000040000";
    OrderFilter byDescription;  // a text on a past week
    byDescription.firstDay = today.addDays(-7);
    byDescription.lastDay = today.addDays(-7);
    byDescription.descriptionPattern = "%recarga%";

    std::vector<Statement> statements;
    for (const auto& [name, f] :
         {std::pair<const char*, const OrderFilter*>{"default", &defaultList},
          {"consumer", &byConsumer},
          {"number", &byNumber},
          {"description", &byDescription}}) {
        Statement orders = listOf(queries::kOrderListHead, queries::kOrderListOrder, *f);
        orders.name = std::string("order list, ") + name;
        Statement families = listOf(queries::kFamilyListHead, queries::kFamilyListOrder, *f);
        families.name = std::string("family list, ") + name;
        statements.push_back(std::move(orders));
        statements.push_back(std::move(families));
    }
    const std::vector<std::string> slips = {"9000000040000", "12", "777"};
    statements.push_back(
        {"bank return by slip", queries::ordersBySlipSql(db_->backend(), 3),
         pg ? std::vector<std::string>{queries::slipArrayLiteral(slips, 0, 3)} : slips});
    statements.push_back(
        {"bank return, other slips", queries::ordersWithOtherSlipsSql(db_->backend()), {}});
    statements.push_back({"order count estimate", queries::kOrderCountEstimate, {}});
    statements.push_back({"history of an order", queries::kLedgerOfOrder, {"40000"}});
    const std::string from = storage::storedDateTime(today.addDays(-3));
    const std::string to = storage::storedDateTime(today.addDays(-2));
    statements.push_back({"ledger of a period", queries::kLedgerOfPeriod, {from, to}});
    statements.push_back({"situation of an order", queries::kOrderSituation, {"40000"}});
    statements.push_back({"ledger after a checkpoint",
                          queries::kLedgerAfter,
                          {scalar("SELECT MAX(IDLANCSALDO) - 100 FROM LANCSALDO")}});

    for (const Statement& st : statements) {
        const std::vector<std::string> lines = plan(st);
        std::string all;
        for (const auto& l : lines)
            all += l + "\n";
        ASSERT_FALSE(lines.empty()) << st.name;
        EXPECT_EQ(fullScan(lines, pg), "") << st.name << " reads a whole table:\n" << all;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, QueryPlan, ::testing::Values("sqlite", "postgres"), backendName);

}  // namespace
}  // namespace confcred::testing
