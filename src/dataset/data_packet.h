#pragma once
// A data packet: field descriptions plus rows, the unit that record sets load
// and give, and that travels between the screens and the application server.

#include <string_view>
#include <vector>

#include "dataset/column.h"
#include "dataset/field_def.h"

namespace confcred::dataset {

class DataPacket {
  public:
    DataPacket() = default;
    explicit DataPacket(std::vector<FieldDef> fields);

    const std::vector<FieldDef>& fields() const { return fields_; }
    size_t fieldCount() const { return fields_.size(); }
    size_t rowCount() const { return columns_.empty() ? 0 : columns_.front().size(); }
    // -1 when no field has that name (compared without regard to case).
    int fieldIndex(std::string_view name) const;

    Column& column(size_t field) { return columns_[field]; }
    const Column& column(size_t field) const { return columns_[field]; }
    std::vector<Column>& columns() { return columns_; }
    const std::vector<Column>& columns() const { return columns_; }

    // Sum of the raw sizes of the values: text bytes, eight bytes per number.
    size_t rawValueBytes() const;

  private:
    std::vector<FieldDef> fields_;
    std::vector<Column> columns_;
};

}  // namespace confcred::dataset
