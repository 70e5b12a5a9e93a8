#include "dataset/data_source.h"

namespace confcred::dataset {

DataSource::DataSource(RecordSet* set) {
    if (set != nullptr) {
        set_ = set;
        set_->addObserver(this);
        lastState_ = state();
    }
}

DataSource::~DataSource() {
    if (set_ != nullptr)
        set_->removeObserver(this);
    views_.forEach([this](DataSourceView& v) { v.dataSourceDestroyed(*this); });
}

DataSetState DataSource::state() const {
    if (!enabled_ || set_ == nullptr)
        return DataSetState::Inactive;
    return set_->state();
}

void DataSource::setOnStateChange(std::function<void(DataSource&)> handler) {
    onStateChange_ = std::move(handler);
}

void DataSource::addView(DataSourceView* view) {
    views_.add(view);
}
void DataSource::removeView(DataSourceView* view) {
    views_.remove(view);
}

void DataSource::tell(DataSourceEvent event) {
    views_.forEach([&](DataSourceView& v) { v.dataSourceChanged(*this, event); });
}

void DataSource::stateMaybeChanged() {
    const DataSetState now = state();
    if (now == lastState_)
        return;
    lastState_ = now;
    if (onStateChange_) {
        auto handler = onStateChange_;  // the handler may replace itself
        handler(*this);
    }
}

void DataSource::setEnabled(bool on) {
    if (on == enabled_)
        return;
    enabled_ = on;
    if (!on) {
        tell(DataSourceEvent::Detached);
    } else if (set_ != nullptr && set_->active()) {
        tell(DataSourceEvent::DataChanged);  // whatever happened while off
    }
    stateMaybeChanged();
}

void DataSource::setDataSet(RecordSet* set) {
    if (set == set_)
        return;
    if (set_ != nullptr)
        set_->removeObserver(this);
    const bool wasAttached = enabled_ && set_ != nullptr;
    set_ = set;
    if (set_ != nullptr)
        set_->addObserver(this);
    if (enabled_) {
        if (wasAttached)
            tell(DataSourceEvent::Detached);
        if (set_ != nullptr && set_->active())
            tell(DataSourceEvent::DataChanged);
    }
    stateMaybeChanged();
}

void DataSource::recordSetChanged(RecordSet& set, RecordSetEvent event) {
    if (&set != set_)
        return;
    if (event == RecordSetEvent::StateChanged) {
        if (enabled_) {
            tell(set.active() ? DataSourceEvent::StateChanged : DataSourceEvent::Detached);
        }
        // While switched off the source stays inactive whatever the set does: a
        // walk that edits every record then costs its handler nothing. A load
        // still reaches the handler twice, as the set goes inactive and back.
        stateMaybeChanged();
        return;
    }
    if (!enabled_ || !set.active())
        return;
    switch (event) {
        case RecordSetEvent::DataChanged:
            tell(DataSourceEvent::DataChanged);
            break;
        case RecordSetEvent::RecordChanged:
            tell(DataSourceEvent::RecordChanged);
            break;
        case RecordSetEvent::Scrolled:
            tell(DataSourceEvent::Scrolled);
            break;
        case RecordSetEvent::StateChanged:
            break;
    }
}

void DataSource::recordSetDestroyed(RecordSet& set) {
    if (&set != set_)
        return;
    set_ = nullptr;  // the set is going away: no call back into it
    if (enabled_)
        tell(DataSourceEvent::Detached);
    stateMaybeChanged();
}

bool rebindView(DataSourceView& view, DataSource*& current, DataSource* next) {
    if (next == current)
        return false;
    if (current != nullptr)
        current->removeView(&view);
    current = next;
    if (current != nullptr)
        current->addView(&view);
    return true;
}

}  // namespace confcred::dataset
