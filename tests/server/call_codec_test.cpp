#include "server/http/call_codec.h"

#include <gtest/gtest.h>
#include <simdjson.h>

#include <string>
#include <vector>

#include "dataset/packet_codec.h"

namespace confcred::server {
namespace {

struct DecodeRow {
    const char* name;
    std::string body;
    // Expected kinds of the arguments: s string, n number, b bool, 0 null, p packet.
    const char* kinds;  // nullptr: refused
    const char* messagePart = "";
};

char kindOf(const methods::Arg& arg) {
    switch (arg.index()) {
        case 0:
            return '0';
        case 1:
            return 'b';
        case 2:
            return 'n';
        case 3:
            return 's';
        default:
            return 'p';
    }
}

const std::string kPacket =
    R"({"fields":[{"name":"ARQUIVO","type":"string","size":5}],"rows":[["longer than five"]]})";

class DecodeCallTest : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(DecodeCallTest, DecodesOrRefuses) {
    const DecodeRow& row = GetParam();
    std::string body = row.body;
    if (row.kinds == nullptr) {
        try {
            http::decodeCall("getConsumidor", body);
            FAIL() << "accepted: " << row.body;
        } catch (const methods::ArgumentError& e) {
            EXPECT_EQ(e.httpStatus(), 400);
            EXPECT_NE(std::string(e.what()).find(row.messagePart), std::string::npos) << e.what();
        }
        return;
    }
    const methods::Args args = http::decodeCall("getConsumidor", body);
    std::string kinds;
    for (std::size_t i = 0; i < args.size(); ++i)
        kinds += kindOf(args.raw(i));
    EXPECT_EQ(kinds, row.kinds);
    EXPECT_EQ(args.method(), "getConsumidor");
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, DecodeCallTest,
    ::testing::Values(
        DecodeRow{"empty_args", R"({"args": []})", ""},
        DecodeRow{"every_scalar", R"( {"args": ["T", 12.5, -3, true, false, null]} )", "snnbb0"},
        DecodeRow{"packet_wider_than_declared", R"({"args": [)" + kPacket + "]}", "p"},
        DecodeRow{"escaped_text", R"({"args": ["O\"Brien\u00e7\/\\"]})", "s"},
        DecodeRow{"not_json", "args=1", nullptr, "Corpo da requisição inválido"},
        DecodeRow{"empty_body", "", nullptr, "Corpo da requisição inválido"},
        DecodeRow{"cut_short", R"({"args": ["T", )", nullptr, "Corpo da requisição inválido"},
        DecodeRow{"top_level_array", R"(["T"])", nullptr, "esperado um objeto"},
        DecodeRow{"missing_args", R"({"argz": []})", nullptr, "chave desconhecida"},
        DecodeRow{"no_keys", R"({})", nullptr, "falta a chave \"args\""},
        DecodeRow{"args_twice", R"({"args": [], "args": []})", nullptr, "mais de uma vez"},
        DecodeRow{"args_not_array", R"({"args": "T"})", nullptr, "deve ser uma lista"},
        DecodeRow{"trailing_text", R"({"args": []} {"args": []})", nullptr, "texto após"},
        DecodeRow{"array_argument", R"({"args": ["T", [1, 2]]})", nullptr,
                  "Argumento 2 do método getConsumidor: uma lista"},
        DecodeRow{"number_out_of_range", R"({"args": [1e999]})", nullptr,
                  "Argumento 1 do método getConsumidor: número inválido"},
        DecodeRow{"bad_packet", R"({"args": ["T", {"fields": [], "rows": [[1]]}]})", nullptr,
                  "Argumento 2 do método getConsumidor: pacote de dados inválido"},
        DecodeRow{"packet_with_bad_value",
                  R"({"args": [{"fields":[{"name":"A","type":"double"}],"rows":[["x"]]}]})",
                  nullptr, "row 1, field 'A'"},
        DecodeRow{"invalid_utf8", "{\"args\": [\"\xC3\x28\"]}", nullptr, "JSON malformado"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DecodeCall, ValuesArriveIntact) {
    std::string body = R"({"args": ["001", 42, true, null, )" + kPacket + "]}";
    const methods::Args args = http::decodeCall("setSituacao", body);
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(args.string(0), "001");
    EXPECT_EQ(args.integer(1), 42);
    EXPECT_EQ(std::get<bool>(args.raw(2)), true);
    const auto& packet = args.packet(4);
    ASSERT_EQ(packet.rowCount(), 1u);
    EXPECT_EQ(packet.column(0).textAt(0), "longer than five");
}

TEST(DecodeCall, ReadsInPlaceWhenTheBodyHasRoomAndLeavesItUnchanged) {
    std::string body = R"({"args": ["abc"]})";
    body.reserve(body.size() + http::kBodyPadding);
    const char* before = body.data();
    const std::string copy = body;
    http::decodeCall("m", body);
    EXPECT_EQ(body.data(), before);
    EXPECT_EQ(body, copy);
}

TEST(DecodeCall, LongEscapedTextsArriveWholeOrAreRefused) {
    // Two texts long enough to be unescaped apart from the parser, and a short one.
    std::string line = "linha com \"aspas\", ç e \\ barra\r\n";
    std::string first, second;
    while (first.size() < 100'000)
        first += line;
    second = "outro " + first;
    dataset::DataPacket packet({{"ARQUIVO", dataset::FieldType::String, 10}});
    for (const std::string* text : {&first, &second, &line})
        packet.column(0).appendText(*text);
    std::string body = "{\"args\":[" + dataset::encodePacket(packet) + "]}";
    const methods::Args args = http::decodeCall("m", body);
    ASSERT_EQ(args.packet(0).rowCount(), 3u);
    EXPECT_EQ(args.packet(0).column(0).textAt(0), first);
    EXPECT_EQ(args.packet(0).column(0).textAt(1), second);
    EXPECT_EQ(args.packet(0).column(0).textAt(2), line);

    std::string bad =
        "{\"args\":[{\"fields\":[{\"name\":\"ARQUIVO\",\"type\":\"memo\"}],"
        "\"rows\":[[\"" +
        std::string(100'000, 'a') + "\\x\"]]}]}";
    EXPECT_THROW(http::decodeCall("m", bad), methods::ArgumentError);
}

struct EscapeRow {
    const char* name;
    std::string text;
    std::string json;
};

class AppendJsonStringTest : public ::testing::TestWithParam<EscapeRow> {};

TEST_P(AppendJsonStringTest, Escapes) {
    std::string out = "x";
    dataset::appendJsonString(out, GetParam().text);
    EXPECT_EQ(out, "x" + GetParam().json);
    // Whatever went in, the output reads back as JSON.
    simdjson::dom::parser parser;
    std::string_view back;
    EXPECT_EQ(parser.parse(GetParam().json).get(back), simdjson::SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AppendJsonStringTest,
    ::testing::Values(
        EscapeRow{"plain", "abc", "\"abc\""}, EscapeRow{"empty", "", "\"\""},
        EscapeRow{"quote_backslash", "a\"b\\c", R"("a\"b\\c")"},
        EscapeRow{"controls", std::string("\n\r\t\b\f\x01\x1f", 7), R"("\n\r\t\b\f\u0001\u001f")"},
        EscapeRow{"nul", std::string("a\0b", 3), R"("a\u0000b")"},
        EscapeRow{"accents_kept", "Operação concluída", "\"Operação concluída\""},
        EscapeRow{"four_byte_kept", "\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
        EscapeRow{"cp1252_byte", "Jo\xE3o", "\"Jo\xEF\xBF\xBDo\""},
        EscapeRow{"cut_sequence", "a\xC3", "\"a\xEF\xBF\xBD\""},
        EscapeRow{"overlong", "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
        EscapeRow{"surrogate", "\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(EncodeAnswer, WrapsResultAndError) {
    EXPECT_EQ(http::encodeResult(R"({"fields":[],"rows":[]})"),
              R"({"result":{"fields":[],"rows":[]}})");
    EXPECT_EQ(http::encodeError("Pedido \"12\" não encontrado."),
              R"({"error":{"message":"Pedido \"12\" não encontrado."}})");
}

}  // namespace
}  // namespace confcred::server
