#include "package/core/import_run.h"

#include <optional>
#include <utility>

#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/dispatch.h"
#include "host/core/messages.h"
#include "host/core/off_ui_thread.h"
#include "host/core/ui_service.h"
#include "package/core/import_log.h"
#include "package/core/import_packet.h"
#include "package/core/server_names.h"

namespace confcred::package::credit_import {

namespace {

void createFolderIfMissing(std::string_view folder) {
    // Not verified: a folder that could not be made shows up as the failure
    // of whatever needs it.
    if (!platform::directoryExists(folder))
        platform::createDir(folder);
}

// SetImporSaldoCons with cdsArquivo, its answer vetted and loaded into
// cdsResultado, all under the busy animation: the animation stops only once
// the answer is in place. Returns the server's message when it refused the
// import, leaving cdsResultado as it was.
std::optional<QString> callServer(ImportRun& run, std::optional<qint64>& created) {
    RunBusy busy(run.screen);
    host::client::CallResult result =
        run.connection.appServer().call(kSetImporSaldoCons, {&run.cdsArquivo});
    if (result.isError())
        return result.errorMessage();
    created = result.createdOrders();
    run.cdsResultado.loadPacket(result.hasPacket() ? result.takePacket() : dataset::DataPacket{});
    return std::nullopt;
}

// Steps 11 and 12 of the dialog's progress: the bar full, the caption empty.
void showAnswered(const ImportRun& run) {
    for (int i = 0; i < 10; ++i)
        run.dialog.stepProgress(10);
    run.dialog.setStatusCaption(run.messages.Msg(QString()));
    host::core::ui().processMessages();
    run.dialog.repaint();
}

}  // namespace

ImportOutcome runImport(ImportRun& run) {
    ImportOutcome outcome;
    host::core::BoxRequest question;
    question.kind = host::core::BoxKind::Confirmation;
    question.text = run.messages.Msg(QStringLiteral("Conf"));
    question.buttons = host::core::mbYes | host::core::mbNo;
    if (run.screen.ask(question) != host::core::mrYes)
        return outcome;
    outcome.path = run.dialog.path();
    const std::string path = outcome.path.toStdString();
    if (outcome.path.isEmpty() || path == kSiteFolderSlash)
        return endRunWith(run.screen, outcome, ImportEnd::NoFileNamed,
                          RunFailure::stopped(run.messages.Msg(QStringLiteral("INF_ARQ"))));
    if (!platform::fileExists(path))
        return endRunWith(run.screen, outcome, ImportEnd::FileNotFound,
                          RunFailure::stopped(run.messages.Msg(QStringLiteral("ARQ_N"))));
    // A file of many megabytes: read apart, while the dialog keeps painting.
    std::string text = host::core::offUiThread([&path] { return loadImportText(path); });
    run.dialog.stepProgress(5);
    run.dialog.setStatusCaption(run.messages.Msg(QStringLiteral("EXPORTANDO")));
    host::core::ui().processMessages();
    run.dialog.repaint();
    // Each run sends its own file and nothing else, also after a failed one.
    fillArquivo(run.cdsArquivo, std::move(text));

    std::optional<QString> refused;
    try {
        refused = callServer(run, outcome.created);
    } catch (const host::client::TransportError& error) {
        return endRunWith(run.screen, outcome, ImportEnd::TransportFailed,
                          RunFailure::transport(error));
    }
    // A refused import stops here: the file stays where it is and no log is
    // written.
    if (refused)
        return endRunWith(run.screen, outcome, ImportEnd::ServerRefused,
                          RunFailure::refused(*refused));
    outcome.end = ImportEnd::Imported;
    showAnswered(run);

    createFolderIfMissing(kImportadosFolder);
    outcome.archive = archiveImportFile(path);

    outcome.warnings = run.cdsResultado.isEmpty() ? 0 : run.cdsResultado.recordCount();
    if (outcome.warnings > 0) {
        try {
            outcome.logPath = writeImportLog(run.cdsResultado, run.operatorName, run.clock);
            outcome.log = LogEnd::Written;
        } catch (const platform::IoError& error) {
            outcome.log = LogEnd::Failed;
            outcome.logError = error;
        }
    }
    return outcome;
}

std::string writeImportLog(dataset::RecordSet& cdsResultado, std::string_view operatorName,
                           const platform::Clock& clock) {
    ImportLogWriter log;
    log.begin(operatorName, clock);
    const dataset::Field& line = cdsResultado.fieldByName("DSLINHA");
    cdsResultado.first();
    while (!cdsResultado.eof()) {
        log.writeLine(line.asString());
        cdsResultado.next();
    }
    log.finish();
    return log.path();
}

}  // namespace confcred::package::credit_import
