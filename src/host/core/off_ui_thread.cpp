#include "host/core/off_ui_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <thread>

#include "dataset/data_packet.h"
#include "dataset/record_set.h"

namespace confcred::host::core {

void runOffUiThread(const std::function<void()>& step) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() != app->thread()) {
        step();
        return;
    }
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            step();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: the loop ends on its own thread, also when the step was done
        // before the loop started.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The windows repaint and timers run; the operator's clicks and keys wait
    // until the step is done.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void loadPacketOffUiThread(dataset::RecordSet& target, dataset::DataPacket packet) {
    // A set without declared fields takes the packet's: nothing to build apart.
    if (target.fieldCount() == 0) {
        target.loadPacket(std::move(packet));
        return;
    }
    dataset::RecordSet fresh(target.name());
    for (dataset::FieldDef& def : target.fieldDefs())
        fresh.addField(std::move(def));
    fresh.setFilter(target.filter());
    fresh.setFiltered(target.filtered());
    fresh.setIndexFieldNames(target.indexFieldNames());
    runOffUiThread([&] { fresh.loadPacket(std::move(packet)); });
    target.takeContent(fresh);
}

}  // namespace confcred::host::core
