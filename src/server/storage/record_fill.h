// Filling the packet of a record (dataset/records.h) from the rows of one
// statement, field by field by name, so that the order of a SELECT and the
// order of a record never have to agree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/data_packet.h"
#include "server/storage/database.h"
#include "server/storage/stored_values.h"

namespace confcred::server::storage {

// A field of the record that no column of the statement holds.
struct DerivedField {
    std::string_view field;
    std::string_view constant;  // the same text on every row, or
    std::string (*combine)(std::string_view, std::string_view) = nullptr;  // of two columns
    std::string_view first, second;

    static DerivedField fixed(std::string_view field, std::string_view text) {
        return {field, text, nullptr, {}, {}};
    }
    static DerivedField combined(std::string_view field,
                                 std::string (*combine)(std::string_view, std::string_view),
                                 std::string_view first, std::string_view second) {
        return {field, {}, combine, first, second};
    }
};

// Each field of the packet takes the result column of its own name (without
// regard to case), read as the field's type: a text as text, a DateTime as a
// stored date-time, an Integer as an integer, a Double as a number or, when
// no column has its name, the `<name>_CENT` column in whole centavos. The
// columns are matched once, on the first row; a field without a source, or
// a column that feeds no field, is a fault of the statement and throws
// std::logic_error there, before any value lands in a wrong field.
class RecordFill {
  public:
    explicit RecordFill(dataset::DataPacket& packet, std::vector<DerivedField> derived = {})
        : packet_(packet), derived_(std::move(derived)) {}
    // The steps point into the object.
    RecordFill(const RecordFill&) = delete;
    RecordFill& operator=(const RecordFill&) = delete;

    void operator()(const Row& row) {
        if (!resolved_)
            resolve(row);
        for (const Step& s : steps_) {
            if (s.nullable && row.isNull(s.column)) {
                s.target->appendNull();
                continue;
            }
            switch (s.kind) {
                case Kind::Text:
                    s.target->appendText(row.text(s.column));
                    break;
                case Kind::StoredDateTime:
                    if (auto when = parseStoredDateTime(row.text(s.column)))
                        s.target->appendDateTime(*when);
                    else
                        s.target->appendNull();
                    break;
                case Kind::Cents:  // the _CENT columns are NOT NULL
                    s.target->appendDouble(fromCents(row.integer(s.column)));
                    break;
                case Kind::Real:
                    s.target->appendDouble(row.real(s.column));
                    break;
                case Kind::Integer:
                    s.target->appendInteger(row.integer(s.column));
                    break;
                case Kind::Constant:
                    s.target->appendText(s.derived->constant);
                    break;
                case Kind::Combined:
                    s.target->appendText(
                        s.derived->combine(row.text(s.column), row.text(s.second)));
                    break;
            }
        }
    }

  private:
    enum class Kind { Text, StoredDateTime, Cents, Real, Integer, Constant, Combined };
    struct Step {
        Kind kind;
        int column = -1;
        int second = -1;
        dataset::Column* target = nullptr;
        const DerivedField* derived = nullptr;
        bool nullable = false;  // a null column gives a null value
    };

    void resolve(const Row& row);

    dataset::DataPacket& packet_;
    std::vector<DerivedField> derived_;
    std::vector<Step> steps_;
    bool resolved_ = false;
};

}  // namespace confcred::server::storage
