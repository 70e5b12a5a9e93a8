#pragma once
// Column storage of a record set or data packet: one column per field, rows by
// position. Texts of a column live in one arena with a (offset, length) slot per
// row, so 100,000 rows cost a few allocations and eight bytes of overhead each.
// A column may also point its slots into a shared, read-only text (the packet
// as it arrived): a loaded list then stores each received text once, where it
// already is, and only edited values go to the column's own arena.

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/field_def.h"
#include "platform/datetime.h"

namespace confcred::dataset {

class Column {
  public:
    explicit Column(FieldType type = FieldType::String);

    FieldType type() const { return type_; }
    bool isText() const { return isTextType(type_); }
    size_t size() const;

    void reserve(size_t rows, size_t textBytes = 0);
    void clear();

    void appendNull();
    void appendText(std::string_view text);         // text columns only
    void appendDouble(double value);                // Double only
    void appendDateTime(platform::DateTime value);  // DateTime only
    void appendInteger(int64_t value);              // Integer only

    bool isNull(size_t row) const;
    // Values of the column's own type; a null reads as "" / 0 / epoch.
    std::string_view textAt(size_t row) const;
    double doubleAt(size_t row) const;
    platform::DateTime dateTimeAt(size_t row) const;
    int64_t integerAt(size_t row) const;

    void setNull(size_t row);
    void setText(size_t row, std::string_view text);
    void setDouble(size_t row, double value);
    void setDateTime(size_t row, platform::DateTime value);
    void setInteger(size_t row, int64_t value);

    // Texts appended from inside `source` are kept there instead of being
    // copied (text columns only; the column shares ownership of `source`).
    void shareText(std::shared_ptr<const std::string> source);
    const std::shared_ptr<const std::string>& sharedText() const { return shared_; }

    // Copies row `from` of `other` (same type) to the end of this column.
    void appendFrom(const Column& other, size_t from);

    // Bytes held by the column itself (arena, slots, numbers and null marks);
    // a shared text is not counted here, since several columns hold it.
    size_t memoryBytes() const;

    // Throws std::logic_error: a value of another type was given to the column.
    [[noreturn, gnu::cold]] static void typeMismatch(const char* what);

  private:
    struct Slot {
        uint32_t offset;  // kSharedBit set: into the shared text, else into the arena
        uint32_t length;  // kNullLength for null
    };
    static constexpr uint32_t kNullLength = UINT32_MAX;
    static constexpr uint32_t kSharedBit = 0x8000'0000u;
    static constexpr uint32_t kOffsetMask = 0x7FFF'FFFFu;

    uint32_t storeText(std::string_view text);
    void appendOwnText(std::string_view text);
    void compactIfWasteful();

    FieldType type_;
    // text columns
    std::string arena_;
    std::shared_ptr<const std::string> shared_;
    std::vector<Slot> slots_;
    size_t wasted_ = 0;
    // number columns (double bit pattern, date-time milliseconds, integer)
    std::vector<int64_t> numbers_;
    std::vector<bool> nulls_;
};

// The appends run for every value of a received packet: they are inline.

inline void Column::appendNull() {
    if (isText()) {
        slots_.push_back(Slot{0, kNullLength});
    } else {
        numbers_.push_back(0);
        nulls_.push_back(true);
    }
}

inline void Column::appendText(std::string_view text) {
    // Only a text column shares a text, so the type needs no check here.
    if (shared_) {
        const char* begin = shared_->data();
        if (text.data() >= begin && text.data() + text.size() <= begin + shared_->size()) {
            const auto offset = static_cast<uint32_t>(text.data() - begin);
            slots_.push_back(Slot{offset | kSharedBit, static_cast<uint32_t>(text.size())});
            return;
        }
    }
    appendOwnText(text);
}

inline void Column::appendDouble(double value) {
    if (type_ != FieldType::Double)
        typeMismatch("appendDouble");
    numbers_.push_back(std::bit_cast<int64_t>(value));
    nulls_.push_back(false);
}

inline void Column::appendDateTime(platform::DateTime value) {
    if (type_ != FieldType::DateTime)
        typeMismatch("appendDateTime");
    numbers_.push_back(value.msSinceEpoch());
    nulls_.push_back(false);
}

inline void Column::appendInteger(int64_t value) {
    if (type_ != FieldType::Integer)
        typeMismatch("appendInteger");
    numbers_.push_back(value);
    nulls_.push_back(false);
}

}  // namespace confcred::dataset
