// Record sets are not widgets, so a screen names them here to make them
// reachable by name (the automation's `dump FORM.RECORDSET`): a small child
// object of the screen, named after the record set, that dies with it.
#pragma once

#include <QObject>
#include <QPointer>

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::host::widgets {

class NamedDataSet : public QObject {
    Q_OBJECT

  public:
    NamedDataSet(QObject* owner, const QString& name, dataset::RecordSet& set)
        : QObject(owner), set_(&set) {
        setObjectName(name);
    }
    dataset::RecordSet& recordSet() const { return *set_; }

  private:
    dataset::RecordSet* set_;
};

// Names `set` as `name` under `owner` (usually the screen that holds it).
inline NamedDataSet* nameDataSet(QObject* owner, const QString& name, dataset::RecordSet& set) {
    return new NamedDataSet(owner, name, set);
}

// The record set named `name` under `owner`, or null.
inline dataset::RecordSet* findDataSet(const QObject* owner, const QString& name) {
    auto* named = owner->findChild<NamedDataSet*>(name);
    return named ? &named->recordSet() : nullptr;
}

}  // namespace confcred::host::widgets
