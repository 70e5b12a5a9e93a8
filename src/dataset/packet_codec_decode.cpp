// Decoding the wire form of a data packet with simdjson On-Demand: values go
// straight from the parser into the packet's columns, checked on the way.

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "dataset/packet_codec.h"
#include "dataset/packet_codec_simdjson.h"

namespace confcred::dataset {
namespace {

// Whether a text of the document holds a backslash. The document is padded,
// so sixteen bytes can be read from any place inside it; texts are short, and
// a library call per text costs more than the compare.
bool holdsBackslash(std::string_view text) {
#ifdef __SSE2__
    const char* p = text.data();
    size_t n = text.size();
    const __m128i backslashes = _mm_set1_epi8('\\');
    for (;; p += 16, n -= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, backslashes)));
        if (n <= 16)
            return (mask & ((1u << n) - 1)) != 0;
        if (mask != 0)
            return true;
    }
#else
    return std::memchr(text.data(), '\\', text.size()) != nullptr;
#endif
}

// The content of a string token without escapes ("abc" and any blanks after
// it); false for anything else, which then takes the general path.
bool plainString(std::string_view token, std::string_view& text) {
    if (token.size() < 2 || token.front() != '"')
        return false;
    size_t end = token.size();
    if (token.back() != '"') {
        while (end > 1 && (token[end - 1] == ' ' || token[end - 1] == '\n' ||
                           token[end - 1] == '\r' || token[end - 1] == '\t'))
            --end;
        if (end < 2 || token[end - 1] != '"')
            return false;
    }
    text = token.substr(1, end - 2);
    return !holdsBackslash(text);
}

namespace od = simdjson::ondemand;
using simdjson::error_code;

static_assert(kPacketPadding == simdjson::SIMDJSON_PADDING);

// Rows decoded before the columns are sized from what they took of the text.
constexpr size_t kSampleRows = 256;
// A text with escapes at least this long (a whole file sent in one field) is
// unescaped straight into a string its column keeps, instead of into the
// parser's buffer and then again into the column.
constexpr size_t kOwnStringFrom = size_t{64} << 10;
// Each thread keeps a parser between calls, sized for the largest text it has
// read up to this length (about five bytes per byte of text); a longer text
// gets a parser of its own, freed afterwards.
constexpr size_t kKeepParserUpTo = size_t{32} << 20;

[[noreturn]] void fail(const std::string& what) {
    throw PacketError("data packet: " + what);
}

std::string jsonProblem(error_code e) {
    return std::string("invalid JSON (") + simdjson::error_message(e) + ")";
}

// A short piece of input text for a message, cut on a character boundary.
std::string excerpt(std::string_view text) {
    constexpr size_t kMax = 40;
    if (text.size() <= kMax)
        return std::string(text);
    size_t cut = kMax;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return std::string(text.substr(0, cut)) + "...";
}

std::string quotedText(std::string_view text) {
    std::string out(1, '"');
    out += excerpt(text);
    out += '"';
    return out;
}

std::string describe(od::value& value) {
    od::json_type type;
    if (value.type().get(type) != simdjson::SUCCESS)
        return "invalid JSON";
    switch (type) {
        case od::json_type::array:
            return "an array";
        case od::json_type::object:
            return "an object";
        case od::json_type::number:
            return "the number " + excerpt(value.raw_json_token());
        case od::json_type::string:
            return "a string";
        case od::json_type::boolean:
            return "a boolean";
        case od::json_type::null:
            return "an invalid literal";  // a real null is taken before
    }
    return "an unknown value";
}

// plainString on the value's token; a text taken so is marked as read, so
// that the iterator steps over it instead of skipping an unread value (about
// a twentieth of a 100,000-order packet's decoding).
bool readPlainString(od::value& value, std::string_view& text) {
    if (!plainString(value.raw_json_token(), text))
        return false;
    od::raw_json_string raw;
    (void)value.get_raw_json_string().get(raw);
    return true;
}

bool takeNull(od::value& value) {
    bool isNull = false;
    return value.is_null().get(isNull) == simdjson::SUCCESS && isNull;
}

// A valid ISO 8601 local date-time in one of the two wire forms.
bool parseWireDateTime(std::string_view text, platform::DateTime& out) {
    if ((text.size() != 19 && text.size() != 23) || text[10] != 'T')
        return false;
    auto value = platform::DateTime::parseIso(text);
    if (!value)
        return false;
    out = *value;
    return true;
}

class Decoder {
  public:
    Decoder(const DecodeOptions& options, const char* documentEnd, const od::parser* parser,
            std::shared_ptr<const std::string> source = nullptr)
        : options_(options),
          documentEnd_(documentEnd),
          parser_(parser),
          source_(std::move(source)) {}

    DataPacket decodeObject(od::object& object);

  private:
    std::vector<FieldDef> decodeFields(od::value value);
    FieldDef decodeField(od::value value, size_t index);
    void decodeRows(od::value value, DataPacket& packet);
    // Inlined into the row loop: it runs for every value of the packet.
    [[gnu::always_inline]] inline void decodeCell(od::value& value, Column& column, size_t row,
                                                  size_t field);
    void reserveFromSample(DataPacket& packet, const char* firstRow, const char* sampleEnd);
    [[gnu::noinline]] error_code appendLongText(od::value& value, Column& column, size_t row,
                                                size_t field);

    // Failures, kept out of the row loop.
    [[noreturn, gnu::cold, gnu::noinline]] void cellFail(error_code e, od::value& value, size_t row,
                                                         size_t field, const char* expected) const;
    [[noreturn, gnu::cold, gnu::noinline]] void rowFail(size_t row,
                                                        const std::string& problem) const;
    [[noreturn, gnu::cold, gnu::noinline]] void dateFail(std::string_view text, size_t row,
                                                         size_t field) const;
    [[gnu::noinline]] void checkWidth(std::string_view text, size_t row, size_t field) const;
    std::string cellContext(size_t row, size_t field) const {
        return "row " + std::to_string(row + 1) + ", field '" + (*fields_)[field].name + "': ";
    }

    DecodeOptions options_;
    const char* documentEnd_;
    const od::parser* parser_;  // unescapes long texts; may be null
    // The document's own text when the packet may keep it: texts without
    // escapes are then referenced where they stand instead of being copied.
    std::shared_ptr<const std::string> source_;
    const std::vector<FieldDef>* fields_ = nullptr;
    std::vector<size_t> widthLimits_;
};

DataPacket Decoder::decodeObject(od::object& object) {
    DataPacket packet;
    bool seenFields = false, seenRows = false, rowsDone = false;
    size_t ordinal = 0, rowsOrdinal = 0;
    for (auto member : object) {
        std::string_view key;
        if (auto e = member.unescaped_key().get(key))
            fail(jsonProblem(e));
        od::value value;
        if (auto e = member.value().get(value))
            fail(jsonProblem(e));
        if (key == "fields") {
            if (seenFields)
                fail("\"fields\" given twice");
            seenFields = true;
            packet = DataPacket(decodeFields(value));
            if (source_) {
                for (Column& column : packet.columns()) {
                    if (column.isText())
                        column.shareText(source_);
                }
            }
        } else if (key == "rows") {
            if (seenRows)
                fail("\"rows\" given twice");
            seenRows = true;
            rowsOrdinal = ordinal;
            if (seenFields) {
                decodeRows(value, packet);
                rowsDone = true;
            }
        } else {
            fail("unknown key " + quotedText(key) + " (a packet has \"fields\" and \"rows\")");
        }
        ++ordinal;
    }
    if (!seenFields)
        fail("missing \"fields\"");
    if (!seenRows)
        fail("missing \"rows\"");
    if (!rowsDone) {
        // "rows" came before "fields": read it now that the fields are known.
        if (auto e = object.reset().error())
            fail(jsonProblem(e));
        size_t i = 0;
        for (auto member : object) {
            if (i++ != rowsOrdinal)
                continue;
            od::value value;
            if (auto e = member.value().get(value))
                fail(jsonProblem(e));
            decodeRows(value, packet);
        }
    }
    return packet;
}

std::vector<FieldDef> Decoder::decodeFields(od::value value) {
    od::array list;
    if (auto e = value.get_array().get(list)) {
        fail(e == simdjson::INCORRECT_TYPE ? "\"fields\" must be an array" : jsonProblem(e));
    }
    std::vector<FieldDef> fields;
    std::unordered_set<std::string> names;  // upper-cased: names compare without case
    for (auto item : list) {
        od::value fieldValue;
        if (auto e = item.get(fieldValue))
            fail(jsonProblem(e));
        FieldDef def = decodeField(fieldValue, fields.size());
        std::string key = def.name;
        for (char& c : key) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        }
        if (!names.insert(std::move(key)).second) {
            fail("field " + std::to_string(fields.size() + 1) + ": name " + quotedText(def.name) +
                 " repeats an earlier field");
        }
        fields.push_back(std::move(def));
    }
    return fields;
}

FieldDef Decoder::decodeField(od::value value, size_t index) {
    const std::string where = "field " + std::to_string(index + 1) + ": ";
    od::object object;
    if (auto e = value.get_object().get(object)) {
        fail(where + (e == simdjson::INCORRECT_TYPE ? "must be an object" : jsonProblem(e)));
    }
    FieldDef def;
    bool hasName = false, hasType = false, hasSize = false;
    for (auto member : object) {
        std::string_view key;
        if (auto e = member.unescaped_key().get(key))
            fail(where + jsonProblem(e));
        od::value v;
        if (auto e = member.value().get(v))
            fail(where + jsonProblem(e));
        if (key == "name") {
            std::string_view name;
            if (hasName)
                fail(where + "\"name\" given twice");
            if (auto e = v.get_string().get(name)) {
                fail(where + (e == simdjson::INCORRECT_TYPE ? "\"name\" must be a string"
                                                            : jsonProblem(e)));
            }
            def.name = std::string(name);
            hasName = true;
        } else if (key == "type") {
            std::string_view text;
            if (hasType)
                fail(where + "\"type\" given twice");
            if (auto e = v.get_string().get(text)) {
                fail(where + (e == simdjson::INCORRECT_TYPE ? "\"type\" must be a string"
                                                            : jsonProblem(e)));
            }
            auto type = fieldTypeFromName(text);
            if (!type)
                fail(where + "unknown type " + quotedText(text));
            def.type = *type;
            hasType = true;
        } else if (key == "size") {
            int64_t size = 0;
            if (hasSize)
                fail(where + "\"size\" given twice");
            if (v.get_int64().get(size) != simdjson::SUCCESS || size < 0 ||
                size > std::numeric_limits<int>::max()) {
                fail(where + "\"size\" must be a non-negative integer");
            }
            def.size = static_cast<int>(size);
            hasSize = true;
        } else {
            fail(where + "unknown key " + quotedText(key));
        }
    }
    if (!hasName || def.name.empty())
        fail(where + "has no name");
    const std::string named =
        "field " + std::to_string(index + 1) + " (" + quotedText(def.name) + "): ";
    if (!hasType)
        fail(named + "has no type");
    if (!hasSize && (def.type == FieldType::FixedString || def.type == FieldType::String)) {
        fail(named + "a " + std::string(fieldTypeName(def.type)) + " field needs a \"size\"");
    }
    return def;
}

void Decoder::decodeCell(od::value& value, Column& column, size_t row, size_t field) {
    // Conditions rather than a switch: most values are texts, and the pattern
    // of a row's types is one the branch predictor learns.
    const FieldType type = column.type();
    error_code e = simdjson::SUCCESS;
    std::string_view text;
    const char* expected;
    if (isTextType(type)) [[likely]] {
        // Most texts hold no escape: take their bytes straight from the
        // input instead of unescaping them into the parser's buffer first.
        if (!readPlainString(value, text)) {
            if (value.raw_json_token().size() >= kOwnStringFrom && parser_ != nullptr &&
                !column.sharedText()) {
                if ((e = appendLongText(value, column, row, field)) == simdjson::SUCCESS)
                    return;
            } else {
                e = value.get_string().get(text);
            }
        }
        if (e == simdjson::SUCCESS) {
            if (text.size() > widthLimits_[field])
                checkWidth(text, row, field);
            column.appendText(text);
            return;
        }
        expected = "a string";
    } else if (type == FieldType::Double) {
        double number;
        if ((e = value.get_double().get(number)) == simdjson::SUCCESS) {
            column.appendDouble(number);
            return;
        }
        expected = "a number";
    } else if (type == FieldType::Integer) {
        int64_t number;
        if ((e = value.get_int64().get(number)) == simdjson::SUCCESS) {
            column.appendInteger(number);
            return;
        }
        expected = "an integer";
    } else {
        if (readPlainString(value, text) ||
            (e = value.get_string().get(text)) == simdjson::SUCCESS) {
            platform::DateTime when;
            if (!parseWireDateTime(text, when))
                dateFail(text, row, field);
            column.appendDateTime(when);
            return;
        }
        expected = "a date-time string";
    }
    if (e == simdjson::INCORRECT_TYPE && takeNull(value)) {
        column.appendNull();
        return;
    }
    cellFail(e, value, row, field, expected);
}

// What get_string does, with the string of the column's own as the target.
error_code Decoder::appendLongText(od::value& value, Column& column, size_t row, size_t field) {
    const size_t tokenSize = value.raw_json_token().size();
    od::raw_json_string raw;
    if (auto e = value.get_raw_json_string().get(raw))
        return e;
    auto own = std::make_shared<std::string>();
    own->resize(tokenSize + simdjson::SIMDJSON_PADDING);
    auto* end = reinterpret_cast<uint8_t*>(own->data());
    std::string_view text;
    if (auto e = parser_->unescape(raw, end).get(text))
        return e;
    if (text.size() > widthLimits_[field])
        checkWidth(text, row, field);
    own->resize(text.size());
    column.shareText(std::move(own));
    column.appendText(*column.sharedText());
    return simdjson::SUCCESS;
}

void Decoder::decodeRows(od::value value, DataPacket& packet) {
    od::array rows;
    if (auto e = value.get_array().get(rows)) {
        fail(e == simdjson::INCORRECT_TYPE ? "\"rows\" must be an array" : jsonProblem(e));
    }
    fields_ = &packet.fields();
    std::vector<Column>& columns = packet.columns();
    const size_t width = columns.size();
    widthLimits_.assign(width, SIZE_MAX);
    for (size_t f = 0; f < width; ++f) {
        const FieldDef& def = (*fields_)[f];
        // A width of 0 is no limit, as record sets read it: a field declared
        // without a size must read back what it was given.
        if (options_.enforceWidths && def.type != FieldType::Memo && isTextType(def.type) &&
            def.size > 0) {
            widthLimits_[f] = static_cast<size_t>(def.size);
        }
    }

    size_t row = 0;
    const char* firstRow = nullptr;
    for (auto item : rows) {
        od::value rowValue;
        if (auto e = item.get(rowValue))
            rowFail(row, jsonProblem(e));
        if (row == 0) {
            firstRow = rowValue.raw_json_token().data();
        } else if (row == kSampleRows) {
            reserveFromSample(packet, firstRow, rowValue.raw_json_token().data());
        }
        od::array cells;
        if (auto e = rowValue.get_array().get(cells)) {
            rowFail(row, e == simdjson::INCORRECT_TYPE
                             ? "expected an array of " + std::to_string(width) + " values, found " +
                                   describe(rowValue)
                             : jsonProblem(e));
        }
        size_t field = 0;
        for (auto cell : cells) {
            od::value cellValue;
            if (auto e = cell.get(cellValue)) {
                rowFail(row, "value " + std::to_string(field + 1) + ": " + jsonProblem(e));
            }
            if (field == width) {
                rowFail(row, "more than the " + std::to_string(width) + " values of the fields");
            }
            decodeCell(cellValue, columns[field], row, field);
            ++field;
        }
        if (field != width) {
            rowFail(row,
                    std::to_string(field) + " values for " + std::to_string(width) + " fields");
        }
        ++row;
    }
    if (width == 0 && row > 0)
        fail("rows given for a packet without fields");
}

void Decoder::rowFail(size_t row, const std::string& problem) const {
    fail("row " + std::to_string(row + 1) + ": " + problem);
}

void Decoder::checkWidth(std::string_view text, size_t row, size_t field) const {
    // Bytes count at least the characters: only a text longer in bytes than
    // the width needs counting.
    const size_t length = utf8Length(text);
    if (length <= widthLimits_[field])
        return;
    fail(cellContext(row, field) + "text of " + std::to_string(length) +
         " characters exceeds the width " + std::to_string(widthLimits_[field]));
}

void Decoder::dateFail(std::string_view text, size_t row, size_t field) const {
    fail(cellContext(row, field) + "invalid date-time " + quotedText(text) +
         " (expected YYYY-MM-DDTHH:MM:SS or YYYY-MM-DDTHH:MM:SS.mmm)");
}

void Decoder::cellFail(error_code e, od::value& value, size_t row, size_t field,
                       const char* expected) const {
    const std::string where = cellContext(row, field);
    const FieldType type = (*fields_)[field].type;
    od::json_type found;
    const bool isNumber =
        value.type().get(found) == simdjson::SUCCESS && found == od::json_type::number;
    if (type == FieldType::Integer && isNumber) {
        fail(where + "not an integer in the 64-bit range: " + excerpt(value.raw_json_token()));
    }
    if (e == simdjson::NUMBER_ERROR || e == simdjson::NUMBER_OUT_OF_RANGE) {
        fail(where + "invalid or out-of-range number " + excerpt(value.raw_json_token()));
    }
    if (e == simdjson::INCORRECT_TYPE) {
        fail(where + "expected " + expected + " or null, found " + describe(value));
    }
    fail(where + jsonProblem(e));
}

void Decoder::reserveFromSample(DataPacket& packet, const char* firstRow, const char* sampleEnd) {
    // The first rows tell how many bytes of text a row takes and how much of it
    // each column keeps; sizing from them spares most regrowth of big columns.
    if (documentEnd_ == nullptr || firstRow == nullptr || sampleEnd <= firstRow ||
        documentEnd_ <= sampleEnd) {
        return;
    }
    const double bytesPerRow = static_cast<double>(sampleEnd - firstRow) / kSampleRows;
    const double rows = kSampleRows + static_cast<double>(documentEnd_ - sampleEnd) / bytesPerRow;
    const auto reserveRows = static_cast<size_t>(rows * 1.02) + 8;
    for (Column& column : packet.columns()) {
        size_t textBytes = 0;
        if (column.isText() && !column.sharedText()) {
            for (size_t r = 0; r < kSampleRows; ++r)
                textBytes += column.textAt(r).size();
        }
        const double perRow = static_cast<double>(textBytes) / kSampleRows;
        column.reserve(reserveRows, static_cast<size_t>(perRow * rows * 1.05) + 64);
    }
}

DataPacket decodeDocument(const char* data, size_t length, size_t capacity,
                          const DecodeOptions& options,
                          std::shared_ptr<const std::string> source = nullptr) {
    thread_local od::parser sharedParser;
    std::unique_ptr<od::parser> ownParser;
    od::parser* parser = &sharedParser;
    if (length > kKeepParserUpTo) {
        ownParser = std::make_unique<od::parser>();
        parser = ownParser.get();
    }
    od::document document;
    if (auto e = parser->iterate(data, length, capacity).get(document))
        fail(jsonProblem(e));
    od::object object;
    if (auto e = document.get_object().get(object)) {
        fail(e == simdjson::INCORRECT_TYPE ? "a packet must be a JSON object" : jsonProblem(e));
    }
    Decoder decoder(options, data + length, parser, std::move(source));
    DataPacket packet = decoder.decodeObject(object);
    const char* rest;
    if (document.current_location().get(rest) == simdjson::SUCCESS) {
        fail("unexpected text after the packet");
    }
    return packet;
}

}  // namespace

DataPacket decodePacketValue(od::value value, const DecodeOptions& options, const char* documentEnd,
                             const od::parser* parser) {
    od::object object;
    if (auto e = value.get_object().get(object)) {
        fail(e == simdjson::INCORRECT_TYPE ? "a packet must be a JSON object" : jsonProblem(e));
    }
    Decoder decoder(options, documentEnd, parser);
    return decoder.decodeObject(object);
}

void reservePacketPadding(std::string& json) {
    json.reserve(json.size() + kPacketPadding);
}

DataPacket decodePacket(const std::string& json, const DecodeOptions& options) {
    if (json.capacity() - json.size() >= kPacketPadding) {
        return decodeDocument(json.data(), json.size(), json.capacity(), options);
    }
    return decodePacket(std::string_view(json), options);
}

DataPacket decodePacket(std::string&& json, const DecodeOptions& options) {
    reservePacketPadding(json);
    auto source = std::make_shared<const std::string>(std::move(json));
    const char* data = source->data();
    const size_t length = source->size(), capacity = source->capacity();
    return decodeDocument(data, length, capacity, options, std::move(source));
}

DataPacket decodePacket(std::string_view json, const DecodeOptions& options) {
    const size_t capacity = json.size() + kPacketPadding;
    const std::unique_ptr<char[]> padded(new char[capacity]);
    std::memcpy(padded.get(), json.data(), json.size());
    std::memset(padded.get() + json.size(), 0, kPacketPadding);
    return decodeDocument(padded.get(), json.size(), capacity, options);
}

DataPacket decodePacket(const char* json, const DecodeOptions& options) {
    return decodePacket(std::string_view(json), options);
}

}  // namespace confcred::dataset
