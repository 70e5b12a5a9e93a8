// A screen's components and record sets, found as the automation finds them:
// by their object names under the screen. A name that matches nothing, or a
// component of another type, fails the test at once.
#pragma once

#include <QObject>
#include <stdexcept>
#include <string>

#include "dataset/record_set.h"
#include "host/widgets/named_data_set.h"

namespace confcred::testing {

template <class T>
T& component(const QObject& form, const char* name) {
    T* found = form.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        throw std::logic_error(form.objectName().toStdString() + " has no component " + name +
                               " of the type asked for");
    return *found;
}

// A finder named after its component: `name(form)` gives the `Type` whose
// object name is `name`.
#define CONFCRED_COMPONENT(Type, name)                          \
    inline Type* name(const QObject& s) {                       \
        return &::confcred::testing::component<Type>(s, #name); \
    }

inline dataset::RecordSet& dataSet(const QObject& form, const char* name) {
    dataset::RecordSet* found = host::widgets::findDataSet(&form, QString::fromLatin1(name));
    if (found == nullptr)
        throw std::logic_error(form.objectName().toStdString() + " names no record set " + name);
    return *found;
}

}  // namespace confcred::testing
