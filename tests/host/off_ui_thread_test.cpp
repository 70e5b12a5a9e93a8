// A long step off the UI thread: timers keep running while it works apart,
// and its value or its failure comes back.
#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>
#include <stdexcept>

#include "host/core/off_ui_thread.h"

using namespace confcred::host;
using namespace confcred::host::core;

TEST(OffUiThread, StepRunsApartWhileTimersRunAndGivesBackItsValueOrFailure) {
    int ticked = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] { ++ticked; });
    ticks.start(5);
    QThread* ranOn = core::offUiThread([] {
        QThread::msleep(200);
        return QThread::currentThread();
    });
    EXPECT_NE(ranOn, QThread::currentThread());
    EXPECT_GE(ticked, 5);
    EXPECT_THROW(core::runOffUiThread([] { throw std::runtime_error("broken"); }),
                 std::runtime_error);
}
