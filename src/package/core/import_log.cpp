#include "package/core/import_log.h"

#include <cerrno>

#include "package/core/import_paths.h"
#include "platform/clock.h"
#include "platform/cp1252.h"
#include "platform/regional.h"

namespace confcred::package::credit_import {
namespace {

// Far more logs than one second can hold; past it something is wrong with
// the folder, and the operator is told instead of waiting.
constexpr int kMaxLogsPerSecond = 10000;

const std::string kRule = "**" + std::string(96, '-');
const std::string kTitle =
    "** LUN90002 - LOG DE IMPORTAÇÃO  CRÉDITO/DÉBITO CONSUMIDOR" + std::string(18, ' ');
constexpr std::string_view kDateLabel = "** Data da Importação : ";
constexpr std::string_view kOperatorLabel = "** Operador Importação: ";

// A name nobody has used yet: the file system is asked, not our memory, so
// a log of an earlier run (or another program) in the same second is kept.
std::string freeLogName(platform::DateTime stamp) {
    for (int sequence = 1; sequence <= kMaxLogsPerSecond; ++sequence) {
        std::string name = logFileName(stamp, sequence);
        if (!platform::fileExists(name) && !platform::directoryExists(name))
            return name;
    }
    throw platform::IoError(EEXIST, "cannot create an import log for " +
                                        platform::formatStampLog(stamp) + ": " +
                                        std::to_string(kMaxLogsPerSecond) +
                                        " logs of that second exist in " + std::string(kLogFolder));
}

}  // namespace

std::string logFileName(platform::DateTime stamp, int sequence) {
    std::string name =
        std::string(kLogFolder) + "\\LUN90002_" + platform::formatStampCompact(stamp);
    if (sequence > 1)
        name += "_" + std::to_string(sequence);
    return name + ".txt";
}

void ImportLogWriter::begin(std::string_view operatorName) {
    begin(operatorName, platform::currentClock());
}

void ImportLogWriter::begin(std::string_view operatorName, const platform::Clock& clock) {
    if (!platform::directoryExists(kLogFolder))
        platform::createDir(kLogFolder);
    path_ = freeLogName(clock.now());
    file_.create(path_);
    file_.writeLine(platform::utf8ToCp1252(kRule));
    file_.writeLine(platform::utf8ToCp1252(kTitle));
    file_.writeLine(
        platform::utf8ToCp1252(std::string(kDateLabel) + platform::formatStampLog(clock.now())));
    file_.writeLine(
        platform::utf8ToCp1252(std::string(kOperatorLabel) + std::string(operatorName)));
    file_.writeLine(platform::utf8ToCp1252(kRule));
}

void ImportLogWriter::writeLine(std::string_view utf8) {
    file_.writeLine(platform::utf8ToCp1252(utf8));
}

void ImportLogWriter::finish() {
    file_.close();
}

}  // namespace confcred::package::credit_import
