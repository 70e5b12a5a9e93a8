// The WHERE clause the eight filter arguments make over PEDCREDCONS P, shared
// by the order and family lists and by the plan test, which asks the
// backends how they run the very statements the lists send.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server/methods/filter_args.h"
#include "server/storage/database.h"

namespace confcred::server::methods {

class OrderWhere {
  public:
    explicit OrderWhere(const OrderFilter& f);

    // The values point into the object and the filter: neither copied nor moved.
    OrderWhere(const OrderWhere&) = delete;
    OrderWhere& operator=(const OrderWhere&) = delete;

    const std::string& sql() const { return sql_; }
    storage::SqlParams params() const { return params_; }

  private:
    void codes(const char* head, const std::optional<std::string>& list);

    std::string from_, to_;
    std::string sql_;
    std::vector<storage::SqlValue> params_;
};

}  // namespace confcred::server::methods
