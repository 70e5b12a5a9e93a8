#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QScreen>

#include "host/core/application.h"
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

// The status bar names the operator the server authenticated, not the name
// given in the options, and follows a change of operator.
TEST(MainWindowTest, TheStatusBarNamesTheLoggedInOperator) {
    HostOptions options;
    options.operatorName = QStringLiteral("operador");
    host::core::Operador = QStringLiteral("ana");
    host::core::PackageLoader package;
    MainWindow window(options, package);
    auto* context = window.findChild<QLabel*>(QStringLiteral("lblContexto"));
    ASSERT_NE(context, nullptr);
    EXPECT_TRUE(context->text().contains("Operador ana  |")) << context->text().toStdString();
    emit host::core::application().operatorChanged(QStringLiteral("bia"));
    EXPECT_TRUE(context->text().contains("Operador bia  |")) << context->text().toStdString();
}

}  // namespace
}  // namespace confcred::shell
