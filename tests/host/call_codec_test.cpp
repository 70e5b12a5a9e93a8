// The client's call codec without a socket: every kind of argument as sent,
// arguments refused before sending, and every shape of answer read back into
// a result, an error result or a TransportError naming the server and method.
#include <gtest/gtest.h>

#include <limits>

#include "dataset/packet_codec.h"
#include "dataset/record_set.h"
#include "host/client/call_codec.h"
#include "support/sample_packet.h"

using namespace confcred::host;
using namespace confcred::host::client;
namespace dataset = confcred::dataset;
namespace platform = confcred::platform;

namespace {

const char* const kPacket = confcred::testing::kSamplePacket;

TEST(CallCodecTest, ArgumentsAreWrittenAsTheServerReadsThem) {
    const std::string packet = dataset::encodePacket(dataset::decodePacket(std::string(kPacket)));
    dataset::RecordSet set("cdsPedidos");
    set.loadPacket(dataset::decodePacket(std::string(kPacket)));
    const std::vector<std::pair<client::CallArgs, std::string>> rows = {
        {{}, "[]"},
        {{QStringLiteral("T"), "a\"b\\c\n", QStringLiteral("\x01")},
         R"(["T","a\"b\\c\n","\u0001"])"},
        {{QStringLiteral("Jo\u00e3o")}, "[\"Jo\xc3\xa3o\"]"},
        {{platform::DateTime::fromParts(2026, 12, 1)}, R"(["2026-12-01T00:00:00"])"},
        {{12, int64_t{-3}, 2.5, 0.1, true, false}, "[12,-3,2.5,0.1,true,false]"},
        {{dataset::decodePacket(std::string(kPacket))}, "[" + packet + "]"},
        {{&set}, "[" + packet + "]"},
    };
    for (const auto& [args, expected] : rows) {
        SCOPED_TRACE(expected);
        EXPECT_EQ(client::encodeArgs(args), expected);
    }
    EXPECT_EQ(client::encodeCallBody("[1]"), R"({"args":[1]})");

    EXPECT_THROW(client::encodeArgs({static_cast<dataset::RecordSet*>(nullptr)}),
                 std::invalid_argument);
    EXPECT_THROW(client::encodeArgs({std::numeric_limits<double>::infinity()}),
                 std::invalid_argument);
    EXPECT_THROW(client::encodeArgs({std::numeric_limits<double>::quiet_NaN()}),
                 std::invalid_argument);
}

struct AnswerRow {
    const char* name;
    int status;
    std::string body;
    // Expected: an error result with this message, or a TransportError whose
    // message holds `failure`, or a plain value (or a packet of `rows` rows).
    const char* serverError = nullptr;
    const char* failure = nullptr;
    QVariant value = {};
    int rows = -1;
};

TEST(CallCodecTest, AnswersAndFailures) {
    const std::vector<AnswerRow> rows = {
        {"null result", 200, R"({"result":null})", nullptr, nullptr, QVariant()},
        {"text result", 200, R"({"result":"pronto"})", nullptr, nullptr, QStringLiteral("pronto")},
        {"integer result", 200, R"({"result":42})", nullptr, nullptr,
         QVariant::fromValue<qint64>(42)},
        {"fraction result", 201, R"({"result":2.5})", nullptr, nullptr, 2.5},
        {"boolean result", 200, R"({"other":1,"result":true})", nullptr, nullptr, true},
        {"array result as its text", 200, R"({"result":[1, "a"]})", nullptr, nullptr,
         QStringLiteral(R"([1, "a"])")},
        {"packet result", 200, std::string(R"({"result":)") + kPacket + "}", nullptr, nullptr,
         QVariant(), 2},
        {"server error", 500, R"({"error":{"message":"Pedido não encontrado."}})",
         "Pedido não encontrado."},
        {"server error at 200", 200, R"({"error":{"message":"Sem saldo."}})", "Sem saldo."},
        {"refused arguments", 400, R"({"error":{"message":"Argumento 3 inválido."}})",
         "Argumento 3 inválido."},
        {"broken body", 200, R"({"result":{"fields":[)", nullptr, "Resposta inválida"},
        {"not json", 200, "<html>oops</html>", nullptr, "Resposta inválida"},
        {"empty body", 200, "", nullptr, "Resposta inválida"},
        {"not an object", 200, "[1]", nullptr, "Resposta inválida"},
        {"error without message", 500, R"({"error":{}})", nullptr, "Resposta inválida"},
        {"no result nor error", 200, R"({"status":1})", nullptr, "sem \"result\""},
        {"text after the answer", 200, R"({"result":null} x)", nullptr, "Resposta inválida"},
        {"second document", 200, R"({"result":null} {"result":1})", nullptr,
         "texto depois do objeto"},
        {"result with a failure status", 500, R"({"result":null})", nullptr,
         "estado HTTP de falha sem mensagem de erro"},
        {"failure status without message", 502, "Bad gateway", nullptr, "(HTTP 502)"},
        {"bad packet", 200,
         R"({"result":{"fields":[{"name":"A","type":"integer"}],"rows":[["x"]]}})", nullptr,
         "Resposta inválida"},
    };
    const QString server = QStringLiteral("127.0.0.1:8211");
    const QString method = QStringLiteral("setEfetivaSaldo");
    for (const AnswerRow& row : rows) {
        SCOPED_TRACE(row.name);
        std::string body = row.body;
        if (row.failure) {
            try {
                client::decodeAnswer(row.status, std::move(body), server, method);
                ADD_FAILURE() << "no failure raised";
            } catch (const client::TransportError& e) {
                const std::string text = e.what();
                EXPECT_NE(text.find(row.failure), std::string::npos) << text;
                const std::string prefix =
                    "Resposta inválida do servidor de aplicação em 127.0.0.1:8211 para "
                    "setEfetivaSaldo (HTTP " +
                    std::to_string(row.status) + "): ";
                EXPECT_EQ(text.substr(0, prefix.size()), prefix);
            }
            continue;
        }
        client::CallResult r = client::decodeAnswer(row.status, std::move(body), server, method);
        if (row.serverError) {
            EXPECT_TRUE(r.isError());
            EXPECT_EQ(r.errorMessage(), QString::fromUtf8(row.serverError));
        } else if (row.rows >= 0) {
            ASSERT_TRUE(r.ok());
            ASSERT_TRUE(r.hasPacket());
            const dataset::DataPacket p = r.takePacket();
            ASSERT_EQ(p.rowCount(), static_cast<size_t>(row.rows));
            EXPECT_EQ(p.column(0).textAt(1), "00000000000000000013");
            EXPECT_EQ(p.column(1).doubleAt(0), 10.5);
            EXPECT_TRUE(p.column(1).isNull(1));
        } else {
            ASSERT_TRUE(r.ok());
            EXPECT_FALSE(r.hasPacket());
            EXPECT_EQ(r.value(), row.value);
        }
    }
}

}  // namespace
