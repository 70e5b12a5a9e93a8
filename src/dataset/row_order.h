#pragma once
// The full ordering of a record set's rows: by the key fields, ascending and
// stable, ties in natural order (rows as loaded, records inserted where they
// were inserted). Keeps the rank of every row (its position in the ordering),
// so that a subset of rows is put in order by sorting on ranks.
//
// With no key fields and no inserted records the ordering is the storage order
// and nothing is stored for it.

#include <cstdint>
#include <vector>

#include "dataset/column.h"

namespace confcred::dataset {

class RowOrder {
  public:
    static constexpr uint32_t kNoRow = UINT32_MAX;

    // Natural order = storage order of `rows` rows; sorts by the current keys.
    void reset(size_t rows, const std::vector<Column>& columns);
    // New key fields (indexes into `columns`); re-sorts.
    void setKeys(std::vector<size_t> keys, const std::vector<Column>& columns);
    const std::vector<size_t>& keys() const { return keys_; }

    size_t size() const { return n_; }
    uint32_t rowAt(size_t pos) const {
        return order_.empty() ? static_cast<uint32_t>(pos) : order_[slot(pos)];
    }
    uint32_t rankOf(uint32_t row) const {
        if (rank_.empty())
            return row;
        const uint32_t r = rank_[row];
        return r < n_ && order_[slot(r)] == row ? r : staleRank(row);
    }

    // Adds storage row size() (already in the columns). Without keys it takes
    // the natural place before `before` (kNoRow: at the end); with keys it goes
    // after its equals, and to the end of the natural order.
    void addRow(const std::vector<Column>& columns, uint32_t before);
    // The key values of `row` may have changed: re-places just that row.
    void replace(const std::vector<Column>& columns, uint32_t row);

    // Storage rows in natural order; empty when that is the storage order.
    std::vector<uint32_t> naturalOrder() const;

    // Orders two rows by key values only (<0, 0, >0).
    int compareKeys(const std::vector<Column>& columns, uint32_t a, uint32_t b) const;

    size_t memoryBytes() const;

  private:
    // order_ keeps a gap of unused entries at gapAt_: a run of inserts at one
    // place (a packet built record by record, each before the last) then costs
    // no shift of the rows after it; moving the gap costs the distance moved.
    size_t slot(size_t pos) const { return pos < gapAt_ ? pos : pos + gapLen_; }
    void moveGapTo(size_t pos);
    void insertAt(size_t pos, uint32_t row);
    void eraseAt(size_t pos);
    size_t lowerBound(const std::vector<Column>& columns, uint32_t row) const;
    void closeGap();

    uint32_t naturalRank(uint32_t row) const;
    bool before(const std::vector<Column>& columns, uint32_t a, uint32_t b) const;
    void sort(const std::vector<Column>& columns);
    void materialize();
    void renumber(size_t from, size_t to);  // rank_ of positions [from, to]
    void refreshRanks() const;
    uint32_t staleRank(uint32_t row) const;

    size_t n_ = 0;
    std::vector<size_t> keys_;
    std::vector<uint32_t> order_;  // storage row at each position (and the gap); empty = identity
    size_t gapAt_ = 0;
    size_t gapLen_ = 0;
    // Position of each storage row; empty = identity. Inserting a row shifts the
    // positions after it; their ranks are brought up to date on the first read
    // that needs one, so that a run of inserts (a packet built record by record,
    // each before the last) does not renumber every row at every insert.
    mutable std::vector<uint32_t> rank_;
    mutable size_t ranked_ = 0;      // ranks of positions below this are current
    std::vector<uint32_t> natural_;  // with keys: natural rank of each row; empty = identity
};

}  // namespace confcred::dataset
