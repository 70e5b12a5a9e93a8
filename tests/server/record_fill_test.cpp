// A record's packet filled from a statement by column name: the order of the
// columns does not matter, their case neither (PostgreSQL gives lower case),
// and a field without a column or a column without a field stops the fill
// before any value lands in a wrong field.

#include <gtest/gtest.h>

#include "server/storage/record_fill.h"
#include "server/storage/sqlite_backend.h"
#include "support/temp_dir.h"

namespace confcred::server {
namespace {

using dataset::FieldType;

struct Case {
    const char* name;
    const char* sql;
    bool fills;
};

class RecordFillTest : public ::testing::TestWithParam<Case> {};

TEST_P(RecordFillTest, FillsByNameOrRefuses) {
    testing::TempDir dir;
    const auto session = storage::openSqliteSession((dir.path() / "fill.db").string());
    dataset::DataPacket packet({{"IDCHECK", FieldType::FixedString, 1},
                                {"NMCLIENTE", FieldType::String, 20},
                                {"VRPEDIDO", FieldType::Double, 0},
                                {"DTPEDIDO", FieldType::DateTime, 0},
                                {"NRITENS", FieldType::Integer, 0}});
    storage::RecordFill fill(packet, {storage::DerivedField::fixed("IDCHECK", "N")});
    const auto run = [&] {
        session->query(GetParam().sql, {}, [&](const storage::Row& r) { fill(r); });
    };
    if (!GetParam().fills) {
        EXPECT_THROW(run(), std::logic_error);
        EXPECT_EQ(packet.rowCount(), 0u);
        return;
    }
    run();
    ASSERT_EQ(packet.rowCount(), 2u);
    EXPECT_EQ(packet.column(0).textAt(1), "N");
    EXPECT_EQ(packet.column(1).textAt(0), "Ana");
    EXPECT_TRUE(packet.column(1).isNull(1));
    EXPECT_EQ(packet.column(2).doubleAt(0), 12.5);
    EXPECT_EQ(packet.column(3).dateTimeAt(0), platform::DateTime::fromParts(2026, 12, 7, 10));
    EXPECT_TRUE(packet.column(3).isNull(1));  // not a stored date-time
    EXPECT_EQ(packet.column(4).integerAt(0), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, RecordFillTest,
    ::testing::Values(
        Case{"InRecordOrder",
             "SELECT 'Ana' AS NMCLIENTE, 1250 AS VRPEDIDO_CENT,"
             " '2026-12-07 10:00:00.000' AS DTPEDIDO, 3 AS NRITENS"
             " UNION ALL SELECT NULL, 0, 'x', 0",
             true},
        Case{"AnyOrderAnyCase",
             "SELECT 3 AS nritens, '2026-12-07 10:00:00.000' AS dtpedido, 'Ana' AS nmcliente,"
             " 1250 AS vrpedido_cent UNION ALL SELECT 0, 'x', NULL, 0",
             true},
        Case{"ValueAsNumber",
             "SELECT 'Ana' AS NMCLIENTE, 12.5 AS VRPEDIDO,"
             " '2026-12-07 10:00:00.000' AS DTPEDIDO, 3 AS NRITENS"
             " UNION ALL SELECT NULL, 0, 'x', 0",
             true},
        Case{"FieldWithoutColumn", "SELECT 'Ana' AS NMCLIENTE, 1250 AS VRPEDIDO_CENT, 3 AS NRITENS",
             false},
        Case{"ColumnWithoutField",
             "SELECT 'Ana' AS NMCLIENTE, 1250 AS VRPEDIDO_CENT,"
             " '2026-12-07 10:00:00.000' AS DTPEDIDO, 3 AS NRITENS, 'x' AS NMOUTRO",
             false},
        Case{"ConstantFieldAlsoSelected",
             "SELECT 'S' AS IDCHECK, 'Ana' AS NMCLIENTE, 1250 AS VRPEDIDO_CENT,"
             " '2026-12-07 10:00:00.000' AS DTPEDIDO, 3 AS NRITENS",
             false}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace confcred::server
