#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QScreen>

#include "host/core/package_loader.h"
#include "shell/host_options.h"

namespace confcred::shell {
namespace {

// The offscreen screen (800 by 600) is smaller than the window's own size:
// the window, frame included, still fits the screen's work area.
TEST(MainWindowTest, NeverOpensLargerThanTheScreensWorkArea) {
    HostOptions options;
    host::core::PackageLoader package;
    MainWindow window(options, package);
    const QRect area = window.screen()->availableGeometry();
    ASSERT_TRUE(area.width() < 1180 || area.height() < 790) << "the screen fits the window";
    window.show();
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << window.frameGeometry().width() << "x" << window.frameGeometry().height();
}

}  // namespace
}  // namespace confcred::shell
