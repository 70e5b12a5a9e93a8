// Every method of the real server answers with the fields of its record
// (dataset/records.h): names, types and widths, in the record's order, with
// rows where the record has fields, so that the server's statements really
// filled them. The requests are the records the screens send.

#include <functional>

#include "dataset/records.h"
#include "platform/cp1252.h"
#include "server_test_util.h"
#include "support/return_files.h"
#include "support/statement_files.h"

namespace confcred::servertest {
namespace {

namespace records = dataset::records;

class Contract : public ::testing::TestWithParam<TestBackend> {
  protected:
    void SetUp() override {
        CONFCRED_SKIP_WITHOUT_BACKEND(GetParam());
        server_ = std::make_unique<ServerProcess>(optionsFor(GetParam()));
        db_ = openSeeded(*server_);
    }

    // One order now in `situation` that every operation may move (not
    // accounted), as the screens identify it.
    OrderKey orderIn(char situation) {
        for (const auto& [number, order] : storedOrders(*db_))
            if (order.situation == situation && !order.accounted)
                return order.key;
        ADD_FAILURE() << "no order in situation " << situation;
        return {};
    }

    std::unique_ptr<ServerProcess> server_;
    std::unique_ptr<server::storage::Database> db_;
};

std::string importArgs() {
    dataset::DataPacket p(records::fieldDefs(records::kImport));
    // The second line names an unknown client: one warning line comes back.
    p.column(static_cast<std::size_t>(p.fieldIndex("ARQUIVO")))
        .appendText(
            "C;CLI001;CONS0001;CT1;07/12/2026 09:00:00;Contrato;ALI=1,50\r\n"
            "C;CLI999;CONS0001;CT2;07/12/2026 09:00:00;Contrato;ALI=1,50\r\n");
    return "[" + dataset::encodePacket(p) + "]";
}

// A return file of one record, whose slip no order has.
std::string returnArgs() {
    testing::ComposedSlip slip;
    slip.nossoNumero = "7";
    slip.faceCents = slip.paidCents = 150;
    dataset::DataPacket p(records::fieldDefs(records::kImport));
    p.column(0).appendText(platform::cp1252ToUtf8(testing::composeCnab240("104", {slip})));
    return "[" + dataset::encodePacket(p) + "]";
}

std::string statementArgs() {
    dataset::DataPacket p(records::fieldDefs(records::kImport));
    p.column(0).appendText(testing::composePixList(
        {{platform::DateTime::fromParts(2026, 12, 2, 10), 150, "E1", "", "", "", ""}}));
    return "[" + dataset::encodePacket(p) + ", 5]";
}

TEST_P(Contract, EveryMethodAnswersWithItsRecord) {
    struct Case {
        const char* method;
        std::function<std::string()> args;
        records::Record answer;
    };
    const auto selected = [this](char situation, const char* extra = "") {
        return [this, situation, extra] {
            return "[" + selectionPacket({orderIn(situation)}) + extra + "]";
        };
    };
    const Case cases[] = {
        {"getPEDCREDCONS", [] { return Filter().args(); }, records::kOrder},
        {"getPEDICREDFAMI", [] { return Filter().args(); }, records::kFamily},
        {"getConsumidor", [] { return std::string(R"(["", "T", 1])"); }, records::kConsumer},
        {"getConsumidor", [] { return std::string(R"(["'CLI001'", "", 1])"); }, records::kConsumer},
        {"setEfetivaSaldo", selected('N'), records::kNoFields},
        {"setCancelaCredito", selected('S'), records::kNoFields},
        {"setSituacao", selected('N', ",\"C\""), records::kNoFields},
        {"setSituacao", selected('C', ",\"N\""), records::kNoFields},
        {"SetImporSaldoCons", importArgs, records::kImportResult},
        {"getRetornoBancario", returnArgs, records::kBankReturnResult},
        {"getConciliacaoExtrato", statementArgs, records::kStatementResult},
    };
    for (const Case& c : cases) {
        const std::string args = c.args();
        SCOPED_TRACE(std::string(c.method) + " " + args.substr(0, 60));
        const Answer a = call(*server_, c.method, args);
        ASSERT_TRUE(a.ok) << a.error;
        const auto& fields = a.packet.fields();
        ASSERT_EQ(fields.size(), c.answer.size());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            EXPECT_EQ(fields[i].name, c.answer[i].name) << "field " << i;
            EXPECT_EQ(fields[i].type, c.answer[i].type) << fields[i].name;
            EXPECT_EQ(fields[i].size, c.answer[i].size) << fields[i].name;
        }
        if (!c.answer.empty()) {
            EXPECT_GT(a.packet.rowCount(), 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, Contract, bothBackends(), backendLabel);

}  // namespace
}  // namespace confcred::servertest
