#include "shell/main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>

#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/package_loader.h"
#include "shell/host_options.h"

namespace confcred::shell {

MainWindow::MainWindow(const HostOptions& options, host::core::PackageLoader& package)
    : mdi_(new QMdiArea(this)), package_(package) {
    setObjectName("frmPrincipal");
    setWindowTitle(QCoreApplication::translate("confcred_host", "ConfCred - Retaguarda"));
    mdi_->setObjectName("mdiPrincipal");
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);

    QMenu* credit = menuBar()->addMenu(QCoreApplication::translate("confcred_host", "&Crédito"));
    confirmation_ = credit->addAction(
        QCoreApplication::translate("confcred_host", "Confirmação de Crédito Bancário"));
    confirmation_->setObjectName("mnuConfCredBanc");
    host::core::onEvent(confirmation_, &QAction::triggered, this, [this] { openConfirmation(); });
    credit->addSeparator();
    QAction* quit = credit->addAction(QCoreApplication::translate("confcred_host", "Sai&r"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    QMenu* windows = menuBar()->addMenu(QCoreApplication::translate("confcred_host", "&Janela"));
    connect(windows->addAction(QCoreApplication::translate("confcred_host", "&Cascata")),
            &QAction::triggered, mdi_, &QMdiArea::cascadeSubWindows);
    connect(windows->addAction(QCoreApplication::translate("confcred_host", "&Lado a lado")),
            &QAction::triggered, mdi_, &QMdiArea::tileSubWindows);

    const auto contextText = [options](const QString& operatorName) {
        return QCoreApplication::translate("confcred_host",
                                           "Filial %1  |  Operador %2  |  Servidor %3:%4")
            .arg(options.branch)
            .arg(operatorName, options.serverHost)
            .arg(options.serverPort);
    };
    // The operator the server authenticated (the login may name another
    // than --operator).
    auto context = new QLabel(contextText(host::core::Operador), this);
    context->setObjectName("lblContexto");
    statusBar()->addPermanentWidget(context);
    // Another operator may take over the session when it ends mid-run.
    connect(&host::core::application(), &host::core::Application::operatorChanged, context,
            [context, contextText](const QString& name) { context->setText(contextText(name)); });
    connect(&host::core::application(), &host::core::Application::statusShown, this,
            [this](const QString& text) { statusBar()->showMessage(text, 15000); });
    // Room for the confirmation screen at its own place and size (244, 105,
    // 815 by 585) inside the work area, under the menu bar and above the
    // status bar, and for the whole status line; within the screen's area.
    const QSize screenPlace(244 + 815, 105 + 585);
    const int extraHeight = menuBar()->sizeHint().height() + statusBar()->sizeHint().height() +
                            2 * mdi_->frameWidth() + 8;
    fitOnScreen(QSize(std::max({1180, screenPlace.width() + 2 * mdi_->frameWidth() + 8,
                                statusBar()->sizeHint().width()}),
                      std::max(790, screenPlace.height() + extraHeight)));
}

void MainWindow::fitOnScreen(QSize wanted) {
    winId();  // the window exists, so its frame is known where the platform tells it
    const QRect area = screen()->availableGeometry();
    const QSize frame = frameGeometry().size() - size();
    resize(wanted.boundedTo(area.size() - frame));
    // A screen smaller than the window would also leave it outside the area.
    const QRect outer = frameGeometry();
    if (!area.contains(outer))
        move(std::clamp(outer.left(), area.left(), area.right() + 1 - outer.width()),
             std::clamp(outer.top(), area.top(), area.bottom() + 1 - outer.height()));
}

void MainWindow::setPackageMissing(const QString& reason) {
    confirmation_->setEnabled(false);
    confirmation_->setToolTip(reason);
    statusBar()->showMessage(
        QCoreApplication::translate("confcred_host", "Pacote de telas não carregado"));
}

void MainWindow::openConfirmation() {
    package_.call("IniProc");
}

}  // namespace confcred::shell
