#include "package/import/frm_impor_cons.h"

#include <QFile>
#include <QFont>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QUrl>
#include <memory>
#include <utility>

#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/busy_indicator.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/named_data_set.h"
#include "package/core/import_messages.h"
#include "package/core/import_packet.h"
#include "package/core/import_paths.h"
#include "package/core/import_run.h"
#include "package/core/server_names.h"
#include "package/frame/package_units.h"
#include "package/frame/server_connection.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "platform/regional.h"
#include "platform/win_path.h"

namespace confcred::package {

namespace ci = credit_import;

QPointer<TfrmImporCons> frmImporCons;
bool Cli_Lun90002_boIdCriado = false;

namespace Cli_Lun90002 {

void initialization() {
    boIdCriado = false;
}
}  // namespace Cli_Lun90002

namespace {

QString qtext(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void createFolderIfMissing(std::string_view folder) {
    // Not verified here: a folder that could not be made shows up as the
    // failure of whatever needs it.
    if (!platform::directoryExists(folder))
        platform::createDir(folder);
}

}  // namespace

TfrmImporCons::TfrmImporCons(QWidget* parent) : TfrmPadrImportExport(parent) {
    setObjectName(QStringLiteral("frmImporCons"));
    setWindowTitle(tr("Importação Crédito/Débito Consumidor "));
    lblCodTela->setText(QStringLiteral("LUN90002"));
    msgPadrao->setLines(ci::importMessageLines());
    sbtImportExport->setHint(tr("Importar"));
    sbtHelp->hide();

    grbDadosRel->setMinimumSize(270, 62);
    lblArquivo = new QLabel(tr("Arquivo"), grbDadosRel);
    lblArquivo->setObjectName(QStringLiteral("lblArquivo"));
    QFont bold = lblArquivo->font();
    bold.setBold(true);
    lblArquivo->setFont(bold);
    lblArquivo->move(12, 12);
    medArquivo = new QLineEdit(grbDadosRel);
    medArquivo->setObjectName(QStringLiteral("medArquivo"));
    medArquivo->setText(qtext(ci::kSiteFolderSlash));
    QPalette tip = medArquivo->palette();
    tip.setColor(QPalette::Base, tip.color(QPalette::ToolTipBase));
    medArquivo->setPalette(tip);
    medArquivo->setGeometry(12, 30, 219, 21);
    btnArquivo = new host::widgets::TBtnPesquisa(grbDadosRel);
    btnArquivo->setObjectName(QStringLiteral("btnArquivo"));
    btnArquivo->setHint(tr("Pesquisar"));
    btnArquivo->setTitle(tr("Arquivo"));
    btnArquivo->setAssociate(medArquivo);
    btnArquivo->placeBesideAssociate();
    lblArquivo->setBuddy(medArquivo);  // a screen reader names the edit "Arquivo"

    opdArquivo.filter = tr("Text File|*.txt|All Files|*.*");
    opdArquivo.initialDir = qtext(ci::kChooserFolder);
    opdArquivo.parent = this;

    netImportCons = createServerConnection(this, QStringLiteral("netImportCons"), kImportServerName,
                                           [this] { netImportConsBeforeConnect(); });

    ci::declareArquivoFields(cdsArquivo);
    ci::declareResultadoFields(cdsResultado);
    host::widgets::nameDataSet(this, QStringLiteral("cdsArquivo"), cdsArquivo);
    host::widgets::nameDataSet(this, QStringLiteral("cdsResultado"), cdsResultado);

    host::core::onEvent(btnArquivo, &QAbstractButton::clicked, this,
                        &TfrmImporCons::btnArquivoClick);
    // Tab goes round every control: the path, its search, then Importar
    // and Fechar (Space presses them).
    for (QWidget* w : {static_cast<QWidget*>(sbtImportExport), static_cast<QWidget*>(sbtFechar)})
        w->setFocusPolicy(Qt::TabFocus);
    setTabOrder(medArquivo, btnArquivo);
    setTabOrder(btnArquivo, sbtImportExport);
    setTabOrder(sbtImportExport, sbtFechar);
    medArquivo->setFocus();  // where the dialog opens
    resize(300, 170);
}

TfrmImporCons::~TfrmImporCons() = default;

void TfrmImporCons::FormCreate() {
    TfrmPadrImportExport::FormCreate();
    try {
        netImportCons->Open();
    } catch (const host::client::TransportError&) {
        // Not tested here: a run over a connection that did not open fails
        // at its server call and is reported there.
    }
    createFolderIfMissing(ci::kCreditoFolder);
    createFolderIfMissing(ci::kSiteFolder);
}

void TfrmImporCons::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == 0;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !running_) {
        event->accept();
        const QString path = medArquivo->text().trimmed();
        const bool names = !path.isEmpty() && !path.endsWith(QLatin1Char('\\'));
        if (names && sbtImportExport->isEnabled())
            sbtImportExport->click();
        else if (!names && btnArquivo->isEnabled())
            btnArquivo->click();
        return;
    }
    TfrmPadrImportExport::keyPressEvent(event);
}

void TfrmImporCons::netImportConsBeforeConnect() {
    pointAtHostServer(*netImportCons);
}

void TfrmImporCons::FormClose(host::forms::TCloseAction& action) {
    TfrmPadrImportExport::FormClose(action);
    Cli_Lun90002::boIdCriado = false;
    netImportCons->Close();
}

void TfrmImporCons::btnArquivoClick() {
    if (const std::optional<QString> chosen = host::core::ui().chooseFile(opdArquivo))
        medArquivo->setText(*chosen);
}

void TfrmImporCons::sbtImportExportClick() {
    // The run lets pending messages through to repaint its progress; a click
    // or key held back while the server answered arrives then, and must not
    // start a second run on a file this one has not archived yet.
    if (running_)
        return;
    running_ = true;
    host::core::ScopeGuard done([this] { running_ = false; });
    ci::ImportRun run{
        *netImportCons,
        *msgPadrao,
        cdsArquivo,
        cdsResultado,
        host::core::Operador.toStdString(),
        platform::currentClock(),
        *this,
        {[this] { return medArquivo->text(); }, [this](int by) { stepProgress(by); },
         [this](const QString& text) { setStatusCaption(text); }, [this] { repaint(); }}};
    const ci::ImportOutcome outcome = ci::runImport(run);
    if (outcome.end == ci::ImportEnd::Imported)
        finishRun(outcome);
}

int TfrmImporCons::ask(host::core::BoxRequest box) {
    if (box.caption.isEmpty())
        box.caption = host::core::application().title();
    return host::core::ui().showBox(box);
}

std::optional<QString> TfrmImporCons::ask(host::core::FileRequest request) {
    request.parent = this;
    return host::core::ui().chooseFile(request);
}

void TfrmImporCons::report(const RunFailure& failure) {
    // The run's own texts are about the file named: the operator corrects it.
    if (failure.kind == RunFailure::Kind::Stopped)
        medArquivo->setFocus();
    reportRunFailure(failure);
}

void TfrmImporCons::busy(bool on) {
    if (on)
        host::widgets::ActiveShowAvi(host::core::application().mainForm(),
                                     host::widgets::busyProcessing);
    else
        host::widgets::DeactiveShowAvi();
}

void TfrmImporCons::finishRun(const ci::ImportOutcome& outcome) {
    if (outcome.warnings == 0) {
        host::core::BoxRequest box;
        box.kind = host::core::BoxKind::Confirmation;
        box.caption = host::core::application().title();
        box.text = msgPadrao->Msg(QStringLiteral("OPER_SUC"));
        box.informativeText = createdText(outcome);
        host::core::ui().showBox(box);
    } else if (outcome.log == ci::LogEnd::Written) {
        showLogWritten(outcome);
    } else {
        // The import and the move are done: say so, and give the operator the
        // warnings the log was to hold.
        showWarning(ci::logFailureText(*msgPadrao, *outcome.logError, warningLines()));
    }
    // Told after the outcome: a file left in place would be imported again.
    if (!outcome.archive.moved())
        showWarning(ci::archiveFailureText(*msgPadrao, outcome.path, outcome.archive));
    host::core::application().showStatus(
        tr("Importação concluída: %1; advertências: %2.")
            .arg(outcome.path, QString::fromStdString(platform::formatCount(outcome.warnings))));
    setProgress(0);
    Close();
}

QString TfrmImporCons::createdText(const ci::ImportOutcome& outcome) {
    if (!outcome.created)
        return {};
    return tr("Pedidos criados: %1.")
        .arg(
            QString::fromStdString(platform::formatCount(static_cast<uint64_t>(*outcome.created))));
}

void TfrmImporCons::showLogWritten(const ci::ImportOutcome& outcome) {
    const QString logPath = QString::fromStdString(outcome.logPath);
    host::core::BoxRequest box;
    box.kind = host::core::BoxKind::Confirmation;
    box.caption = host::core::application().title();
    box.text = msgPadrao->Msg(QStringLiteral("DADOS_NOT_INPORT"));
    box.informativeText =
        msgPadrao->Msg(QStringLiteral("ADV_NO_LOG"))
            .arg(QString::fromStdString(platform::formatCount(outcome.warnings)), logPath);
    if (const QString created = createdText(outcome); !created.isEmpty())
        box.informativeText += QLatin1Char(' ') + created;
    box.buttons = host::core::mbOK | host::core::mbOpen;
    box.openText = msgPadrao->Msg(QStringLiteral("ABRIR_LOG"));
    if (host::core::ui().showBox(box) != host::core::mrOpen)
        return;
    const QString file = QString::fromStdString(platform::resolvePath(outcome.logPath).string());
    if (host::core::ui().openUrl(QUrl::fromLocalFile(file)))
        return;
    // No viewer for it on this desktop: the host's own page shows the log.
    QFile log(file);
    if (!log.open(QIODevice::ReadOnly)) {
        showWarning(tr("Não foi possível abrir o log %1.").arg(logPath));
        return;
    }
    // The log is written in Windows-1252, as Windows tools read it.
    const QByteArray bytes = log.read(4 * 1024 * 1024);
    const QString text = QString::fromStdString(platform::cp1252ToUtf8(
        std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()))));
    host::core::ui().showPage(
        logPath, QStringLiteral("<pre>") + text.toHtmlEscaped() + QStringLiteral("</pre>"), this);
}

void TfrmImporCons::logCons() {
    ci::writeImportLog(cdsResultado, host::core::Operador.toStdString(), platform::currentClock());
}

void TfrmImporCons::showWarning(const QString& text) {
    host::core::BoxRequest box;
    box.kind = host::core::BoxKind::Warning;
    box.text = text;
    box.buttons = host::core::mbOK;
    box.parent = this;
    host::core::ui().showBox(box);
}

QStringList TfrmImporCons::warningLines() {
    QStringList lines;
    const dataset::Field& line = cdsResultado.fieldByName("DSLINHA");
    cdsResultado.first();
    while (!cdsResultado.eof()) {
        lines << QString::fromStdString(line.asString());
        cdsResultado.next();
    }
    return lines;
}

void CriaImportCons() {
    host::core::ui().setScreenCursor(host::core::crHourGlass);
    host::core::ScopeGuard cursor([] { host::core::ui().setScreenCursor(host::core::crDefault); });
    if (!Cli_Lun90002::boIdCriado || frmImporCons.isNull()) {
        std::unique_ptr<TfrmImporCons> created(
            host::forms::createForm<TfrmImporCons>(host::core::application().mainForm()));
        // A dialog that closed itself while being created is neither kept
        // nor shown.
        if (created->closedDuringCreation())
            return;
        frmImporCons = created.release();
        Cli_Lun90002::boIdCriado = true;
    }
    // A closed dialog is done with (each showing is a new instance); it goes
    // with its record sets instead of lingering hidden under the main window.
    QPointer<TfrmImporCons> shown = frmImporCons;
    host::core::ScopeGuard release([shown] {
        if (shown && !Cli_Lun90002::boIdCriado)
            shown->deleteLater();
    });
    host::core::ui().showModal(*frmImporCons);
}

}  // namespace confcred::package
