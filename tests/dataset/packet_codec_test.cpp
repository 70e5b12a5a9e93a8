#include "dataset/packet_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "dataset/packet_codec_simdjson.h"

using namespace confcred::dataset;
using confcred::platform::DateTime;

namespace {

// Compares every cell, doubles by value (so -0 and 0 agree).
void expectSamePacket(const DataPacket& a, const DataPacket& b) {
    ASSERT_EQ(a.fields(), b.fields());
    ASSERT_EQ(a.rowCount(), b.rowCount());
    for (size_t f = 0; f < a.fieldCount(); ++f) {
        const Column& x = a.column(f);
        const Column& y = b.column(f);
        for (size_t r = 0; r < a.rowCount(); ++r) {
            SCOPED_TRACE("field " + a.fields()[f].name + " row " + std::to_string(r));
            ASSERT_EQ(x.isNull(r), y.isNull(r));
            switch (x.type()) {
                case FieldType::Double:
                    EXPECT_EQ(x.doubleAt(r), y.doubleAt(r));
                    break;
                case FieldType::DateTime:
                    EXPECT_EQ(x.dateTimeAt(r), y.dateTimeAt(r));
                    break;
                case FieldType::Integer:
                    EXPECT_EQ(x.integerAt(r), y.integerAt(r));
                    break;
                default:
                    EXPECT_EQ(x.textAt(r), y.textAt(r));
            }
        }
    }
}

DataPacket everyTypePacket() {
    DataPacket p({{"FIX", FieldType::FixedString, 1},
                  {"Name", FieldType::String, 40},
                  {"NOTE", FieldType::Memo, 0},
                  {"VALUE", FieldType::Double, 0},
                  {"WHEN", FieldType::DateTime, 0},
                  {"COUNT", FieldType::Integer, 0}});
    auto row = [&](const char* fix, const char* name, const char* note, double v, DateTime when,
                   int64_t count) {
        p.column(0).appendText(fix);
        p.column(1).appendText(name);
        p.column(2).appendText(note);
        p.column(3).appendDouble(v);
        p.column(4).appendDateTime(when);
        p.column(5).appendInteger(count);
    };
    row("N", "Crédito via boleto bancário", "", 12.5, DateTime::fromParts(2026, 12, 7, 10, 30), 7);
    row("S", "", "quote \" backslash \\ slash / tab\t nl\n cr\r \x01\x1f end",
        -1.7976931348623157e308, DateTime::fromParts(1, 1, 1, 0, 0, 0, 1), INT64_MIN);
    row("", "ÁÉÍÓÚ ãõ ç 日本 😀", std::string(3000, 'x').c_str(), 5e-324,
        DateTime::fromParts(9999, 12, 31, 23, 59, 59, 999), INT64_MAX);
    row("C", "x", "y", 0.1, DateTime::fromParts(2024, 2, 29), 0);
    row("N", "12345678\"\\\n", "123456789\x7F\x1f", 1e22, DateTime::fromParts(2026, 1, 2), -1);
    for (Column& c : p.columns())
        c.appendNull();  // a row of nulls
    return p;
}

DataPacket decodeWith(const std::string& json, bool enforceWidths) {
    DecodeOptions options;
    options.enforceWidths = enforceWidths;
    return decodePacket(std::string_view(json), options);
}

}  // namespace

TEST(PacketCodec, EveryTypeRoundTrips) {
    const DataPacket original = everyTypePacket();
    const std::string json = encodePacket(original);
    expectSamePacket(original, decodePacket(json));

    // The same text read in place, copied from a view, and inside a larger document.
    std::string padded = json;
    reservePacketPadding(padded);
    expectSamePacket(original, decodePacket(padded));
    expectSamePacket(original, decodePacket(json.c_str()));

    std::string call = "{\"args\": [";
    encodePacketTo(original, call);
    call += ", \"C\"]}";
    simdjson::ondemand::parser parser;
    simdjson::padded_string input(call);
    auto doc = parser.iterate(input);
    auto args = doc["args"].get_array();
    auto it = args.begin();
    expectSamePacket(original, decodePacketValue(*it, {}, input.data() + input.size()));
    ++it;
    EXPECT_EQ(std::string_view((*it).get_string()), "C");
}

TEST(PacketCodec, ATakenOverTextIsKeptAndReferenced) {
    // Decoding a received text by move keeps the text: plain values point into
    // it, escaped ones are unescaped into the columns; every value reads the same.
    const DataPacket original = everyTypePacket();
    std::string wire = encodePacket(original);
    const std::string copy = wire;
    DataPacket taken = decodePacket(std::move(wire));
    expectSamePacket(original, taken);
    ASSERT_TRUE(taken.column(0).sharedText());
    const std::string& kept = *taken.column(0).sharedText();
    EXPECT_EQ(kept, copy);
    const std::string_view fix = taken.column(0).textAt(0);
    EXPECT_TRUE(fix.data() >= kept.data() && fix.data() < kept.data() + kept.size());

    // Editing a referenced value never writes into the kept text.
    taken.column(1).setText(0, "X");
    EXPECT_EQ(kept, copy);
    EXPECT_EQ(taken.column(1).textAt(0), "X");
}

TEST(PacketCodec, TextsReadTheSameWhateverTheSpacingAndEscapes) {
    // Blanks between a text and its separator, empty texts and escapes, in a
    // received text taken over (values referenced) and in a borrowed one.
    const std::string wire =
        "{\"fields\": [{\"name\": \"S\", \"type\": \"memo\"},"
        " {\"name\": \"W\", \"type\": \"datetime\"}],"
        " \"rows\": [[\"ab\" \t\r\n, \"2026-12-07T10:30:00\" ],"
        " [\"\" , null], [\"a\\\\b\\\"c\" , null],"
        " [\"\\u00e7\\\\\",null]]}";
    for (const DataPacket& p : {decodePacket(std::string(wire)), decodePacket(wire)}) {
        ASSERT_EQ(p.rowCount(), 4u);
        EXPECT_EQ(p.column(0).textAt(0), "ab");
        EXPECT_EQ(p.column(1).dateTimeAt(0), DateTime::fromParts(2026, 12, 7, 10, 30, 0, 0));
        EXPECT_EQ(p.column(0).textAt(1), "");
        EXPECT_FALSE(p.column(0).isNull(1));
        EXPECT_EQ(p.column(0).textAt(2), "a\\b\"c");
        EXPECT_EQ(p.column(0).textAt(3), "\u00e7\\");
    }
}

TEST(PacketCodec, WireTextOfASmallPacket) {
    DataPacket p({{"A", FieldType::String, 3}, {"V", FieldType::Double, 0}});
    p.column(0).appendText("x\"y");
    p.column(1).appendDouble(1.0);
    p.column(0).appendNull();
    p.column(1).appendDouble(-2.5e-7);
    EXPECT_EQ(encodePacket(p),
              R"({"fields":[{"name":"A","type":"string","size":3},{"name":"V","type":"double",)"
              R"("size":0}],"rows":[["x\"y",1],[null,-2.5e-07]]})");
}

TEST(PacketCodec, EmptyPacketsRoundTrip) {
    const DataPacket noRows({{"A", FieldType::String, 5}, {"B", FieldType::Integer, 0}});
    expectSamePacket(noRows, decodePacket(encodePacket(noRows)));
    const DataPacket nothing;
    EXPECT_EQ(encodePacket(nothing), R"({"fields":[],"rows":[]})");
    EXPECT_EQ(decodePacket(encodePacket(nothing)).fieldCount(), 0u);
}

TEST(PacketCodec, KeysInAnyOrderAndOptionalSizes) {
    const DataPacket p = decodePacket(
        R"({"rows": [[1.5, "2026-12-07T10:30:00.250", 3]],
            "fields": [{"type": "double", "name": "V"}, {"name": "W", "type": "datetime"},
                       {"size": 0, "name": "I", "type": "integer"}]})");
    ASSERT_EQ(p.rowCount(), 1u);
    EXPECT_EQ(p.column(0).doubleAt(0), 1.5);
    EXPECT_EQ(p.column(1).dateTimeAt(0), DateTime::fromParts(2026, 12, 7, 10, 30, 0, 250));
    EXPECT_EQ(p.column(2).integerAt(0), 3);
}

TEST(PacketCodec, MalformedPacketsAreRefusedWithTheirReason) {
    const std::string f = R"("fields": [{"name": "S", "type": "string", "size": 3},
        {"name": "D", "type": "double"}, {"name": "W", "type": "datetime"},
        {"name": "I", "type": "integer"}])";
    auto rows = [&](const std::string& r) { return "{" + f + ", \"rows\": [" + r + "]}"; };
    auto field = [](const std::string& def) { return "{\"fields\": [" + def + "], \"rows\": []}"; };
    struct Case {
        const char* name;
        std::string json;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"bad json", "{\"fields\": [", "invalid JSON"},
        {"not an object", "[]", "must be a JSON object"},
        {"missing fields", R"({"rows": []})", "missing \"fields\""},
        {"missing rows", R"({"fields": []})", "missing \"rows\""},
        {"extra key", R"({"fields": [], "rows": [], "x": 1})", "unknown key \"x\""},
        {"repeated key", R"({"fields": [], "fields": [], "rows": []})", "\"fields\" given twice"},
        {"trailing text", R"({"fields": [], "rows": []} {})", "after the packet"},
        {"fields not array", R"({"fields": {}, "rows": []})", "\"fields\" must be an array"},
        {"field not object", field("3"), "field 1: must be an object"},
        {"field without name", field(R"({"type": "double"})"), "field 1: has no name"},
        {"field with empty name", field(R"({"name": "", "type": "double"})"), "has no name"},
        {"unknown type", field(R"({"name": "A", "type": "text"})"), "unknown type \"text\""},
        {"field without type", field(R"({"name": "A"})"), "has no type"},
        {"string without size", field(R"({"name": "A", "type": "string"})"), "needs a \"size\""},
        {"negative size", field(R"({"name": "A", "type": "string", "size": -1})"), "non-negative"},
        {"fractional size", field(R"({"name": "A", "type": "memo", "size": 1.5})"), "non-negative"},
        {"unknown field key", field(R"({"name": "A", "type": "memo", "w": 1})"),
         "unknown key \"w\""},
        {"duplicate names",
         field(R"({"name": "Ab", "type": "memo"}, {"name": "aB", "type": "memo"})"),
         "field 2: name \"aB\" repeats"},
        {"rows without fields", R"({"fields": [], "rows": [[]]})", "without fields"},
        {"row not array", rows("{}"), "row 1: expected an array of 4 values, found an object"},
        {"row too short", rows(R"(["a", 1, null, 1], ["a", 1, null])"), "row 2: 3 values for 4"},
        {"row too long", rows(R"(["a", 1, null, 1, 2])"), "row 1: more than the 4 values"},
        {"number for string", rows("[1, 1, null, 1]"), "row 1, field 'S': expected a string"},
        {"string for double", rows(R"(["a", "1", null, 1])"), "field 'D': expected a number"},
        {"boolean for integer", rows(R"(["a", 1, null, true])"), "field 'I': expected an integer"},
        {"number for date-time", rows(R"(["a", 1, 5, 1])"), "field 'W': expected a date-time"},
        {"invalid date-time", rows(R"(["a", 1, "2026-13-01T00:00:00", 1])"), "invalid date-time"},
        {"impossible date", rows(R"(["a", 1, "2026-02-30T10:00:00", 1])"), "invalid date-time"},
        {"date alone", rows(R"(["a", 1, "2026-02-03", 1])"), "invalid date-time"},
        {"fractional integer", rows(R"(["a", 1, null, 1.5])"), "field 'I': not an integer"},
        {"integer out of range", rows(R"(["a", 1, null, 9223372036854775808])"), "not an integer"},
        {"double out of range", rows(R"(["a", 1e400, null, 1])"),
         "field 'D': invalid or out-of-range"},
        {"text too wide", rows(R"(["abcd", 1, null, 1])"),
         "text of 4 characters exceeds the width 3"},
        {"lone surrogate", rows(R"(["\ud800", 1, null, 1])"), "row 1, field 'S': invalid JSON"},
        {"bad literal", rows(R"(["a", nul, null, 1])"), "field 'D'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            decodePacket(c.json);
            ADD_FAILURE() << "accepted";
        } catch (const PacketError& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
}

TEST(PacketCodec, WidthsCountCharactersAndCanBeLifted) {
    auto packet = [](const std::string& text, const char* type, int size) {
        return "{\"fields\": [{\"name\": \"T\", \"type\": \"" + std::string(type) +
               "\", \"size\": " + std::to_string(size) + "}], \"rows\": [[\"" + text + "\"]]}";
    };
    EXPECT_EQ(decodeWith(packet("ção", "fixedstring", 3), true).column(0).textAt(0), "ção");
    EXPECT_THROW(decodeWith(packet("ação", "fixedstring", 3), true), PacketError);

    const std::string longText(50'000, 'a');
    EXPECT_THROW(decodeWith(packet(longText, "string", 5000), true), PacketError);
    EXPECT_EQ(decodeWith(packet(longText, "string", 5000), false).column(0).textAt(0), longText);
    EXPECT_EQ(decodeWith(packet(longText, "memo", 10), true).column(0).textAt(0), longText);
    // A string declared without a width (size 0) holds any text in a record
    // set, so it must read back what a record set wrote.
    EXPECT_EQ(decodeWith(packet(longText, "string", 0), true).column(0).textAt(0), longText);
    EXPECT_EQ(decodeWith(packet("ação", "fixedstring", 0), true).column(0).textAt(0), "ação");
}

TEST(PacketCodec, InvalidUtf8IsWrittenAsReplacementCharacters) {
    DataPacket p({{"T", FieldType::Memo, 0}});
    p.column(0).appendText(
        "a\xFF"
        "b\xC3");                                     // stray byte, cut sequence
    p.column(0).appendText("\xED\xA0\x80|\xC0\xAF");  // surrogate, overlong
    p.column(0).appendText("ok \xE2\x82\xAC");        // valid: passes through
    p.column(0).appendText("0123456789\xFF");         // in the last bytes of a long text
    p.column(0).appendText("0123456789\xC3\xA9\xF0\x9F");
    const DataPacket back = decodePacket(encodePacket(p));
    EXPECT_EQ(back.column(0).textAt(0), "a\uFFFDb\uFFFD");
    EXPECT_EQ(back.column(0).textAt(1), "\uFFFD\uFFFD\uFFFD|\uFFFD\uFFFD");
    EXPECT_EQ(back.column(0).textAt(2), "ok \u20AC");
    EXPECT_EQ(back.column(0).textAt(3), "0123456789\uFFFD");
    EXPECT_EQ(back.column(0).textAt(4), "0123456789\u00E9\uFFFD\uFFFD");
}

TEST(PacketCodec, UnwritableValuesFailWithoutTouchingTheOutput) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {inf, -inf, std::numeric_limits<double>::quiet_NaN()}) {
        DataPacket p({{"V", FieldType::Double, 0}});
        p.column(0).appendDouble(1);
        p.column(0).appendDouble(bad);
        std::string out = "prefix";
        EXPECT_THROW(encodePacketTo(p, out), PacketError);
        EXPECT_EQ(out, "prefix");
    }
    DataPacket farDate({{"W", FieldType::DateTime, 0}});
    farDate.column(0).appendDateTime(DateTime::fromMsSinceEpoch(INT64_MAX / 2));
    EXPECT_THROW(encodePacket(farDate), PacketError);
    DataPacket twins({{"A", FieldType::Memo, 0}, {"a", FieldType::Memo, 0}});
    EXPECT_THROW(encodePacket(twins), PacketError);
}
