// Record sets: edit / insert / append / post / cancel, their events, and the
// checks every write goes through.

#include <gtest/gtest.h>

#include <cmath>

#include "dataset/dataset_test_util.h"
#include "dataset/record_set.h"

namespace confcred::dataset {
namespace {

using E = RecordSetEvent;
using S = DataSetState;
using testing::EventLog;
using testing::makePacket;
using testing::orderDefs;

void openThreeOrders(RecordSet& set) {
    testing::declareOrders(set);
    set.loadPacket(makePacket(orderDefs(), {
                                               {"P1", "Ana", "1", "2026-01-01", "N"},
                                               {"P2", "Bia", "2", "2026-01-02", "S"},
                                               {"P3", "Caio", "3", "2026-01-03", "N"},
                                           }));
}

struct Editing : ::testing::Test {
    RecordSet set{"cdsPedidos"};
    EventLog log;
    std::vector<S> states;
    int scrolls = 0;
    void SetUp() override {
        openThreeOrders(set);
        log.attach(set);
        set.setAfterScroll([this](RecordSet&) { ++scrolls; });
        set.setOnStateChange([this](RecordSet& s) { states.push_back(s.state()); });
    }
    Field& f(const char* name) { return set.fieldByName(name); }
    std::vector<std::string> codes() { return testing::viewTexts(set, 0); }
};

TEST_F(Editing, StateSequencesAndTheirEvents) {
    struct Case {
        const char* name;
        std::function<void(RecordSet&)> action;
        std::vector<S> states;
        std::vector<E> events;
        int scrolls;
    };
    const std::vector<Case> cases = {
        {"edit and post",
         [](RecordSet& s) {
             s.edit();
             s.fieldByName("NOME").setAsString("Alice");
             s.post();
         },
         {S::Edit, S::Browse},
         {E::StateChanged, E::StateChanged, E::RecordChanged},
         0},
        {"edit twice is one edit",
         [](RecordSet& s) {
             s.edit();
             s.edit();
             s.cancel();
         },
         {S::Edit, S::Browse},
         {E::StateChanged, E::StateChanged, E::RecordChanged},
         0},
        {"insert and cancel",
         [](RecordSet& s) {
             s.insert();
             s.cancel();
         },
         {S::Insert, S::Browse},
         {E::StateChanged, E::DataChanged, E::Scrolled, E::StateChanged, E::DataChanged,
          E::Scrolled},
         2},
        {"append and post",
         [](RecordSet& s) {
             s.append();
             s.fieldByName("NRPEDCRECONS").setAsString("P9");
             s.post();
         },
         {S::Insert, S::Browse},
         {E::StateChanged, E::DataChanged, E::Scrolled, E::StateChanged, E::DataChanged},
         1},
        {"moving while editing posts first",
         [](RecordSet& s) {
             s.edit();
             s.next();
         },
         {S::Edit, S::Browse},
         {E::StateChanged, E::StateChanged, E::RecordChanged, E::Scrolled},
         1},
        {"cancel in browse does nothing", [](RecordSet& s) { s.cancel(); }, {}, {}, 0},
    };
    for (const Case& c : cases) {
        RecordSet fresh;
        openThreeOrders(fresh);
        EventLog events;
        std::vector<S> seen;
        int scrolled = 0;
        events.attach(fresh);
        fresh.setAfterScroll([&](RecordSet&) { ++scrolled; });
        fresh.setOnStateChange([&](RecordSet& s) { seen.push_back(s.state()); });
        c.action(fresh);
        EXPECT_EQ(seen, c.states) << c.name;
        EXPECT_EQ(events.events, c.events) << c.name;
        EXPECT_EQ(scrolled, c.scrolls) << c.name;
    }
}

TEST_F(Editing, InsertCreatesTheRecordBeforeTheCurrentWithDefaults) {
    set.next();  // P2
    set.insert();
    EXPECT_EQ(set.state(), S::Insert);
    EXPECT_EQ(set.recNo(), 2u);
    EXPECT_EQ(set.recordCount(), 3u);  // not counted before the post
    EXPECT_EQ(f("IDCHECK").asString(), "N");
    EXPECT_TRUE(f("NOME").isNull());
    f("NRPEDCRECONS").setAsString("P1b");
    set.post();
    EXPECT_EQ(codes(), (std::vector<std::string>{"P1", "P1b", "P2", "P3"}));
    EXPECT_EQ(f("NRPEDCRECONS").asString(), "P1b");
    EXPECT_EQ(set.recNo(), 2u);
    // The server gets it where it was inserted.
    const DataPacket p = set.toPacket();
    EXPECT_EQ(p.column(0).textAt(1), "P1b");
    EXPECT_EQ(p.column(4).textAt(1), "N");

    set.insert();
    set.cancel();  // disappears; the record that was current is current again
    EXPECT_EQ(set.recordCount(), 4u);
    EXPECT_EQ(f("NRPEDCRECONS").asString(), "P1b");

    set.insert();
    set.insert();  // posts the first one
    EXPECT_EQ(set.recordCount(), 5u);
    set.cancel();
    EXPECT_EQ(set.recordCount(), 5u);
}

TEST_F(Editing, DefaultsAreConvertedAndABadOneStopsTheInsert) {
    f("NOME").setDefaultExpression("'O''Brien'");
    set.append();
    EXPECT_EQ(f("NOME").asString(), "O'Brien");
    EXPECT_EQ(set.recNo(), 4u);
    set.post();
    EXPECT_EQ(set.recNo(), 4u);
    EXPECT_TRUE(set.eof() == false && set.bof() == false);

    f("VALOR").setDefaultExpression("abc");
    log.events.clear();
    EXPECT_THROW(set.insert(), DataSetError);
    EXPECT_EQ(set.state(), S::Browse);
    EXPECT_TRUE(log.events.empty());
}

TEST_F(Editing, RefusedOperations) {
    EXPECT_THROW(set.post(), DataSetError);
    EXPECT_THROW(f("NOME").setAsString("x"), DataSetError);  // not editing
    f("NOME").setReadOnly(true);
    set.edit();
    EXPECT_THROW(f("NOME").setAsString("x"), DataSetError);
    EXPECT_THROW(f("NOME").clear(), DataSetError);
    EXPECT_EQ(f("NOME").asString(), "Ana");
    set.cancel();
    f("NOME").setReadOnly(false);
    // A read-only field still takes its default.
    f("IDCHECK").setReadOnly(true);
    set.insert();
    EXPECT_EQ(f("IDCHECK").asString(), "N");
}

TEST_F(Editing, WritesAreCheckedAndARefusedWriteChangesNothing) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        const char* field;
        std::function<void(Field&)> write;
        bool ok;
        const char* text;  // asString() afterwards
    };
    const std::vector<Case> cases = {
        {"20 accented characters fit", "NOME",
         [](Field& x) { x.setAsString("ÁÉÍÓÚáéíóúÇçãõâêôàüñ"); }, true, "ÁÉÍÓÚáéíóúÇçãõâêôàüñ"},
        {"21 characters do not", "NOME", [](Field& x) { x.setAsString("ÁÉÍÓÚáéíóúÇçãõâêôàüñx"); },
         false, "Ana"},
        {"fixed width 1", "IDCHECK", [](Field& x) { x.setAsString("S"); }, true, "S"},
        {"fixed width 1, two given", "IDCHECK", [](Field& x) { x.setAsString("SN"); }, false, "N"},
        {"integer text too wide", "IDCHECK", [](Field& x) { x.setAsInteger(12); }, false, "N"},
        {"number into text, fits", "NRPEDCRECONS", [](Field& x) { x.setAsDouble(1234567.25); },
         true, "1234567,25"},
        {"number into text, too wide", "NRPEDCRECONS", [](Field& x) { x.setAsDouble(12345678.25); },
         false, "P1"},
        {"letters into a number", "VALOR", [](Field& x) { x.setAsString("abc"); }, false, "1"},
        {"regional number", "VALOR", [](Field& x) { x.setAsString("12,5"); }, true, "12,5"},
        {"empty text clears a number", "VALOR", [](Field& x) { x.setAsString(" "); }, true, ""},
        {"NaN", "VALOR", [nan](Field& x) { x.setAsDouble(nan); }, false, "1"},
        {"date into a number", "VALOR",
         [](Field& x) { x.setAsDateTime(platform::DateTime::fromParts(2026, 1, 1)); }, false, "1"},
        {"integer into a number", "VALOR", [](Field& x) { x.setAsInteger(7); }, true, "7"},
        {"impossible date", "DTCRED", [](Field& x) { x.setAsString("31/02/2026"); }, false,
         "01/01/2026"},
        {"regional date", "DTCRED", [](Field& x) { x.setAsString("07/12/2026"); }, true,
         "07/12/2026"},
        {"ISO date and time", "DTCRED", [](Field& x) { x.setAsString("2026-12-07T10:30:00"); },
         true, "07/12/2026 10:30:00"},
        {"number into a date", "DTCRED", [](Field& x) { x.setAsDouble(3); }, false, "01/01/2026"},
        {"clear", "NOME", [](Field& x) { x.clear(); }, true, ""},
    };
    for (const Case& c : cases) {
        set.first();
        set.edit();
        Field& field = f(c.field);
        if (c.ok) {
            EXPECT_NO_THROW(c.write(field)) << c.name;
        } else {
            try {
                c.write(field);
                ADD_FAILURE() << c.name << ": accepted";
            } catch (const DataSetError& e) {
                EXPECT_NE(std::string(e.what()).find(c.field), std::string::npos)
                    << c.name << ": " << e.what();
            }
        }
        EXPECT_EQ(field.asString(), c.text) << c.name;
        set.post();
        EXPECT_EQ(field.asString(), c.text) << c.name << " (posted)";
        set.loadPacket(makePacket(orderDefs(), {{"P1", "Ana", "1", "2026-01-01", "N"}}));
    }
}

TEST(RecordSetFields, IntegerAndMemoConversions) {
    RecordSet set;
    set.addField({"QTD", FieldType::Integer, 0});
    set.addField({"OBS", FieldType::Memo, 0});
    set.createDataSet();
    set.append();
    Field& qtd = set.fieldByName("QTD");
    Field& obs = set.fieldByName("OBS");
    EXPECT_THROW(qtd.setAsString("1,5"), DataSetError);
    qtd.setAsString(" 42 ");
    EXPECT_EQ(qtd.asInteger(), 42);
    qtd.setAsDouble(2.5);  // rounds half away from zero
    EXPECT_EQ(qtd.asInteger(), 3);
    EXPECT_THROW(qtd.setAsDouble(1e300), DataSetError);
    EXPECT_EQ(qtd.asString(), "3");
    obs.setAsString(std::string(100000, 'x'));  // no width
    obs.setAsString("12");
    EXPECT_EQ(obs.asInteger(), 12);
    obs.setAsString("doze");
    EXPECT_THROW(obs.asInteger(), DataSetError);
    set.post();
    EXPECT_EQ(set.recordCount(), 1u);
}

// A packet of selected orders is built by inserting record after record, each
// before the one inserted last (what this costs is measured in bench/).
TEST(RecordSetScale, RecordsInsertedOneBeforeTheOtherComeOutReversed) {
    RecordSet set;
    testing::declareOrders(set);
    set.createDataSet();
    for (int i = 0; i < 2000; ++i) {
        set.insert();
        set.fieldByName("NRPEDCRECONS").setAsString(std::to_string(i));
        set.post();
    }
    EXPECT_EQ(set.fieldByName("NRPEDCRECONS").asString(), "1999");  // the last one is current
    const DataPacket packet = set.toPacket();
    ASSERT_EQ(packet.rowCount(), 2000u);
    const int nr = packet.fieldIndex("NRPEDCRECONS");
    for (size_t r = 0; r < packet.rowCount(); ++r)
        ASSERT_EQ(packet.column(static_cast<size_t>(nr)).textAt(r), std::to_string(1999 - r));
}

}  // namespace
}  // namespace confcred::dataset
