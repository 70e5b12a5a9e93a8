#include "host/forms/frm_padr_import_export.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>

#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/core/ui_service.h"
#include "host/widgets/button_flat.h"

namespace confcred::host::forms {

TfrmPadrImportExport::TfrmPadrImportExport(QWidget* parent) : TDialogForm(parent) {
    setObjectName(QStringLiteral("frmPadrImportExport"));
    setWindowFlags((windowFlags() | Qt::WindowCloseButtonHint) &
                   ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                     Qt::WindowContextHelpButtonHint));
    msgPadrao = new core::TMessages(this);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(6);

    panMenu = new QFrame(this);
    panMenu->setObjectName(QStringLiteral("panMenu"));
    panMenu->setFrameShape(QFrame::StyledPanel);
    panMenu->setFixedHeight(29);
    auto* bar = new QHBoxLayout(panMenu);
    bar->setContentsMargins(4, 3, 8, 3);
    bar->setSpacing(0);
    sbtImportExport = new widgets::TButtonFlat(
        QStringLiteral("sbtImportExport"), QCoreApplication::translate("confcred_host", "Importar"),
        widgets::glyphIcon(widgets::Glyph::Import), panMenu);
    sbtHelp = new widgets::TButtonFlat(QStringLiteral("sbtHelp"),
                                       QCoreApplication::translate("confcred_host", "Ajuda"),
                                       widgets::glyphIcon(widgets::Glyph::Help), panMenu);
    sbtFechar = new widgets::TButtonFlat(QStringLiteral("sbtFechar"),
                                         QCoreApplication::translate("confcred_host", "Fechar"),
                                         widgets::glyphIcon(widgets::Glyph::Close), panMenu);
    bar->addWidget(sbtImportExport);
    bar->addWidget(sbtHelp);
    bar->addWidget(sbtFechar);
    bar->addStretch(1);
    lblCodTela = new QLabel(panMenu);
    lblCodTela->setObjectName(QStringLiteral("lblCodTela"));
    QFont code = lblCodTela->font();
    code.setBold(true);
    lblCodTela->setFont(code);
    lblCodTela->setStyleSheet(QStringLiteral("color: #5a6b80;"));
    bar->addWidget(lblCodTela);
    layout->addWidget(panMenu);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(8, 0, 8, 0);
    body->setSpacing(6);
    grbDadosRel = new QGroupBox(this);
    grbDadosRel->setObjectName(QStringLiteral("grbDadosRel"));
    body->addWidget(grbDadosRel, 1);
    pgbProgresso = new QProgressBar(this);
    pgbProgresso->setObjectName(QStringLiteral("pgbProgresso"));
    pgbProgresso->setRange(0, 100);
    pgbProgresso->setValue(0);
    pgbProgresso->setTextVisible(true);
    body->addWidget(pgbProgresso);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setMinimumHeight(lblStatus->fontMetrics().height() + 4);
    body->addWidget(lblStatus);
    layout->addLayout(body, 1);

    core::onEvent(sbtImportExport, &QAbstractButton::clicked, this,
                  &TfrmPadrImportExport::sbtImportExportClick);
    core::onEvent(sbtHelp, &QAbstractButton::clicked, this, &TfrmPadrImportExport::sbtHelpClick);
    core::onEvent(helpKey(*this), &QShortcut::activated, this, &TfrmPadrImportExport::sbtHelpClick);
    core::onEvent(sbtFechar, &QAbstractButton::clicked, this, &TfrmPadrImportExport::Close);
}

TfrmPadrImportExport::~TfrmPadrImportExport() = default;

void TfrmPadrImportExport::setProgress(int value) {
    pgbProgresso->setValue(std::clamp(value, pgbProgresso->minimum(), pgbProgresso->maximum()));
    pgbProgresso->repaint();
}

void TfrmPadrImportExport::stepProgress(int by) {
    setProgress(pgbProgresso->value() + by);
}

int TfrmPadrImportExport::progress() const {
    return pgbProgresso->value();
}

void TfrmPadrImportExport::setStatusCaption(const QString& text) {
    lblStatus->setText(text);
    lblStatus->repaint();
}

QString TfrmPadrImportExport::statusCaption() const {
    return lblStatus->text();
}

void TfrmPadrImportExport::sbtHelpClick() {
    showScreenHelp(lblCodTela->text(), windowTitle());
}

}  // namespace confcred::host::forms
