#include "package/core/import_paths.h"

#include <vector>

#include "platform/files.h"
#include "platform/win_path.h"

namespace confcred::package::credit_import {
namespace {

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// The names of an absolute path after its drive, with "." dropped and ".."
// taken out lexically (never above the drive), spelled as given.
std::vector<std::string_view> namesAfterDrive(std::string_view path) {
    std::vector<std::string_view> names;
    size_t i = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    while (i < path.size()) {
        while (i < path.size() && isSeparator(path[i]))
            ++i;
        const size_t start = i;
        while (i < path.size() && !isSeparator(path[i]))
            ++i;
        const std::string_view name = path.substr(start, i - start);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    return names;
}

// Inside the folder, and not the folder itself.
bool insideImportados(std::string_view target) {
    return platform::startsWithPathPrefix(target, kImportadosFolder) &&
           !platform::sameWindowsPath(target, kImportadosFolder);
}

}  // namespace

ArchiveName archiveNameFor(std::string_view path) {
    std::string remainder;
    if (platform::startsWithPathPrefix(path, kSiteFolder)) {
        // "C:\Credito\Site" is two names below the drive.
        const std::vector<std::string_view> names = namesAfterDrive(path);
        for (size_t i = 2; i < names.size(); ++i) {
            if (!remainder.empty())
                remainder += '\\';
            remainder += names[i];
        }
    } else {
        remainder = platform::extractFileName(path);
    }
    ArchiveName name;
    name.target = std::string(kImportadosPrefix) + remainder;
    name.refused = remainder.empty() || !insideImportados(name.target);
    return name;
}

ArchiveOutcome archiveImportFile(std::string_view path) {
    const ArchiveName name = archiveNameFor(path);
    ArchiveOutcome outcome;
    outcome.target = name.target;
    if (name.refused) {
        outcome.status = ArchiveStatus::Refused;
        return outcome;
    }
    if (platform::moveFile(path, name.target)) {
        outcome.status = ArchiveStatus::Moved;
        return outcome;
    }
    const std::string folder = platform::extractFileDir(name.target);
    if (platform::fileExists(name.target) || platform::directoryExists(name.target)) {
        outcome.status = ArchiveStatus::TargetExists;
    } else if (!platform::directoryExists(folder)) {
        outcome.status = ArchiveStatus::FolderMissing;
        outcome.missingFolder = folder;
    } else {
        outcome.status = ArchiveStatus::MoveFailed;
    }
    return outcome;
}

}  // namespace confcred::package::credit_import
