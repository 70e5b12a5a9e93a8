// The host's main window: a multiple-document area the package's screens open
// in, the menu entry that calls the package's IniProc, and a status line with
// the host context.
#pragma once

#include <QMainWindow>

class QMdiArea;

namespace confcred::host::core {
class PackageLoader;
}

namespace confcred::shell {

struct HostOptions;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    MainWindow(const HostOptions& options, host::core::PackageLoader& package);

    QMdiArea* mdiArea() const { return mdi_; }
    // The menu entry "Confirmação de Crédito Bancário": the package's IniProc,
    // through the dispatch point.
    void openConfirmation();
    // Without its package the menu entry is switched off and says why.
    void setPackageMissing(const QString& reason);

  private:
    // The wanted size, within the screen's work area (frame included).
    void fitOnScreen(QSize wanted);

    QMdiArea* mdi_;
    QAction* confirmation_;
    host::core::PackageLoader& package_;
};

}  // namespace confcred::shell
