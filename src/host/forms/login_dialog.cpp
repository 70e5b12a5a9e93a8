#include "host/forms/login_dialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include "host/client/server_session.h"
#include "host/core/application.h"
#include "host/core/ui_service.h"

namespace confcred::host::forms {

LoginDialog::LoginDialog(const QString& operatorName, const QString& message, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QCoreApplication::translate("confcred_host", "Entrar"));
    edtOperador_ = new QLineEdit(operatorName, this);
    edtOperador_->setObjectName(QStringLiteral("edtOperador"));
    edtOperador_->setMaxLength(40);
    edtSenha_ = new QLineEdit(this);
    edtSenha_->setObjectName(QStringLiteral("edtSenha"));
    edtSenha_->setEchoMode(QLineEdit::Password);
    lblMensagem_ = new QLabel(message, this);
    lblMensagem_->setObjectName(QStringLiteral("lblMensagem"));
    lblMensagem_->setWordWrap(true);
    lblMensagem_->setVisible(!message.isEmpty());

    auto* fields = new QFormLayout;
    fields->addRow(QCoreApplication::translate("confcred_host", "&Operador"), edtOperador_);
    fields->addRow(QCoreApplication::translate("confcred_host", "&Senha"), edtSenha_);

    auto* buttons = new QDialogButtonBox(this);
    btnEntrar_ = buttons->addButton(QCoreApplication::translate("confcred_host", "Entrar"),
                                    QDialogButtonBox::AcceptRole);
    btnEntrar_->setObjectName(QStringLiteral("btnEntrar"));
    btnEntrar_->setDefault(true);
    QPushButton* cancel = buttons->addButton(
        QCoreApplication::translate("confcred_host", "Cancelar"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnCancelar"));
    connect(btnEntrar_, &QPushButton::clicked, this, &LoginDialog::btnEntrarClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(edtOperador_, &QLineEdit::textChanged, this, &LoginDialog::inputChanged);
    connect(edtSenha_, &QLineEdit::textChanged, this, &LoginDialog::inputChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMensagem_);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    (operatorName.isEmpty() ? edtOperador_ : edtSenha_)->setFocus();
    inputChanged();
}

QString LoginDialog::operatorName() const {
    return edtOperador_->text().trimmed();
}

QString LoginDialog::password() const {
    return edtSenha_->text();
}

void LoginDialog::btnEntrarClick() {
    if (btnEntrar_->isEnabled())
        accept();
}

void LoginDialog::inputChanged() {
    btnEntrar_->setEnabled(!operatorName().isEmpty() && !password().isEmpty());
}

namespace {

// Shown above the fields when the dialog comes back because the session ended.
const char* const kSessionEnded = QT_TRANSLATE_NOOP(
    "confcred_host",
    "Sua sessão no servidor de aplicação terminou. Entre novamente para continuar.");

// Shows "Entrar" until the server accepts (true) or the person cancels;
// a refusal comes back with the server's message.
bool askUntilAccepted(const QString& host, int port, QString& operatorName, QString message) {
    client::ServerSession& session = client::serverSession();
    for (;;) {
        LoginDialog dialog(operatorName, message);
        if (core::ui().showModal(dialog) != QDialog::Accepted)
            return false;
        operatorName = dialog.operatorName();
        const client::LoginReply reply = session.login(host, port, operatorName, dialog.password());
        if (reply.ok) {
            operatorName = session.operatorName();
            return true;
        }
        message = reply.message;
    }
}

// The login after the session ended, made as the one at start: the dialog
// offers the session's operator, or the automation's password is sent for
// that name again. Whoever logs in becomes the host context's Operador.
client::LoginAgain logInAgain(const QString& host, int port, const std::optional<QString>& password,
                              QString& message) {
    client::ServerSession& session = client::serverSession();
    QString name = session.operatorName();
    if (password) {
        const client::LoginReply reply = session.login(host, port, name, *password);
        if (!reply.ok) {
            message = reply.message;
            return client::LoginAgain::Refused;
        }
    } else {
        // The call's busy animation keeps its wait cursor over the screens,
        // not over the dialog.
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        if (!askUntilAccepted(host, port, name,
                              QCoreApplication::translate("confcred_host", kSessionEnded)))
            return client::LoginAgain::Cancelled;
    }
    if (core::Operador != session.operatorName() || core::Perfil != session.role()) {
        core::Operador = session.operatorName();
        core::Perfil = session.role();
        emit core::application().operatorChanged(core::Operador);
    }
    return client::LoginAgain::LoggedIn;
}

}  // namespace

LoginResult logInAtStart(const QString& host, int port, QString& operatorName,
                         const std::optional<QString>& password, QString& message) {
    client::ServerSession& session = client::serverSession();
    QString tlsFailure;
    if (!session.required(host, port, &tlsFailure)) {
        if (tlsFailure.isEmpty())
            return LoginResult::NotNeeded;
        message = tlsFailure;
        return LoginResult::Untrusted;
    }
    message.clear();
    if (password) {
        const client::LoginReply reply = session.login(host, port, operatorName, *password);
        if (!reply.ok) {
            message = reply.message;
            return LoginResult::Refused;
        }
        operatorName = session.operatorName();
    } else if (!askUntilAccepted(host, port, operatorName, QString())) {
        return LoginResult::Cancelled;
    }
    core::Perfil = session.role();
    session.setRelogin([host, port, password](QString& refusal) {
        return logInAgain(host, port, password, refusal);
    });
    return LoginResult::LoggedIn;
}

}  // namespace confcred::host::forms
