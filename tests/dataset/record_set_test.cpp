// Record sets: loading, cursor and after-scroll, bookmarks, reading fields.

#include "dataset/record_set.h"

#include <gtest/gtest.h>

#include "dataset/dataset_test_util.h"

namespace confcred::dataset {
namespace {

using testing::EventLog;
using testing::makePacket;
using testing::orderDefs;
using testing::viewTexts;

DataPacket fiveOrders() {
    return makePacket(orderDefs(), {
                                       {"P1", "Carla", "10.5", "2026-12-07", "N"},
                                       {"P2", "Ana", "3", "2026-12-07T10:00:00", "S"},
                                       {"P3", "Bruno", std::nullopt, std::nullopt, "N"},
                                       {"P4", "Ana", "-1", "2025-01-31", "N"},
                                       {"P5", "Edu", "7", "2026-01-01", "S"},
                                   });
}

struct Loaded : ::testing::Test {
    RecordSet set{"cdsPedidos"};
    EventLog log;
    int scrolls = 0;
    void SetUp() override {
        testing::declareOrders(set);
        set.loadPacket(fiveOrders());
        log.attach(set);
        set.setAfterScroll([this](RecordSet&) { ++scrolls; });
    }
    std::string cur(const char* name) { return set.fieldByName(name).asString(); }
};

TEST(RecordSetLoad, MatchesDeclaredFieldsByNameWhateverTheirOrder) {
    RecordSet set;
    set.addField({"valor", FieldType::Double, 0});
    set.addField({"Nome", FieldType::String, 20});
    const std::vector<FieldDef> packetDefs = {{"EXTRA", FieldType::Integer, 0},
                                              {"NOME", FieldType::FixedString, 20},
                                              {"VALOR", FieldType::Integer, 0}};
    int scrolls = 0;
    set.setAfterScroll([&](RecordSet&) { ++scrolls; });
    set.loadPacket(makePacket(packetDefs, {{"1", "Ana", "12"}, {"2", "Bia", std::nullopt}}));
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(set.state(), DataSetState::Browse);
    ASSERT_EQ(set.recordCount(), 2u);
    EXPECT_EQ(set.fieldByName("NOME").asString(), "Ana");
    EXPECT_EQ(set.fieldByName("VALOR").asDouble(), 12.0);  // integers adopted as numbers
    EXPECT_EQ(set.column(0).type(), FieldType::Double);
    set.next();
    EXPECT_TRUE(set.fieldByName("VALOR").isNull());
    const DataPacket back = set.toPacket();
    ASSERT_EQ(back.fieldCount(), 2u);
    EXPECT_EQ(back.fields()[0].name, "valor");
    EXPECT_EQ(back.column(1).textAt(1), "Bia");
}

TEST(RecordSetLoad, WithoutDeclaredFieldsTakesThePacketFields) {
    RecordSet set;
    set.loadPacket(fiveOrders());
    EXPECT_EQ(set.fieldCount(), orderDefs().size());
    EXPECT_EQ(set.fieldByName("nome").asString(), "Carla");
    EXPECT_THROW(set.fieldByName("NADA"), DataSetError);
}

TEST_F(Loaded, RefusedLoadsLeaveTheSetExactlyAsItWas) {
    set.setFilter("IDCHECK = 'N'");
    set.setFiltered(true);
    set.setIndexFieldNames("NOME");
    set.next();
    const Bookmark mark = set.bookmark();
    const auto before = viewTexts(set, 0);
    const std::string current = cur("NRPEDCRECONS");
    log.events.clear();
    scrolls = 0;

    auto withoutField = [](std::string_view name) {
        std::vector<FieldDef> defs;
        for (const FieldDef& d : orderDefs()) {
            if (d.name != name)
                defs.push_back(d);
        }
        return makePacket(defs, {});
    };
    auto withType = [](std::string_view name, FieldType t) {
        std::vector<FieldDef> defs = orderDefs();
        for (FieldDef& d : defs) {
            if (d.name == name)
                d.type = t;
        }
        return makePacket(defs, {});
    };
    DataPacket ragged = fiveOrders();
    ragged.column(2).appendDouble(1);  // VALOR one row longer than the others
    DataPacket fractional = makePacket({{"VALOR", FieldType::Double, 0}}, {{"2.5"}});
    struct Case {
        const char* name;
        DataPacket packet;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"missing field", withoutField("DTCRED"), "DTCRED"});
    cases.push_back({"number for text", withType("NOME", FieldType::Double), "NOME"});
    cases.push_back({"text for a number", withType("VALOR", FieldType::String), "VALOR"});
    cases.push_back({"number for a date", withType("DTCRED", FieldType::Integer), "DTCRED"});
    cases.push_back({"date for text", withType("IDCHECK", FieldType::DateTime), "IDCHECK"});
    cases.push_back({"columns of different lengths", std::move(ragged), "malformado"});
    cases.push_back({"empty packet", DataPacket(), "DataPacket"});
    for (Case& c : cases) {
        try {
            set.loadPacket(std::move(c.packet));
            ADD_FAILURE() << c.name << ": loaded";
        } catch (const DataSetError& e) {
            if (std::string(c.message) != "DataPacket") {
                EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                    << c.name << ": " << e.what();
            }
        }
        EXPECT_EQ(viewTexts(set, 0), before) << c.name;
        EXPECT_EQ(cur("NRPEDCRECONS"), current) << c.name;
        EXPECT_TRUE(set.bookmarkValid(mark)) << c.name;
    }
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(scrolls, 0);

    // A declared integer refuses a fractional value, naming it and its row.
    RecordSet ints;
    ints.addField({"VALOR", FieldType::Integer, 0});
    try {
        ints.loadPacket(std::move(fractional));
        ADD_FAILURE() << "2.5 loaded into an integer";
    } catch (const DataSetError& e) {
        EXPECT_NE(std::string(e.what()).find("2,5 na linha 1"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(ints.active());
}

TEST_F(Loaded, ReloadKeepsFilterAndOrderingAndInvalidatesBookmarks) {
    set.setIndexFieldNames("NOME");
    set.setFilter("IDCHECK = 'N'");
    set.setFiltered(true);
    const Bookmark mark = set.bookmark();
    ASSERT_TRUE(set.bookmarkValid(mark));
    scrolls = 0;
    set.loadPacket(fiveOrders());
    EXPECT_EQ(scrolls, 1);
    EXPECT_FALSE(set.bookmarkValid(mark));  // same row number, new content
    EXPECT_THROW(set.gotoBookmark(mark), DataSetError);
    EXPECT_EQ(viewTexts(set, 1), (std::vector<std::string>{"Ana", "Bruno", "Carla"}));
    EXPECT_EQ(set.filter(), "IDCHECK = 'N'");
    EXPECT_TRUE(set.filtered());
}

TEST_F(Loaded, AfterScrollRunsOnEveryChangeOfCurrentRecordOnly) {
    struct Step {
        const char* name;
        std::function<void(RecordSet&)> action;
        int scrolls;  // after-scroll calls the step causes
        size_t recNo;
        bool eof;
    };
    const Bookmark second = [&] {
        set.next();
        Bookmark b = set.bookmark();
        set.first();
        return b;
    }();
    scrolls = 0;
    log.events.clear();
    const std::vector<Step> steps = {
        {"first", [](RecordSet& s) { s.first(); }, 1, 1, false},
        {"prior at the first record", [](RecordSet& s) { s.prior(); }, 0, 1, false},
        {"next", [](RecordSet& s) { s.next(); }, 1, 2, false},
        {"last", [](RecordSet& s) { s.last(); }, 1, 5, true},
        {"next at the end", [](RecordSet& s) { s.next(); }, 0, 5, true},
        {"setRecNo to the same", [](RecordSet& s) { s.setRecNo(5); }, 0, 5, true},
        {"setRecNo", [](RecordSet& s) { s.setRecNo(3); }, 1, 3, false},
        {"setRecNo past the end clamps", [](RecordSet& s) { s.setRecNo(99); }, 1, 5, false},
        {"gotoBookmark", [&](RecordSet& s) { s.gotoBookmark(second); }, 1, 2, false},
        {"ordering keeps the record", [](RecordSet& s) { s.setIndexFieldNames("NOME"); }, 0, 1,
         false},
        {"filter change", [](RecordSet& s) { s.setFilter("VALOR > 0"); }, 0, 1, false},
        {"filtered on", [](RecordSet& s) { s.setFiltered(true); }, 1, 1, false},
        {"filter change while filtered", [](RecordSet& s) { s.setFilter("VALOR > 5"); }, 1, 1,
         false},
        {"filtered on again", [](RecordSet& s) { s.setFiltered(true); }, 0, 1, false},
        {"filtered off", [](RecordSet& s) { s.setFiltered(false); }, 1, 1, false},
        {"reload", [](RecordSet& s) { s.loadPacket(fiveOrders()); }, 1, 1, false},
    };
    for (const Step& step : steps) {
        const int before = scrolls;
        step.action(set);
        EXPECT_EQ(scrolls - before, step.scrolls) << step.name;
        EXPECT_EQ(set.recNo(), step.recNo) << step.name;
        EXPECT_EQ(set.eof(), step.eof) << step.name;
    }
    EXPECT_EQ(log.count(RecordSetEvent::Scrolled), static_cast<size_t>(scrolls));
}

TEST_F(Loaded, WalkWithEofVisitsEveryRecordOnce) {
    set.setIndexFieldNames("NOME;VALOR");
    std::vector<std::string> seen;
    for (set.first(); !set.eof(); set.next())
        seen.push_back(cur("NRPEDCRECONS"));
    EXPECT_EQ(seen, (std::vector<std::string>{"P4", "P2", "P3", "P1", "P5"}));
    set.setFilter("VALOR > 100");
    set.setFiltered(true);
    EXPECT_TRUE(set.isEmpty());
    EXPECT_TRUE(set.eof());
    EXPECT_TRUE(set.bof());
    EXPECT_EQ(set.recNo(), 0u);
    EXPECT_TRUE(set.fieldByName("NOME").isNull());
    EXPECT_FALSE(set.bookmark().valid());
}

TEST_F(Loaded, BookmarkFollowsTheRecordThroughReSortsAndFilters) {
    set.setRecNo(4);  // P4 Ana
    const Bookmark mark = set.bookmark();
    set.setIndexFieldNames("NOME");
    EXPECT_EQ(cur("NRPEDCRECONS"), "P4");  // still current after the re-sort
    EXPECT_EQ(set.recNo(), 2u);
    set.first();
    set.gotoBookmark(mark);
    EXPECT_EQ(cur("NRPEDCRECONS"), "P4");
    EXPECT_EQ(set.recNo(), 2u);
    set.setFilter("IDCHECK = 'S'");
    set.setFiltered(true);
    EXPECT_FALSE(set.bookmarkValid(mark));  // exists, but not in the view
    EXPECT_THROW(set.gotoBookmark(mark), DataSetError);
    set.setFiltered(false);
    EXPECT_TRUE(set.bookmarkValid(mark));
    set.close();
    EXPECT_FALSE(set.bookmarkValid(mark));
}

TEST_F(Loaded, FieldsReadInRegionalFormats) {
    struct Case {
        size_t recNo;
        const char* field;
        const char* text;
    };
    const std::vector<Case> cases = {
        {1, "VALOR", "10,5"}, {1, "DTCRED", "07/12/2026"}, {2, "DTCRED", "07/12/2026 10:00:00"},
        {3, "VALOR", ""},     {3, "DTCRED", ""},           {4, "VALOR", "-1"},
    };
    for (const Case& c : cases) {
        set.setRecNo(c.recNo);
        EXPECT_EQ(cur(c.field), c.text) << c.recNo << " " << c.field;
    }
    set.setRecNo(3);
    EXPECT_EQ(set.fieldByName("VALOR").asDouble(), 0.0);
    EXPECT_EQ(set.fieldByName("DTCRED").asDateTime(), platform::DateTime());
    try {
        set.fieldByName("NOME").asDouble();
        ADD_FAILURE() << "Bruno read as a number";
    } catch (const DataSetError& e) {
        EXPECT_NE(std::string(e.what()).find("'Bruno'"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("'NOME'"), std::string::npos) << e.what();
    }
    // A read of the wrong type fails on a null value too.
    EXPECT_THROW(set.fieldByName("DTCRED").asDouble(), DataSetError);
    EXPECT_THROW(set.fieldByName("VALOR").asDateTime(), DataSetError);
    EXPECT_THROW(set.fieldByName("DTCRED").asInteger(), DataSetError);
}

TEST_F(Loaded, DisplayTextAtReadsTheRowWithoutMovingOrEvents) {
    Field& valor = set.fieldByName("VALOR");
    valor.setOnGetText([](const Field& f, std::string& text, bool) {
        // Other fields of the same row are visible to the handler.
        text = f.dataSet().fieldByName("NRPEDCRECONS").asString() + ":" + text;
    });
    set.setIndexFieldNames("NOME");
    log.events.clear();
    scrolls = 0;
    EXPECT_EQ(set.displayTextAt(0, 2), "P2:3");
    EXPECT_EQ(set.displayTextAt(4, 2), "P5:7");
    EXPECT_EQ(set.displayTextAt(2, 2), "P3:");
    EXPECT_EQ(valor.displayText(), "P1:10,5");  // the current record again
    EXPECT_EQ(set.recNo(), 4u);
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(scrolls, 0);
    EXPECT_THROW(set.displayTextAt(5, 2), DataSetError);
    EXPECT_THROW(set.displayTextAt(0, 9), DataSetError);
    // The record in edit paints its pending values, the handler included.
    set.edit();
    set.fieldByName("NRPEDCRECONS").setAsString("P1x");
    valor.setAsDouble(2);
    EXPECT_EQ(set.displayTextAt(3, 2), "P1x:2");
    EXPECT_EQ(set.displayTextAt(0, 2), "P2:3");
    set.cancel();
    EXPECT_EQ(set.displayTextAt(3, 2), "P1:10,5");
}

TEST(RecordSetLifecycle, OpeningAndClosingRules) {
    RecordSet set("cds");
    EXPECT_THROW(set.createDataSet(), DataSetError);  // no fields
    EXPECT_THROW(set.first(), DataSetError);          // closed
    EXPECT_EQ(set.recordCount(), 0u);
    set.addField({"A", FieldType::String, 5});
    EXPECT_THROW(set.addField({"a", FieldType::String, 5}), DataSetError);
    set.setIndexFieldNames("A");
    set.setFilter("A <> 'x'");
    set.setFiltered(true);
    std::vector<DataSetState> states;
    set.setOnStateChange([&](RecordSet& s) { states.push_back(s.state()); });
    set.createDataSet();
    EXPECT_TRUE(set.isEmpty());
    EXPECT_TRUE(set.eof());
    EXPECT_THROW(set.addField({"B", FieldType::String, 5}), DataSetError);
    EXPECT_THROW(set.edit(), DataSetError);  // nothing to edit
    set.append();
    set.fieldByName("A").setAsString("y");
    set.post();
    EXPECT_EQ(set.recordCount(), 1u);
    set.close();
    EXPECT_EQ(set.recordCount(), 0u);
    EXPECT_EQ(set.filter(), "A <> 'x'");
    EXPECT_EQ(set.indexFieldNames(), "A");
    EXPECT_EQ(states, (std::vector<DataSetState>{DataSetState::Browse, DataSetState::Insert,
                                                 DataSetState::Browse, DataSetState::Inactive}));
    EXPECT_THROW(set.setIndexFieldNames("A;NADA"), DataSetError);
    EXPECT_EQ(set.indexFieldNames(), "A");
}

}  // namespace
}  // namespace confcred::dataset
