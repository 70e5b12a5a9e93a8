#include "host/frm_filtro_padrao.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "host/button_flat.h"
#include "host/dispatch.h"
#include "host/messages.h"

namespace confcred::host {

namespace {

QToolButton* panelButton(const char* name, const QString& text, const QString& hint, Glyph glyph,
                         QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setIcon(glyphIcon(glyph));
    b->setIconSize(QSize(16, 16));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    b->setAutoRaise(true);
    b->setFixedSize(70, 42);
    return b;
}

}  // namespace

TfrmFiltroPadrao::TfrmFiltroPadrao(QWidget* parent) : TDialogForm(parent) {
    setObjectName(QStringLiteral("frmFiltroPadrao"));
    setWindowFlags((windowFlags() | Qt::WindowCloseButtonHint) &
                   ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                     Qt::WindowContextHelpButtonHint));
    msgPadrao = new TMessages(this);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    grbFiltroPadrao = new QGroupBox(this);
    grbFiltroPadrao->setObjectName(QStringLiteral("grbFiltroPadrao"));
    layout->addWidget(grbFiltroPadrao, 1);

    panMenu = new QFrame(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->setFrameShape(QFrame::StyledPanel);
    panMenu->setFixedWidth(78);
    auto* menuLayout = new QVBoxLayout(panMenu);
    menuLayout->setContentsMargins(3, 3, 3, 3);
    panBotoes = new QFrame(panMenu);
    panBotoes->setObjectName(QStringLiteral("panBotoes"));
    auto* buttons = new QVBoxLayout(panBotoes);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(4);
    sbtConfirma = panelButton("sbtConfirma", QStringLiteral("Confirmar"),
                              QStringLiteral("Confirmar"), Glyph::Confirm, panBotoes);
    sbtFechar = panelButton("sbtFechar", QStringLiteral("Fechar"), QStringLiteral("Fechar (Esc)"),
                            Glyph::Close, panBotoes);
    buttons->addWidget(sbtConfirma);
    buttons->addWidget(sbtFechar);
    menuLayout->addWidget(panBotoes);
    menuLayout->addStretch(1);
    lblCodTela = new QLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    lblCodTela->setAlignment(Qt::AlignCenter);
    QFont code = lblCodTela->font();
    code.setBold(true);
    lblCodTela->setFont(code);
    lblCodTela->setStyleSheet(QStringLiteral("color: #5a6b80;"));
    menuLayout->addWidget(lblCodTela);
    layout->addWidget(panMenu);

    onEvent(sbtConfirma, &QAbstractButton::clicked, this, &TfrmFiltroPadrao::sbtConfirmaClick);
    onEvent(sbtFechar, &QAbstractButton::clicked, this, &TfrmFiltroPadrao::Close);
}

TfrmFiltroPadrao::~TfrmFiltroPadrao() = default;

void TfrmFiltroPadrao::sbtConfirmaClick() {
    setModalResult(QDialog::Accepted);
}

}  // namespace confcred::host
