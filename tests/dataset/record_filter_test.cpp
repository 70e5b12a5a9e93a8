// Record sets: filters, the equality index behind them, and the ordering, as
// posts, loads and re-filtering change them.

#include <gtest/gtest.h>

#include <cstdio>

#include "dataset/dataset_test_util.h"
#include "dataset/record_set.h"

namespace confcred::dataset {
namespace {

using testing::EventLog;
using testing::makePacket;
using testing::viewTexts;

const std::vector<FieldDef> kFamilyDefs = {
    {"NRPEDCRECONS", FieldType::String, 10},
    {"NRFAMILIA", FieldType::Integer, 0},
    {"DESCR", FieldType::String, 20},
};

DataPacket families() {
    return makePacket(kFamilyDefs, {
                                       {"P1", "1", "pera"},
                                       {"P2", "2", "uva"},
                                       {"P2", "10", "abacaxi"},
                                       {"P1", "3", "maçã"},
                                       {"P2", "4", "figo"},
                                       {"P3", "5", std::nullopt},
                                       {"P2", "6", "uva"},
                                   });
}

struct Families : ::testing::Test {
    RecordSet set{"cdsFamilia"};
    EventLog log;
    int scrolls = 0;
    void SetUp() override {
        for (const FieldDef& d : kFamilyDefs)
            set.addField(d);
        set.loadPacket(families());
        log.attach(set);
        set.setAfterScroll([this](RecordSet&) { ++scrolls; });
    }
    void filterBy(const std::string& text) {
        set.setFiltered(false);
        set.setFilter(text);
        set.setFiltered(true);
    }
    std::vector<std::string> descr() { return viewTexts(set, 2); }
    std::string cur(const char* name) { return set.fieldByName(name).asString(); }
    void edit(const char* name, const char* value) {
        set.edit();
        set.fieldByName(name).setAsString(value);
        set.post();
    }
};

TEST_F(Families, EqualityFilterIsAnsweredFromTheIndexInTheOrderingsOrder) {
    set.setIndexFieldNames("DESCR");
    filterBy("NRPEDCRECONS = 'P2'");
    EXPECT_EQ(descr(), (std::vector<std::string>{"abacaxi", "figo", "uva", "uva"}));
    // Stable: the two "uva" keep their natural order (families 2 then 6).
    set.last();
    EXPECT_EQ(cur("NRFAMILIA"), "6");
    set.setIndexFieldNames("NRFAMILIA");  // the view follows, the record stays current
    EXPECT_EQ(descr(), (std::vector<std::string>{"uva", "figo", "uva", "abacaxi"}));
    EXPECT_EQ(cur("NRFAMILIA"), "6");
    EXPECT_EQ(set.recNo(), 3u);
    filterBy("NRPEDCRECONS = 'P2' AND NRFAMILIA > 3 AND DESCR <> 'figo'");
    EXPECT_EQ(descr(), (std::vector<std::string>{"uva", "abacaxi"}));
    filterBy("NRPEDCRECONS = 'P9'");
    EXPECT_TRUE(set.isEmpty());
    EXPECT_EQ(set.stats().rowsScanned, 0u);
    EXPECT_EQ(set.stats().indexBuilds, 1u);
    EXPECT_EQ(set.stats().indexLookups, 3u);
    filterBy("NRFAMILIA > 4");  // no equality term: a scan
    EXPECT_EQ(set.stats().rowsScanned, 7u);
}

TEST_F(Families, PostsMoveRecordsIntoAndOutOfTheFilter) {
    set.setIndexFieldNames("DESCR");
    filterBy("NRPEDCRECONS = 'P2'");
    set.setRecNo(2);  // figo
    scrolls = 0;
    edit("NRPEDCRECONS", "P9");  // leaves the view; the next record becomes current
    EXPECT_EQ(descr(), (std::vector<std::string>{"abacaxi", "uva", "uva"}));
    EXPECT_EQ(cur("DESCR"), "uva");
    EXPECT_EQ(set.recNo(), 2u);
    EXPECT_EQ(scrolls, 1);

    set.last();
    edit("NRPEDCRECONS", "P9");  // the last one leaves: the new last is current
    EXPECT_EQ(set.recNo(), 2u);
    EXPECT_EQ(cur("NRFAMILIA"), "2");

    filterBy("NRPEDCRECONS = 'P9'");  // both found through the updated index
    EXPECT_EQ(descr(), (std::vector<std::string>{"figo", "uva"}));

    set.setFiltered(false);
    set.first();  // P3, DESCR null sorts first
    EXPECT_EQ(cur("NRPEDCRECONS"), "P3");
    edit("NRPEDCRECONS", "P2");
    filterBy("NRPEDCRECONS = 'P2'");
    EXPECT_EQ(descr(), (std::vector<std::string>{"", "abacaxi", "uva"}));

    scrolls = 0;
    set.first();
    scrolls = 0;
    edit("DESCR", "zimbro");  // re-placed inside the view, still current, no scroll
    EXPECT_EQ(descr(), (std::vector<std::string>{"abacaxi", "uva", "zimbro"}));
    EXPECT_EQ(set.recNo(), 3u);
    EXPECT_EQ(cur("DESCR"), "zimbro");
    EXPECT_EQ(scrolls, 0);

    // Inserted records: into the view when they pass, else back where we were.
    set.first();
    set.insert();
    set.fieldByName("NRPEDCRECONS").setAsString("P2");
    set.fieldByName("DESCR").setAsString("banana");
    set.post();
    EXPECT_EQ(descr(), (std::vector<std::string>{"abacaxi", "banana", "uva", "zimbro"}));
    EXPECT_EQ(cur("DESCR"), "banana");
    set.append();
    set.fieldByName("NRPEDCRECONS").setAsString("P7");
    scrolls = 0;
    set.post();
    EXPECT_EQ(set.recordCount(), 4u);
    EXPECT_EQ(cur("DESCR"), "zimbro");
    EXPECT_EQ(scrolls, 1);
    filterBy("NRPEDCRECONS = 'P7'");
    EXPECT_EQ(set.recordCount(), 1u);

    EXPECT_EQ(set.stats().rowsScanned, 0u);
    EXPECT_EQ(set.stats().indexBuilds, 1u);
}

TEST_F(Families, MalformedFiltersLeaveFilterAndViewAsTheyWere) {
    set.setIndexFieldNames("DESCR");
    filterBy("NRPEDCRECONS = 'P2'");
    set.setRecNo(3);
    const auto view = descr();
    log.events.clear();
    scrolls = 0;
    const std::vector<std::string> bad = {
        "NRPEDCRECONS = 'P1",
        "NADA = 'x'",
        "NRFAMILIA = 'abc'",
        "NRPEDCRECONS = 'P1' OR",
        "(NRFAMILIA = 1",
        "NRFAMILIA = 1 1",
        "= 'P1'",
        "NRPEDCRECONS == 'P1'",
        "NRPEDCRECONS = P1",
        std::string(200, '(') + "NRFAMILIA = 1" + std::string(200, ')'),
    };
    for (const std::string& text : bad) {
        EXPECT_THROW(set.setFilter(text), FilterError) << text;
        EXPECT_EQ(set.filter(), "NRPEDCRECONS = 'P2'") << text;
        EXPECT_TRUE(set.filtered());
        EXPECT_EQ(descr(), view) << text;
        EXPECT_EQ(set.recNo(), 3u) << text;
    }
    EXPECT_TRUE(log.events.empty());
    EXPECT_EQ(scrolls, 0);
    set.setFilter("  ");  // blank: no filter
    EXPECT_EQ(set.recordCount(), 7u);
}

TEST_F(Families, OrderingIsStableNullsFirstNumbersNumericKeptAcrossPostsAndLoads) {
    set.setIndexFieldNames("DESCR;NRFAMILIA");
    EXPECT_EQ(descr(),
              (std::vector<std::string>{"", "abacaxi", "figo", "maçã", "pera", "uva", "uva"}));
    set.setIndexFieldNames("NRFAMILIA");
    EXPECT_EQ(viewTexts(set, 2).front(), "pera");  // 1 before 2 before 10
    EXPECT_EQ(set.displayTextAt(6, 1), "10");
    set.setIndexFieldNames(" nrpedcrecons ; DESCR ");
    EXPECT_EQ(descr(),
              (std::vector<std::string>{"maçã", "pera", "abacaxi", "figo", "uva", "uva", ""}));
    set.setRecNo(3);  // P2 abacaxi
    edit("NRPEDCRECONS", "P0");
    EXPECT_EQ(set.recNo(), 1u);
    EXPECT_EQ(cur("DESCR"), "abacaxi");
    set.loadPacket(families());
    EXPECT_EQ(descr(),
              (std::vector<std::string>{"maçã", "pera", "abacaxi", "figo", "uva", "uva", ""}));
    set.setIndexFieldNames("");
    EXPECT_EQ(set.displayTextAt(0, 2), "pera");  // storage order again
    EXPECT_EQ(set.displayTextAt(6, 2), "uva");
}

// A set filled apart (on a worker thread) comes in as a load would: its view
// and index taken when filter and ordering match, made again when not; a
// set of other fields is refused.
TEST_F(Families, TakenContentComesInAsALoadWould) {
    set.setIndexFieldNames("DESCR");
    for (const char* filter : {"NRPEDCRECONS = 'P2'", "NRPEDCRECONS = 'P1'"}) {
        filterBy("NRPEDCRECONS = 'P2'");
        RecordSet fresh;
        for (const FieldDef& d : kFamilyDefs)
            fresh.addField(d);
        fresh.setFilter(filter);
        fresh.setFiltered(true);
        fresh.setIndexFieldNames("DESCR");
        fresh.loadPacket(makePacket(kFamilyDefs, {{"P2", "11", "zimbro"}, {"P2", "12", "alho"}}));
        set.next();
        log.events.clear();
        scrolls = 0;
        set.takeContent(fresh);
        EXPECT_FALSE(fresh.active());
        EXPECT_EQ(descr(), (std::vector<std::string>{"alho", "zimbro"})) << filter;
        EXPECT_EQ(set.recNo(), 1u);
        EXPECT_EQ(scrolls, 1);
        EXPECT_EQ(log.events, (std::vector<RecordSetEvent>{
                                  RecordSetEvent::StateChanged, RecordSetEvent::StateChanged,
                                  RecordSetEvent::DataChanged, RecordSetEvent::Scrolled}));
    }
    EXPECT_EQ(set.stats().rowsScanned, 0u);
    RecordSet other;
    other.loadPacket(makePacket({kFamilyDefs[0]}, {{"P2"}}));
    EXPECT_THROW(set.takeContent(other), DataSetError);
    EXPECT_EQ(set.recordCount(), 2u);
}

// The confirmation screen re-filters the family list at every move of the
// order cursor: that must be a look-up, whatever the size of the list.
TEST(RecordSetScale, WalkingOrdersReFiltersFamiliesWithoutScanning) {
    const size_t orders = 20000;
    DataPacket p(kFamilyDefs);
    char code[16];
    for (size_t r = 0; r < orders * 4; ++r) {
        std::snprintf(code, sizeof code, "%07zu", (r * 7919) % orders);  // scattered
        p.column(0).appendText(code);
        p.column(1).appendInteger(static_cast<int64_t>(r));
        p.column(2).appendText(r % 3 == 0 ? "a" : "b");
    }
    RecordSet families;
    families.loadPacket(std::move(p));
    families.setIndexFieldNames("DESCR;NRFAMILIA");
    families.setFiltered(true);
    size_t rows = 0;
    for (size_t o = 0; o < orders; ++o) {
        std::snprintf(code, sizeof code, "%07zu", o);
        families.setFiltered(false);
        families.setFilter(std::string("NRPEDCRECONS = '") + code + "'");
        families.setFiltered(true);
        ASSERT_EQ(families.recordCount(), 4u) << code;
        rows += families.recordCount();
        // In the ordering's order.
        EXPECT_LE(families.column(2).textAt(families.storageRowAt(0)),
                  families.column(2).textAt(families.storageRowAt(3)));
    }
    EXPECT_EQ(rows, orders * 4);
    EXPECT_EQ(families.stats().rowsScanned, 0u);
    EXPECT_EQ(families.stats().indexBuilds, 1u);
    EXPECT_EQ(families.stats().bucketRows, orders * 4);
}

// 100,000 orders of 13 fields, ordered and filtered, within twice the raw
// size of their values.
TEST(RecordSetScale, OrderListStaysWithinTwiceItsRawSize) {
    const std::vector<FieldDef> defs = {
        {"NRPEDCRECONS", FieldType::String, 10},
        {"CODCLI", FieldType::String, 8},
        {"NOMECLI", FieldType::String, 40},
        {"VLRPED", FieldType::Double, 0},
        {"VLRCRED", FieldType::Double, 0},
        {"DTPED", FieldType::DateTime, 0},
        {"DTCRED", FieldType::DateTime, 0},
        {"IDCHECK", FieldType::FixedString, 1},
        {"STATUS", FieldType::String, 2},
        {"BANCO", FieldType::String, 3},
        {"AGENCIA", FieldType::String, 5},
        {"CONTA", FieldType::String, 12},
        {"OBS", FieldType::Memo, 0},
    };
    const size_t n = 100000;
    DataPacket p(defs);
    for (size_t f = 0; f < defs.size(); ++f)
        p.column(f).reserve(n, n * 30);
    char buf[64];
    for (size_t r = 0; r < n; ++r) {
        std::snprintf(buf, sizeof buf, "%010zu", r);
        p.column(0).appendText(buf);
        std::snprintf(buf, sizeof buf, "C%07zu", r % 5000);
        p.column(1).appendText(buf);
        std::snprintf(buf, sizeof buf, "CLIENTE DE TESTE NUMERO %zu LTDA", r % 5000);
        p.column(2).appendText(buf);
        p.column(3).appendDouble(static_cast<double>(r) * 1.5);
        p.column(4).appendDouble(static_cast<double>(r % 1000));
        p.column(5).appendDateTime(platform::DateTime::fromParts(2026, 1, 1).addDays(r % 365));
        p.column(6).appendDateTime(platform::DateTime::fromParts(2026, 6, 1).addDays(r % 90));
        p.column(7).appendText(r % 4 == 0 ? "S" : "N");
        p.column(8).appendText("AB");
        p.column(9).appendText("341");
        p.column(10).appendText("01234");
        p.column(11).appendText("0001234567-8");
        if (r % 10 == 0) {
            p.column(12).appendText("conferir com o banco");
        } else {
            p.column(12).appendNull();
        }
    }
    for (size_t f = 0; f < defs.size(); ++f) {
        // Only what is used, as a decoder that reserves by the packet's size leaves it.
        Column trimmed(defs[f].type);
        size_t bytes = 0;
        for (size_t r = 0; r < n; ++r)
            bytes += p.column(f).isText() ? p.column(f).textAt(r).size() : 0;
        trimmed.reserve(n, bytes);
        for (size_t r = 0; r < n; ++r)
            trimmed.appendFrom(p.column(f), r);
        p.column(f) = std::move(trimmed);
    }
    const size_t raw = p.rawValueBytes();
    RecordSet orders;
    orders.loadPacket(std::move(p));
    orders.setIndexFieldNames("NOMECLI;NRPEDCRECONS");
    orders.setFilter("IDCHECK = 'S'");
    orders.setFiltered(true);
    EXPECT_EQ(orders.recordCount(), n / 4);
    const size_t held = orders.memoryBytes();
    std::printf("raw values %zu bytes, record set %zu bytes (%.2fx)\n", raw, held,
                static_cast<double>(held) / static_cast<double>(raw));
    EXPECT_LE(held, 2 * raw);
}

}  // namespace
}  // namespace confcred::dataset
