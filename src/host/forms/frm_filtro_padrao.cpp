#include "host/forms/frm_filtro_padrao.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/forms/form_base.h"
#include "host/widgets/button_flat.h"

namespace confcred::host::forms {

namespace {

QToolButton* panelButton(const char* name, const QString& text, const QString& hint,
                         widgets::Glyph glyph, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(hint);
    b->setIcon(widgets::glyphIcon(glyph));
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
    msgPadrao = new core::TMessages(this);
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
    sbtConfirma =
        panelButton("sbtConfirma", QCoreApplication::translate("confcred_host", "Confirmar"),
                    QCoreApplication::translate("confcred_host", "Confirmar"),
                    widgets::Glyph::Confirm, panBotoes);
    sbtFechar = panelButton("sbtFechar", QCoreApplication::translate("confcred_host", "Fechar"),
                            QCoreApplication::translate("confcred_host", "Fechar (Esc)"),
                            widgets::Glyph::Close, panBotoes);
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

    core::onEvent(sbtConfirma, &QAbstractButton::clicked, this,
                  &TfrmFiltroPadrao::sbtConfirmaClick);
    core::onEvent(sbtFechar, &QAbstractButton::clicked, this, &TfrmFiltroPadrao::Close);
    core::onEvent(helpKey(*this), &QShortcut::activated, this,
                  [this] { showScreenHelp(lblCodTela->text(), windowTitle()); });
}

TfrmFiltroPadrao::~TfrmFiltroPadrao() = default;

void TfrmFiltroPadrao::sbtConfirmaClick() {
    setModalResult(QDialog::Accepted);
}

void TfrmFiltroPadrao::FormShow() {
    TDialogForm::FormShow();
    // The button panel comes after the filter area in the tab order.
    QWidget* last = nullptr;
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (grbFiltroPadrao->isAncestorOf(w))
            last = w;
    }
    if (last != nullptr) {
        setTabOrder(last, sbtConfirma);
        setTabOrder(sbtConfirma, sbtFechar);
    }
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        const bool takesTab = (w->focusPolicy() & Qt::TabFocus) != 0;
        if (grbFiltroPadrao->isAncestorOf(w) && takesTab && w->isEnabled() &&
            w->isVisibleTo(this)) {
            // In a group of radio buttons the one that is checked.
            auto* radio = qobject_cast<QRadioButton*>(w);
            if (radio != nullptr && !radio->isChecked()) {
                for (QRadioButton* sibling :
                     w->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) {
                    if (sibling->isChecked() && sibling->autoExclusive())
                        w = sibling;
                }
            }
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void TfrmFiltroPadrao::FormKeyDown(int& key, Qt::KeyboardModifiers shift) {
    TDialogForm::FormKeyDown(key, shift);
    const bool plain = (shift & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier)) == 0;
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && plain && sbtConfirma->isEnabled()) {
        key = 0;
        sbtConfirma->click();
    }
}

}  // namespace confcred::host::forms
