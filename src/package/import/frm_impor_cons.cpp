#include "package/import/frm_impor_cons.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <memory>
#include <utility>

#include "host/application.h"
#include "host/btn_pesquisa.h"
#include "host/busy_indicator.h"
#include "host/button_flat.h"
#include "host/check_result.h"
#include "host/dispatch.h"
#include "host/mens_erro.h"
#include "host/messages.h"
#include "host/named_data_set.h"
#include "package/frame/package_units.h"
#include "package/frame/server_connection.h"
#include "package/frame/server_names.h"
#include "package/import/import_log.h"
#include "package/import/import_messages.h"
#include "package/import/import_packet.h"
#include "package/import/import_paths.h"
#include "platform/files.h"

namespace confcred::package {

namespace ci = credit_import;

QPointer<TfrmImporCons> frmImporCons;

namespace Cli_Lun90002 {
bool boIdCriado = false;

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
    setWindowTitle(QStringLiteral("Importação Crédito/Débito Consumidor "));
    lblCodTela->setText(QStringLiteral("LUN90002"));
    msgPadrao->setLines(ci::importMessageLines());
    sbtImportExport->setHint(QStringLiteral("Importar"));
    sbtHelp->hide();

    grbDadosRel->setMinimumSize(270, 62);
    lblArquivo = new QLabel(QStringLiteral("Arquivo"), grbDadosRel);
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
    btnArquivo = new host::TBtnPesquisa(grbDadosRel);
    btnArquivo->setObjectName(QStringLiteral("btnArquivo"));
    btnArquivo->setHint(QStringLiteral("Pesquisar"));
    btnArquivo->setTitle(QStringLiteral("Arquivo"));
    btnArquivo->setAssociate(medArquivo);
    btnArquivo->placeBesideAssociate();

    opdArquivo.filter = QStringLiteral("Text File|*.txt|All Files|*.*");
    opdArquivo.initialDir = qtext(ci::kChooserFolder);
    opdArquivo.parent = this;

    netImportCons = createServerConnection(this, QStringLiteral("netImportCons"), kImportServerName,
                                           [this] { netImportConsBeforeConnect(); });

    ci::declareArquivoFields(cdsArquivo);
    ci::declareResultadoFields(cdsResultado);
    host::nameDataSet(this, QStringLiteral("cdsArquivo"), cdsArquivo);
    host::nameDataSet(this, QStringLiteral("cdsResultado"), cdsResultado);

    host::onEvent(btnArquivo, &QAbstractButton::clicked, this, &TfrmImporCons::btnArquivoClick);
    resize(300, 170);
}

TfrmImporCons::~TfrmImporCons() = default;

void TfrmImporCons::FormCreate() {
    TfrmPadrImportExport::FormCreate();
    try {
        netImportCons->Open();
    } catch (const host::TransportError&) {
        // Not tested here: a run over a connection that did not open fails
        // at its server call and is reported there.
    }
    createFolderIfMissing(ci::kCreditoFolder);
    createFolderIfMissing(ci::kSiteFolder);
}

void TfrmImporCons::netImportConsBeforeConnect() {
    pointAtHostServer(*netImportCons);
}

void TfrmImporCons::FormClose(host::TCloseAction& action) {
    TfrmPadrImportExport::FormClose(action);
    Cli_Lun90002::boIdCriado = false;
    netImportCons->Close();
}

void TfrmImporCons::btnArquivoClick() {
    if (const std::optional<QString> chosen = host::ui().chooseFile(opdArquivo))
        medArquivo->setText(*chosen);
}

void TfrmImporCons::sbtImportExportClick() {
    if (msgPadrao->ShowMsg(QStringLiteral("Conf"), host::BoxKind::Confirmation,
                           host::mbYes | host::mbNo, 0) != host::mrYes) {
        return;
    }
    const QString path = medArquivo->text();
    if (path.isEmpty() || path == qtext(ci::kSiteFolderSlash)) {
        medArquivo->setFocus();
        host::MensErro(msgPadrao->Msg(QStringLiteral("INF_ARQ")), true);
    }
    if (!platform::fileExists(path.toStdString())) {
        medArquivo->setFocus();
        host::MensErro(msgPadrao->Msg(QStringLiteral("ARQ_N")), true);
    }
    memArquivo = ci::loadImportText(path.toStdString());
    stepProgress(5);
    setStatusCaption(msgPadrao->Msg(QStringLiteral("EXPORTANDO")));
    host::ui().processMessages();
    repaint();
    // Each run sends its own file and nothing else, also after a failed one.
    ci::fillArquivo(cdsArquivo, std::exchange(memArquivo, {}));

    // A server error stops the run here: the file stays where it is, no log
    // is written and the dialog stays open with the server's message shown.
    cdsResultado.loadPacket(host::CheckResultServ(callServer(), true, 0));
    finishRun(path);
}

host::CallResult TfrmImporCons::callServer() {
    host::ActiveShowAvi(host::application().mainForm(), host::busyProcessing);
    host::ScopeGuard busy([] { host::DeactiveShowAvi(); });
    return netImportCons->appServer().call(kSetImporSaldoCons, {&cdsArquivo});
}

void TfrmImporCons::finishRun(const QString& path) {
    for (int i = 0; i < 10; ++i)
        stepProgress(10);
    setStatusCaption(msgPadrao->Msg(QString()));
    host::ui().processMessages();
    repaint();

    createFolderIfMissing(ci::kImportadosFolder);
    const ci::ArchiveOutcome archived = ci::archiveImportFile(path.toStdString());

    if (cdsResultado.isEmpty()) {
        msgPadrao->ShowMsg(QStringLiteral("OPER_SUC"), host::BoxKind::Confirmation, host::mbOK, 0);
    } else {
        try {
            logCons();
            msgPadrao->ShowMsg(QStringLiteral("DADOS_NOT_INPORT"), host::BoxKind::Confirmation,
                               host::mbOK, 0);
        } catch (const platform::IoError& error) {
            // The import and the move are done: say so, and give the operator
            // the warnings the log was to hold.
            showWarning(ci::logFailureText(*msgPadrao, error, warningLines()));
        }
    }
    // Told after the outcome: a file left in place would be imported again.
    if (!archived.moved())
        showWarning(ci::archiveFailureText(*msgPadrao, path, archived));
    setProgress(0);
    Close();
}

void TfrmImporCons::logCons() {
    ci::ImportLogWriter log;
    log.begin(host::Operador.toStdString());
    const dataset::Field& line = cdsResultado.fieldByName("DSLINHA");
    cdsResultado.first();
    while (!cdsResultado.eof()) {
        log.writeLine(line.asString());
        cdsResultado.next();
    }
    log.finish();
}

void TfrmImporCons::showWarning(const QString& text) {
    host::BoxRequest box;
    box.kind = host::BoxKind::Warning;
    box.text = text;
    box.buttons = host::mbOK;
    box.parent = this;
    host::ui().showBox(box);
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
    host::ui().setScreenCursor(host::crHourGlass);
    host::ScopeGuard cursor([] { host::ui().setScreenCursor(host::crDefault); });
    if (!Cli_Lun90002::boIdCriado || frmImporCons.isNull()) {
        std::unique_ptr<TfrmImporCons> created(
            host::createForm<TfrmImporCons>(host::application().mainForm()));
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
    host::ScopeGuard release([shown] {
        if (shown && !Cli_Lun90002::boIdCriado)
            shown->deleteLater();
    });
    host::ui().showModal(*frmImporCons);
}

}  // namespace confcred::package
