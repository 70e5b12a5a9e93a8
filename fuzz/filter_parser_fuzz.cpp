// Parses arbitrary text as a record set filter over a fixed field list and,
// when it parses, applies it to a small record set. A bad text must end in a
// DataSetError, never in a crash or a hang.

#include <cstdint>
#include <string_view>

#include "dataset/filter_expr.h"
#include "dataset/record_set.h"

using namespace confcred::dataset;
using confcred::platform::DateTime;

namespace {

std::vector<FieldDef> fuzzFields() {
    return {{"NAME", FieldType::String, 30},  {"CODE", FieldType::FixedString, 3},
            {"NOTE", FieldType::Memo, 0},     {"VALUE", FieldType::Double, 0},
            {"COUNT", FieldType::Integer, 0}, {"WHEN", FieldType::DateTime, 0}};
}

DataPacket fuzzRows() {
    DataPacket p(fuzzFields());
    auto& c = p.columns();
    const char* names[] = {"João", "", "O'Brien", "Zé"};
    for (int i = 0; i < 8; ++i) {
        if (i == 5) {
            for (Column& column : c)
                column.appendNull();
            continue;
        }
        c[0].appendText(names[i % 4]);
        c[1].appendText(i % 2 ? "001" : "A");
        c[2].appendText("nota");
        c[3].appendDouble(i * 12.5 - 30);
        c[4].appendInteger(i - 3);
        c[5].appendDateTime(DateTime::fromParts(2026, 12, 1 + i, i, 0));
    }
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<FieldDef> fields = fuzzFields();
    static const DataPacket rows = fuzzRows();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    FilterExpr expr;
    try {
        expr = FilterExpr::parse(text, fields);
    } catch (const DataSetError&) {
        return 0;
    }
    size_t matching = 0;
    for (size_t r = 0; r < rows.rowCount(); ++r)
        matching += expr.matches(rows.columns(), r);

    // The record set parses the same text and must select the same rows.
    RecordSet set("fuzz");
    set.loadPacket(rows);
    set.setFilter(text);
    set.setFiltered(true);
    size_t walked = 0;
    for (set.first(); !set.eof(); set.next())
        ++walked;
    if (walked != matching || set.recordCount() != matching)
        __builtin_trap();
    return 0;
}
