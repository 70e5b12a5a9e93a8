// The application object and the host context. The shell sets them up at
// start; the screens read them (title for box captions, main window and its
// multiple-document area for child screens, branch, server and operator).
#pragma once

#include <QMainWindow>
#include <QMdiArea>
#include <QObject>
#include <QPointer>
#include <QString>

#include "host/core/dispatch.h"
#include "host/core/ui_service.h"

namespace confcred::host::core {

class Application : public QObject {
    Q_OBJECT

  public:
    // The process-wide object; created on first use.
    static Application& instance();

    // Caption of every message box. Until a host sets it: the Qt application's
    // display name.
    QString title() const;
    void setTitle(const QString& title);

    // The host's main window and the multiple-document area child screens go
    // into; both null until a host sets them (tests run without).
    QMainWindow* mainWindow() const { return mainWindow_; }
    void setMainWindow(QMainWindow* window) { mainWindow_ = window; }
    QMdiArea* mdiArea() const { return mdiArea_; }
    void setMdiArea(QMdiArea* area) { mdiArea_ = area; }
    // The window a busy animation or a dialog should cover: the main window,
    // else the active window, else null.
    QWidget* mainForm() const;

    // Where unexpected errors go (the dispatch point's error report). Null
    // restores the default: an error box with the text, through the UI service.
    void setErrorReport(ErrorReport report);

    // The UI service in use (the scripted one in tests and automation).
    UiService& currentUi() const { return ui(); }

    // A short message for the main window's status line (a refused entry, a
    // file written); the last one stays readable for screens without one.
    void showStatus(const QString& text);
    QString lastStatus() const { return lastStatus_; }

  signals:
    // showStatus was called: the main window shows the text in its status bar.
    void statusShown(const QString& text);

    // Operador changed: another operator logged in when the session ended.
    void operatorChanged(const QString& name);

  private:
    Application() = default;

    QString title_;
    QString lastStatus_;
    QPointer<QMainWindow> mainWindow_;
    QPointer<QMdiArea> mdiArea_;
};

inline Application& application() {
    return Application::instance();
}

// The host context, set by the shell from its options; read on the UI thread.
// Branch code of the current branch.
extern int FiliProc;
// Host name or address of the application server; https://HOST when it is
// reached over TLS (host/client/server_tls.h).
extern QString WebURL;
// Port of the application server (the server's default 8211).
extern int WebPort;
// Name of the operator signed in.
extern QString Operador;
// The signed-in operator's role as the server gave it at login ("operador",
// "consulta"); empty when the server wants no session.
extern QString Perfil;
// True for a role that may only look: the screens disable what it would be
// refused (the server refuses it all the same).
bool perfilSoConsulta();

inline constexpr int kDefaultServerPort = 8211;

}  // namespace confcred::host::core
