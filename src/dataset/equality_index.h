#pragma once
// Rows of a text column grouped by value, so that `FIELD = 'x'` finds its rows
// without reading the others. Built in one pass; posts keep it current.
//
// Layout: the rows of each value as they were at build time lie together in one
// array (value v owns rows_[start_[v] .. start_[v+1])); valueOf_ says which value
// each row holds now. A row a post moved to another value stays in its old
// range (skipped there, since valueOf_ no longer names that value) and is listed
// in the new value's short list of later additions. Four bytes per row, plus the
// distinct texts once.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dataset/column.h"

namespace confcred::dataset {

class EqualityIndex {
  public:
    // A null text is indexed as "" (filters read it so).
    void build(const Column& column);

    // Appends the rows holding `text`, in no particular order.
    void collect(std::string_view text, std::vector<uint32_t>& out) const;
    // At least the number of rows holding `text`; cheap, for picking the
    // smallest of several candidate look-ups.
    size_t sizeBound(std::string_view text) const;

    // Row `row` now holds `text`; row == rowCount() adds a new row.
    void update(uint32_t row, std::string_view text);

    size_t rowCount() const { return valueOf_.size(); }
    size_t memoryBytes() const;

  private:
    static constexpr uint32_t kNone = UINT32_MAX;
    struct Key {
        uint32_t offset;
        uint32_t length;
    };

    uint32_t find(std::string_view text, uint32_t hash) const;
    uint32_t findOrAdd(std::string_view text);
    void growTable();
    std::string_view keyOf(uint32_t id) const;
    bool inBuiltRange(uint32_t id, uint32_t row) const;
    static uint32_t hashOf(std::string_view text);

    std::string keyText_;           // distinct values, back to back
    std::vector<Key> keys_;         // per value id
    std::vector<uint32_t> hashes_;  // per value id
    std::vector<uint32_t> table_;   // open addressing: value id + 1, 0 when free
    std::vector<uint32_t> valueOf_;
    std::vector<uint32_t> start_;  // per value id known at build time, plus one
    std::vector<uint32_t> rows_;
    std::unordered_map<uint32_t, std::vector<uint32_t>> added_;  // value id -> rows added later
};

}  // namespace confcred::dataset
