#include "shell/package_folders.h"

#include <QCoreApplication>
#include <filesystem>
#include <string>

#include "host/core/package_loader.h"
#include "platform/files.h"
#include "platform/win_path.h"

namespace confcred::shell {

namespace {
constexpr const char* kFoldersEntry = "PastasTrabalho";
}  // namespace

PackageFolders createPackageFolders(host::core::PackageLoader& package) {
    PackageFolders result;
    const auto* folders = static_cast<const char* const*>(package.symbol(kFoldersEntry));
    if (folders == nullptr)
        return result;
    for (; *folders != nullptr; ++folders) {
        const std::string folder = *folders;
        try {
            // On a fresh installation the drive's own folder (C: under the
            // user's data folder) may not be there yet: it is the drive, not
            // one of the package's folders, so it is made without a word.
            if (folder.size() >= 2 && folder[1] == ':') {
                if (const auto root = platform::driveMap().hostFolder(folder[0])) {
                    std::error_code ignored;
                    std::filesystem::create_directories(*root, ignored);
                }
            }
            if (platform::directoryExists(folder))
                continue;
            if (platform::createDir(folder) && platform::directoryExists(folder))
                result.created << QString::fromStdString(folder);
            else
                result.failed << QString::fromStdString(folder);
        } catch (const std::exception& error) {
            result.failed << QString::fromStdString(folder) + QStringLiteral(": ") +
                                 QString::fromUtf8(error.what());
        }
    }
    return result;
}

QString packageFoldersText(const PackageFolders& folders) {
    QString text;
    if (!folders.created.isEmpty())
        text = QCoreApplication::translate("confcred_host", "Pastas de trabalho criadas: %1.")
                   .arg(folders.created.join(QStringLiteral(", ")));
    if (!folders.failed.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QCoreApplication::translate("confcred_host",
                                            "Não foi possível criar as pastas de trabalho: %1.")
                    .arg(folders.failed.join(QStringLiteral(", ")));
    }
    return text;
}

}  // namespace confcred::shell
