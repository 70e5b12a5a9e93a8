// The fixed folders of the consumer credit/debit import, spelled as the
// operator reads them, and the rule that names a file once it is archived.
#pragma once

#include <string>
#include <string_view>

namespace confcred::package::credit_import {

inline constexpr std::string_view kCreditoFolder = R"(C:\Credito)";
inline constexpr std::string_view kSiteFolder = R"(C:\Credito\Site)";
// The default text of the file-name edit; a path equal to it names no file.
inline constexpr std::string_view kSiteFolderSlash = R"(C:\Credito\Site\)";
// Where the file chooser opens.
inline constexpr std::string_view kChooserFolder = R"(C:\credito\site)";
inline constexpr std::string_view kImportadosFolder = R"(C:\Credito\Site\Importados)";
inline constexpr std::string_view kImportadosPrefix = R"(C:\Credito\Site\Importados\)";
inline constexpr std::string_view kLogFolder = R"(C:\Credito\Site\Log_Lun)";

// The archive name of an imported file. A path under "C:\Credito\Site\"
// (compared as Windows compares names) keeps what follows that folder, so a
// month's sub-folder stays a sub-folder of "Importados"; any other path keeps
// its file name alone. `refused` is set when the name would not lie inside
// "Importados" (the folder itself, "..", another drive); `target` then still
// says what the name would have been.
struct ArchiveName {
    std::string target;
    bool refused = false;
};
ArchiveName archiveNameFor(std::string_view path);

// Why an archived file is not where it should be.
enum class ArchiveStatus {
    Moved,
    Refused,        // the archive name leaves "Importados"
    TargetExists,   // a file (or folder) of the archive name exists; it is kept
    FolderMissing,  // the folder the archive name goes into does not exist
    MoveFailed,     // the system refused the move for another reason
};

struct ArchiveOutcome {
    ArchiveStatus status = ArchiveStatus::MoveFailed;
    std::string target;         // the archive name
    std::string missingFolder;  // for FolderMissing
    bool moved() const { return status == ArchiveStatus::Moved; }
};

// Moves the imported file to its archive name, never replacing a file there,
// and says why when the file stayed where it was.
ArchiveOutcome archiveImportFile(std::string_view path);

}  // namespace confcred::package::credit_import
