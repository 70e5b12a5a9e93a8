#include "dataset/column.h"

#include <bit>
#include <cstring>
#include <stdexcept>

namespace confcred::dataset {
namespace {

void requireType(bool ok, const char* what) {
    if (!ok)
        Column::typeMismatch(what);
}

}  // namespace

Column::Column(FieldType type) : type_(type) {}

void Column::typeMismatch(const char* what) {
    throw std::logic_error(std::string("column of another type: ") + what);
}

size_t Column::size() const {
    return isText() ? slots_.size() : numbers_.size();
}

void Column::reserve(size_t rows, size_t textBytes) {
    if (isText()) {
        slots_.reserve(rows);
        arena_.reserve(textBytes);
    } else {
        numbers_.reserve(rows);
        nulls_.reserve(rows);
    }
}

void Column::clear() {
    arena_.clear();
    shared_.reset();
    slots_.clear();
    wasted_ = 0;
    numbers_.clear();
    nulls_.clear();
}

uint32_t Column::storeText(std::string_view text) {
    if (text.size() > kOffsetMask || arena_.size() + text.size() > kOffsetMask) {
        throw std::length_error("column text storage exceeds 2 GiB");
    }
    const auto offset = static_cast<uint32_t>(arena_.size());
    arena_.append(text);
    return offset;
}

void Column::shareText(std::shared_ptr<const std::string> source) {
    requireType(isText(), "shareText");
    if (source && source->size() > kOffsetMask) {
        throw std::length_error("shared column text exceeds 2 GiB");
    }
    shared_ = std::move(source);
}

void Column::appendOwnText(std::string_view text) {
    requireType(isText(), "appendText");
    const uint32_t offset = storeText(text);
    slots_.push_back(Slot{offset, static_cast<uint32_t>(text.size())});
}

bool Column::isNull(size_t row) const {
    return isText() ? slots_[row].length == kNullLength : static_cast<bool>(nulls_[row]);
}

std::string_view Column::textAt(size_t row) const {
    const Slot s = slots_[row];
    if (s.length == kNullLength)
        return {};
    const char* base = (s.offset & kSharedBit) != 0 ? shared_->data() : arena_.data();
    return std::string_view(base + (s.offset & kOffsetMask), s.length);
}

double Column::doubleAt(size_t row) const {
    return std::bit_cast<double>(numbers_[row]);
}

platform::DateTime Column::dateTimeAt(size_t row) const {
    return platform::DateTime::fromMsSinceEpoch(numbers_[row]);
}

int64_t Column::integerAt(size_t row) const {
    return numbers_[row];
}

void Column::setNull(size_t row) {
    if (isText()) {
        Slot& s = slots_[row];
        if (s.length != kNullLength && (s.offset & kSharedBit) == 0)
            wasted_ += s.length;
        s = Slot{0, kNullLength};
    } else {
        numbers_[row] = 0;
        nulls_[row] = true;
    }
}

void Column::setText(size_t row, std::string_view text) {
    requireType(isText(), "setText");
    Slot& s = slots_[row];
    const bool own = (s.offset & kSharedBit) == 0;
    if (s.length != kNullLength && own && text.size() <= s.length) {
        // Overwrite in place; the tail of the old text becomes waste.
        std::memmove(arena_.data() + s.offset, text.data(), text.size());
        wasted_ += s.length - text.size();
        s.length = static_cast<uint32_t>(text.size());
        return;
    }
    if (s.length != kNullLength && own)
        wasted_ += s.length;
    const uint32_t offset = storeText(text);
    slots_[row] = Slot{offset, static_cast<uint32_t>(text.size())};
    compactIfWasteful();
}

void Column::setDouble(size_t row, double value) {
    requireType(type_ == FieldType::Double, "setDouble");
    numbers_[row] = std::bit_cast<int64_t>(value);
    nulls_[row] = false;
}

void Column::setDateTime(size_t row, platform::DateTime value) {
    requireType(type_ == FieldType::DateTime, "setDateTime");
    numbers_[row] = value.msSinceEpoch();
    nulls_[row] = false;
}

void Column::setInteger(size_t row, int64_t value) {
    requireType(type_ == FieldType::Integer, "setInteger");
    numbers_[row] = value;
    nulls_[row] = false;
}

void Column::appendFrom(const Column& other, size_t from) {
    requireType(other.isText() == isText() && (isText() || other.type_ == type_), "appendFrom");
    if (other.isNull(from)) {
        appendNull();
    } else if (isText()) {
        appendText(other.textAt(from));
    } else {
        numbers_.push_back(other.numbers_[from]);
        nulls_.push_back(false);
    }
}

void Column::compactIfWasteful() {
    // Rewriting the arena costs one pass; do it only when most of it is waste.
    if (wasted_ < 4096 || wasted_ * 2 < arena_.size())
        return;
    std::string fresh;
    fresh.reserve(arena_.size() - wasted_);
    for (Slot& s : slots_) {
        if (s.length == kNullLength || (s.offset & kSharedBit) != 0)
            continue;
        const auto offset = static_cast<uint32_t>(fresh.size());
        fresh.append(arena_, s.offset, s.length);
        s.offset = offset;
    }
    arena_.swap(fresh);
    wasted_ = 0;
}

size_t Column::memoryBytes() const {
    return arena_.capacity() + slots_.capacity() * sizeof(Slot) +
           numbers_.capacity() * sizeof(int64_t) + nulls_.capacity() / 8;
}

}  // namespace confcred::dataset
