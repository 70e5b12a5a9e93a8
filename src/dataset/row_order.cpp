#include "dataset/row_order.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "platform/assert.h"

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

// Whether `order` (without a gap) holds each of the rows 0 .. n-1 once.
bool isPermutation(const std::vector<uint32_t>& order, size_t n) {
    if (order.size() != n)
        return false;
    std::vector<bool> seen(n);
    for (const uint32_t row : order) {
        if (row >= n || seen[row])
            return false;
        seen[row] = true;
    }
    return true;
}

}  // namespace

void RowOrder::reset(size_t rows, const std::vector<Column>& columns) {
    n_ = rows;
    order_.clear();
    order_.shrink_to_fit();
    gapAt_ = gapLen_ = 0;
    rank_.clear();
    rank_.shrink_to_fit();
    natural_.clear();
    natural_.shrink_to_fit();
    sort(columns);
}

void RowOrder::setKeys(std::vector<size_t> keys, const std::vector<Column>& columns) {
    CONFCRED_ASSERT(
        std::all_of(keys.begin(), keys.end(), [&columns](size_t k) { return k < columns.size(); }));
    if (keys_.empty() && !keys.empty() && !rank_.empty()) {
        refreshRanks();
        natural_ = rank_;  // the ordering so far was the natural order
    }
    if (!keys_.empty() && keys.empty() && !natural_.empty()) {
        order_.assign(n_, 0);
        gapAt_ = gapLen_ = 0;
        for (uint32_t r = 0; r < n_; ++r)
            order_[natural_[r]] = r;
        rank_ = std::move(natural_);
        ranked_ = n_;
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
            gapAt_ = gapLen_ = 0;
        }
        return;
    }
    // Sort the natural sequence stably: ties keep their natural order.
    order_.assign(n_, 0);
    gapAt_ = gapLen_ = 0;
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
    ranked_ = n_;
    CONFCRED_ASSERT_MSG(isPermutation(order_, n_), "the ordering lost or repeated a row");
}

void RowOrder::renumber(size_t from, size_t to) {
    if (n_ == 0)
        return;
    for (size_t i = from; i <= to && i < n_; ++i)
        rank_[order_[slot(i)]] = static_cast<uint32_t>(i);
}

void RowOrder::refreshRanks() const {
    for (size_t i = ranked_; i < n_; ++i)
        rank_[order_[slot(i)]] = static_cast<uint32_t>(i);
    ranked_ = n_;
}

uint32_t RowOrder::staleRank(uint32_t row) const {
    refreshRanks();
    CONFCRED_ASSERT_MSG(rank_[row] < n_ && order_[slot(rank_[row])] == row,
                        "a refreshed rank does not point back at its row");
    return rank_[row];
}

void RowOrder::materialize() {
    if (!order_.empty() || n_ == 0)
        return;
    order_.resize(n_);
    std::iota(order_.begin(), order_.end(), 0u);
    gapAt_ = gapLen_ = 0;
    rank_ = order_;
    ranked_ = n_;
}

void RowOrder::closeGap() {
    moveGapTo(n_);
    order_.resize(n_);
    gapLen_ = 0;
}

void RowOrder::moveGapTo(size_t pos) {
    if (gapLen_ == 0) {
        gapAt_ = pos;
        return;
    }
    uint32_t* data = order_.data();
    if (pos < gapAt_) {
        // Entries [pos, gapAt_) move up behind the gap.
        std::memmove(data + pos + gapLen_, data + pos, (gapAt_ - pos) * sizeof(uint32_t));
    } else if (pos > gapAt_) {
        // Entries that follow the gap, up to pos, move down in front of it.
        std::memmove(data + gapAt_, data + gapAt_ + gapLen_, (pos - gapAt_) * sizeof(uint32_t));
    }
    gapAt_ = pos;
}

void RowOrder::insertAt(size_t pos, uint32_t row) {
    CONFCRED_ASSERT(pos <= n_);
    if (gapLen_ == 0) {
        // Open a new gap at the end, sized to the list, so that growth stays amortised.
        closeGap();
        const size_t grow = std::max<size_t>(16, n_ / 4);
        order_.resize(n_ + grow);
        gapAt_ = n_;
        gapLen_ = grow;
    }
    moveGapTo(pos);
    order_[gapAt_] = row;
    ++gapAt_;
    --gapLen_;
}

void RowOrder::eraseAt(size_t pos) {
    CONFCRED_ASSERT(pos < n_);
    moveGapTo(pos + 1);
    --gapAt_;
    ++gapLen_;
}

size_t RowOrder::lowerBound(const std::vector<Column>& columns, uint32_t row) const {
    // Positions [0, n_) sorted by before(); the first one not before `row`.
    size_t lo = 0, hi = n_;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        if (before(columns, order_[slot(mid)], row))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void RowOrder::addRow(const std::vector<Column>& columns, uint32_t beforeRow) {
    const auto row = static_cast<uint32_t>(n_);
    // The new row is in the columns already; `beforeRow` is one of the others.
    CONFCRED_ASSERT(columns.empty() || columns.front().size() == n_ + 1);
    CONFCRED_ASSERT(beforeRow == kNoRow || beforeRow < n_);
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
        pos = lowerBound(columns, row);
    }
    insertAt(pos, row);
    rank_.push_back(static_cast<uint32_t>(pos));
    ++n_;
    ranked_ = std::min(ranked_, pos);  // the rows after it moved up one place
}

void RowOrder::replace(const std::vector<Column>& columns, uint32_t row) {
    if (keys_.empty())
        return;
    CONFCRED_ASSERT(row < n_);
    const size_t p = rankOf(row);
    const bool leftOk = p == 0 || before(columns, rowAt(p - 1), row);
    const bool rightOk = p + 1 == n_ || before(columns, row, rowAt(p + 1));
    if (leftOk && rightOk)
        return;
    eraseAt(p);
    --n_;
    const size_t q = lowerBound(columns, row);
    insertAt(q, row);
    ++n_;
    renumber(std::min(p, q), std::max(p, q));
    CONFCRED_ASSERT(rankOf(row) == q);
}

std::vector<uint32_t> RowOrder::naturalOrder() const {
    if (keys_.empty()) {
        if (order_.empty())
            return {};
        std::vector<uint32_t> seq(n_);
        for (size_t i = 0; i < n_; ++i)
            seq[i] = order_[slot(i)];
        return seq;
    }
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
