#include "host/core/package_loader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTranslator>

#include "host/core/package_info.h"

namespace confcred::host::core {

PackageLoader::PackageLoader() = default;

PackageLoader::~PackageLoader() {
    try {
        unload();
    } catch (...) {
        // The process is going away; a package that fails to finalise must not
        // take the host with it.
    }
}

void PackageLoader::load(const QString& modulePath, const QLocale& locale) {
    if (isLoaded())
        throw PackageError("a package is already loaded");
    library_.setFileName(modulePath);
    library_.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library_.load())
        throw PackageError("cannot load package " + modulePath.toStdString() + ": " +
                           library_.errorString().toStdString());

    auto initialize = reinterpret_cast<PackageEntry>(library_.resolve(kInitializeEntry));
    auto info = reinterpret_cast<PackageInfoEntry>(library_.resolve(kPackageInfoEntry));
    auto finalize = library_.resolve(kFinalizeEntry);
    if (!initialize || !info || !finalize) {
        library_.unload();
        throw PackageError("package " + modulePath.toStdString() +
                           " lacks Initialize, Finalize or GetPackageInfoTable");
    }

    // The localised resource module sits beside the package and carries the
    // package's name: libPkg_X.so -> Pkg_X_en.qm. Installed before Initialize,
    // so that every screen the package creates speaks the person's language.
    const QFileInfo file(library_.fileName());
    QString name = file.completeBaseName();
    if (name.startsWith(QLatin1String("lib")))
        name.remove(0, 3);
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(locale, name, "_", file.absolutePath(), ".qm")) {
        translationFile_ = translator->filePath();
        QCoreApplication::installTranslator(translator.get());
        translator_ = std::move(translator);
    }

    units_.clear();
    required_.clear();
    if (const PackageInfoTable* table = info()) {
        for (int i = 0; i < table->requiredCount; ++i)
            required_ << QString::fromUtf8(table->required[i]);
        for (int i = 0; i < table->containsCount; ++i)
            units_ << QString::fromUtf8(table->contains[i].name);
    }
    initialize();
}

void PackageLoader::unload() {
    if (!isLoaded())
        return;
    if (auto finalize = reinterpret_cast<PackageEntry>(library_.resolve(kFinalizeEntry)))
        finalize();
    if (translator_) {
        QCoreApplication::removeTranslator(translator_.get());
        translator_.reset();
        translationFile_.clear();
    }
    library_.unload();
    units_.clear();
    required_.clear();
}

void PackageLoader::call(const char* entry) {
    auto fn = reinterpret_cast<PackageEntry>(symbol(entry));
    if (!fn)
        throw PackageError("package " + library_.fileName().toStdString() + " has no entry " +
                           entry);
    fn();
}

void* PackageLoader::symbol(const char* name) {
    if (!isLoaded())
        return nullptr;
    return reinterpret_cast<void*>(library_.resolve(name));
}

}  // namespace confcred::host::core
