#pragma once
// One record of a return file, read by column as the bank layouts number them
// (1-based, widths in characters). The text is one byte per character
// (Windows-1252), so a column is a byte offset; what leaves here is UTF-8.
// Every failed read throws ReturnFileError naming this line and the column.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/datetime.h"

namespace confcred::bankreturn::detail {

class FixedLine {
  public:
    FixedLine(int number, std::string_view text)
        : number_(number), received_(static_cast<int>(text.size())), text_(text) {}

    int number() const { return number_; }
    int length() const { return static_cast<int>(text_.size()); }
    // The record brought to its layout's length: the same characters, cut of
    // trailing blanks or padded with blanks the transfer lost.
    void refit(std::string_view text) { text_ = text; }

    // The characters from column to column + width - 1, as they stand.
    std::string_view raw(int column, int width) const;
    char at(int column) const { return raw(column, 1).front(); }
    // The field with blanks around it removed, in UTF-8.
    std::string text(int column, int width) const;

    // An unsigned number written in digits only (an amount in cents, a count).
    int64_t number(int column, int width, std::string_view field) const;
    // The same, but all blanks is none: for a field some banks leave blank.
    std::optional<int64_t> numberOrBlank(int column, int width, std::string_view field) const;
    // DDMMAA (years 70-99 are 19xx), DDMMAAAA and AAAAMMDD; all zeros or all
    // blanks is no date.
    enum class DateForm { DdMmYy, DdMmYyyy, YyyyMmDd };
    std::optional<platform::DateTime> date(int column, DateForm form, std::string_view field) const;
    std::optional<platform::DateTime> dateDdMmYy(int column, std::string_view field) const {
        return date(column, DateForm::DdMmYy, field);
    }
    std::optional<platform::DateTime> dateDdMmYyyy(int column, std::string_view field) const {
        return date(column, DateForm::DdMmYyyy, field);
    }

    [[noreturn]] void fail(int column, const std::string& message) const;
    // A short piece of the field in quotes, for a message.
    std::string quote(int column, int width) const;

  private:
    // Refuses a field that is not what it should be; says so when the record
    // as received ended inside it (a field cut short, not blanks lost).
    [[noreturn]] void refuse(int column, int width, const std::string& message) const;

    int number_;
    int received_;  // the record's length as the file gave it
    std::string_view text_;
};

}  // namespace confcred::bankreturn::detail
