// The import warning log: a new Windows-1252 text file in
// "C:\Credito\Site\Log_Lun" named after the time of the import, with a
// five-line header (the import, its date and time, the operator) and then the
// server's warning lines, one per line, each ended by CR LF.
#pragma once

#include <string>
#include <string_view>

#include "platform/datetime.h"
#include "platform/files.h"

namespace confcred::platform {
class Clock;
}

namespace confcred::package::credit_import {

// "C:\Credito\Site\Log_Lun\LUN90002_DDMMYYYYHHNNSS.txt"; from the second
// log of the same second on, "_2", "_3", ... before ".txt".
std::string logFileName(platform::DateTime stamp, int sequence = 1);

// Writes one log. Every file operation reports its failure at once as
// platform::IoError; a log already on disk is never replaced.
class ImportLogWriter {
  public:
    // Creates the log folder when missing, reads the clock for the name,
    // creates the file and writes the header (the clock is read again for
    // its date line). `operatorName` is UTF-8.
    void begin(std::string_view operatorName);
    // The same, reading `clock` instead of the process-wide one.
    void begin(std::string_view operatorName, const platform::Clock& clock);
    // One warning line (UTF-8), written as it is.
    void writeLine(std::string_view utf8);
    // Closes the file.
    void finish();

    // The log's Windows path, once begin() has named it.
    const std::string& path() const { return path_; }

  private:
    platform::TextFileWriter file_;
    std::string path_;
};

}  // namespace confcred::package::credit_import
