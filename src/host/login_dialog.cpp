#include "host/login_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "host/server_session.h"
#include "host/ui_service.h"

namespace confcred::host {

LoginDialog::LoginDialog(const QString& operatorName, const QString& message, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("LoginDialog"));
    setWindowTitle(QStringLiteral("Entrar"));
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
    fields->addRow(QStringLiteral("&Operador"), edtOperador_);
    fields->addRow(QStringLiteral("&Senha"), edtSenha_);

    auto* buttons = new QDialogButtonBox(this);
    btnEntrar_ = buttons->addButton(QStringLiteral("Entrar"), QDialogButtonBox::AcceptRole);
    btnEntrar_->setObjectName(QStringLiteral("btnEntrar"));
    btnEntrar_->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
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

LoginResult logInAtStart(const QString& host, int port, QString& operatorName,
                         const std::optional<QString>& password, QString& message) {
    ServerSession& session = serverSession();
    QString tlsFailure;
    if (!session.required(host, port, &tlsFailure)) {
        if (tlsFailure.isEmpty())
            return LoginResult::NotNeeded;
        message = tlsFailure;
        return LoginResult::Untrusted;
    }
    message.clear();
    if (password) {
        const LoginReply reply = session.login(host, port, operatorName, *password);
        if (!reply.ok) {
            message = reply.message;
            return LoginResult::Refused;
        }
        operatorName = session.operatorName();
        return LoginResult::LoggedIn;
    }
    for (;;) {
        LoginDialog dialog(operatorName, message);
        if (ui().showModal(dialog) != QDialog::Accepted)
            return LoginResult::Cancelled;
        operatorName = dialog.operatorName();
        const LoginReply reply = session.login(host, port, operatorName, dialog.password());
        if (reply.ok) {
            operatorName = session.operatorName();
            return LoginResult::LoggedIn;
        }
        message = reply.message;
    }
}

}  // namespace confcred::host
