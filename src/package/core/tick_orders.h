// Ticking the listed orders that a bank file matched, in one pass over the
// list: the bank return and the statement reconciliation tick the same way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::package {

struct TickedOrders {
    size_t ticked = 0;  // listed orders among the wanted (some may have been ticked)
    std::vector<std::string> unlisted;  // wanted numbers the list does not show, in their order
};

// `wanted`: order numbers, each once, in the order the file names them.
// Ticks every listed order among them, leaving every other tick as it was,
// and makes the first of them (in list order) current.
TickedOrders tickListedOrders(dataset::RecordSet& orders,
                              const std::vector<std::string_view>& wanted);

}  // namespace confcred::package
