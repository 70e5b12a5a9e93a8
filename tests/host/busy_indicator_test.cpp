// The busy animation: nesting, the wait cursor, the overlay over its window
// and its animation moving while a local event loop waits.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include "host/widgets/busy_indicator.h"

using namespace confcred::host;

namespace {

bool waitCursorShown() {
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

class BusyIndicatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(640, 480);
        window.show();
    }
    void TearDown() override {
        while (busyDepth() > 0)
            DeactiveShowAvi();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    QWidget window;
};

TEST_F(BusyIndicatorTest, NestedCallsBalance) {
    ActiveShowAvi(&window, busyConnecting);
    QWidget* overlay = busyOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->parentWidget(), &window);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry(), window.rect());
    EXPECT_TRUE(waitCursorShown());

    ActiveShowAvi(&window, busyProcessing);
    EXPECT_EQ(busyDepth(), 2);
    EXPECT_EQ(busyOverlay(), overlay);  // the first one stays
    DeactiveShowAvi();
    EXPECT_EQ(busyOverlay(), overlay);
    EXPECT_TRUE(waitCursorShown());
    DeactiveShowAvi();
    EXPECT_EQ(busyDepth(), 0);
    EXPECT_EQ(busyOverlay(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // One stop too many does nothing (clean-up paths may run it twice).
    DeactiveShowAvi();
    EXPECT_EQ(busyDepth(), 0);
    ActiveShowAvi(&window, busyProcessing);
    EXPECT_EQ(busyDepth(), 1);
}

TEST_F(BusyIndicatorTest, AnimatesWhileALocalEventLoopWaitsAndFollowsResizes) {
    ActiveShowAvi(&window, busyProcessing);
    QWidget* overlay = busyOverlay();
    ASSERT_NE(overlay, nullptr);
    const int before = overlay->property("frame").toInt();
    QEventLoop loop;
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    EXPECT_GT(overlay->property("frame").toInt(), before + 2);

    window.resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(overlay->geometry(), window.rect());
    // Paints without trouble in both kinds.
    EXPECT_FALSE(overlay->grab().isNull());
}

TEST_F(BusyIndicatorTest, WindowGoneWhileBusy) {
    auto* other = new QWidget;
    other->show();
    ActiveShowAvi(other, busyConnecting);
    EXPECT_NE(busyOverlay(), nullptr);
    delete other;
    EXPECT_EQ(busyOverlay(), nullptr);
    DeactiveShowAvi();
    EXPECT_EQ(busyDepth(), 0);
}

TEST_F(BusyIndicatorTest, WithoutAWindowOnlyTheCursorChanges) {
    ActiveShowAvi(nullptr, busyConnecting);
    EXPECT_TRUE(waitCursorShown());
    DeactiveShowAvi();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
