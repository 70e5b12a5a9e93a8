// The main of the widget tests: a QApplication on the offscreen platform
// around GoogleTest. Test discovery runs the executables without the tests'
// environment, so the platform is set here too. Tests that wait for a
// condition (waitUntil) keep the event loop running while they wait.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

#include "support/wait_until.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    confcred::testing::setWaitStep([](std::chrono::milliseconds most) {
        const QDeadlineTimer until(most.count());
        QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(most.count()));
        // Nothing more to handle now: wait out the rest of the moment.
        if (!until.hasExpired())
            QThread::msleep(static_cast<unsigned long>(until.remainingTime()));
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
