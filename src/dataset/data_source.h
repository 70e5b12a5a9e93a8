#pragma once
// A data source links views (grids, edits, labels) to a record set. It can be
// switched off, so that a walk over the set costs the views nothing, and
// re-pointed to another set. Either side may be destroyed first.

#include <functional>

#include "dataset/observer_list.h"
#include "dataset/record_set.h"

namespace confcred::dataset {

class DataSource;

enum class DataSourceEvent {
    Detached,       // switched off, re-pointed, or the set closed or went away
    DataChanged,    // redraw everything (also once when switched back on)
    RecordChanged,  // the current record's values were posted
    Scrolled,       // the current record changed
    StateChanged,   // browse / edit / insert changed
};

// A view removes itself (DataSource::removeView) before it dies; a source that
// dies first tells it through dataSourceDestroyed.
class DataSourceView {
  public:
    virtual ~DataSourceView() = default;
    virtual void dataSourceChanged(DataSource& source, DataSourceEvent event) = 0;
    // The source is being destroyed: drop every pointer to it; do not call back.
    virtual void dataSourceDestroyed(DataSource& source) { (void)source; }
};

// Moves `view` from the source it watches (`current`, may be null) to `next`
// (may be null) and updates `current`; false when it already watched `next`.
bool rebindView(DataSourceView& view, DataSource*& current, DataSource* next);

class DataSource final : private RecordSetObserver {
  public:
    explicit DataSource(RecordSet* set = nullptr);
    ~DataSource() override;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    RecordSet* dataSet() const { return set_; }
    void setDataSet(RecordSet* set);
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

    // Inactive while switched off, without a set, or when the set is closed.
    DataSetState state() const;
    // Runs only when state() changes: a switch off or on, a re-pointing, or the
    // set opening, closing or changing state while the source is switched on
    // (switched off, the source stays inactive). A switch over a closed set
    // changes nothing and runs nothing; a load runs it as closing and opening
    // the set would.
    void setOnStateChange(std::function<void(DataSource&)> handler);

    void addView(DataSourceView* view);
    void removeView(DataSourceView* view);

  private:
    void recordSetChanged(RecordSet& set, RecordSetEvent event) override;
    void recordSetDestroyed(RecordSet& set) override;
    void tell(DataSourceEvent event);
    void stateMaybeChanged();

    RecordSet* set_ = nullptr;
    bool enabled_ = true;
    DataSetState lastState_ = DataSetState::Inactive;
    std::function<void(DataSource&)> onStateChange_;
    ObserverList<DataSourceView> views_;
};

}  // namespace confcred::dataset
