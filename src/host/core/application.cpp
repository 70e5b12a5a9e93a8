#include "host/core/application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMdiArea>

namespace confcred::host::core {

int FiliProc = 1;
QString WebURL = QStringLiteral("127.0.0.1");
int WebPort = kDefaultServerPort;
QString Operador;
QString Perfil;

bool perfilSoConsulta() {
    return Perfil == QStringLiteral("consulta");
}

Application& Application::instance() {
    static Application* app = new Application();  // lives as long as the process
    return *app;
}

QString Application::title() const {
    if (!title_.isEmpty())
        return title_;
    return QGuiApplication::applicationDisplayName();
}

void Application::setTitle(const QString& title) {
    title_ = title;
}

QWidget* Application::mainForm() const {
    if (mainWindow_)
        return mainWindow_;
    return QApplication::activeWindow();
}

void Application::showStatus(const QString& text) {
    lastStatus_ = text;
    emit statusShown(text);
}

void Application::setErrorReport(ErrorReport report) {
    confcred::host::core::setErrorReport(std::move(report));
}

}  // namespace confcred::host::core
