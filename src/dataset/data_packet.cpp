#include "dataset/data_packet.h"

namespace confcred::dataset {

DataPacket::DataPacket(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
    columns_.reserve(fields_.size());
    for (const FieldDef& f : fields_)
        columns_.emplace_back(f.type);
}

int DataPacket::fieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields_.size(); ++i) {
        if (sameFieldName(fields_[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

size_t DataPacket::rawValueBytes() const {
    size_t total = 0;
    for (const Column& c : columns_) {
        for (size_t r = 0; r < c.size(); ++r) {
            if (c.isNull(r))
                continue;
            total += c.isText() ? c.textAt(r).size() : 8;
        }
    }
    return total;
}

}  // namespace confcred::dataset
