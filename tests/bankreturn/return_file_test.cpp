#include "bankreturn/return_file.h"

#include <gtest/gtest.h>

#include "platform/cp1252.h"
#include "support/return_files.h"

namespace confcred::bankreturn {
namespace {

using confcred::testing::composeCnab240;
using confcred::testing::composeCnab400;
using confcred::testing::ComposedSlip;
using platform::Date;
using platform::DateTime;

DateTime at(int year, int month, int day) {
    return DateTime::fromParts(year, month, day);
}

std::vector<ComposedSlip> sampleSlips(const std::string& settling = "06") {
    ComposedSlip paid{.nossoNumero = "1234567",
                      .digit = "8",
                      .faceCents = 150000,
                      .paidCents = 151250,
                      .feesCents = 1250,
                      .occurrence = settling,
                      .occurrenceDate = Date{2026, 12, 4},
                      .creditDate = Date{2026, 12, 7},
                      .documentNumber = "PED-77"};
    ComposedSlip confirmed = paid;
    confirmed.nossoNumero = "1234568";
    confirmed.digit = "6";
    confirmed.faceCents = 9900;
    confirmed.paidCents = confirmed.feesCents = 0;
    confirmed.occurrence = "02";
    confirmed.occurrenceDate = confirmed.creditDate = std::nullopt;
    confirmed.documentNumber = "PED-78";
    return {paid, confirmed};
}

// The records of a composed file, with what the test expects of them.
void expectSample(const ReturnFile& file, const std::string& bank, bool digitCarried) {
    ASSERT_EQ(file.records.size(), 2u);
    const ReturnRecord& paid = file.records[0];
    EXPECT_EQ(file.bankCode, bank);
    EXPECT_EQ(slipDigits(paid.nossoNumero), "1234567");
    EXPECT_EQ(paid.nossoNumeroDigit, digitCarried ? "8" : "");
    EXPECT_EQ(paid.documentNumber, "PED-77");
    EXPECT_EQ(paid.faceValueCents, 150000);
    EXPECT_EQ(paid.paidCents, 151250);
    EXPECT_EQ(paid.feesCents, 1250);
    EXPECT_EQ(paid.discountCents, 0);
    EXPECT_TRUE(paid.settlement);
    EXPECT_EQ(paid.occurrenceDate, at(2026, 12, 4));
    EXPECT_EQ(paid.creditDate, at(2026, 12, 7));
    const ReturnRecord& confirmed = file.records[1];
    EXPECT_EQ(confirmed.occurrence, "02");
    EXPECT_FALSE(confirmed.settlement);
    EXPECT_EQ(confirmed.occurrenceDate, std::nullopt);
    EXPECT_EQ(confirmed.nossoNumeroDigit, digitCarried ? "6" : "");
}

TEST(ReturnFileTest, Cnab240OfEveryBankReadsBackWithEitherLineEnd) {
    const struct {
        std::string bank;
        bool digit;
    } rows[] = {{"001", true}, {"033", true}, {"104", false}, {"237", true},
                {"341", true}, {"748", true}, {"756", true},  {"422", false}};
    for (const auto& row : rows) {
        for (bool crlf : {true, false}) {
            SCOPED_TRACE(row.bank + (crlf ? " CR LF" : " LF"));
            const ReturnFile file = readReturnFile(composeCnab240(row.bank, sampleSlips(), crlf));
            EXPECT_EQ(file.layout, Layout::Cnab240);
            expectSample(file, row.bank, row.digit);
        }
    }
}

TEST(ReturnFileTest, Cnab400OfEveryBankReadsBackWithEitherLineEnd) {
    const struct {
        std::string bank;
        bool digit;
        bool creditDate;
        std::string settling;
    } rows[] = {{"001", false, true, "15"}, {"033", true, true, "06"}, {"104", false, true, "21"},
                {"237", true, true, "17"},  {"341", true, true, "08"}, {"748", true, false, "06"},
                {"756", true, true, "05"}};
    for (const auto& row : rows) {
        for (bool crlf : {true, false}) {
            SCOPED_TRACE(row.bank + (crlf ? " CR LF" : " LF"));
            const ReturnFile file =
                readReturnFile(composeCnab400(row.bank, sampleSlips(row.settling), crlf));
            EXPECT_EQ(file.layout, Layout::Cnab400);
            if (row.creditDate) {
                expectSample(file, row.bank, row.digit);
            } else {
                ASSERT_EQ(file.records.size(), 2u);
                EXPECT_EQ(file.records[0].creditDate, std::nullopt);
                EXPECT_EQ(file.records[0].paidCents, 151250);
            }
        }
    }
}

}  // namespace
}  // namespace confcred::bankreturn
