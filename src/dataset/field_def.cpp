#include "dataset/field_def.h"

namespace confcred::dataset {

std::string_view fieldTypeName(FieldType type) {
    switch (type) {
        case FieldType::FixedString:
            return "fixedstring";
        case FieldType::String:
            return "string";
        case FieldType::Double:
            return "double";
        case FieldType::DateTime:
            return "datetime";
        case FieldType::Integer:
            return "integer";
        case FieldType::Memo:
            return "memo";
    }
    return "string";
}

std::optional<FieldType> fieldTypeFromName(std::string_view name) {
    for (FieldType t : {FieldType::FixedString, FieldType::String, FieldType::Double,
                        FieldType::DateTime, FieldType::Integer, FieldType::Memo}) {
        if (fieldTypeName(t) == name)
            return t;
    }
    return std::nullopt;
}

bool sameFieldName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

size_t utf8Length(std::string_view text) {
    size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

}  // namespace confcred::dataset
