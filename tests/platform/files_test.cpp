#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

using namespace confcred::platform;
using confcred::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// C: on a temporary folder for each test.
class FilesTest : public ::testing::Test {
  protected:
    FilesTest() : scoped_(makeMap(dir_)) {}

    static DriveMap makeMap(const TempDir& dir) {
        DriveMap m;
        m.map('C', dir.path());
        m.map('F', "/dev");
        return m;
    }

    // The IoError thrown by f, or a failure when none is.
    template <typename F>
    static std::optional<IoError> ioErrorOf(F&& f) {
        try {
            f();
        } catch (const IoError& e) {
            return e;
        }
        return std::nullopt;
    }

    TempDir dir_;
    ScopedDriveMap scoped_;
};

}  // namespace

TEST_F(FilesTest, LoadTextLinesNormalisesLineBreaks) {
    const struct {
        const char* name;
        std::string bytes;
        std::string expected;
    } rows[] = {
        {"empty", "", ""},
        {"CR LF at end", "a\r\n", "a\r\n"},
        {"no break at end", "a", "a\r\n"},
        {"LF with empty line", "a\n\nb", "a\r\n\r\nb\r\n"},
        {"CR alone at end", "a\r", "a\r\n"},
        {"CR between lines", "a\rb", "a\r\nb\r\n"},
        {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb\r\n"},
        {"only breaks", "\r\n\n", "\r\n\r\n"},
        {"bytes kept", std::string("\xE7\0\xFF", 3), std::string("\xE7\0\xFF\r\n", 5)},
    };
    for (const auto& row : rows) {
        dir_.write("in.txt", row.bytes);
        EXPECT_EQ(loadTextLines("C:\\IN.TXT"), row.expected) << row.name;
    }
}

TEST_F(FilesTest, LoadTextLinesReportsWhyItCannotRead) {
    fs::create_directory(dir_.path() / "pasta");
    const struct {
        const char* path;
        int error;
    } rows[] = {
        {"C:\\missing.txt", ENOENT},
        {"C:\\pasta", EISDIR},
        {"C:\\a|b.txt", EINVAL},
        {"Q:\\unmapped.txt", EINVAL},
    };
    for (const auto& row : rows) {
        auto e = ioErrorOf([&] { loadTextLines(row.path); });
        ASSERT_TRUE(e) << row.path;
        EXPECT_EQ(e->error(), row.error) << row.path;
        EXPECT_NE(std::string(e->what()).find(row.path), std::string::npos) << e->what();
    }
}

TEST_F(FilesTest, FileAndFolderQueries) {
    dir_.write("Credito/Lote.txt", "x");
    const struct {
        const char* path;
        bool file;
        bool folder;
    } rows[] = {
        {"C:\\Credito\\Lote.txt", true, false},
        {"C:\\CREDITO\\lote.TXT", true, false},
        {"C:\\Credito", false, true},
        {"C:\\credito\\", false, true},
        {"C:\\", false, true},
        {"C:\\Credito\\nada.txt", false, false},
        {"C:\\Credito\\Lote.txt\\x", false, false},
        {"C:\\a?b", false, false},
        {"Q:\\x", false, false},
        {"F:\\full", true, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(fileExists(row.path), row.file) << row.path;
        EXPECT_EQ(directoryExists(row.path), row.folder) << row.path;
    }
}

TEST_F(FilesTest, CreateDirMakesOneLevel) {
    dir_.write("Lote.txt", "x");
    EXPECT_TRUE(createDir("C:\\Novo"));
    EXPECT_TRUE(fs::is_directory(dir_.path() / "Novo"));
    EXPECT_FALSE(createDir("C:\\NOVO")) << "exists, in another case";
    EXPECT_FALSE(createDir("C:\\Falta\\Sub")) << "parent missing";
    EXPECT_FALSE(fs::exists(dir_.path() / "Falta"));
    EXPECT_FALSE(createDir("C:\\lote.txt")) << "a file is there";
    EXPECT_FALSE(createDir("C:\\a*b"));
}

TEST_F(FilesTest, MoveFileNeverReplaces) {
    const struct {
        const char* name;
        const char* target;
        bool moved;
    } rows[] = {
        {"to a free name", "C:\\Destino\\lote.txt", true},
        {"target exists", "C:\\Destino\\Existe.txt", false},
        {"target exists in another case", "C:\\destino\\EXISTE.TXT", false},
        {"target folder missing", "C:\\Falta\\lote.txt", false},
        {"target is a folder", "C:\\Destino", false},
        {"invalid target", "C:\\Destino\\a?b", false},
    };
    for (const auto& row : rows) {
        TempDir scratch;
        DriveMap m;
        m.map('C', scratch.path());
        ScopedDriveMap scoped(m);
        scratch.write("Origem/lote.txt", "source");
        scratch.write("Destino/Existe.txt", "target");

        EXPECT_EQ(moveFile("C:\\origem\\LOTE.TXT", row.target), row.moved) << row.name;
        EXPECT_EQ(scratch.read("Destino/Existe.txt"), "target") << row.name;
        if (row.moved) {
            EXPECT_FALSE(fs::exists(scratch.path() / "Origem/lote.txt")) << row.name;
            EXPECT_EQ(scratch.read("Destino/lote.txt"), "source") << row.name;
        } else {
            EXPECT_EQ(scratch.read("Origem/lote.txt"), "source") << row.name;
        }
    }
    EXPECT_FALSE(moveFile("C:\\nada.txt", "C:\\outro.txt")) << "source missing";
    EXPECT_FALSE(fs::exists(dir_.path() / "outro.txt"));
}

TEST_F(FilesTest, ConcurrentMovesOntoOneNameLetOneWin) {
    constexpr int kMovers = 8;
    for (int i = 0; i < kMovers; ++i)
        dir_.write("src" + std::to_string(i), std::to_string(i));
    std::atomic<int> wins{0};
    std::vector<std::thread> movers;
    for (int i = 0; i < kMovers; ++i) {
        movers.emplace_back([i, &wins] {
            if (moveFile("C:\\src" + std::to_string(i), "C:\\target"))
                ++wins;
        });
    }
    for (auto& t : movers)
        t.join();
    EXPECT_EQ(wins.load(), 1);
    int remaining = 0;
    for (int i = 0; i < kMovers; ++i)
        remaining += fs::exists(dir_.path() / ("src" + std::to_string(i)));
    EXPECT_EQ(remaining, kMovers - 1) << "a losing source was lost";
}

TEST_F(FilesTest, MoveAcrossFileSystemsCopiesThenDeletes) {
    struct stat tmp {
    }, shm{};
    if (::stat(dir_.path().c_str(), &tmp) != 0 || ::stat("/dev/shm", &shm) != 0 ||
        tmp.st_dev == shm.st_dev) {
        GTEST_SKIP() << "needs /dev/shm on another file system than the temporary folder";
    }
    const std::string shmDir = "/dev/shm/confcred-files-test-" + std::to_string(::getpid());
    fs::create_directory(shmDir);
    struct Cleanup {
        std::string dir;
        ~Cleanup() {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } cleanup{shmDir};
    DriveMap m;
    m.map('C', dir_.path());
    m.map('S', shmDir);
    ScopedDriveMap scoped(m);
    dir_.write("lote.txt", "source");
    dir_.write("outro.txt", "second");
    ASSERT_TRUE(fs::exists(dir_.path() / "lote.txt"));

    EXPECT_TRUE(moveFile("C:\\lote.txt", "S:\\lote.txt"));
    EXPECT_FALSE(fs::exists(dir_.path() / "lote.txt"));
    EXPECT_EQ(loadTextLines("S:\\lote.txt"), "source\r\n");
    EXPECT_FALSE(moveFile("C:\\outro.txt", "S:\\lote.txt"))
        << "replaced a file across file systems";
    EXPECT_EQ(dir_.read("outro.txt"), "second");
    EXPECT_EQ(loadTextLines("S:\\lote.txt"), "source\r\n");
}

TEST_F(FilesTest, TextFileWriterWritesLinesAndReplaces) {
    dir_.write("Log.txt", "an older and longer content\r\n");
    {
        TextFileWriter w;
        w.create("C:\\log.TXT");
        w.writeLine("Importa\xE7\xE3o");
        w.writeLine("");
        w.close();
        EXPECT_FALSE(w.isOpen());
        w.close();  // a second close does nothing
    }
    EXPECT_EQ(dir_.read("Log.txt"), "Importa\xE7\xE3o\r\n\r\n");
    {
        TextFileWriter w;
        w.create("C:\\novo.log");
        w.writeLine("x");
    }  // the destructor closes
    EXPECT_EQ(dir_.read("novo.log"), "x\r\n");
}

TEST_F(FilesTest, TextFileWriterReportsEachFailureAtOnce) {
    fs::create_directory(dir_.path() / "pasta");
    const struct {
        const char* name;
        const char* path;
        int error;
    } createRows[] = {
        {"missing folder", "C:\\Falta\\log.txt", ENOENT},
        {"a folder", "C:\\pasta", EISDIR},
        {"invalid name", "C:\\log?.txt", EINVAL},
    };
    for (const auto& row : createRows) {
        TextFileWriter w;
        auto e = ioErrorOf([&] { w.create(row.path); });
        ASSERT_TRUE(e) << row.name;
        EXPECT_EQ(e->error(), row.error) << row.name;
        EXPECT_NE(std::string(e->what()).find(row.path), std::string::npos) << e->what();
        EXPECT_FALSE(w.isOpen());
    }

    TextFileWriter full;
    full.create("F:\\full");
    auto e = ioErrorOf([&] { full.writeLine("no room"); });
    ASSERT_TRUE(e) << "a write to a full device succeeded";
    EXPECT_EQ(e->error(), ENOSPC);
    EXPECT_NE(std::string(e->what()).find("F:\\full"), std::string::npos) << e->what();

    TextFileWriter closed;
    EXPECT_TRUE(ioErrorOf([&] { closed.writeLine("x"); }));
}
