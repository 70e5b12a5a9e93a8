#include "dataset/equality_index.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "platform/assert.h"

namespace confcred::dataset {

uint32_t EqualityIndex::hashOf(std::string_view text) {
    const size_t h = std::hash<std::string_view>{}(text);
    return static_cast<uint32_t>(h ^ (h >> 32));
}

std::string_view EqualityIndex::keyOf(uint32_t id) const {
    const Key k = keys_[id];
    return std::string_view(keyText_.data() + k.offset, k.length);
}

uint32_t EqualityIndex::find(std::string_view text, uint32_t hash) const {
    if (table_.empty())
        return kNone;
    const size_t mask = table_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint32_t slot = table_[i];
        if (slot == 0)
            return kNone;
        const uint32_t id = slot - 1;
        if (hashes_[id] == hash && keyOf(id) == text)
            return id;
    }
}

void EqualityIndex::growTable() {
    const size_t size = table_.empty() ? 1024 : table_.size() * 2;
    table_.assign(size, 0);
    const size_t mask = size - 1;
    for (uint32_t id = 0; id < keys_.size(); ++id) {
        size_t i = hashes_[id] & mask;
        while (table_[i] != 0)
            i = (i + 1) & mask;
        table_[i] = id + 1;
    }
}

uint32_t EqualityIndex::findOrAdd(std::string_view text) {
    const uint32_t hash = hashOf(text);
    const uint32_t found = find(text, hash);
    if (found != kNone)
        return found;
    if ((keys_.size() + 1) * 2 > table_.size())
        growTable();
    if (keyText_.size() + text.size() > UINT32_MAX || keys_.size() + 1 >= kNone) {
        throw std::length_error("equality index exceeds 4 GiB of distinct values");
    }
    const auto id = static_cast<uint32_t>(keys_.size());
    keys_.push_back({static_cast<uint32_t>(keyText_.size()), static_cast<uint32_t>(text.size())});
    keyText_.append(text);
    hashes_.push_back(hash);
    const size_t mask = table_.size() - 1;
    size_t i = hash & mask;
    while (table_[i] != 0)
        i = (i + 1) & mask;
    table_[i] = id + 1;
    return id;
}

void EqualityIndex::build(const Column& column) {
    *this = EqualityIndex();
    const size_t n = column.size();
    valueOf_.resize(n);
    for (size_t r = 0; r < n; ++r)
        valueOf_[r] = findOrAdd(column.textAt(r));
    // Counting sort of the rows by value: each range ends up in row order.
    start_.assign(keys_.size() + 1, 0);
    for (uint32_t v : valueOf_)
        ++start_[v + 1];
    for (size_t v = 1; v < start_.size(); ++v)
        start_[v] += start_[v - 1];
    rows_.resize(n);
    std::vector<uint32_t> fill(start_.begin(), start_.end() - 1);
    for (size_t r = 0; r < n; ++r)
        rows_[fill[valueOf_[r]]++] = static_cast<uint32_t>(r);
    // Each value's range filled exactly: every row in one range.
    CONFCRED_ASSERT(std::equal(fill.begin(), fill.end(), start_.begin() + 1));
}

bool EqualityIndex::inBuiltRange(uint32_t id, uint32_t row) const {
    if (id + 1 >= start_.size())
        return false;
    auto first = rows_.begin() + start_[id];
    auto last = rows_.begin() + start_[id + 1];
    return std::binary_search(first, last, row);
}

void EqualityIndex::collect(std::string_view text, std::vector<uint32_t>& out) const {
    const uint32_t id = find(text, hashOf(text));
    if (id == kNone)
        return;
    if (id + 1 < start_.size()) {
        for (uint32_t i = start_[id]; i < start_[id + 1]; ++i) {
            if (valueOf_[rows_[i]] == id)
                out.push_back(rows_[i]);
        }
    }
    if (auto it = added_.find(id); it != added_.end()) {
        out.insert(out.end(), it->second.begin(), it->second.end());
    }
}

size_t EqualityIndex::sizeBound(std::string_view text) const {
    const uint32_t id = find(text, hashOf(text));
    if (id == kNone)
        return 0;
    size_t n = id + 1 < start_.size() ? start_[id + 1] - start_[id] : 0;
    if (auto it = added_.find(id); it != added_.end())
        n += it->second.size();
    return n;
}

void EqualityIndex::update(uint32_t row, std::string_view text) {
    const uint32_t id = findOrAdd(text);
    if (row < valueOf_.size()) {
        const uint32_t old = valueOf_[row];
        if (old == id)
            return;
        if (auto it = added_.find(old); it != added_.end()) {
            std::erase(it->second, row);
            if (it->second.empty())
                added_.erase(it);
        }
        valueOf_[row] = id;
    } else if (row == valueOf_.size()) {
        valueOf_.push_back(id);
    } else {
        throw std::logic_error("equality index: row added out of order");
    }
    // Back in the range it was built in: found there again.
    if (!inBuiltRange(id, row))
        added_[id].push_back(row);
    CONFCRED_ASSERT(valueOf_[row] == id && keyOf(id) == text);
}

size_t EqualityIndex::memoryBytes() const {
    size_t added = added_.size() * (sizeof(std::vector<uint32_t>) + 32);
    for (const auto& [id, rows] : added_)
        added += rows.capacity() * sizeof(uint32_t);
    return keyText_.capacity() + keys_.capacity() * sizeof(Key) +
           (hashes_.capacity() + table_.capacity() + valueOf_.capacity() + start_.capacity() +
            rows_.capacity()) *
               sizeof(uint32_t) +
           added;
}

}  // namespace confcred::dataset
