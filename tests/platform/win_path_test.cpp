#include "platform/win_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "support/temp_dir.h"

using namespace confcred::platform;
using confcred::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// Sets or clears an environment variable for one test and restores it.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            previous_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (previous_) {
            setenv(name_, previous_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> previous_;
};

class WinPathTest : public ::testing::Test {
  protected:
    WinPathTest() {
        dir_.write("Credito/Site/Lote1.TXT", "x");
        dir_.write("Credito/Importação/Arquivo.txt", "x");
        dir_.write("Credito/Site/exact", "x");
        dir_.write("Credito/Site/EXACT", "x");
        drives_.map('c', dir_.path());
        drives_.map('Z', "/");
    }
    TempDir dir_;
    DriveMap drives_;
};

}  // namespace

TEST_F(WinPathTest, ResolvesWithoutRegardToCase) {
    const fs::path root = dir_.path();
    const struct {
        const char* path;
        fs::path expected;
    } rows[] = {
        {"C:\\credito\\site\\lote1.txt", root / "Credito/Site/Lote1.TXT"},
        {"c:/CREDITO/SITE/LOTE1.txt", root / "Credito/Site/Lote1.TXT"},
        {"C:\\CREDITO\\IMPORTAÇÃO\\arquivo.TXT", root / "Credito/Importação/Arquivo.txt"},
        {"C:\\Credito\\Site\\novo.txt", root / "Credito/Site/novo.txt"},
        {"C:\\credito\\NOVA\\sub\\x.txt", root / "Credito/NOVA/sub/x.txt"},
        {"C:\\Credito\\Site\\exact", root / "Credito/Site/exact"},
        {"C:\\Credito\\Site\\EXACT", root / "Credito/Site/EXACT"},
        {"C:\\Credito\\Site\\Exact", root / "Credito/Site/EXACT"},  // first in name order
        {"C:\\Credito\\Site\\lote1.txt. ", root / "Credito/Site/Lote1.TXT"},
        {"C:\\Credito\\\\Site\\", root / "Credito/Site"},
        {"C:\\Credito\\..\\..\\Credito\\.\\Site", root / "Credito/Site"},
        {"C:\\..\\..\\etc\\passwd", root / "etc/passwd"},
        {"C:\\", root},
        {"Z:\\etc", fs::path("/etc")},
        {"z:/", fs::path("/")},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(resolvePath(row.path, drives_).lexically_normal(),
                  row.expected.lexically_normal())
            << row.path;
    }
}

TEST_F(WinPathTest, RefusesPathsItCannotUse) {
    const char* rows[] = {
        "",          "Credito\\a", "\\Credito", "C:Credito",  "C:",          "\\\\server\\share\\a",
        "//srv/shr", "C:\\a<b",    "C:\\a>b",   "C:\\a:b",    "C:\\a\"b",    "C:\\a|b",
        "C:\\a?b",   "C:\\a*b",    "C:\\a\tb",  "C:\\...\\b", "C:\\a\\ \\b", "Q:\\unmapped",
    };
    for (const char* path : rows) {
        try {
            resolvePath(path, drives_);
            ADD_FAILURE() << "accepted '" << path << "'";
        } catch (const PathError& e) {
            if (path[0] != '\0') {
                EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            }
        }
    }
}

TEST_F(WinPathTest, DriveMapAndProcessWideMap) {
    EXPECT_EQ(drives_.hostFolder('C'), dir_.path());
    drives_.unmap('c');
    EXPECT_EQ(drives_.hostFolder('C'), std::nullopt);
    EXPECT_THROW(drives_.map('1', "/"), std::invalid_argument);

    EXPECT_EQ(driveMap().hostFolder('Q'), std::nullopt);
    {
        DriveMap m;
        m.map('Q', dir_.path());
        ScopedDriveMap scoped(m);
        EXPECT_EQ(resolvePath("q:\\CREDITO"), dir_.path() / "Credito");
    }
    EXPECT_EQ(driveMap().hostFolder('Q'), std::nullopt);
}

TEST(DriveMapDefaults, FollowDataFolderConvention) {
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/data/x");
        EXPECT_EQ(DriveMap::defaults().hostFolder('C'), fs::path("/data/x/confcred/C"));
        EXPECT_EQ(DriveMap::defaults().hostFolder('Z'), fs::path("/"));
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", "/home/op");
        EXPECT_EQ(DriveMap::defaults().hostFolder('c'),
                  fs::path("/home/op/.local/share/confcred/C"));
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
        ScopedEnv home("HOME", "/home/op");
        EXPECT_EQ(DriveMap::defaults().hostFolder('C'),
                  fs::path("/home/op/.local/share/confcred/C"));
    }
}

TEST(WinPathText, FileNameAndFolder) {
    const struct {
        const char* path;
        const char* name;
        const char* dir;
    } rows[] = {
        {"C:\\Credito\\Site\\lote1.txt", "lote1.txt", "C:\\Credito\\Site"},
        {"C:\\lote1.txt", "lote1.txt", "C:\\"},
        {"C:/a/b.txt", "b.txt", "C:/a"},
        {"C:\\Credito\\", "", "C:\\Credito"},
        {"C:lote.txt", "lote.txt", "C:"},
        {"lote.txt", "lote.txt", ""},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(extractFileName(row.path), row.name) << row.path;
        EXPECT_EQ(extractFileDir(row.path), row.dir) << row.path;
    }
    EXPECT_EQ(includeTrailingBackslash("C:\\Credito"), "C:\\Credito\\");
    EXPECT_EQ(includeTrailingBackslash("C:\\Credito\\"), "C:\\Credito\\");
    EXPECT_EQ(includeTrailingBackslash("C:/Credito/"), "C:/Credito/");
    EXPECT_EQ(includeTrailingBackslash(""), "");
}

TEST(WinPathText, ComparesAsWindowsDoes) {
    const struct {
        const char* a;
        const char* b;
        bool same;
    } rows[] = {
        {"C:\\Credito\\Site", "c:/CREDITO/site", true},
        {"C:\\Importação\\ÁÉÍÓÚ", "c:\\IMPORTAÇÃO\\áéíóú", true},
        {"C:\\ŒŠŽŸ", "C:\\œšžÿ", true},
        {"C:\\Credito\\.\\Site\\..\\Site\\", "C:\\Credito\\Site", true},
        {"C:\\Credito", "D:\\Credito", false},
        {"C:\\Credito", "C:\\Credit", false},
        {"C:\\a×b", "C:\\a÷b", false},  // × and ÷ sit among the letters but have no case
        {"C:\\Credito", "Credito", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(sameWindowsPath(row.a, row.b), row.same) << row.a << " vs " << row.b;
    }
}

TEST(WinPathText, PathPrefix) {
    const struct {
        const char* path;
        const char* prefix;
        bool under;
    } rows[] = {
        {"C:\\Credito\\Site\\lote1.txt", "c:\\credito\\SITE\\", true},
        {"C:\\Credito\\Site\\lote1.txt", "C:\\Credito\\Site", true},
        {"C:\\Credito\\Site", "C:\\Credito\\Site\\", true},
        {"C:\\Crédito\\x", "C:\\CRÉDITO", true},
        {"C:\\Credito\\SiteX\\a", "C:\\Credito\\Site", false},
        {"C:\\Credito\\Site\\..\\..\\Windows", "C:\\Credito\\Site", false},
        {"D:\\Credito\\Site\\a", "C:\\Credito\\Site", false},
        {"C:\\Credito", "C:\\Credito\\Site", false},
        {"C:\\Credito", "", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(startsWithPathPrefix(row.path, row.prefix), row.under)
            << row.path << " under " << row.prefix;
    }
}
