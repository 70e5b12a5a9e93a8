// The host's shared connection (dtmDBGeral) through the application server:
// when the desk has no database of its own (no --db), a query on the shared
// connection goes to the server as POST /query with its text and its
// parameters, under the operator's session, and the rows come back as a data
// packet. The server runs only the statements it declares
// (server/methods/declared_queries.h). The desk then needs no database
// credentials, only the server's address and an operator account.
#pragma once

#include <QString>
#include <QVariant>
#include <utility>
#include <vector>

#include "dataset/data_packet.h"

namespace confcred::host::client {

// Runs `sql` with `params` (name, value; a null value is sent as null) on the
// server of the host context (core::WebURL, core::WebPort), under its
// session. `queryName` names the query in the failure texts. Throws
// QueryError (host/client/sql_query.h) with the server's message, or
// TransportError when the server cannot be reached.
dataset::DataPacket queryThroughServer(const QString& queryName, const QString& sql,
                                       const std::vector<std::pair<QString, QVariant>>& params);

}  // namespace confcred::host::client
