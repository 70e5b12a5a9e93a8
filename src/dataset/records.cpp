#include "dataset/records.h"

#include <string>

namespace confcred::dataset::records {

std::vector<FieldDef> fieldDefs(Record record) {
    std::vector<FieldDef> out;
    out.reserve(record.size());
    for (const RecordField& f : record)
        out.push_back({std::string(f.name), f.type, f.size});
    return out;
}

}  // namespace confcred::dataset::records
