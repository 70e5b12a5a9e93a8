#include "dataset/data_source.h"

#include <gtest/gtest.h>

#include <memory>

#include "dataset/dataset_test_util.h"

namespace confcred::dataset {
namespace {

using E = DataSourceEvent;
using S = DataSetState;
using testing::makePacket;
using testing::orderDefs;

// A view as a grid would be: it leaves its source when it dies.
struct ViewLog : DataSourceView {
    std::vector<E> events;
    DataSource* source = nullptr;
    bool removeOnDetach = false;
    ViewLog() = default;
    ViewLog(const ViewLog&) = delete;
    ViewLog& operator=(const ViewLog&) = delete;
    ~ViewLog() override {
        if (source != nullptr)
            source->removeView(this);
    }
    void attach(DataSource& s) {
        source = &s;
        s.addView(this);
    }
    void dataSourceChanged(DataSource& s, E e) override {
        events.push_back(e);
        if (e == E::Detached && removeOnDetach) {
            s.removeView(this);
            source = nullptr;
        }
    }
    void dataSourceDestroyed(DataSource&) override { source = nullptr; }
};

DataPacket orders() {
    return makePacket(orderDefs(), {{"P1", "Ana", "1", "2026-01-01", "N"},
                                    {"P2", "Bia", "2", "2026-01-02", "S"}});
}

struct Linked : ::testing::Test {
    RecordSet set{"cdsPedidos"};
    DataSource source{&set};
    ViewLog view;
    std::vector<S> handlerStates;
    void SetUp() override {
        testing::declareOrders(set);
        view.attach(source);
        source.setOnStateChange([this](DataSource& s) { handlerStates.push_back(s.state()); });
    }
};

TEST_F(Linked, PassesRecordSetChangesToViews) {
    set.loadPacket(orders());
    set.next();
    set.edit();
    set.fieldByName("NOME").setAsString("Bea");
    set.post();
    set.close();
    EXPECT_EQ(view.events,
              (std::vector<E>{E::StateChanged, E::DataChanged, E::Scrolled, E::Scrolled,
                              E::StateChanged, E::StateChanged, E::RecordChanged, E::Detached}));
    EXPECT_EQ(handlerStates, (std::vector<S>{S::Browse, S::Edit, S::Browse, S::Inactive}));
}

TEST_F(Linked, SwitchedOffTheViewsHearNothingAndGetOneRedrawBack) {
    set.loadPacket(orders());
    view.events.clear();
    handlerStates.clear();
    source.setEnabled(false);
    EXPECT_EQ(source.state(), S::Inactive);
    for (int i = 0; i < 1000; ++i) {
        set.first();
        set.next();
    }
    set.setFilter("IDCHECK = 'S'");
    set.setFiltered(true);
    source.setEnabled(false);  // not a switch
    source.setEnabled(true);
    EXPECT_EQ(source.state(), S::Browse);
    EXPECT_EQ(view.events, (std::vector<E>{E::Detached, E::DataChanged}));
    EXPECT_EQ(handlerStates, (std::vector<S>{S::Inactive, S::Browse}));
}

TEST_F(Linked, HandlerRunsOnlyWhenTheStateChanges) {
    // The set is closed: switching the source off and on leaves it inactive.
    source.setEnabled(false);
    source.setEnabled(true);
    EXPECT_TRUE(handlerStates.empty());
    // Switched off, the source stays inactive: what the set does reaches neither
    // the handler nor the views (a walk that edits every record costs them nothing).
    source.setEnabled(false);
    view.events.clear();
    handlerStates.clear();
    set.loadPacket(orders());
    set.edit();
    set.cancel();
    EXPECT_TRUE(handlerStates.empty());
    EXPECT_TRUE(view.events.empty());
    // Switched on again: one run of the handler and one redraw for all of it.
    source.setEnabled(true);
    EXPECT_EQ(handlerStates, (std::vector<S>{S::Browse}));
    EXPECT_EQ(view.events, (std::vector<E>{E::DataChanged}));
    // A reload, even to no rows, runs the handler as closing and opening would.
    handlerStates.clear();
    set.loadPacket(makePacket(orderDefs(), {}));
    EXPECT_EQ(handlerStates, (std::vector<S>{S::Inactive, S::Browse}));
}

TEST_F(Linked, RePointingDetachesAndFollowsTheNewSet) {
    set.loadPacket(orders());
    RecordSet other("cdsOutro");
    testing::declareOrders(other);
    other.loadPacket(orders());
    other.edit();
    view.events.clear();
    handlerStates.clear();
    source.setDataSet(&other);
    EXPECT_EQ(view.events, (std::vector<E>{E::Detached, E::DataChanged}));
    EXPECT_EQ(handlerStates, (std::vector<S>{S::Edit}));
    set.next();  // the old set no longer reaches the views
    other.cancel();
    EXPECT_EQ(view.events,
              (std::vector<E>{E::Detached, E::DataChanged, E::StateChanged, E::RecordChanged}));
    source.setDataSet(nullptr);
    EXPECT_EQ(source.state(), S::Inactive);
    EXPECT_EQ(view.events.back(), E::Detached);
    EXPECT_EQ(handlerStates.back(), S::Inactive);
}

TEST(DataSourceLifetime, RecordSetDestroyedFirst) {
    auto set = std::make_unique<RecordSet>();
    testing::declareOrders(*set);
    set->loadPacket(orders());
    DataSource source(set.get());
    ViewLog view;
    view.removeOnDetach = true;  // a view that lets go while being told
    view.attach(source);
    std::vector<S> states;
    source.setOnStateChange([&](DataSource& s) {
        EXPECT_EQ(s.dataSet(), nullptr);
        states.push_back(s.state());
    });
    set.reset();
    EXPECT_EQ(source.dataSet(), nullptr);
    EXPECT_EQ(source.state(), S::Inactive);
    EXPECT_EQ(view.events, (std::vector<E>{E::Detached}));
    EXPECT_EQ(states, (std::vector<S>{S::Inactive}));
    source.setEnabled(false);  // still usable
    source.setEnabled(true);
}

TEST(DataSourceLifetime, DataSourceDestroyedFirst) {
    RecordSet set;
    testing::declareOrders(set);
    ViewLog view;
    {
        DataSource source(&set);
        view.source = &source;
        view.attach(source);
    }
    EXPECT_EQ(view.source, nullptr);  // told to drop its pointer
    set.loadPacket(orders());         // no observer left behind
    set.next();
    set.close();
    EXPECT_TRUE(view.events.empty());
}

}  // namespace
}  // namespace confcred::dataset
