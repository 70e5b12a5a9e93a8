// The import warning log on a temporary drive C:: the exact bytes (header,
// Windows-1252, CR LF), its name, two clock readings, names never reused,
// and failures reported at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/core/messages.h"
#include "package/core/import_log.h"
#include "package/core/import_messages.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/win_path.h"
#include "support/temp_dir.h"

namespace confcred::testing {
namespace {

namespace ci = package::credit_import;
namespace fs = std::filesystem;
using platform::DateTime;

const std::string kRule = "**" + std::string(96, '-') + "\r\n";
// "IMPORTAÇÃO", "CRÉDITO", "DÉBITO" in Windows-1252.
const std::string kTitle =
    "** LUN90002 - LOG DE IMPORTA\xC7\xC3O  CR\xC9"
    "DITO/D\xC9"
    "BITO CONSUMIDOR" +
    std::string(18, ' ') + "\r\n";

// Each reading is one second later than the one before: the name and the
// date line come from two readings.
class SteppingClock final : public platform::Clock {
  public:
    explicit SteppingClock(DateTime start) : next_(start) {}
    DateTime now() const override {
        const DateTime t = next_;
        next_ = next_.addMs(1000);
        return t;
    }

  private:
    mutable DateTime next_;
};

class ImportLog : public ::testing::Test {
  protected:
    ImportLog() : drives_(makeMap()) { fs::create_directories(c_.path() / "Credito" / "Site"); }

    platform::DriveMap makeMap() const {
        platform::DriveMap m;
        m.map('C', c_.path());
        return m;
    }
    std::string readLog(const std::string& name) const {
        return c_.read("Credito/Site/Log_Lun/" + name);
    }

    // Writes a log of these lines as `who` and returns its Windows path.
    static std::string write(const std::string& who, std::initializer_list<std::string> lines) {
        ci::ImportLogWriter log;
        log.begin(who);
        for (const std::string& l : lines)
            log.writeLine(l);
        log.finish();
        return log.path();
    }

    TempDir c_;
    platform::ScopedDriveMap drives_;
};

TEST_F(ImportLog, ExactBytesWithTwoClockReadings) {
    SteppingClock clock(DateTime::fromParts(2026, 12, 7, 9, 5, 59));
    platform::ScopedClock scoped(clock);
    const std::string path = write("José Conceição", {"Linha 3: data \"30/02/2027\" inválida.", "",
                                                      "  espaços mantidos  ", "€ e ☃"});

    EXPECT_EQ(path, R"(C:\Credito\Site\Log_Lun\LUN90002_07122026090559.txt)");
    const std::string expected = kRule + kTitle +
                                 "** Data da Importa\xE7\xE3o : 07/12/2026 09:06:00\r\n"
                                 "** Operador Importa\xE7\xE3o: Jos\xE9 Concei\xE7\xE3o\r\n" +
                                 kRule +
                                 "Linha 3: data \"30/02/2027\" inv\xE1lida.\r\n"
                                 "\r\n"
                                 "  espa\xE7os mantidos  \r\n"
                                 "\x80 e ?\r\n";
    EXPECT_EQ(readLog("LUN90002_07122026090559.txt"), expected);
    EXPECT_EQ(kRule.size(), 98u + 2);
    EXPECT_EQ(kTitle.size(), 76u + 2);
}

TEST_F(ImportLog, EmptyOperatorAndSingleLine) {
    platform::ManualClock clock(DateTime::fromParts(2027, 1, 2, 23, 0, 0));
    platform::ScopedClock scoped(clock);
    write("", {"Linha 1: tipo inválido."});
    const std::string text = readLog("LUN90002_02012027230000.txt");
    EXPECT_NE(text.find("\r\n** Operador Importa\xE7\xE3o: \r\n"), std::string::npos);
    // The date line is 43 characters.
    EXPECT_NE(text.find("\r\n** Data da Importa\xE7\xE3o : 02/01/2027 23:00:00\r\n"),
              std::string::npos);
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    EXPECT_EQ(lines, 6u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(ImportLog, SameSecondNeverReplacesALog) {
    platform::ManualClock clock(DateTime::fromParts(2026, 12, 7, 10, 0, 0));
    platform::ScopedClock scoped(clock);
    const std::string first = write("a", {"primeira"});
    const std::string second = write("b", {"segunda"});
    const std::string third = write("c", {"terceira"});

    EXPECT_EQ(first, R"(C:\Credito\Site\Log_Lun\LUN90002_07122026100000.txt)");
    EXPECT_EQ(second, R"(C:\Credito\Site\Log_Lun\LUN90002_07122026100000_2.txt)");
    EXPECT_EQ(third, R"(C:\Credito\Site\Log_Lun\LUN90002_07122026100000_3.txt)");
    EXPECT_NE(readLog("LUN90002_07122026100000.txt").find("primeira\r\n"), std::string::npos);
    EXPECT_NE(readLog("LUN90002_07122026100000_2.txt").find("segunda\r\n"), std::string::npos);
    EXPECT_NE(readLog("LUN90002_07122026100000_3.txt").find("terceira\r\n"), std::string::npos);
}

TEST_F(ImportLog, FolderThatCannotBeMadeFailsAtCreation) {
    // A file where the log folder should be: the folder cannot be made and
    // the log cannot be created in it.
    c_.write("Credito/Site/Log_Lun", "not a folder");
    ci::ImportLogWriter log;
    try {
        log.begin("x");
        FAIL() << "the log was created";
    } catch (const platform::IoError& e) {
        EXPECT_EQ(e.error(), ENOTDIR) << e.what();
        EXPECT_NE(std::string(e.what()).find("LUN90002_"), std::string::npos) << e.what();
        // The operator reads it in Portuguese, with the file's Windows path.
        host::core::TMessages messages;
        messages.setLines(ci::importMessageLines());
        const QString text = ci::logFailureText(messages, e, {"Linha 1: tipo inválido."});
        EXPECT_TRUE(text.contains(
            "a pasta não existe e não pôde ser criada (C:\\Credito\\Site\\Log_Lun\\LUN90002_"))
            << text.toStdString();
        EXPECT_FALSE(text.contains("cannot")) << text.toStdString();
    }
}

TEST(ImportLogName, StampAndSequence) {
    const DateTime t = DateTime::fromParts(2026, 3, 4, 5, 6, 7);
    EXPECT_EQ(ci::logFileName(t), R"(C:\Credito\Site\Log_Lun\LUN90002_04032026050607.txt)");
    EXPECT_EQ(ci::logFileName(t, 12), R"(C:\Credito\Site\Log_Lun\LUN90002_04032026050607_12.txt)");
}

}  // namespace
}  // namespace confcred::testing
