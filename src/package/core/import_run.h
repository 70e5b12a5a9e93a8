// The import run without its dialog: question, checks of the named file,
// packing, the call to SetImporSaldoCons, archive and warning log. It asks
// its question and tells its failures through the dialog's RunScreen, reads
// the time from a clock, calls over the dialog's connection and says in an
// outcome what happened; the dialog turns an import into its boxes, in the
// same order as the steps.
#pragma once

#include <QString>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "package/core/import_paths.h"
#include "package/core/run_screen.h"
#include "platform/files.h"

namespace confcred::dataset {
class RecordSet;
}
namespace confcred::host::client {
class TNetConnection;
}
namespace confcred::host::core {
class TMessages;
}
namespace confcred::platform {
class Clock;
}

namespace confcred::package::credit_import {

enum class ImportEnd {
    Cancelled,        // the question was not answered Yes
    NoFileNamed,      // empty path or the default folder (INF_ARQ)
    FileNotFound,     // nothing at the path (ARQ_N)
    ServerRefused,    // the server answered with an error: nothing archived or logged
    TransportFailed,  // no usable answer (no server, a dropped connection, a broken answer)
    Imported,         // the server took the file; archive and log say the rest
};

enum class LogEnd {
    NotNeeded,  // no warning lines
    Written,
    Failed,  // the import and the archive are done; the lines are not on disk
};

struct ImportOutcome {
    ImportEnd end = ImportEnd::Cancelled;
    // What the dialog was told: the operator's text for NoFileNamed and
    // FileNotFound, the server's for ServerRefused, the failure as raised for
    // TransportFailed.
    std::optional<RunFailure> failure;
    // The path as typed, once the question was answered Yes.
    QString path;

    // From here on, Imported only.
    size_t warnings = 0;  // rows of cdsResultado
    // The orders the import created, when the server told it.
    std::optional<qint64> created;
    ArchiveOutcome archive;
    LogEnd log = LogEnd::NotNeeded;
    std::string logPath;                        // Written: its Windows path
    std::optional<platform::IoError> logError;  // Failed
};

// What the run needs of its dialog: the typed path, read after the question,
// and the progress bar and status caption it advances as it goes.
struct ImportDialogSteps {
    std::function<QString()> path;
    std::function<void(int by)> stepProgress;
    std::function<void(const QString& text)> setStatusCaption;
    std::function<void()> repaint;
};

struct ImportRun {
    host::client::TNetConnection& connection;
    const host::core::TMessages& messages;
    dataset::RecordSet& cdsArquivo;    // the packet sent
    dataset::RecordSet& cdsResultado;  // the warning lines received
    std::string operatorName;          // UTF-8, for the log's header
    const platform::Clock& clock;      // the log's name and date line
    RunScreen& screen;
    ImportDialogSteps dialog;
};

// The run's steps up to, not including, the closing message. A failure
// listed in ImportEnd goes to the dialog's report, which stops the handler;
// other failures (a file that cannot be read, a broken result set) pass on
// unchanged, the busy animation off.
ImportOutcome runImport(ImportRun& run);

// Writes the warning log from every row of `cdsResultado` (leaving it at its
// end) and returns the log's Windows path; platform::IoError on a failure.
std::string writeImportLog(dataset::RecordSet& cdsResultado, std::string_view operatorName,
                           const platform::Clock& clock);

}  // namespace confcred::package::credit_import
