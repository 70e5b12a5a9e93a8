// Demo data for a new database, and order volumes for benchmarks.
#pragma once

#include <string>

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

// A CPF (11 digits) or CNPJ (14 digits) with valid check digits, from its first
// 9 or 12 digits.
std::string withCheckDigits(const std::string& base);

}  // namespace confcred::server::storage
