// The marking of a bank return answer on the order list, without a server:
// only the matched orders are ticked, other ticks stay, the first matched
// order becomes current, matched orders outside the list are named, and the
// records not marked are what the report lists and exports.
#include <gtest/gtest.h>

#include "dataset/record_set.h"
#include "dataset/records.h"
#include "package/core/bank_return_run.h"
#include "package/core/order_fields.h"

namespace confcred::testing {
namespace {

namespace br = package::bank_return;
using dataset::DataPacket;

DataPacket answerOf(const std::vector<std::array<std::string, 3>>& rows) {
    DataPacket p(dataset::records::fieldDefs(dataset::records::kBankReturnResult));
    for (const auto& [order, result, text] : rows) {
        for (size_t f = 0; f < p.fieldCount(); ++f) {
            const std::string& name = p.fields()[f].name;
            if (name == "NRPEDCRECONS")
                p.column(f).appendText(order);
            else if (name == "IDRESULTADO")
                p.column(f).appendText(result);
            else if (name == "DSRESULTADO")
                p.column(f).appendText(text);
            else if (name == "VRPAGO")
                p.column(f).appendDouble(12.5);
            else if (name == "VRPEDCRECONS")
                p.column(f).appendDouble(10.0);
            else if (name == "DSAVISO" && &text == &rows.back()[2])
                p.column(f).appendText("2 linhas com brancos finais ajustados");
            else
                p.column(f).appendNull();
        }
    }
    return p;
}

TEST(BankReturnRun, TicksOnlyTheMatchedAndReportsTheRest) {
    dataset::RecordSet orders("cdsGetPediCreCons");
    package::declareOrderFields(orders);
    DataPacket list(orders.fieldDefs());
    for (const char* number : {"001", "002", "003", "004"})
        for (size_t f = 0; f < list.fieldCount(); ++f)
            list.fields()[f].name == "NRPEDCRECONS" ? list.column(f).appendText(number)
            : list.fields()[f].name == "IDCHECK"    ? list.column(f).appendText("N")
                                                    : list.column(f).appendNull();
    orders.loadPacket(std::move(list));
    orders.setRecNo(2);  // the operator's own tick on 002 stays
    orders.edit();
    orders.fieldByName("IDCHECK").setAsString("S");
    orders.post();

    br::ReturnOutcome outcome;
    br::markMatched(orders,
                    answerOf({{"003", "M", ""},
                              {"001", "V", "Valor pago; \"outro\""},
                              {"009", "M", ""},
                              {"004", "M", ""},
                              {"", "X", "Nenhum pedido"},
                              {"", "O", "Não é liquidação"}}),
                    outcome);
    std::string ticks;
    for (size_t row = 0; row < orders.recordCount(); ++row)
        ticks += orders.column(orders.fieldByName("IDCHECK").index()).textAt(row);
    EXPECT_EQ(ticks, "NSSS");
    EXPECT_EQ(orders.fieldByName("NRPEDCRECONS").asString(), "003");
    EXPECT_EQ(outcome.ticked, 2u);
    EXPECT_EQ(outcome.unlisted, std::vector<std::string>{"009"});
    EXPECT_EQ(outcome.totals[0].count, 3u);  // M
    EXPECT_EQ(outcome.totals[0].paidCents, 3750);
    EXPECT_EQ(outcome.exceptions.rowCount(), 3u);
    // The whole file's totals: the record that is no settlement counts only
    // as read; the matched orders' value is theirs, not the amount paid.
    EXPECT_EQ(outcome.closing.read, 6u);
    EXPECT_EQ(outcome.closing.settled, 5u);
    EXPECT_EQ(outcome.closing.matched, 3u);
    EXPECT_EQ(outcome.closing.paidCents, 6250);
    EXPECT_EQ(outcome.closing.matchedOrderCents, 3000);
    EXPECT_EQ(outcome.notice, QStringLiteral("2 linhas com brancos finais ajustados"));

    const std::string csv = br::exceptionsCsv(outcome.exceptions, &outcome.closing);
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(csv.find(";12,50;;;V;\"Valor pago; \"\"outro\"\"\";;;;\r\n"), std::string::npos)
        << csv;
    EXPECT_NE(csv.find(";X;Nenhum pedido;;;;\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(";Desconto\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("\r\n\r\nBoletos lidos;6\r\nLiquidados;5\r\nConferidos com pedido;3\r\n"
                       "Valor pago (liquidações);R$ 62,50\r\n"
                       "Valor dos pedidos conferidos;R$ 30,00\r\n"),
              std::string::npos)
        << csv;
}

}  // namespace
}  // namespace confcred::testing
