// Temporary probes (h4); removed before hand-off.
#include <gtest/gtest.h>

#include <cfloat>

#include "dataset/data_source.h"
#include "dataset/dataset_test_util.h"
#include "dataset/packet_codec.h"
#include "dataset/packet_codec_simdjson.h"
#include "dataset/record_set.h"

namespace confcred::dataset {
namespace {
using testing::makePacket;
using testing::orderDefs;
using testing::viewTexts;

TEST(Probe, StringSizeZeroRoundTrip) {
    RecordSet set;
    set.addField({"A", FieldType::String, 0});
    set.createDataSet();
    set.insert();
    set.fieldByName("A").setAsString("hello world");
    set.post();
    std::string json = encodePacket(set.toPacket());
    EXPECT_NO_THROW(decodePacket(std::string(json)));
}

TEST(Probe, DecodeStringsEscapesWhitespaceNul) {
    std::string json =
        " \n { \"fields\" : [ { \"name\" : \"A\" , \"type\" : \"memo\" } , {\"name\":\"B\",\"type\":"
        "\"datetime\"} ] ,\n \"rows\" : [ [ \"a\\u0000b\" \t, \"2026-01-02T03:04:05\" \n ] , [ "
        "\"plain\"   ,  null ] , [\"tail\\\\\" , null], [\"\\\"q\\\"\", null]  ] } \n\t ";
    DataPacket p = decodePacket(std::string(json));
    ASSERT_EQ(p.rowCount(), 4u);
    EXPECT_EQ(p.column(0).textAt(0), std::string_view("a\0b", 3));
    EXPECT_EQ(p.column(0).textAt(1), "plain");
    EXPECT_EQ(p.column(0).textAt(2), "tail\\");
    EXPECT_EQ(p.column(0).textAt(3), "\"q\"");
    EXPECT_FALSE(p.column(1).isNull(0));
    DataPacket q = decodePacket(std::string_view(json));
    EXPECT_EQ(q.column(0).textAt(0), std::string_view("a\0b", 3));
    // round trip
    DataPacket r = decodePacket(encodePacket(p));
    EXPECT_EQ(r.column(0).textAt(0), std::string_view("a\0b", 3));
    EXPECT_EQ(r.column(0).textAt(2), "tail\\");
}

TEST(Probe, DecodeRefusesControlCharsAndTrailing) {
    EXPECT_THROW(decodePacket(std::string("{\"fields\":[{\"name\":\"A\",\"type\":\"memo\"}],"
                                          "\"rows\":[[\"a\tb\"]]}")),
                 PacketError);
    EXPECT_THROW(decodePacket(std::string("{\"fields\":[],\"rows\":[]} x")), PacketError);
    EXPECT_THROW(decodePacket(std::string("{\"fields\":[],\"rows\":[]}{}")), PacketError);
}

TEST(Probe, PacketValueRowsBeforeFieldsInsideArgs) {
    std::string json =
        "{\"args\": [{\"rows\": [[\"x\"],[\"y\"]], \"fields\": [{\"name\":\"A\",\"type\":"
        "\"memo\"}]}, 5]}";
    reservePacketPadding(json);
    simdjson::ondemand::parser parser;
    auto doc = parser.iterate(json);
    auto args = doc["args"].get_array();
    auto it = args.begin();
    DataPacket p = decodePacketValue(*it);
    EXPECT_EQ(p.rowCount(), 2u);
    ++it;
    int64_t five = 0;
    EXPECT_EQ((*it).get_int64().get(five), simdjson::SUCCESS);
    EXPECT_EQ(five, 5);
}

TEST(Probe, ToPacketAfterEditsOnSharedText) {
    std::string json =
        "{\"fields\":[{\"name\":\"A\",\"type\":\"string\",\"size\":10}],\"rows\":[[\"aa\"],"
        "[\"bb\"],[\"c\\\"c\"]]}";
    RecordSet set;
    set.loadPacket(decodePacket(std::move(json)));
    set.setIndexFieldNames("A");
    set.last();
    set.edit();
    set.fieldByName("A").setAsString("zz");
    set.post();
    set.first();
    set.insert();
    set.fieldByName("A").setAsString("0");
    set.post();
    DataPacket p = set.toPacket();
    std::string out = encodePacket(p);
    DataPacket back = decodePacket(out);
    std::vector<std::string> texts;
    for (size_t r = 0; r < back.rowCount(); ++r)
        texts.emplace_back(back.column(0).textAt(r));
    EXPECT_EQ(texts, (std::vector<std::string>{"aa", "zz", "c\"c", "0"}));
}

TEST(Probe, DisplayTextAtInEditShowsBuffer) {
    RecordSet set;
    testing::declareOrders(set);
    set.loadPacket(makePacket(orderDefs(), {{"P1", "Ana", "1", "2026-01-01", "N"},
                                            {"P2", "Bia", "2", "2026-01-02", "S"}}));
    set.edit();
    set.fieldByName("NOME").setAsString("Zed");
    EXPECT_EQ(set.displayTextAt(0, 1), "Zed");
    EXPECT_EQ(set.displayTextAt(1, 1), "Bia");
}

TEST(Probe, ThrowingAfterScrollDuringLoad) {
    RecordSet set;
    testing::declareOrders(set);
    bool arm = true;
    set.setAfterScroll([&](RecordSet&) {
        if (arm)
            throw std::runtime_error("x");
    });
    EXPECT_THROW(set.loadPacket(makePacket(orderDefs(), {{"P1", "Ana", "1", "2026-01-01", "N"},
                                                         {"P2", "Bia", "2", "2026-01-02", "S"}})),
                 std::runtime_error);
    EXPECT_EQ(set.state(), DataSetState::Browse);
    EXPECT_EQ(set.recordCount(), 2u);
    EXPECT_THROW(set.next(), std::runtime_error);
    EXPECT_EQ(set.recNo(), 2u);
    arm = false;
    set.first();
    EXPECT_EQ(set.recNo(), 1u);
}

TEST(Probe, PostMovesOutOfFilteredOrderedView) {
    RecordSet set;
    testing::declareOrders(set);
    set.loadPacket(makePacket(orderDefs(), {{"P3", "Ana", "1", "2026-01-01", "N"},
                                            {"P1", "Bia", "2", "2026-01-02", "N"},
                                            {"P2", "Caio", "2", "2026-01-02", "N"},
                                            {"P4", "Dani", "2", "2026-01-02", "S"}}));
    set.setIndexFieldNames("NRPEDCRECONS");
    set.setFilter("IDCHECK = 'N'");
    set.setFiltered(true);
    EXPECT_EQ(viewTexts(set, 0), (std::vector<std::string>{"P1", "P2", "P3"}));
    set.next();  // P2
    set.edit();
    set.fieldByName("IDCHECK").setAsString("S");
    set.post();
    EXPECT_EQ(viewTexts(set, 0), (std::vector<std::string>{"P1", "P3"}));
    EXPECT_EQ(set.fieldByName("NRPEDCRECONS").asString(), "P3");
    set.edit();
    set.fieldByName("NRPEDCRECONS").setAsString("P0");
    set.post();
    EXPECT_EQ(viewTexts(set, 0), (std::vector<std::string>{"P0", "P1"}));
    EXPECT_EQ(set.fieldByName("NRPEDCRECONS").asString(), "P0");
    EXPECT_EQ(set.recNo(), 1u);
    // walk sets all to S
    set.setFiltered(false);
    set.first();
    while (!set.eof()) {
        set.edit();
        set.fieldByName("IDCHECK").setAsString("S");
        set.post();
        set.next();
    }
    set.setFilter("IDCHECK = 'N'");
    set.setFiltered(true);
    EXPECT_EQ(set.recordCount(), 0u);
    set.setFilter("IDCHECK = 'S'");
    EXPECT_EQ(set.recordCount(), 4u);
}

TEST(Probe, CancelInsertInFilteredView) {
    RecordSet set;
    testing::declareOrders(set);
    set.loadPacket(makePacket(orderDefs(), {{"P3", "Ana", "1", "2026-01-01", "N"},
                                            {"P1", "Bia", "2", "2026-01-02", "N"}}));
    set.setFilter("IDCHECK = 'X'");
    set.setFiltered(true);
    EXPECT_TRUE(set.isEmpty());
    set.insert();
    set.cancel();
    EXPECT_TRUE(set.eof());
    EXPECT_TRUE(set.bof());
    set.insert();
    set.fieldByName("IDCHECK").setAsString("X");
    set.post();
    EXPECT_EQ(set.recordCount(), 1u);
    set.insert();
    set.fieldByName("IDCHECK").setAsString("X");
    set.fieldByName("NRPEDCRECONS").setAsString("Q");
    set.post();
    EXPECT_EQ(set.recordCount(), 2u);
    EXPECT_EQ(set.fieldByName("NRPEDCRECONS").asString(), "Q");
    EXPECT_EQ(set.recNo(), 1u);
}

TEST(Probe, BookmarksAcrossCloseCreate) {
    RecordSet set;
    testing::declareOrders(set);
    set.createDataSet();
    set.append();
    set.post();
    Bookmark b = set.bookmark();
    EXPECT_TRUE(set.bookmarkValid(b));
    set.close();
    EXPECT_FALSE(set.bookmarkValid(b));
    set.createDataSet();
    set.append();
    set.post();
    EXPECT_FALSE(set.bookmarkValid(b));
}

struct Reentrant : RecordSetObserver {
    RecordSet* set = nullptr;
    std::vector<std::unique_ptr<Reentrant>>* pool = nullptr;
    int calls = 0;
    void recordSetChanged(RecordSet& s, RecordSetEvent) override {
        ++calls;
        if (pool != nullptr && pool->size() < 5) {
            pool->push_back(std::make_unique<Reentrant>());
            s.addObserver(pool->back().get());
        }
        s.removeObserver(this);
    }
};

TEST(Probe, ObserversAddRemoveWhileNotified) {
    RecordSet set;
    testing::declareOrders(set);
    std::vector<std::unique_ptr<Reentrant>> pool;
    Reentrant r;
    r.pool = &pool;
    set.addObserver(&r);
    set.createDataSet();
    set.append();
    set.post();
    EXPECT_EQ(r.calls, 1);
    for (auto& p : pool)
        set.removeObserver(p.get());
}

TEST(Probe, OrderingNullsAndStability) {
    RecordSet set;
    set.addField({"K", FieldType::Integer, 0});
    set.addField({"T", FieldType::String, 5});
    set.loadPacket(makePacket(set.fieldDefs(), {{"2", "a"},
                                                {std::nullopt, "b"},
                                                {"1", std::nullopt},
                                                {"2", "c"},
                                                {std::nullopt, ""},
                                                {"1", "d"}}));
    set.setIndexFieldNames("K");
    EXPECT_EQ(viewTexts(set, 1), (std::vector<std::string>{"b", "", "", "d", "a", "c"}));
    set.setIndexFieldNames("T");
    std::vector<size_t> rows;
    for (size_t i = 0; i < set.recordCount(); ++i)
        rows.push_back(set.storageRowAt(i));
    EXPECT_EQ(rows, (std::vector<size_t>{2, 4, 0, 1, 3, 5}));
    set.setIndexFieldNames("K;T");
    set.loadPacket(set.toPacket());
    EXPECT_EQ(set.indexFieldNames(), "K;T");
    rows.clear();
    for (size_t i = 0; i < set.recordCount(); ++i)
        rows.push_back(set.storageRowAt(i));
    EXPECT_EQ(rows, (std::vector<size_t>{4, 1, 2, 5, 0, 3}));
}

TEST(Probe, FilterOddInputs) {
    RecordSet set;
    set.addField({"N", FieldType::String, 20});
    set.loadPacket(makePacket(set.fieldDefs(), {{"O'Brien"}, {""}, {std::nullopt}, {"ação"},
                                                {"a\\"}}));
    set.setFilter("N = ''");
    set.setFiltered(true);
    EXPECT_EQ(set.recordCount(), 2u);
    set.setFilter("N = 'O''Brien'");
    EXPECT_EQ(set.recordCount(), 1u);
    set.setFilter("N = 'ação'");
    EXPECT_EQ(set.recordCount(), 1u);
    set.setFilter("N = 'a\\'");
    EXPECT_EQ(set.recordCount(), 1u);
    set.setFilter("N <> ''");
    EXPECT_EQ(set.recordCount(), 3u);
}

TEST(Probe, InsertOnEmptyAndAppendWithOrder) {
    RecordSet set;
    testing::declareOrders(set);
    set.setIndexFieldNames("NOME");
    set.createDataSet();
    set.insert();
    set.fieldByName("NOME").setAsString("M");
    set.post();
    set.insert();
    set.fieldByName("NOME").setAsString("A");
    set.post();
    EXPECT_EQ(set.recNo(), 1u);
    set.append();
    set.fieldByName("NOME").setAsString("Z");
    set.post();
    EXPECT_EQ(set.recNo(), 3u);
    EXPECT_EQ(viewTexts(set, 1), (std::vector<std::string>{"A", "M", "Z"}));
    DataPacket p = set.toPacket();
    std::vector<std::string> nat;
    for (size_t r = 0; r < p.rowCount(); ++r)
        nat.emplace_back(p.column(1).textAt(r));
    EXPECT_EQ(nat, (std::vector<std::string>{"M", "A", "Z"}));
}

}  // namespace
}  // namespace confcred::dataset
