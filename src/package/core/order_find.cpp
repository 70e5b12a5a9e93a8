#include "package/core/order_find.h"

#include <algorithm>
#include <vector>

#include "dataset/record_set.h"
#include "host/core/text_routines.h"

namespace confcred::package {

namespace {

// Looked up whole: numbers as stored (an order number typed without its
// leading zeros finds it too).
constexpr const char* kExactFields[] = {"NRPEDCRECONS", "NRBOLETO"};
// Searched for a part, ignoring case.
constexpr const char* kNameFields[] = {"NMCONSUMIDOR", "NMRESPCONS"};
constexpr int kNumberWidth = 20;

std::vector<size_t> matches(dataset::RecordSet& orders, const QString& text) {
    std::vector<size_t> found;
    const QString padded = host::core::Ajusta(text, kNumberWidth);
    for (const char* field : kExactFields) {
        for (const QString& key : {text, padded}) {
            const std::vector<size_t> at = orders.locateAll(field, key.toStdString());
            found.insert(found.end(), at.begin(), at.end());
        }
    }
    std::vector<size_t> names;
    for (const char* field : kNameFields) {
        const size_t column = orders.fieldByName(field).index();
        for (size_t pos = 0; pos < orders.recordCount(); ++pos) {
            if (QString::fromStdString(orders.displayTextAt(pos, column))
                    .contains(text, Qt::CaseInsensitive))
                found.push_back(pos + 1);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

}  // namespace

std::optional<size_t> nextOrderMatch(dataset::RecordSet& orders, const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty() || !orders.active() || orders.isEmpty())
        return std::nullopt;
    const std::vector<size_t> found = matches(orders, wanted);
    if (found.empty())
        return std::nullopt;
    const auto after = std::upper_bound(found.begin(), found.end(), orders.recNo());
    return after != found.end() ? *after : found.front();
}

}  // namespace confcred::package
