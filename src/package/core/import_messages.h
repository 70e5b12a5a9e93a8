// The import dialog's message table and the texts it builds from it for the
// two reports that follow a completed import: a file that stayed in place,
// and a log that could not be written.
#pragma once

#include <QString>
#include <QStringList>

namespace confcred::host::core {
class TMessages;
}
namespace confcred::platform {
class IoError;
}

namespace confcred::package::credit_import {

struct ArchiveOutcome;

// The lines of `msgPadrao` ("Key|Text"), in the language installed now.
QStringList importMessageLines();

// "The file was imported but stayed at <path>, because ...".
QString archiveFailureText(const host::core::TMessages& messages, const QString& path,
                           const ArchiveOutcome& outcome);

// "Imported with warnings; the log could not be written because ...", then
// the warning lines themselves, so that they are not lost.
QString logFailureText(const host::core::TMessages& messages, const platform::IoError& error,
                       const QStringList& warnings);

}  // namespace confcred::package::credit_import
