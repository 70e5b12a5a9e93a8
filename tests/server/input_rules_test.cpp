// What text a call may carry, and bank slips unique in their canonical form:
// the rules at the decoding of every call, and the storage on both backends.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "server/http/call_codec.h"
#include "server/methods/import_reader.h"
#include "server/methods/input_text.h"
#include "server/storage/schema.h"
#include "storage_fixture.h"

namespace confcred::testing {
namespace {

using dataset::DataPacket;
using dataset::FieldType;

struct TextRow {
    const char* name;
    std::string body;     // the JSON of a setSituacao-like call
    const char* refusal;  // a piece of the 400 message; nullptr: accepted
};

class CallTexts : public ::testing::TestWithParam<TextRow> {};

TEST_P(CallTexts, AreUtf8WithoutControlsExceptInTheImportFile) {
    const TextRow& row = GetParam();
    std::string body = row.body;
    try {
        server::http::decodeCall("m", body);
        EXPECT_EQ(row.refusal, nullptr) << "accepted";
    } catch (const server::methods::ArgumentError& e) {
        ASSERT_NE(row.refusal, nullptr) << e.what();
        EXPECT_NE(std::string(e.what()).find(row.refusal), std::string::npos) << e.what();
    }
}

const std::string kPacketHead =
    R"({"args":[{"fields":[{"name":"CDCLIENTE","type":"string","size":21},)"
    R"({"name":"ARQUIVO","type":"memo"}],"rows":[["CLI001","x"],)";

INSTANTIATE_TEST_SUITE_P(
    Rows, CallTexts,
    ::testing::Values(
        TextRow{"Accented", R"({"args":["Crédito mensal ção", 1]})", nullptr},
        TextRow{"Nul", R"({"args":["T", "a\u0000b"]})",
                "Argumento 2 do método m: o texto contém o caractere de controle U+0000"},
        TextRow{"Bell", R"({"args":["\u0007"]})", "U+0007"},
        TextRow{"C1Control", R"({"args":["Caf\u0081"]})", "U+0081"},
        TextRow{"LoneSurrogate", R"({"args":["\ud800"]})", "JSON malformado"},
        TextRow{"TabInPacketField", kPacketHead + R"(["CLI\t002","y"]]}]})",
                "Argumento 1 do método m, campo CDCLIENTE, linha 2: o texto contém o caractere de "
                "controle U+0009"},
        TextRow{"ImportFileKeepsItsLineBreaks",
                kPacketHead + R"(["CLI002","C;A\tB\r\nD\u0000"]]}]})", nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(InputText, OperatorNamesAndQuotedInput) {
    EXPECT_NO_THROW(server::methods::checkOperatorHeader("Maria José"));
    EXPECT_NO_THROW(server::methods::checkOperatorHeader(""));
    EXPECT_THROW(server::methods::checkOperatorHeader("maria\x01"), server::methods::ArgumentError);
    EXPECT_THROW(server::methods::checkOperatorHeader("Jo\xE3o"),
                 server::methods::ArgumentError);  // Windows-1252

    std::string long_;
    for (int i = 0; i < 50; ++i)
        long_ += "ç";
    const std::string clipped = server::methods::clipForMessage(long_);
    EXPECT_EQ(clipped, long_.substr(0, 80) + "...");  // 40 two-byte characters
    EXPECT_EQ(server::methods::clipForMessage("CLI001"), "CLI001");
}

class InputStorage : public BackendTest {
  protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (!IsSkipped())
            open();
    }
    std::vector<std::string> import(const std::string& file) {
        DataPacket p({{"ARQUIVO", FieldType::String, 5000}});
        p.column(0).appendText(file);
        const DataPacket warnings = callPacket("SetImporSaldoCons", {p});
        std::vector<std::string> lines;
        for (std::size_t r = 0; r < warnings.rowCount(); ++r)
            lines.emplace_back(warnings.column(0).textAt(r));
        return lines;
    }
};

TEST_P(InputStorage, BankSlipsAreOneInTheirCanonicalForm) {
    const std::string tail = ";07/12/2026;;ALI=1\n";
    EXPECT_TRUE(import("C;CLI001;CONS0001;0AB28" + tail).empty());
    EXPECT_EQ(import("C;CLI001;CONS0001;ab28" + tail),
              std::vector<std::string>{
                  "Linha 1: boleto \"ab28\" já importado para o cliente \"CLI001\"."});
    EXPECT_EQ(import("C;CLI001;CONS0001;XY9" + tail + "C;CLI001;CONS0001;00xy9" + tail),
              std::vector<std::string>{
                  "Linha 2: boleto \"00xy9\" repetido no arquivo (já consta na linha 1)."});
    // Another client may have the same slip.
    EXPECT_TRUE(import("C;CLI006;CONS0041;AB28" + tail).empty());
    // A control character inside the file is its line's warning, alike on both backends.
    const auto nul = import(std::string("C;CLI001;CONS0001;N1;07/12/2026;a\0b;ALI=1\n", 42));
    ASSERT_EQ(nul.size(), 1u);
    EXPECT_NE(nul[0].find("controle"), std::string::npos) << nul[0];

    // A database from before canonical slips gets those of its orders; of two
    // that were already one slip, the first keeps it.
    db_->write([](server::storage::Session& s) {
        s.executeScript(
            "DROP INDEX PEDCREDCONS_BOLETO_CANON;"
            "DROP INDEX PEDCREDCONS_BOLETO_BUSCA;"
            "DROP INDEX PEDCREDCONS_BOLETO_OUTROS;"
            "ALTER TABLE PEDCREDCONS DROP COLUMN NRBOLETO_CANON;"
            "DELETE FROM schema_version WHERE version > 3;"
            "UPDATE PEDCREDCONS SET NRBOLETO = ' 007q ' WHERE NRBOLETO = 'XY9';"
            "UPDATE PEDCREDCONS SET NRBOLETO = '7Q' WHERE NRBOLETO = '0AB28';"
            "CREATE UNIQUE INDEX PEDCREDCONS_BOLETO ON PEDCREDCONS (CDCLIENTE, NRBOLETO);");
    });
    server::storage::migrateSchema(*db_);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PEDCREDCONS WHERE NRBOLETO_CANON IS NULL"
                     " AND NRBOLETO IS NOT NULL"),
              "1");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM PEDCREDCONS WHERE NRBOLETO_CANON = '7Q'"), "1");
    for (const auto& row : db_->queryText("SELECT NRBOLETO, NRBOLETO_CANON FROM PEDCREDCONS"
                                          " WHERE NRBOLETO_CANON IS NOT NULL"))
        ASSERT_EQ(*row[1], server::methods::canonicalSlip(*row[0])) << *row[0];
    EXPECT_EQ(import("C;CLI001;CONS0001;7q" + tail).size(), 1u);

    if (GetParam() == "sqlite") {
        for (const char* file : {"confcred.db", "confcred.db-wal"}) {
            struct stat info {};
            ASSERT_EQ(stat((scratch_->folder() / file).c_str(), &info), 0) << file;
            EXPECT_EQ(info.st_mode & 077, 0u) << file << " is readable by others";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, InputStorage, ::testing::Values("sqlite", "postgres"),
                         backendName);

}  // namespace
}  // namespace confcred::testing
