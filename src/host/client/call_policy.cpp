#include "host/client/call_policy.h"

#include <QCoreApplication>

#include "host/client/retry_key.h"
#include "host/client/server_session.h"

namespace confcred::host::client {

namespace {

// The server's refusal of a call without a valid session: it did not run it.
bool sessionEnded(const ServerAnswer& answer) {
    return answer.status == 401 && answer.wwwAuthenticate.contains(R"(realm="confcred-session")");
}

// How often a call whose server was unavailable goes again.
constexpr int kUnavailableRetries = 2;

}  // namespace

CallOutcome CallPolicy::send(const QString& method, ServerRequest request, QString& operatorName) {
    request.setHeader("X-Confcred-Operator", operatorName.toUtf8());
    const bool writes = isWriteCall(method);
    if (writes)
        request.setHeader("Idempotency-Key", newIdempotencyKey());
    if (session_ && session_->active()) {
        session_->renewIfDue();
        request.setHeader("Authorization", session_->bearer());
    }
    ServerAnswer answer = sendOnce(request, writes);
    if (sessionEnded(answer) && session_ && session_->canLogInAgain()) {
        // The server refuses a call without a valid session before running
        // it, so the call goes once more, with the same key.
        if (QString refused = logInAgainFor(writes, operatorName); !refused.isEmpty())
            return {0, {}, std::move(refused)};
        request.setHeader("Authorization", session_->bearer());
        request.setHeader("X-Confcred-Operator", operatorName.toUtf8());
        answer = sendOnce(request, writes);
    }
    return {answer.status, std::move(answer.body), {}, answer.createdOrders};
}

ServerAnswer CallPolicy::sendOnce(const ServerRequest& request, bool writes) {
    try {
        ServerAnswer answer = exchangeOnce(request, writes);
        // A balancer (or a proxy) answered in the server's place: no server
        // took the call, or the one that did went away. Every call may go
        // again: a read changes nothing, a write goes with its key.
        for (int retry = 0; retry < kUnavailableRetries && unavailableAnswer(answer); ++retry) {
            transport_.pause(retryDelayMs_ * (retry + 1));
            answer = exchangeOnce(request, writes);
        }
        if (unavailableAnswer(answer) && !isJsonAnswer(answer.body))
            throw TransportError(unavailableMessage(request, answer.status, writes).toStdString());
        return answer;
    } catch (const TransportError&) {
        if (linkLost_)
            linkLost_();
        throw;
    }
}

ServerAnswer CallPolicy::exchangeOnce(const ServerRequest& request, bool writes) {
    try {
        return transport_.exchange(request);
    } catch (const AnswerLost&) {
        if (!writes)
            throw;
        // The call may have been committed before its answer was lost:
        // the same key gets its real outcome instead of a second
        // application.
        transport_.pause(retryDelayMs_);
        return transport_.exchange(request);
    }
}

QString CallPolicy::logInAgainFor(bool writes, QString& operatorName) {
    const QString before = session_->operatorName();
    QString refusal;
    switch (session_->logInAgain(refusal)) {
        case LoginAgain::Unavailable:
        case LoginAgain::Cancelled:
            return QCoreApplication::translate(
                "confcred_host",
                "Sua sessão no servidor de aplicação terminou e a nova entrada foi cancelada; "
                "nada foi alterado no servidor. Repita a operação para entrar novamente.");
        case LoginAgain::Refused:
            return QCoreApplication::translate(
                       "confcred_host",
                       "Sua sessão no servidor de aplicação terminou e a nova entrada foi "
                       "recusada: %1 Nada foi alterado no servidor.")
                .arg(refusal);
        case LoginAgain::LoggedIn:
            break;
    }
    operatorName = session_->operatorName();
    // A write the previous operator asked for is not sent in the name of
    // the one who took over; a list is.
    if (writes && operatorName != before)
        return QCoreApplication::translate(
                   "confcred_host",
                   "A sessão passou para o operador %1; a operação pedida por %2 não foi enviada "
                   "e nada foi alterado no servidor. Repita-a se for o caso.")
            .arg(operatorName, before);
    return {};
}

bool isJsonAnswer(const std::string& body) {
    const auto first = body.find_first_not_of(" \t\r\n");
    return first != std::string::npos && body[first] == '{';
}

bool unavailableAnswer(const ServerAnswer& answer) {
    return answer.status == 502 || answer.status == 503 || answer.status == 504 ||
           !isJsonAnswer(answer.body);
}

QString unavailableMessage(const ServerRequest& request, int status, bool writes) {
    const QString server = request.host + QLatin1Char(':') + QString::number(request.port);
    return QCoreApplication::translate(
               "confcred_host",
               "Servidor de aplicação indisponível em %1 (HTTP %2, %3): nenhum servidor "
               "atendeu. %4")
        .arg(server)
        .arg(status)
        .arg(request.what, writes ? QCoreApplication::translate(
                                        "confcred_host",
                                        "Tente novamente em instantes; repetir a operação não a "
                                        "aplica duas vezes, mas confira a lista antes.")
                                  : QCoreApplication::translate("confcred_host",
                                                                "Tente novamente em instantes."));
}

}  // namespace confcred::host::client
