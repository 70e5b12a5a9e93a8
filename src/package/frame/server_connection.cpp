#include "package/frame/server_connection.h"

#include "host/client/net_connection.h"
#include "host/core/application.h"

namespace confcred::package {

host::client::TNetConnection* createServerConnection(QObject* owner, const QString& componentName,
                                                     const QString& serverName,
                                                     std::function<void()> beforeConnect) {
    auto* connection = new host::client::TNetConnection(owner);
    connection->setObjectName(componentName);
    connection->setServerName(serverName);
    connection->setThrowException(false);
    connection->setBeforeConnect(std::move(beforeConnect));
    return connection;
}

void pointAtHostServer(host::client::TNetConnection& connection) {
    connection.setHost(host::core::WebURL);
    connection.setPort(host::core::WebPort);
    connection.setOperatorName(host::core::Operador);
}

}  // namespace confcred::package
