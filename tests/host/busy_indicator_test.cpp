// The busy animation: nesting, the wait cursor, the overlay over its window
// and its animation moving while a local event loop waits.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include "host/widgets/busy_indicator.h"

using namespace confcred::host;
using namespace confcred::host::widgets;

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
        while (widgets::busyDepth() > 0)
            widgets::DeactiveShowAvi();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    QWidget window;
};

TEST_F(BusyIndicatorTest, NestedCallsBalance) {
    widgets::ActiveShowAvi(&window, widgets::busyConnecting);
    QWidget* overlay = widgets::busyOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->parentWidget(), &window);
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(overlay->geometry(), window.rect());
    EXPECT_TRUE(waitCursorShown());

    widgets::ActiveShowAvi(&window, widgets::busyProcessing);
    EXPECT_EQ(widgets::busyDepth(), 2);
    EXPECT_EQ(widgets::busyOverlay(), overlay);  // the first one stays
    widgets::DeactiveShowAvi();
    EXPECT_EQ(widgets::busyOverlay(), overlay);
    EXPECT_TRUE(waitCursorShown());
    widgets::DeactiveShowAvi();
    EXPECT_EQ(widgets::busyDepth(), 0);
    EXPECT_EQ(widgets::busyOverlay(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // One stop too many does nothing (clean-up paths may run it twice).
    widgets::DeactiveShowAvi();
    EXPECT_EQ(widgets::busyDepth(), 0);
    widgets::ActiveShowAvi(&window, widgets::busyProcessing);
    EXPECT_EQ(widgets::busyDepth(), 1);
}

TEST_F(BusyIndicatorTest, AnimatesWhileALocalEventLoopWaitsAndFollowsResizes) {
    widgets::ActiveShowAvi(&window, widgets::busyProcessing);
    QWidget* overlay = widgets::busyOverlay();
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
    widgets::ActiveShowAvi(other, widgets::busyConnecting);
    EXPECT_NE(widgets::busyOverlay(), nullptr);
    delete other;
    EXPECT_EQ(widgets::busyOverlay(), nullptr);
    widgets::DeactiveShowAvi();
    EXPECT_EQ(widgets::busyDepth(), 0);
}

TEST_F(BusyIndicatorTest, WithoutAWindowOnlyTheCursorChanges) {
    widgets::ActiveShowAvi(nullptr, widgets::busyConnecting);
    EXPECT_TRUE(waitCursorShown());
    widgets::DeactiveShowAvi();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
