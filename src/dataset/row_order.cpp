#include "dataset/row_order.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace confcred::dataset {
namespace {

// Nulls first; an empty text is a null text. NaN after every number.
int compareCell(const Column& c, uint32_t a, uint32_t b) {
    if (c.isText()) {
        const int r = c.textAt(a).compare(c.textAt(b));
        return (r > 0) - (r < 0);
    }
    const bool na = c.isNull(a);
    const bool nb = c.isNull(b);
    if (na || nb)
        return na == nb ? 0 : (na ? -1 : 1);
    if (c.type() == FieldType::Double) {
        const double x = c.doubleAt(a);
        const double y = c.doubleAt(b);
        const bool xn = std::isnan(x);
        const bool yn = std::isnan(y);
        if (xn || yn)
            return xn == yn ? 0 : (xn ? 1 : -1);
        return (x > y) - (x < y);
    }
    const int64_t x =
        c.type() == FieldType::DateTime ? c.dateTimeAt(a).msSinceEpoch() : c.integerAt(a);
    const int64_t y =
        c.type() == FieldType::DateTime ? c.dateTimeAt(b).msSinceEpoch() : c.integerAt(b);
    return (x > y) - (x < y);
}

}  // namespace

void RowOrder::reset(size_t rows, const std::vector<Column>& columns) {
    n_ = rows;
    order_.clear();
    order_.shrink_to_fit();
    rank_.clear();
    rank_.shrink_to_fit();
    natural_.clear();
    natural_.shrink_to_fit();
    sort(columns);
}

void RowOrder::setKeys(std::vector<size_t> keys, const std::vector<Column>& columns) {
    if (keys_.empty() && !keys.empty() && !rank_.empty()) {
        natural_ = rank_;  // the ordering so far was the natural order
    }
    if (!keys_.empty() && keys.empty() && !natural_.empty()) {
        order_.assign(n_, 0);
        for (uint32_t r = 0; r < n_; ++r)
            order_[natural_[r]] = r;
        rank_ = std::move(natural_);
        natural_.clear();
        keys_.clear();
        return;
    }
    keys_ = std::move(keys);
    sort(columns);
}

uint32_t RowOrder::naturalRank(uint32_t row) const {
    if (keys_.empty())
        return rankOf(row);
    return natural_.empty() ? row : natural_[row];
}

int RowOrder::compareKeys(const std::vector<Column>& columns, uint32_t a, uint32_t b) const {
    for (size_t k : keys_) {
        if (int r = compareCell(columns[k], a, b))
            return r;
    }
    return 0;
}

bool RowOrder::before(const std::vector<Column>& columns, uint32_t a, uint32_t b) const {
    const int r = compareKeys(columns, a, b);
    return r != 0 ? r < 0 : naturalRank(a) < naturalRank(b);
}

void RowOrder::sort(const std::vector<Column>& columns) {
    if (keys_.empty() || n_ == 0) {
        if (natural_.empty()) {
            order_.clear();
            rank_.clear();
        }
        return;
    }
    // Sort the natural sequence stably: ties keep their natural order.
    order_.assign(n_, 0);
    if (natural_.empty()) {
        std::iota(order_.begin(), order_.end(), 0u);
    } else {
        for (uint32_t r = 0; r < n_; ++r)
            order_[natural_[r]] = r;
    }
    const Column& first = columns[keys_.front()];
    if (keys_.size() == 1 && first.isText()) {
        // The common case, compared straight from the arena.
        std::stable_sort(order_.begin(), order_.end(), [&first](uint32_t a, uint32_t b) {
            return first.textAt(a) < first.textAt(b);
        });
    } else if (keys_.size() == 1) {
        std::stable_sort(order_.begin(), order_.end(),
                         [&first](uint32_t a, uint32_t b) { return compareCell(first, a, b) < 0; });
    } else {
        std::stable_sort(order_.begin(), order_.end(),
                         [&](uint32_t a, uint32_t b) { return compareKeys(columns, a, b) < 0; });
    }
    rank_.assign(n_, 0);
    renumber(0, n_ == 0 ? 0 : n_ - 1);
}

void RowOrder::renumber(size_t from, size_t to) {
    if (n_ == 0)
        return;
    for (size_t i = from; i <= to && i < n_; ++i)
        rank_[order_[i]] = static_cast<uint32_t>(i);
}

void RowOrder::materialize() {
    if (!order_.empty() || n_ == 0)
        return;
    order_.resize(n_);
    std::iota(order_.begin(), order_.end(), 0u);
    rank_ = order_;
}

void RowOrder::addRow(const std::vector<Column>& columns, uint32_t beforeRow) {
    const auto row = static_cast<uint32_t>(n_);
    size_t pos = 0;
    if (keys_.empty()) {
        pos = beforeRow == kNoRow ? n_ : rankOf(beforeRow);
        if (pos == n_ && order_.empty()) {
            ++n_;
            return;
        }
        materialize();
    } else {
        if (!natural_.empty())
            natural_.push_back(row);  // natural rank n_: the end
        pos = static_cast<size_t>(
            std::lower_bound(order_.begin(), order_.end(), row,
                             [&](uint32_t a, uint32_t b) { return before(columns, a, b); }) -
            order_.begin());
    }
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(pos), row);
    rank_.push_back(0);
    ++n_;
    renumber(pos, n_ - 1);
}

void RowOrder::replace(const std::vector<Column>& columns, uint32_t row) {
    if (keys_.empty())
        return;
    const size_t p = rank_[row];
    const bool leftOk = p == 0 || before(columns, order_[p - 1], row);
    const bool rightOk = p + 1 == n_ || before(columns, row, order_[p + 1]);
    if (leftOk && rightOk)
        return;
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(p));
    const auto it = std::lower_bound(order_.begin(), order_.end(), row,
                                     [&](uint32_t a, uint32_t b) { return before(columns, a, b); });
    const size_t q = static_cast<size_t>(it - order_.begin());
    order_.insert(it, row);
    renumber(std::min(p, q), std::max(p, q));
}

std::vector<uint32_t> RowOrder::naturalOrder() const {
    if (keys_.empty())
        return order_;
    if (natural_.empty())
        return {};
    std::vector<uint32_t> seq(n_);
    for (uint32_t r = 0; r < n_; ++r)
        seq[natural_[r]] = r;
    return seq;
}

size_t RowOrder::memoryBytes() const {
    return (order_.capacity() + rank_.capacity() + natural_.capacity()) * sizeof(uint32_t) +
           keys_.capacity() * sizeof(size_t);
}

}  // namespace confcred::dataset
