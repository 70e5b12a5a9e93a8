#pragma once
// Field descriptions shared by record sets and data packets.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace confcred::dataset {

enum class FieldType : uint8_t {
    FixedString,  // string of fixed width (blank padding is not added)
    String,       // variable string up to its width
    Double,
    DateTime,
    Integer,
    Memo,  // long text without a width
};

// Names used on the wire: "fixedstring", "string", "double", "datetime",
// "integer", "memo".
std::string_view fieldTypeName(FieldType type);
std::optional<FieldType> fieldTypeFromName(std::string_view name);

inline bool isTextType(FieldType t) {
    return t == FieldType::FixedString || t == FieldType::String || t == FieldType::Memo;
}

struct FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0;  // width in characters for the two string types; 0 otherwise

    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};

// Field names compare without regard to ASCII case, as the record sets do.
bool sameFieldName(std::string_view a, std::string_view b);

// Number of characters (UTF-8 code points) of a text; widths count characters.
size_t utf8Length(std::string_view text);

}  // namespace confcred::dataset
