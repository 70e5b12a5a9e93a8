// The host's package loader on the sample package: entries, package
// information, load and unload, and the localised resource module beside it.
#include "host/core/package_loader.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <filesystem>

#include "platform/win_path.h"
#include "shell/package_folders.h"
#include "support/temp_dir.h"

namespace confcred::host {
namespace {

using ParamsEntry = const char* (*)();

QString initializedLine(core::PackageLoader& package) {
    auto entry = reinterpret_cast<ParamsEntry>(package.symbol("GetCreditFilterParams"));
    return entry ? QString::fromUtf8(entry()).trimmed() : QString();
}

TEST(PackageLoader, RunsInitializeAndReadsThePackageInformation) {
    core::PackageLoader package;
    package.load(CONFCRED_SAMPLE_PACKAGE, QLocale(QLocale::English));
    EXPECT_EQ(package.containedUnits(), (QStringList{"Pkg_Sample", "Sample_Unit"}));
    EXPECT_EQ(package.requiredPackages(), QStringList{"confcred_host"});
    EXPECT_EQ(initializedLine(package), "INICIALIZADO = 1");
    EXPECT_NE(package.symbol("IniProc"), nullptr);
    EXPECT_EQ(package.symbol("NaoExiste"), nullptr);
    EXPECT_THROW(package.call("NaoExiste"), core::PackageError);
    EXPECT_THROW(package.load(CONFCRED_SAMPLE_PACKAGE, QLocale()), core::PackageError);

    // Finalize runs on unload: loaded again, the count is back to one.
    package.unload();
    EXPECT_FALSE(package.isLoaded());
    EXPECT_EQ(package.symbol("IniProc"), nullptr);
    package.load(CONFCRED_SAMPLE_PACKAGE, QLocale(QLocale::English));
    EXPECT_EQ(initializedLine(package), "INICIALIZADO = 1");
}

TEST(PackageLoader, RefusesWhatIsNotAPackage) {
    const std::vector<std::pair<QString, std::string>> rows = {
        {"/nonexistent/libPkg_Nada.so", "cannot load package"},
        // A real library without the package entries.
        {CONFCRED_HOST_LIBRARY, "lacks Initialize"},
    };
    for (const auto& [path, needle] : rows) {
        core::PackageLoader package;
        try {
            package.load(path, QLocale());
            ADD_FAILURE() << path.toStdString() << " loaded";
        } catch (const core::PackageError& error) {
            EXPECT_NE(std::string(error.what()).find(needle), std::string::npos) << error.what();
        }
        EXPECT_FALSE(package.isLoaded());
    }
}

TEST(PackageLoader, UsesTheTranslationBesideThePackageForTheUsersLanguage) {
    // The package and its Brazilian Portuguese resource module, side by side:
    // the translation carries the package's name, without the "lib".
    testing::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    ASSERT_TRUE(QFile::copy(CONFCRED_SAMPLE_PACKAGE, folder + "/libPkg_Sample.so"));
    dir.write("Pkg_Sample_pt_BR.ts",
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
              "<TS version=\"2.1\" language=\"pt_BR\"><context><name>Amostra</name>\n"
              "<message><source>Close</source><translation>Fechar</translation></message>\n"
              "</context></TS>\n");
    QProcess lrelease;
    lrelease.start(CONFCRED_LRELEASE,
                   {folder + "/Pkg_Sample_pt_BR.ts", "-qm", folder + "/Pkg_Sample_pt_BR.qm"});
    ASSERT_TRUE(lrelease.waitForFinished(30'000));
    ASSERT_EQ(lrelease.exitCode(), 0) << lrelease.readAllStandardError().toStdString();

    {
        core::PackageLoader package;
        package.load(folder + "/libPkg_Sample.so", QLocale(QLocale::Portuguese, QLocale::Brazil));
        EXPECT_TRUE(package.translationFile().endsWith("/Pkg_Sample_pt_BR.qm"))
            << package.translationFile().toStdString();
        EXPECT_EQ(QCoreApplication::translate("Amostra", "Close"), "Fechar");
        package.unload();
        EXPECT_EQ(QCoreApplication::translate("Amostra", "Close"), "Close");
    }
    core::PackageLoader english;
    english.load(folder + "/libPkg_Sample.so", QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_TRUE(english.translationFile().isEmpty());
    EXPECT_EQ(QCoreApplication::translate("Amostra", "Close"), "Close");
}

// The package's working folders are made at start when missing, said once:
// a second start finds them and says nothing. On a fresh installation the
// drive's own folder is missing too.
TEST(PackageLoader, MakesThePackagesMissingWorkingFolders) {
    testing::TempDir home;
    const std::filesystem::path drive = home.path() / "confcred" / "C";
    platform::DriveMap map = platform::DriveMap::defaults();
    map.map('C', drive);
    platform::ScopedDriveMap scoped(std::move(map));
    core::PackageLoader package;
    package.load(CONFCRED_SAMPLE_PACKAGE, QLocale(QLocale::English));

    const shell::PackageFolders first = shell::createPackageFolders(package);
    EXPECT_EQ(first.created, (QStringList{R"(C:\Base)", R"(C:\Base\Sub)"}));
    EXPECT_EQ(first.failed, QStringList{R"(C:\Falta\Sub)"});
    EXPECT_TRUE(std::filesystem::is_directory(drive / "Base" / "Sub"));
    EXPECT_EQ(shell::packageFoldersText(first),
              R"(Pastas de trabalho criadas: C:\Base, C:\Base\Sub. Não foi possível criar as )"
              R"(pastas de trabalho: C:\Falta\Sub.)");

    const shell::PackageFolders again = shell::createPackageFolders(package);
    EXPECT_TRUE(again.created.isEmpty());
    EXPECT_EQ(again.failed, QStringList{R"(C:\Falta\Sub)"});
}

}  // namespace
}  // namespace confcred::host
