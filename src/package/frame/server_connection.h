// A screen's own connection to the application server, set up as every
// screen of the package sets it: its component name, the server name, the
// exception option off, and the host, port and operator taken from the host
// context before every connect.
#pragma once

#include <QString>
#include <functional>

class QObject;

namespace confcred::host::client {
class TNetConnection;
}

namespace confcred::package {

// `beforeConnect` is the screen's own handler; it runs before every connect.
host::client::TNetConnection* createServerConnection(QObject* owner, const QString& componentName,
                                                     const QString& serverName,
                                                     std::function<void()> beforeConnect);

// What every screen's before-connect handler does: host, port and operator
// from the host context (WebURL, WebPort, Operador).
void pointAtHostServer(host::client::TNetConnection& connection);

}  // namespace confcred::package
