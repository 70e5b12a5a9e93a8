#pragma once
// Packets written as text tables, for the record-set tests.

#include <charconv>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dataset/data_packet.h"
#include "platform/datetime.h"

namespace confcred::dataset::testing {

using Cell = std::optional<std::string>;  // nullopt = null
using Rows = std::vector<std::vector<Cell>>;

// Numbers in C form ("-3.5"), date-times in ISO form.
inline void appendCell(Column& c, FieldType type, const Cell& cell) {
    if (!cell) {
        c.appendNull();
        return;
    }
    const std::string& s = *cell;
    switch (type) {
        case FieldType::Double: {
            double v = 0;
            std::from_chars(s.data(), s.data() + s.size(), v);
            c.appendDouble(v);
            break;
        }
        case FieldType::Integer: {
            int64_t v = 0;
            std::from_chars(s.data(), s.data() + s.size(), v);
            c.appendInteger(v);
            break;
        }
        case FieldType::DateTime: {
            auto d = platform::DateTime::parseIso(s);
            if (!d)
                throw std::invalid_argument("bad test date " + s);
            c.appendDateTime(*d);
            break;
        }
        default:
            c.appendText(s);
    }
}

inline DataPacket makePacket(const std::vector<FieldDef>& defs, const Rows& rows) {
    DataPacket p(defs);
    for (const auto& row : rows) {
        if (row.size() != defs.size())
            throw std::invalid_argument("row width");
        for (size_t f = 0; f < defs.size(); ++f)
            appendCell(p.column(f), defs[f].type, row[f]);
    }
    return p;
}

}  // namespace confcred::dataset::testing

#include <memory>

#include "dataset/record_set.h"

namespace confcred::dataset::testing {

// Records every event a record set reports; lets go of the set when either dies.
struct EventLog : RecordSetObserver {
    std::vector<RecordSetEvent> events;
    RecordSet* set = nullptr;
    EventLog() = default;
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;
    ~EventLog() override {
        if (set != nullptr)
            set->removeObserver(this);
    }
    void attach(RecordSet& s) {
        set = &s;
        s.addObserver(this);
    }
    void recordSetChanged(RecordSet&, RecordSetEvent e) override { events.push_back(e); }
    void recordSetDestroyed(RecordSet&) override { set = nullptr; }
    size_t count(RecordSetEvent e) const {
        size_t n = 0;
        for (RecordSetEvent x : events)
            n += x == e;
        return n;
    }
};

// The order list the screens use, cut down to five fields.
inline const std::vector<FieldDef>& orderDefs() {
    static const std::vector<FieldDef> defs = {
        {"NRPEDCRECONS", FieldType::String, 10}, {"NOME", FieldType::String, 20},
        {"VALOR", FieldType::Double, 0},         {"DTCRED", FieldType::DateTime, 0},
        {"IDCHECK", FieldType::FixedString, 1},
    };
    return defs;
}

inline void declareOrders(RecordSet& s) {
    for (const FieldDef& d : orderDefs())
        s.addField(d);
    s.fieldByName("IDCHECK").setDefaultExpression("N");
}

// Values of one field down the view, read from the columns.
inline std::vector<std::string> viewTexts(const RecordSet& s, size_t field) {
    std::vector<std::string> out;
    for (size_t i = 0; i < s.recordCount(); ++i) {
        out.emplace_back(s.column(field).textAt(s.storageRowAt(i)));
    }
    return out;
}

}  // namespace confcred::dataset::testing
