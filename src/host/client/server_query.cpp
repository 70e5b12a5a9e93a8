#include "host/client/server_query.h"

#include <QCoreApplication>

#include <QMetaType>

#include "dataset/json_text.h"
#include "host/client/call_codec.h"
#include "host/client/call_context.h"
#include "host/client/call_policy.h"
#include "host/client/call_transport.h"
#include "host/client/server_session.h"
#include "host/client/sql_query.h"
#include "host/core/application.h"

namespace confcred::host::client {

namespace {

constexpr int kQueryTimeoutMs = 120'000;

void appendValue(std::string& out, const QVariant& value) {
    if (value.isNull()) {
        out += "null";
        return;
    }
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
            out += std::to_string(value.toLongLong());
            return;
        default:
            dataset::appendJsonString(out, value.toString().toStdString());
    }
}

}  // namespace

dataset::DataPacket queryThroughServer(const QString& queryName, const QString& sql,
                                       const std::vector<std::pair<QString, QVariant>>& params) {
    std::string body = "{\"sql\":";
    dataset::appendJsonString(body, sql.toStdString());
    body += ",\"params\":{";
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (i > 0)
            body += ',';
        dataset::appendJsonString(body, params[i].first.toStdString());
        body += ':';
        appendValue(body, params[i].second);
    }
    body += "}}";

    ServerRequest request;
    request.host = core::WebURL;
    request.port = core::WebPort;
    request.path = QStringLiteral("/query");
    request.what = QCoreApplication::translate("confcred_host", "consulta %1").arg(queryName);
    request.post = true;
    request.body = QByteArray::fromStdString(body);
    request.timeoutMs = kQueryTimeoutMs;

    NetTransport transport;
    CallPolicy policy(transport, hostCallContext().session);
    QString operatorName = core::Operador;
    CallOutcome sent = policy.send(QStringLiteral("query"), std::move(request), operatorName);
    const std::string where = "na consulta '" + queryName.toStdString() + "'";
    if (!sent.refused.isEmpty())
        throw QueryError(sent.refused.toStdString());
    const QString server = core::WebURL + QLatin1Char(':') + QString::number(core::WebPort);
    CallResult result = decodeAnswer(sent.status, std::move(sent.body), server, queryName);
    if (result.isError())
        throw QueryError("O servidor de aplicação recusou a consulta " + where + ": " +
                         result.errorMessage().toStdString());
    if (!result.hasPacket())
        throw QueryError("O servidor de aplicação não devolveu linhas " + where + ".");
    return result.takePacket();
}

}  // namespace confcred::host::client
