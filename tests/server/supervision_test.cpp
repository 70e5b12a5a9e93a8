// getHistoricoPedido and getFechamento in-process, on SQLite and (when
// available) PostgreSQL: an order's life read back in order with who did
// each step, and a closing whose sums are the ledger's.

#include <gtest/gtest.h>

#include <cmath>

#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "platform/clock.h"
#include "platform/regional.h"
#include "server/storage/stored_values.h"
#include "storage_fixture.h"

namespace confcred::testing {
namespace {

using dataset::DataPacket;

DataPacket filePacket(const std::string& text) {
    DataPacket p(dataset::records::fieldDefs(dataset::records::kImport));
    p.column(0).appendText(text);
    return p;
}

class Supervision : public BackendTest {
  protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (!IsSkipped())
            open();
    }
    DataPacket selection(const std::string& slip) {
        DataPacket p(dataset::records::fieldDefs(dataset::records::kSelected));
        for (std::size_t f = 0; f < p.fieldCount(); ++f)
            p.column(f).appendNull();
        const auto set = [&](const char* name, const std::string& column) {
            p.column(static_cast<std::size_t>(p.fieldIndex(name)))
                .setText(
                    0, scalar("SELECT " + column + " FROM PEDCREDCONS WHERE NRBOLETO = ?", {slip}));
        };
        set("NRPEDCRECONS", "NRPEDCRECONS");
        set("CDCLIENTE", "CDCLIENTE");
        set("CDCONSUMIDOR", "CDCONSUMIDOR");
        // Undoing a credit checks the order's date-time as the list gave it.
        p.column(static_cast<std::size_t>(p.fieldIndex("DTPEDCRECONS")))
            .setDateTime(
                0, *server::storage::parseStoredDateTime(
                       scalar("SELECT DTPEDCRECONS FROM PEDCREDCONS WHERE NRBOLETO = ?", {slip})));
        return p;
    }
    static std::string text(const DataPacket& p, const char* field, std::size_t row) {
        const auto& c = p.column(static_cast<std::size_t>(p.fieldIndex(field)));
        return c.isNull(row) ? std::string() : std::string(c.textAt(row));
    }
};

TEST_P(Supervision, AnOrdersLifeReadsBackInOrderWithWhoDidIt) {
    const std::string today = platform::formatDate(platform::now());
    ASSERT_EQ(dataset::decodePacket(call("SetImporSaldoCons",
                                         {filePacket("C;CLI001;CONS0001;990001;" + today +
                                                     ";Histórico;ALI=25,00;BEB=4,90\n")},
                                         "ana"))
                  .rowCount(),
              0u);
    call("setEfetivaSaldo", {selection("990001")}, "bruno");
    call("setCancelaCredito", {selection("990001")}, "carla");
    call("setSituacao", {selection("990001"), std::string("C")}, "ana");
    const std::string number =
        scalar("SELECT NRPEDCRECONS FROM PEDCREDCONS WHERE NRBOLETO = '990001'");

    const DataPacket h = callPacket("getHistoricoPedido", {number});
    ASSERT_EQ(h.rowCount(), 4u);
    const struct {
        const char* starts;
        const char* who;
    } want[] = {{"Importado do arquivo de SHA-256 ", "ana"},
                {"Crédito efetivado: ALI R$ 25,00; BEB R$ 4,90", "bruno"},
                {"Efetivação desfeita: ALI -R$ 25,00; BEB -R$ 4,90", "carla"},
                {"Cancelado", "ana"}};
    std::int64_t position = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(text(h, "DSEVENTO", i));
        EXPECT_EQ(text(h, "DSEVENTO", i).rfind(want[i].starts, 0), 0u);
        EXPECT_EQ(text(h, "NMOPERADOR", i), want[i].who);
        EXPECT_EQ(text(h, "IDVERIFICADO", i), "S");
        const std::int64_t p =
            h.column(static_cast<std::size_t>(h.fieldIndex("NRPOSICAO"))).integerAt(i);
        if (i > 1) {
            EXPECT_GT(p, position) << "ledger rows in the order they were written";
        }
        position = p;
    }

    // A ledger row edited behind the server's back: the events from it on no
    // longer verify.
    db_->write([&](server::storage::Session& s) {
        s.executeScript(GetParam() == "postgres" ? "ALTER TABLE LANCSALDO DISABLE TRIGGER USER"
                                                 : "DROP TRIGGER LANCSALDO_SEM_ALTERACAO");
        s.execute("UPDATE LANCSALDO SET NMOPERADOR = 'mallory' WHERE IDLANCSALDO = ?", {position});
    });
    const DataPacket tampered = callPacket("getHistoricoPedido", {number});
    EXPECT_EQ(text(tampered, "IDVERIFICADO", 2), "S");
    EXPECT_EQ(text(tampered, "IDVERIFICADO", 3), "N");
    EXPECT_THROW(call("getHistoricoPedido", {std::string("99999999999999999999")}),
                 server::methods::MethodError);
}

TEST_P(Supervision, TheClosingsSumsAreTheLedgers) {
    const std::string today = platform::formatDate(platform::now());
    ASSERT_EQ(dataset::decodePacket(
                  call("SetImporSaldoCons",
                       {filePacket("C;CLI001;CONS0001;990011;" + today + ";F;ALI=10,00\n" +
                                   "C;CLI002;CONS0011;990012;" + today + ";F;ALI=20,50\n")},
                       "ana"))
                  .rowCount(),
              0u);
    call("setEfetivaSaldo", {selection("990011")}, "bruno");
    call("setEfetivaSaldo", {selection("990012")}, "carla");
    const std::string day = platform::now().datePart().toIso();
    const DataPacket c = callPacket("getFechamento", {day, day});
    std::int64_t effected = 0;
    double sum = 0;
    bool head = false;
    for (std::size_t row = 0; row < c.rowCount(); ++row) {
        const std::string group = text(c, "IDAGRUPAMENTO", row);
        const auto count =
            c.column(static_cast<std::size_t>(c.fieldIndex("QTPEDIDOS"))).integerAt(row);
        const double value =
            c.column(static_cast<std::size_t>(c.fieldIndex("VRTOTAL"))).doubleAt(row);
        if (group == "O" && text(c, "IDOPERACAO", row) == "EFETIVA") {
            effected += count;
            sum += value;
        }
        if (group == "O" && text(c, "IDOPERACAO", row) == "IMPORTACAO" &&
            text(c, "NMOPERADOR", row) == "ana") {
            EXPECT_EQ(count, 2);
        }
        if (group == "H") {
            head = true;
            EXPECT_EQ(text(c, "DSHASHCADEIA", row).size(), 64u);
            EXPECT_EQ(text(c, "IDVERIFICADO", row), "S");
        }
    }
    EXPECT_TRUE(head);
    // The ledger's own figures for the day.
    const std::string from = day.substr(0, 10) + " 00:00:00.000";
    const std::string to = day.substr(0, 10) + " 23:59:59.999";
    EXPECT_EQ(std::to_string(effected),
              scalar("SELECT COUNT(DISTINCT IDPEDCREDCONS) FROM LANCSALDO WHERE IDOPERACAO = "
                     "'EFETIVA' AND DTLANCSALDO BETWEEN ? AND ?",
                     {from, to}));
    EXPECT_EQ(std::llround(sum * 100),
              std::stoll(scalar("SELECT SUM(VRLANCSALDO_CENT) FROM LANCSALDO WHERE IDOPERACAO = "
                                "'EFETIVA' AND DTLANCSALDO BETWEEN ? AND ?",
                                {from, to})));
    EXPECT_THROW(call("getFechamento", {day, std::string("2000-01-01T00:00:00")}),
                 server::methods::MethodError);
}

INSTANTIATE_TEST_SUITE_P(Backends, Supervision, ::testing::Values("sqlite", "postgres"),
                         backendName);

}  // namespace
}  // namespace confcred::testing
