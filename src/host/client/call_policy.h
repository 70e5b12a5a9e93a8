// The call policy of the server connection (TNetConnection): how one call of
// a server method goes out over a transport (host/client/call_transport.h)
// under the operator's session (host/client/server_session.h).
//
// - A write call (host/client/retry_key.h) carries a fresh Idempotency-Key.
//   When its answer is lost it goes once more, after a pause, with the same
//   key, and the server answers the first outcome instead of applying it
//   twice. A read whose answer is lost is not sent again.
// - A call the server refused because the session ended goes once more, with
//   the same key, after one new login, in the name of whoever logged in; a
//   cancelled or refused login is the call's error instead.
// - A write asked for by one operator is not sent in the name of another who
//   took over at that login; a read is.
// - An answer that is not the server's own (a balancer's 502, 503 or 504, or
//   a page that is not JSON) means that no server is there to take the call
//   right now: the call goes again twice, after growing pauses, a write with
//   its key; then "Servidor de aplicação indisponível ..." is its error. A
//   503 in the server's own JSON is tried again alike and then shown as the
//   server wrote it.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "host/client/call_transport.h"

namespace confcred::host::client {

class ServerSession;

// What came of a call: the server's answer, or why it was not sent (again).
struct CallOutcome {
    int status = 0;
    std::string body;
    QString refused;             // when not empty, the call's error; nothing was applied
    QByteArray createdOrders{};  // the server's Confcred-Pedidos-Criados header
};

class CallPolicy {
  public:
    // `session` may be null: no session is sent and none is renewed.
    CallPolicy(CallTransport& transport, ServerSession* session)
        : transport_(transport), session_(session) {}

    // Pause before a write whose answer was lost goes again.
    void setRetryDelayMs(int ms) { retryDelayMs_ = ms; }
    // Told when the transport fails (the link is gone), before the failure
    // is raised again.
    void setLinkLost(std::function<void()> handler) { linkLost_ = std::move(handler); }

    // Sends the call of `method`: `request` has its address, path, body and
    // time limit; the policy adds the operator, the key and the session.
    // `operatorName` goes as X-Confcred-Operator and becomes the session's
    // operator after a new login. Throws the transport's TransportError.
    CallOutcome send(const QString& method, ServerRequest request, QString& operatorName);

  private:
    ServerAnswer sendOnce(const ServerRequest& request, bool writes);
    ServerAnswer exchangeOnce(const ServerRequest& request, bool writes);
    QString logInAgainFor(bool writes, QString& operatorName);

    CallTransport& transport_;
    ServerSession* session_;
    int retryDelayMs_ = 1000;
    std::function<void()> linkLost_;
};

// The body is a JSON object, as every answer of the server is.
bool isJsonAnswer(const std::string& body);
// 502, 503, 504, or a body that is not JSON: no server took the call.
bool unavailableAnswer(const ServerAnswer& answer);
// "Servidor de aplicação indisponível em HOST:PORT (HTTP 503, what): ..."
QString unavailableMessage(const ServerRequest& request, int status, bool writes);

}  // namespace confcred::host::client
