#include "server/storage/daily_queries.h"

namespace confcred::server::storage::queries {

namespace {

constexpr const char* kSlipColumns =
    "SELECT NRBOLETO, NRPEDCRECONS, CDCLIENTE, CDCONSUMIDOR, VRPEDCRECONS_CENT, IDPEDCREEXTR"
    " FROM PEDCREDCONS";

}  // namespace

std::string ordersBySlipSql(std::size_t count) {
    std::string sql = std::string(kSlipColumns) + " WHERE NRBOLETO_CANON IN (";
    for (std::size_t i = 0; i < count; ++i)
        sql += i ? ", ?" : "?";
    return sql + ")";
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
