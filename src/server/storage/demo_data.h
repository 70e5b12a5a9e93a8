// Demo data for a new database, and order volumes for benchmarks.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/datetime.h"

namespace confcred::server::storage {

class Database;
class Session;

// Clients on branches "1" and "2", consumers with their responsible persons,
// four balance families and a few hundred orders in every situation around
// today (several of them today and pending, so the default filter shows
// orders); effected orders have their balances and ledger. Does nothing when
// the database already has clients.
void seedDemoData(Database& db);
// The same inside a running write transaction (a new database gets it in the
// transaction that creates its schema).
void seedDemoData(Session& s);

// Adds `n` orders (dated over the last 30 days, in every situation, with
// their families, balances and ledger) in one transaction; adds the demo
// clients, consumers and families first when there are none. Same seed, same
// orders.
void seedOrders(Database& db, int n, unsigned seed);

// A history of `days` days up to today, `ordersPerDay` orders a day, for
// sizing and benchmarks: each past day's orders mostly effected (some of
// them accounted, some effected and undone), some cancelled and some still
// pending; today's mostly pending. Their families, balances and ledger (in
// the order of the days, chained) come with them, in large transactions of
// multi-row statements. Adds the demo clients, consumers and families first
// when there are none. Same seed, same history. `progress` (may be empty) is
// told the days done and the orders written so far after each transaction.
struct HistoryPlan {
    int days = 0;
    int ordersPerDay = 0;
    unsigned seed = 1;
    // The last day written (date part); none: today. A day's orders depend
    // on the seed and the day's distance from 1 January 2000 only, so two
    // databases given the same day get the same orders that day.
    std::optional<platform::DateTime> lastDay;
};
// Bumped whenever the same plan would give another history, so that files
// kept from an earlier one are made again.
inline constexpr int kHistoryGeneratorVersion = 1;
void seedHistory(Database& db, const HistoryPlan& plan,
                 const std::function<void(int days, std::int64_t orders)>& progress = {});

// A CPF (11 digits) or CNPJ (14 digits) with valid check digits, from its first
// 9 or 12 digits.
std::string withCheckDigits(const std::string& base);

}  // namespace confcred::server::storage
