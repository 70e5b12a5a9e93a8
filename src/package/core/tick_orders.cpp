#include "package/core/tick_orders.h"

#include <unordered_map>

#include "dataset/record_set.h"

namespace confcred::package {

TickedOrders tickListedOrders(dataset::RecordSet& orders,
                              const std::vector<std::string_view>& wanted) {
    TickedOrders result;
    std::unordered_map<std::string_view, bool> listed;  // number -> found in the list
    for (std::string_view number : wanted)
        listed.emplace(number, false);
    if (orders.active() && !orders.isEmpty() && !listed.empty()) {
        dataset::Field& number = orders.fieldByName("NRPEDCRECONS");
        dataset::Field& check = orders.fieldByName("IDCHECK");
        const size_t start = orders.recNo();
        size_t first = 0;
        orders.first();
        while (!orders.eof()) {
            const auto found = listed.find(number.asString());
            if (found != listed.end()) {
                found->second = true;
                ++result.ticked;
                if (first == 0)
                    first = orders.recNo();
                if (check.asString() != "S") {
                    orders.edit();
                    check.setAsString("S");
                    orders.post();
                }
            }
            orders.next();
        }
        orders.setRecNo(first != 0 ? first : start);
    }
    for (std::string_view number : wanted)
        if (!listed[number])
            result.unlisted.emplace_back(number);
    return result;
}

}  // namespace confcred::package
