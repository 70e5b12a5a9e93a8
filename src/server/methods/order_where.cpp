#include "server/methods/order_where.h"

#include "server/methods/methods_internal.h"
#include "server/storage/stored_values.h"

namespace confcred::server::methods {

namespace {

std::string inList(std::size_t n) {
    return n ? placeholders(n) : std::string("NULL");
}

}  // namespace

OrderWhere::OrderWhere(const OrderFilter& f) {
    from_ = storage::storedDateTime(f.firstDay);
    to_ = storage::storedDateTime(f.lastDay.addMs(platform::DateTime::kMsPerDay - 1));
    // The index on (DTPEDCRECONS, NRPEDCRECONS) hands the rows over in the
    // order the lists are sorted by, so even the everything-matches query
    // needs no sort (measured in docs/schema.md).
    sql_ = " WHERE P.DTPEDCRECONS BETWEEN ? AND ?";
    params_ = {std::string_view(from_), std::string_view(to_)};
    if (f.clients) {
        sql_ += " AND P.CDCLIENTE IN (" + inList(f.clients->size()) + ")";
        for (const auto& c : *f.clients)
            params_.push_back(std::string_view(c));
    }
    if (f.consumers) {
        if (f.consumers->empty()) {
            sql_ += " AND 1 = 0";
        } else {
            sql_ += " AND (P.CDCLIENTE, P.CDCONSUMIDOR) IN (VALUES ";
            for (std::size_t i = 0; i < f.consumers->size(); ++i)
                sql_ += i ? ", (?, ?)" : "(?, ?)";
            sql_ += ")";
            for (const auto& k : *f.consumers) {
                params_.push_back(std::string_view(k.client));
                params_.push_back(std::string_view(k.consumer));
            }
        }
    }
    codes(" AND P.IDPEDCREEXTR IN (", f.situations);
    codes(" AND P.IDPEDCRECONT IN (", f.accounted);
    if (f.orderNumber) {
        sql_ += " AND P.NRPEDCRECONS = ?";
        params_.push_back(std::string_view(*f.orderNumber));
    }
    if (f.descriptionPattern) {
        sql_ += " AND P.DSSITCREBANC_BUSCA LIKE ? ESCAPE '\\'";
        params_.push_back(std::string_view(*f.descriptionPattern));
    }
}

void OrderWhere::codes(const char* head, const std::optional<std::string>& list) {
    if (!list)
        return;
    sql_ += head + inList(list->size()) + ")";
    for (const char& c : *list)
        params_.push_back(std::string_view(&c, 1));
}

}  // namespace confcred::server::methods
