#include "server/storage/daily_queries.h"

namespace confcred::server::storage::queries {

namespace {

constexpr const char* kSlipColumns =
    "SELECT NRBOLETO, NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, VRPEDCRECONS_CENT, IDPEDCREEXTR"
    " FROM PEDCREDCONS";

}  // namespace

std::string ordersBySlipSql(Backend backend, std::size_t count) {
    if (backend == Backend::Postgres)
        return std::string(kSlipColumns) + " WHERE NRBOLETO_CANON = ANY (CAST(? AS TEXT[]))";
    std::string sql = std::string(kSlipColumns) + " WHERE NRBOLETO_CANON IN (";
    for (std::size_t i = 0; i < count; ++i)
        sql += i ? ", ?" : "?";
    return sql + ")";
}

std::string slipArrayLiteral(const std::vector<std::string>& digits, std::size_t from,
                             std::size_t to) {
    // Digits only: nothing to quote.
    std::string text = "{";
    for (std::size_t i = from; i < to; ++i) {
        text += i == from ? "" : ",";
        text += digits[i];
    }
    return text + "}";
}

std::string ordersWithOtherSlipsSql(Backend backend) {
    // The condition is the partial index's own, word for word: the planners
    // use such an index only for a query that implies its condition.
    return std::string(kSlipColumns) +
           (backend == Backend::Postgres ? " WHERE NRBOLETO IS NOT NULL AND (NRBOLETO_CANON IS NULL"
                                           " OR NRBOLETO_CANON ~ '[^0-9]')"
                                         : " WHERE NRBOLETO IS NOT NULL AND (NRBOLETO_CANON IS NULL"
                                           " OR NRBOLETO_CANON GLOB '*[^0-9]*')");
}

}  // namespace confcred::server::storage::queries
