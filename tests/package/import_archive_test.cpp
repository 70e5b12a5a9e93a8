// Where an imported file is archived: the name rule (table of paths, the
// refused names included) and the move on a temporary drive map. The failed
// moves the operator is told about are tested through the dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "package/core/import_paths.h"
#include "platform/win_path.h"
#include "support/temp_dir.h"

namespace confcred::testing {
namespace {

namespace ci = package::credit_import;
namespace fs = std::filesystem;

struct NameRow {
    const char* name;
    const char* path;
    const char* target;
    bool refused;
};

class ArchiveName : public ::testing::TestWithParam<NameRow> {};

TEST_P(ArchiveName, Rule) {
    const NameRow& row = GetParam();
    const ci::ArchiveName got = ci::archiveNameFor(row.path);
    EXPECT_EQ(got.target, row.target) << row.path;
    EXPECT_EQ(got.refused, row.refused) << row.path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ArchiveName,
    ::testing::Values(
        NameRow{"SiteFile", R"(C:\Credito\Site\lote1.txt)",
                R"(C:\Credito\Site\Importados\lote1.txt)", false},
        NameRow{"SiteSubFolder", R"(C:\Credito\Site\Dez\lote1.txt)",
                R"(C:\Credito\Site\Importados\Dez\lote1.txt)", false},
        NameRow{"SiteOtherCase", R"(c:\CREDITO\site\Lote1.TXT)",
                R"(C:\Credito\Site\Importados\Lote1.TXT)", false},
        NameRow{"SiteForwardSlashes", "C:/Credito//Site/Dez/lote1.txt",
                R"(C:\Credito\Site\Importados\Dez\lote1.txt)", false},
        NameRow{"SiteDotDotInside", R"(C:\Credito\Site\Dez\..\lote1.txt)",
                R"(C:\Credito\Site\Importados\lote1.txt)", false},
        NameRow{"OtherDriveSameLength", R"(E:\Transferidos\lote1.txt)",
                R"(C:\Credito\Site\Importados\lote1.txt)", false},
        NameRow{"OtherDriveShortFolder", R"(E:\Lotes\lote1.txt)",
                R"(C:\Credito\Site\Importados\lote1.txt)", false},
        NameRow{"ShorterThanSite", R"(D:\a\lote1.txt)", R"(C:\Credito\Site\Importados\lote1.txt)",
                false},
        NameRow{"SiblingFolderNotSite", R"(C:\Credito\SiteX\lote1.txt)",
                R"(C:\Credito\Site\Importados\lote1.txt)", false},
        NameRow{"EscapesSiteByDotDot", R"(C:\Credito\Site\..\..\Windows\lote1.txt)",
                R"(C:\Credito\Site\Importados\lote1.txt)", false},
        NameRow{"SiteFolderItself", R"(C:\Credito\Site)", R"(C:\Credito\Site\Importados\)", true},
        NameRow{"DotDotName", R"(E:\Lotes\..)", R"(C:\Credito\Site\Importados\..)", true},
        NameRow{"NoFileName", R"(E:\Lotes\)", R"(C:\Credito\Site\Importados\)", true}),
    [](const ::testing::TestParamInfo<NameRow>& row) { return std::string(row.param.name); });

// A drive C: (and E:) in temporary folders, with "C:\Credito\Site" made.
class ArchiveMove : public ::testing::Test {
  protected:
    ArchiveMove() : drives_(makeMap()) { fs::create_directories(c_.path() / "Credito" / "Site"); }

    platform::DriveMap makeMap() const {
        platform::DriveMap m;
        m.map('C', c_.path());
        m.map('E', e_.path());
        return m;
    }
    fs::path site() const { return c_.path() / "Credito" / "Site"; }
    fs::path importados() const { return site() / "Importados"; }
    std::string read(const fs::path& p) const { return c_.read(fs::relative(p, c_.path())); }

    TempDir c_, e_;
    platform::ScopedDriveMap drives_;
};

TEST_F(ArchiveMove, MovesIntoImportadosKeepingSubFolderOrName) {
    fs::create_directories(importados() / "Dez");
    c_.write("Credito/Site/lote1.txt", "a");
    c_.write("Credito/Site/Dez/lote2.txt", "b");
    e_.write("Lotes/lote3.txt", "c");

    EXPECT_TRUE(ci::archiveImportFile(R"(C:\Credito\Site\lote1.txt)").moved());
    EXPECT_TRUE(ci::archiveImportFile(R"(C:\Credito\Site\Dez\lote2.txt)").moved());
    EXPECT_TRUE(ci::archiveImportFile(R"(E:\Lotes\lote3.txt)").moved());
    EXPECT_EQ(read(importados() / "lote1.txt"), "a");
    EXPECT_EQ(read(importados() / "Dez" / "lote2.txt"), "b");
    EXPECT_EQ(read(importados() / "lote3.txt"), "c");
    EXPECT_FALSE(fs::exists(site() / "lote1.txt"));
    EXPECT_FALSE(fs::exists(e_.path() / "Lotes" / "lote3.txt"));
}

TEST_F(ArchiveMove, RefusedNameMovesNothing) {
    fs::create_directories(importados());
    const ci::ArchiveOutcome got = ci::archiveImportFile(R"(C:\Credito\Site)");
    EXPECT_EQ(got.status, ci::ArchiveStatus::Refused);
    EXPECT_TRUE(fs::is_directory(site()));
    EXPECT_TRUE(fs::is_empty(importados()));
}

}  // namespace
}  // namespace confcred::testing
