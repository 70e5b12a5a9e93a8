#include "shell/package_folders.h"

#include <QCoreApplication>
#include <string>

#include "host/core/package_loader.h"
#include "platform/files.h"

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
