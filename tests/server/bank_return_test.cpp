// getRetornoBancario in-process, on SQLite and (when available) PostgreSQL:
// every result letter, the slip rules, and that reading a file changes nothing.

#include <gtest/gtest.h>

#include "dataset/records.h"
#include "storage_fixture.h"
#include "support/return_files.h"

namespace confcred::testing {
namespace {

using dataset::DataPacket;

DataPacket filePacket(const std::string& text) {
    DataPacket p(dataset::records::fieldDefs(dataset::records::kImport));
    p.column(0).appendText(text);
    return p;
}

class BankReturn : public BackendTest {
  protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (!IsSkipped())
            open();
    }
    std::string number(const std::string& slip) {
        return scalar("SELECT NRPEDCRECONS FROM PEDCREDCONS WHERE NRBOLETO = ?", {slip});
    }
};

TEST_P(BankReturn, EachRecordGetsItsResultAndNothingChanges) {
    // Pending orders of 10,00 to 50,00; the fourth effected, the fifth cancelled.
    ASSERT_EQ(callPacket("SetImporSaldoCons",
                         {filePacket("C;CLI001;CONS0001;00000000101;07/12/2026;R;ALI=10\n"
                                     "C;CLI001;CONS0001;1027;07/12/2026;R;ALI=20\n"
                                     "C;CLI001;CONS0001;103;07/12/2026;R;ALI=30\n"
                                     "C;CLI001;CONS0001;104;07/12/2026;R;ALI=40\n"
                                     "C;CLI001;CONS0001;105;07/12/2026;R;ALI=50\n")})
                  .rowCount(),
              0u);
    DataPacket effect(dataset::records::fieldDefs(dataset::records::kSelected));
    for (std::size_t f = 0; f < effect.fieldCount(); ++f)
        effect.column(f).appendNull();
    effect.column(static_cast<std::size_t>(effect.fieldIndex("NRPEDCRECONS")))
        .setText(0, number("104"));
    effect.column(static_cast<std::size_t>(effect.fieldIndex("CDCLIENTE"))).setText(0, "CLI001");
    effect.column(static_cast<std::size_t>(effect.fieldIndex("CDCONSUMIDOR")))
        .setText(0, "CONS0001");
    call("setEfetivaSaldo", {effect});
    effect.column(static_cast<std::size_t>(effect.fieldIndex("NRPEDCRECONS")))
        .setText(0, number("105"));
    call("setSituacao", {effect, std::string("C")});

    const platform::Date credited{2026, 12, 8};
    const auto slip = [&](std::string nosso, std::string digit, std::int64_t paid,
                          std::string occurrence = "06") {
        ComposedSlip s;
        s.nossoNumero = std::move(nosso);
        s.digit = std::move(digit);
        s.faceCents = s.paidCents = paid;
        s.occurrence = std::move(occurrence);
        s.occurrenceDate = s.creditDate = credited;
        return s;
    };
    // Bradesco's CNAB 240: an 11-digit slip and its check digit beside it.
    const std::string file = composeCnab240("237", {
                                                       slip("101", "5", 1000),     // M, zeros aside
                                                       slip("102", "7", 2000),     // M, with digit
                                                       slip("103", "1", 2500),     // V
                                                       slip("104", "1", 4000),     // E
                                                       slip("105", "1", 5000),     // C
                                                       slip("101", "5", 1000),     // D
                                                       slip("999", "1", 100),      // X
                                                       slip("101", "5", 0, "02"),  // O
                                                   });
    const std::string ledger = scalar("SELECT COUNT(*) FROM LANCSALDO");
    const auto p = callPacket("getRetornoBancario", {filePacket(file)});
    const auto col = [&](const char* name) -> const dataset::Column& {
        return p.column(static_cast<std::size_t>(p.fieldIndex(name)));
    };
    ASSERT_EQ(p.rowCount(), 8u);
    std::string letters;
    for (std::size_t r = 0; r < p.rowCount(); ++r)
        letters += col("IDRESULTADO").textAt(r);
    EXPECT_EQ(letters, "MMVECDXO");
    EXPECT_EQ(col("NRPEDCRECONS").textAt(0), number("00000000101"));
    EXPECT_EQ(col("NRPEDCRECONS").textAt(1), number("1027"));
    EXPECT_EQ(col("NRPEDCRECONS").textAt(5), number("00000000101"));
    EXPECT_EQ(col("NRPEDCRECONS").textAt(6), "");
    EXPECT_TRUE(col("VRPEDCRECONS").isNull(6));
    EXPECT_EQ(col("CDCLIENTE").textAt(2), "CLI001");
    EXPECT_DOUBLE_EQ(col("VRPEDCRECONS").doubleAt(2), 30.0);
    EXPECT_DOUBLE_EQ(col("VRPAGO").doubleAt(2), 25.0);
    EXPECT_NE(std::string(col("DSRESULTADO").textAt(2)).find("R$ 25,00"), std::string::npos);
    EXPECT_EQ(col("DTCREDITO").dateTimeAt(0).datePart().date(), credited);
    EXPECT_EQ(col("CDOCORRENCIA").textAt(7), "02");
    EXPECT_EQ(col("NRBOLETO").textAt(0), "00000000101");
    // A query: the matched orders are still pending, the ledger as it was.
    EXPECT_EQ(scalar("SELECT IDPEDCREEXTR FROM PEDCREDCONS WHERE NRBOLETO = '1027'"), "N");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM LANCSALDO"), ledger);
}

TEST_P(BankReturn, SlipsOfTwentyDigitsMatchWholeAndAnUnknownSlipSettlesOnce) {
    // The second slip is the first without its leading 1; a bank of the plain
    // FEBRABAN layout carries all twenty digits.
    const std::string longSlip = "12345678901234567890", shorter = longSlip.substr(1);
    ASSERT_EQ(callPacket("SetImporSaldoCons",
                         {filePacket("C;CLI001;CONS0001;" + longSlip + ";07/12/2026;R;ALI=10\n" +
                                     "C;CLI001;CONS0001;" + shorter + ";07/12/2026;R;ALI=20\n")})
                  .rowCount(),
              0u);
    const auto slip = [](std::string nosso, std::int64_t paid) {
        ComposedSlip s;
        s.nossoNumero = std::move(nosso);
        s.faceCents = s.paidCents = paid;
        return s;
    };
    const auto p =
        callPacket("getRetornoBancario",
                   {filePacket(composeCnab240("070", {slip(shorter, 2000), slip(longSlip, 1000),
                                                      slip("777", 100), slip("0777", 100)}))});
    const auto col = [&](const char* name) -> const dataset::Column& {
        return p.column(static_cast<std::size_t>(p.fieldIndex(name)));
    };
    ASSERT_EQ(p.rowCount(), 4u);
    std::string letters;
    for (std::size_t r = 0; r < p.rowCount(); ++r)
        letters += col("IDRESULTADO").textAt(r);
    EXPECT_EQ(letters, "MMXD");
    EXPECT_EQ(col("NRPEDCRECONS").textAt(0), number(shorter));
    EXPECT_EQ(col("NRPEDCRECONS").textAt(1), number(longSlip));
}

// A run of consecutive slips is read as one range of the slip index: each
// record still gets its own order, and an order whose slip holds a letter
// (matched by its digits) is found once, not again by the range.
TEST_P(BankReturn, ARunOfSlipsMatchesEachRecordToItsOrder) {
    std::string file;
    for (int i = 0; i < 40; ++i)
        file += "C;CLI001;CONS0001;" + std::to_string(5000 + i) + ";07/12/2026;R;ALI=10\n";
    file += "C;CLI001;CONS0002;A5020;07/12/2026;R;ALI=11\n";
    ASSERT_EQ(callPacket("SetImporSaldoCons", {filePacket(file)}).rowCount(), 0u);
    ASSERT_LT(40 * 8, std::stoi(scalar("SELECT COUNT(*) FROM PEDCREDCONS")))
        << "few slips among many orders: looked up, not read in one pass";
    std::vector<ComposedSlip> slips;
    for (int i = 0; i < 40; ++i) {
        ComposedSlip s;
        s.nossoNumero = std::to_string(5000 + i);
        s.faceCents = s.paidCents = 1000;
        slips.push_back(s);
    }
    slips[20].paidCents = slips[20].faceCents = 1100;  // the lettered slip's amount
    const auto p = callPacket("getRetornoBancario", {filePacket(composeCnab240("070", slips))});
    ASSERT_EQ(p.rowCount(), 40u);
    const auto& orders = p.column(static_cast<std::size_t>(p.fieldIndex("NRPEDCRECONS")));
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(orders.textAt(static_cast<std::size_t>(i)),
                  number(i == 20 ? "A5020" : std::to_string(5000 + i)))
            << i;
}

// What the bank reported beside the result, and the reader's word on the
// file as a whole on the last row: Bradesco's CNAB 240 with its lines'
// trailing blanks lost in transit.
TEST_P(BankReturn, TheBanksFiguresAndTheFilesNoticeCloseTheAnswer) {
    ComposedSlip paid;
    paid.nossoNumero = "555";
    paid.faceCents = 10000;
    paid.paidCents = 10250;
    paid.feesCents = 400;
    paid.discountCents = 150;
    paid.tariffCents = 245;
    ComposedSlip odd = paid;
    odd.occurrence = "99";
    const std::string exact = composeCnab240("237", {paid, odd});
    std::string file;
    for (std::size_t start = 0; start < exact.size();) {
        const std::size_t end = exact.find("\r\n", start);
        std::string record = exact.substr(start, end - start);
        file += record.erase(record.find_last_not_of(' ') + 1) + "\r\n";
        start = end + 2;
    }
    const auto p = callPacket("getRetornoBancario", {filePacket(file)});
    const auto col = [&](const char* name) -> const dataset::Column& {
        return p.column(static_cast<std::size_t>(p.fieldIndex(name)));
    };
    ASSERT_EQ(p.rowCount(), 2u);
    EXPECT_EQ(col("DSOCORRENCIA").textAt(0), "06 Liquidação");
    EXPECT_EQ(col("DSOCORRENCIA").textAt(1), "99 Ocorrência sem descrição na tabela do banco");
    EXPECT_DOUBLE_EQ(col("VRTARIFA").doubleAt(0), 2.45);
    EXPECT_DOUBLE_EQ(col("VRJUROS").doubleAt(0), 4.0);
    EXPECT_DOUBLE_EQ(col("VRDESCONTO").doubleAt(0), 1.5);
    EXPECT_TRUE(col("DSAVISO").isNull(0));
    EXPECT_EQ(col("DSAVISO").textAt(1), "8 linhas com brancos finais ajustados");
}

TEST_P(BankReturn, ARefusedFileIsAnErrorNamingItsLine) {
    ComposedSlip one;
    one.nossoNumero = "1";
    one.faceCents = one.paidCents = 100;
    std::string file = composeCnab240("104", {one});
    file[file.find("\r\n") + 2 + 7] = 'Z';  // the second line's record type
    try {
        call("getRetornoBancario", {filePacket(file)});
        ADD_FAILURE() << "no error";
    } catch (const server::methods::MethodError& e) {
        EXPECT_NE(std::string(e.what()).find("Linha 2"), std::string::npos) << e.what();
    }
    DataPacket empty(dataset::records::fieldDefs(dataset::records::kImport));
    EXPECT_THROW(call("getRetornoBancario", {empty}), server::methods::ArgumentError);
}

INSTANTIATE_TEST_SUITE_P(Backends, BankReturn, ::testing::Values("sqlite", "postgres"),
                         backendName);

}  // namespace
}  // namespace confcred::testing
