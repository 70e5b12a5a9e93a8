// The operator's tick marks and current order, held by order number across a
// reload of the order list. A batch operation that fails or is refused gives
// them back after its reload: on a busy day the operator may have ticked
// hundreds of orders, and the operation changed none of them.
#pragma once

#include <optional>
#include <string>
#include <unordered_set>

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::package {

struct KeptMarks {
    std::unordered_set<std::string> ticked;  // NRPEDCRECONS of the orders ticked "S"
    std::optional<std::string> current;      // NRPEDCRECONS of the current order
};

// Reads the marks of the order list without moving its cursor; nothing from
// a list that is empty or was never loaded.
KeptMarks keepMarks(dataset::RecordSet& orders);

// Ticks again every listed order whose number was kept ticked and makes the
// kept current order current again when it is still listed; other orders
// keep the marks the list has. Orders kept but no longer listed are passed
// over.
void restoreMarks(dataset::RecordSet& orders, const KeptMarks& kept);

}  // namespace confcred::package
