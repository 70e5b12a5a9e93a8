// The statements of the daily paths, in one place: the server runs these
// texts, and the plan test (tests/server/query_plan_test.cpp) asks each
// backend how it runs the same texts on a database holding a long history,
// so that each of them costs what the day holds, not what the years did.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "server/storage/database.h"

namespace confcred::server::storage::queries {

// The order list and the family list, each up to its FROM and JOINs over
// PEDCREDCONS P; the filter adds its WHERE (methods/order_where.h), always
// with a date range on P.DTPEDCRECONS, which PEDCREDCONS_DATA serves in the
// lists' own order.
inline constexpr const char* kOrderListHead =
    "SELECT P.IDPEDCREEXTR, P.IDPEDCRECONT, P.NRBOLETO, P.NRPEDCRECONS, P.CDCLIENTE,"
    " P.CDCONSUMIDOR, P.VRPEDCRECONS_CENT, P.DTPEDCRECONS, P.DSSITCREBANC,"
    " C.NMCONSUMIDOR, C.NMRESPCONS, L.NMRAZSOCCLIE"
    " FROM PEDCREDCONS P"
    " JOIN CONSUMIDOR C ON C.CDCLIENTE = P.CDCLIENTE AND C.CDCONSUMIDOR = P.CDCONSUMIDOR"
    " JOIN CLIENTE L ON L.CDCLIENTE = P.CDCLIENTE";
inline constexpr const char* kOrderListOrder = "P.DTPEDCRECONS, P.NRPEDCRECONS";

inline constexpr const char* kFamilyListHead =
    "SELECT F.CDFAMILISALD, A.NMFAMILISALD, F.VRPEDCREFAMI_CENT, P.NRPEDCRECONS"
    " FROM PEDCREDCONS P"
    " JOIN PEDCREDFAMI F ON F.IDPEDCREDCONS = P.IDPEDCREDCONS"
    " JOIN FAMILIASALDO A ON A.CDFAMILISALD = F.CDFAMILISALD";
inline constexpr const char* kFamilyListOrder = "P.DTPEDCRECONS, P.NRPEDCRECONS, F.CDFAMILISALD";

// The bank return's candidates: the orders whose canonical slip is one of
// `count` digit strings (leading zeros dropped), through
// PEDCREDCONS_BOLETO_BUSCA. Columns: NRBOLETO, NRPEDCRECONS, CDCLIENTE,
// CDCONSUMIDOR, VRPEDCRECONS_CENT, IDPEDCREEXTR. SQLite takes the slips as
// `count` values; PostgreSQL as one value, the array literal of
// slipArrayLiteral, which it looks up in one ordered walk of the index.
std::string ordersBySlipSql(Backend backend, std::size_t count);
std::string slipArrayLiteral(const std::vector<std::string>& digits, std::size_t from,
                             std::size_t to);
// The same columns for the orders whose canonical slip lies between two
// digit strings of one length (bound: low, high, length), through the same
// index: a run of near-consecutive slips, as banks number them, is one walk
// along the index instead of a look-up each. Rows of slips that hold more
// than digits may come along; they are the other statement's.
inline constexpr const char* kOrdersBySlipRange =
    "SELECT NRBOLETO, NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, VRPEDCRECONS_CENT, IDPEDCREEXTR"
    " FROM PEDCREDCONS WHERE NRBOLETO_CANON BETWEEN ? AND ? AND LENGTH(NRBOLETO_CANON) = ?";
// How many slips one statement of ordersBySlipSql asks for at most.
inline constexpr std::size_t kSlipsPerStatement = 500;
inline constexpr std::size_t kSlipsPerArray = 20'000;
// The same columns for every order: a file that settles a good share of
// all orders (a fresh database, a test) reads them in one pass rather than
// through the index, as a planner would choose.
inline constexpr const char* kAllOrdersBySlip =
    "SELECT NRBOLETO, NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, VRPEDCRECONS_CENT, IDPEDCREEXTR"
    " FROM PEDCREDCONS";
// About how many orders the table holds (the highest key: orders are
// numbered from one counter and never removed); read through the key.
inline constexpr const char* kOrderCountEstimate =
    "SELECT COALESCE(MAX(IDPEDCREDCONS), 0) FROM PEDCREDCONS";
// The same columns for the orders whose canonical slip holds more than
// digits (a return matches those by their digits only) or that an older
// database kept without one: the small partial
// index PEDCREDCONS_BOLETO_OUTROS, whose condition is written per backend.
std::string ordersWithOtherSlipsSql(Backend backend);

// An order's history: its ledger rows in the order they were written.
inline constexpr const char* kLedgerOfOrder =
    "SELECT IDLANCSALDO, DTLANCSALDO, NMOPERADOR, IDOPERACAO, CDFAMILISALD, VRLANCSALDO_CENT"
    " FROM LANCSALDO WHERE IDPEDCREDCONS = ? ORDER BY IDLANCSALDO";

// The ledger rows of a period (two stored date-times, inclusive), as the
// closing of a date range reads them.
inline constexpr const char* kLedgerOfPeriod =
    "SELECT IDLANCSALDO, DTLANCSALDO, IDPEDCREDCONS, IDOPERACAO, CDCLIENTE, CDCONSUMIDOR,"
    " CDFAMILISALD, VRLANCSALDO_CENT"
    " FROM LANCSALDO WHERE DTLANCSALDO BETWEEN ? AND ? ORDER BY DTLANCSALDO, IDLANCSALDO";

// One order's stored situation, by its key.
inline constexpr const char* kOrderSituation =
    "SELECT NRPEDCRECONS, IDPEDCREEXTR FROM PEDCREDCONS WHERE IDPEDCREDCONS = ?";

// The ledger rows after a given key (the incremental verification).
inline constexpr const char* kLedgerAfter =
    "SELECT IDPEDCREDCONS, CDCLIENTE, CDCONSUMIDOR FROM LANCSALDO WHERE IDLANCSALDO > ?";

}  // namespace confcred::server::storage::queries
