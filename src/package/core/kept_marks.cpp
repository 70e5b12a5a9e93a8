#include "package/core/kept_marks.h"

#include "dataset/column.h"
#include "dataset/record_set.h"

namespace confcred::package {

KeptMarks keepMarks(dataset::RecordSet& orders) {
    KeptMarks kept;
    if (!orders.active() || orders.isEmpty())
        return kept;
    const dataset::Field& number = orders.fieldByName("NRPEDCRECONS");
    const dataset::Column& numbers = orders.column(number.index());
    const dataset::Column& checks = orders.column(orders.fieldByName("IDCHECK").index());
    for (size_t row = 0; row < orders.recordCount(); ++row) {
        const size_t stored = orders.storageRowAt(row);
        if (checks.textAt(stored) == "S")
            kept.ticked.emplace(numbers.textAt(stored));
    }
    kept.current = number.asString();
    return kept;
}

void restoreMarks(dataset::RecordSet& orders, const KeptMarks& kept) {
    if (!orders.active() || orders.isEmpty() || (kept.ticked.empty() && !kept.current))
        return;
    dataset::Field& number = orders.fieldByName("NRPEDCRECONS");
    dataset::Field& check = orders.fieldByName("IDCHECK");
    const size_t start = orders.recNo();
    size_t current = 0;
    orders.first();
    while (!orders.eof()) {
        const std::string value = number.asString();
        if (kept.ticked.count(value) != 0 && check.asString() != "S") {
            orders.edit();
            check.setAsString("S");
            orders.post();
        }
        if (kept.current == value)
            current = orders.recNo();
        orders.next();
    }
    orders.setRecNo(current != 0 ? current : start);
}

}  // namespace confcred::package
