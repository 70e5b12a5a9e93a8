// Loads a screen package the way the host does: open the module, install its
// localised resource module (a Qt translation named after the package, beside
// it: Pkg_X_<language>.qm) when one exists for the user's language, run its
// Initialize and read its package information; and in reverse on unload.
#pragma once

#include <QLibrary>
#include <QString>
#include <QStringList>
#include <memory>
#include <stdexcept>

class QTranslator;

namespace confcred::host::core {

class PackageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class PackageLoader {
  public:
    PackageLoader();
    ~PackageLoader();  // unloads
    PackageLoader(const PackageLoader&) = delete;
    PackageLoader& operator=(const PackageLoader&) = delete;

    // Throws PackageError naming the file and what is missing.
    void load(const QString& modulePath, const QLocale& locale);
    void unload();
    bool isLoaded() const { return library_.isLoaded(); }

    // The contained units and required packages, from GetPackageInfoTable.
    QStringList containedUnits() const { return units_; }
    QStringList requiredPackages() const { return required_; }
    // The translation in use, or empty when the module's own texts are used.
    QString translationFile() const { return translationFile_; }

    // A plain entry without arguments ("IniProc"); throws PackageError when
    // the module lacks it.
    void call(const char* entry);
    // Any exported symbol, or nullptr.
    void* symbol(const char* name);

  private:
    QLibrary library_;
    std::unique_ptr<QTranslator> translator_;
    QString translationFile_;
    QStringList units_;
    QStringList required_;
};

}  // namespace confcred::host::core
