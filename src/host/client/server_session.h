// The operator's session on the application server, one for the process:
// the host logs in once at start (POST /session), every server connection
// sends its token (Authorization: Bearer), and it is renewed before it
// expires. A server that needs no session says so on GET /health, and then
// nothing here is used. When a call is refused because the session has ended
// on the server (expired, ended, its operator disabled, the server's database
// lost it), the host logs in again the way it did at start and sends the call
// once more (host/client/call_policy.h).
#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace confcred::host::client {

// How a login after the session ended came out.
enum class LoginAgain {
    LoggedIn,     // a new session is active (perhaps of another operator)
    Cancelled,    // the person pressed Cancelar
    Refused,      // with a password given beforehand, the server refused it
    Unavailable,  // no login at start to repeat, or one already under way
};

struct LoginReply {
    bool ok = false;
    int status = 0;   // HTTP status; 0 when the server could not be reached
    QString message;  // the server's message when not ok
};

class ServerSession {
  public:
    ServerSession() = default;
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // Asks GET /health whether calls need a session. False also when the
    // server does not answer: the first call then reports that, as before.
    // A server whose certificate did not verify fills `tlsFailure` with the
    // operator's message (host/client/server_tls.h); it is emptied otherwise.
    bool required(const QString& host, int port, QString* tlsFailure = nullptr);

    LoginReply login(const QString& host, int port, const QString& operatorName,
                     const QString& password);
    // Renews when less than a third of the session's time is left; a failed
    // renewal keeps the token, whose calls the server then refuses with its
    // own message.
    void renewIfDue();
    // Ends the session on the server (DELETE /session) and forgets it, and
    // the way to log in again with it.
    void end();

    // How to log in again once the server says the session has ended: set by
    // the login at start (host/forms/login_dialog.h). `message` gets the server's
    // refusal.
    using Relogin = std::function<LoginAgain(QString& message)>;
    void setRelogin(Relogin relogin) { relogin_ = std::move(relogin); }
    // Logs in again through it; not from inside itself (a call made while
    // the dialog is up gets Unavailable).
    LoginAgain logInAgain(QString& message);
    bool canLogInAgain() const { return relogin_ && !loggingInAgain_; }

    bool active() const { return !token_.isEmpty(); }
    QByteArray bearer() const { return "Bearer " + token_.toLatin1(); }
    // The name the server knows the operator by.
    QString operatorName() const { return operator_; }
    // The operator's role as the server gave it ("operador", "consulta").
    QString role() const { return role_; }
    QDateTime expires() const { return expires_; }

  private:
    bool take(const QByteArray& body);

    QString host_;
    int port_ = 0;
    QString token_, operator_, role_;
    QDateTime issued_, expires_;
    Relogin relogin_;
    bool loggingInAgain_ = false;
};

// The host's one session. Connections do not read it themselves: the host's
// call context hands it to them (host/client/call_context.h).
ServerSession& serverSession();

}  // namespace confcred::host::client
