#include "server/storage/record_fill.h"

#include <stdexcept>

namespace confcred::server::storage {

namespace {

int columnNamed(const Row& row, std::string_view name) {
    for (int c = 0; c < row.columnCount(); ++c)
        if (dataset::sameFieldName(row.columnName(c), name))
            return c;
    return -1;
}

std::string columnList(const Row& row) {
    std::string out;
    for (int c = 0; c < row.columnCount(); ++c)
        out += (c ? ", " : "") + std::string(row.columnName(c));
    return out;
}

}  // namespace

void RecordFill::resolve(const Row& row) {
    std::vector<bool> used(static_cast<std::size_t>(row.columnCount()), false);
    const auto take = [&](std::string_view field, std::string_view name) {
        const int at = columnNamed(row, name);
        if (at < 0)
            throw std::logic_error("Field " + std::string(field) +
                                   ": the statement has no column " + std::string(name) +
                                   " (it has " + columnList(row) + ").");
        used[static_cast<std::size_t>(at)] = true;
        return at;
    };
    steps_.clear();
    steps_.reserve(packet_.fieldCount());
    for (std::size_t i = 0; i < packet_.fieldCount(); ++i) {
        const dataset::FieldDef& field = packet_.fields()[i];
        Step step{Kind::Text, -1, -1, &packet_.column(i), nullptr};
        for (const DerivedField& d : derived_)
            if (dataset::sameFieldName(d.field, field.name))
                step.derived = &d;
        if (step.derived) {
            if (step.derived->combine) {
                step.kind = Kind::Combined;
                step.column = take(field.name, step.derived->first);
                step.second = take(field.name, step.derived->second);
            } else {
                step.kind = Kind::Constant;
            }
        } else if (field.type == dataset::FieldType::Double) {
            step.kind = Kind::Real;
            if (columnNamed(row, field.name) < 0) {
                step.kind = Kind::Cents;
                step.column = take(field.name, field.name + "_CENT");
            } else {
                step.column = take(field.name, field.name);
            }
        } else {
            step.kind = field.type == dataset::FieldType::DateTime  ? Kind::StoredDateTime
                        : field.type == dataset::FieldType::Integer ? Kind::Integer
                                                                    : Kind::Text;
            step.column = take(field.name, field.name);
        }
        step.nullable =
            step.kind == Kind::Text || step.kind == Kind::Real || step.kind == Kind::Integer;
        steps_.push_back(step);
    }
    for (const DerivedField& d : derived_)
        if (packet_.fieldIndex(d.field) < 0)
            throw std::logic_error("Derived field " + std::string(d.field) +
                                   " is no field of the packet.");
    for (std::size_t c = 0; c < used.size(); ++c)
        if (!used[c])
            throw std::logic_error("Column " + std::string(row.columnName(static_cast<int>(c))) +
                                   " of the statement feeds no field of the packet.");
    resolved_ = true;
}

}  // namespace confcred::server::storage
