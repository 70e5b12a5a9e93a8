// The login at the host's start: "Entrar" asks for the operator and the
// password, the server checks them, and a refusal shows the dialog again with
// the server's message. Shown through the UI service, so the scripted
// service can fill it in. The same dialog comes back, saying that the session
// ended, when the server no longer knows the session mid-run.
#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace confcred::host::forms {

class LoginDialog : public QDialog {
    Q_OBJECT

  public:
    // `message`: why the dialog is shown again (the server's refusal), or empty.
    LoginDialog(const QString& operatorName, const QString& message, QWidget* parent = nullptr);

    QString operatorName() const;
    QString password() const;

  private:
    void btnEntrarClick();
    void inputChanged();

    QLineEdit* edtOperador_;
    QLineEdit* edtSenha_;
    QLabel* lblMensagem_;
    QPushButton* btnEntrar_;
};

enum class LoginResult {
    NotNeeded,  // the server wants no session (or did not answer /health)
    LoggedIn,   // serverSession() is active; the operator's name is the server's
    Cancelled,  // the person pressed Cancelar
    Refused,    // with a password given beforehand, the server refused it
    Untrusted,  // the server's certificate did not verify; nothing was sent
};

// Logs in when the server at host:port wants a session. With `password`
// given (automation), no dialog is shown and a refusal is final; `message`
// then holds the server's text. An https:// server whose certificate does not
// verify is Untrusted, with the reason in `message`: the screens would only
// say that they could not connect. `operatorName` comes in as the name to offer
// and goes out as the name the server authenticated. Once logged in, the same
// way (the dialog, or the same password for the session's operator) serves
// to log in again when a call finds the session ended; another operator who
// logs in then becomes the host context's Operador.
LoginResult logInAtStart(const QString& host, int port, QString& operatorName,
                         const std::optional<QString>& password, QString& message);

}  // namespace confcred::host::forms
