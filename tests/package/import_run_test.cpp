// The import run without its dialog, one row per way it can end: against a
// real server (taking, refusing, killed) or a scripted answerer that breaks
// the protocol, on real files of a temporary drive C:. Each row checks the
// outcome, that the run shows no box but its question, the order of its
// progress steps around the call, and what is left on disk.
#include <gtest/gtest.h>

#include <QString>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dataset/record_set.h"
#include "host/automation/scripted_ui_service.h"
#include "host/client/net_connection.h"
#include "host/core/messages.h"
#include "package/core/import_messages.h"
#include "package/core/import_packet.h"
#include "package/core/import_run.h"
#include "package/core/run_screen.h"
#include "package/core/server_names.h"
#include "platform/clock.h"
#include "platform/win_path.h"
#include "support/fake_http_server.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

namespace confcred::testing {
namespace {

namespace ci = package::credit_import;
namespace fs = std::filesystem;
using ci::ArchiveStatus;
using ci::ImportEnd;
using ci::LogEnd;

enum class Answerer { Live, WrongObject, Garbled, Killed };
enum class Content { Good, Warning };
enum class Prepare { Nothing, AlreadyArchived, LogFolderIsAFile };

struct Row {
    const char* name;
    int answer;
    const char* file;  // written under C: before the run
    const char* path;  // as typed
    Content content;
    Prepare prepare;
    Answerer answerer;
    ImportEnd end;
    const char* message;  // part of outcome.message, or null for none
    ArchiveStatus archive;
    LogEnd log;
};

// Rows print as their names.
void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

constexpr const char* kLote = "Credito/Site/lote.txt";
constexpr const char* kLotePath = R"(C:\Credito\Site\lote.txt)";

class ImportRunEnds : public ::testing::TestWithParam<Row> {
  protected:
    static void SetUpTestSuite() { server_ = std::make_unique<ServerProcess>(); }
    static void TearDownTestSuite() { server_.reset(); }

    ImportRunEnds() : drives_(makeMap()), scopedUi_(ui_) {
        fs::create_directories(c_.path() / "Credito" / "Site");
        messages_.setLines(ci::importMessageLines());
        ci::declareArquivoFields(cdsArquivo_);
        ci::declareResultadoFields(cdsResultado_);
        net_.setServerName(package::kImportServerName);
        host::client::TNetConnection::setCallObserver(
            [this](const QString& method, const QString&) {
                trace_.push_back("call " + method.toStdString() + " busy=" + std::to_string(busy_));
            });
        ui_.setOnRequest([this](const host::automation::RecordedRequest& r) {
            if (r.kind == host::automation::RecordedRequest::Kind::ProcessMessages)
                trace_.push_back("messages");
        });
        cdsResultado_.setOnStateChange([this](dataset::RecordSet& set) {
            if (set.active() && !loaded_) {
                loaded_ = true;
                trace_.push_back("loaded busy=" + std::to_string(busy_));
            }
        });
    }
    ~ImportRunEnds() override { host::client::TNetConnection::setCallObserver(nullptr); }

    platform::DriveMap makeMap() const {
        platform::DriveMap m;
        m.map('C', c_.path());
        return m;
    }

    // Points the connection at the row's answerer, opened as the dialog
    // opens it on creation.
    void connect(Answerer answerer) {
        net_.setHost(QStringLiteral("127.0.0.1"));
        switch (answerer) {
            case Answerer::Live:
                net_.setPort(server_->port());
                break;
            case Answerer::WrongObject:
                net_.setPort(server_->port());
                net_.setServerName(QStringLiteral("Lun90000.rdmNaoExiste"));
                break;
            case Answerer::Garbled:
                fake_ = std::make_unique<FakeServer>([](int fd, const Received& r) {
                    if (r.path == "/health")
                        return false;
                    reply(fd, 200, R"({"result": {"fields": [{"name": "DSLINHA"}], "rows": [[)");
                    return true;
                });
                net_.setPort(fake_->port());
                break;
            case Answerer::Killed:
                own_ = std::make_unique<ServerProcess>();
                net_.setPort(own_->port());
                break;
        }
        net_.Open();
        if (answerer == Answerer::Killed) {
            own_->kill(SIGKILL);
            ASSERT_TRUE(own_->wait(std::chrono::seconds(10)).has_value());
        }
    }

    // One line with a bank slip of the row's own; the warning one is dated
    // 31 February.
    static std::string lines(const Row& row) {
        const std::string slip = std::string("IR") + row.name;
        const std::string date = row.content == Content::Warning ? "31/02/2026" : "07/12/2026";
        return "C;CLI001;CONS0001;" + slip.substr(0, 20) + ";" + date + ";x;ALI=10,00\r\n";
    }

    // The dialog's part: its question through the UI service, the failure
    // it is told of kept.
    class Screen : public package::RunScreen {
      public:
        explicit Screen(ImportRunEnds& test) : test_(test) {}
        int ask(host::core::BoxRequest box) override { return host::core::ui().showBox(box); }
        std::optional<QString> ask(host::core::FileRequest) override { return std::nullopt; }
        void report(const package::RunFailure& failure) override { test_.told_ = failure; }
        void busy(bool on) override { test_.busy_ += on ? 1 : -1; }

      private:
        ImportRunEnds& test_;
    };

    ci::ImportOutcome run(const Row& row) {
        ui_.queueBoxAnswer(row.answer);
        ci::ImportRun context{
            net_,
            messages_,
            cdsArquivo_,
            cdsResultado_,
            "operador do teste",
            clock_,
            screen_,
            {[&row] { return QString::fromUtf8(row.path); },
             [this](int by) { trace_.push_back("step " + std::to_string(by)); },
             [this](const QString& text) { trace_.push_back("caption " + text.toStdString()); },
             [this] { trace_.push_back("repaint"); }}};
        return ci::runImport(context);
    }

    static std::unique_ptr<ServerProcess> server_;
    TempDir c_;
    platform::ScopedDriveMap drives_;
    host::automation::ScriptedUiService ui_;
    host::automation::ScopedUi scopedUi_;
    host::core::TMessages messages_;
    host::client::TNetConnection net_;
    dataset::RecordSet cdsArquivo_{"cdsArquivo"};
    dataset::RecordSet cdsResultado_{"cdsResultado"};
    platform::ManualClock clock_{platform::DateTime::fromParts(2026, 12, 7, 10, 11, 12)};
    std::unique_ptr<FakeServer> fake_;
    std::unique_ptr<ServerProcess> own_;
    Screen screen_{*this};
    std::optional<package::RunFailure> told_;
    int busy_ = 0;
    std::vector<std::string> trace_;
    bool loaded_ = false;
};

std::unique_ptr<ServerProcess> ImportRunEnds::server_;

TEST_P(ImportRunEnds, EndsAsTheRowSays) {
    const Row& row = GetParam();
    c_.write(row.file, lines(row));
    if (row.prepare == Prepare::AlreadyArchived)
        c_.write("Credito/Site/Importados/lote.txt", "archived before");
    if (row.prepare == Prepare::LogFolderIsAFile)
        c_.write("Credito/Site/Log_Lun", "a file where the log folder should be");
    connect(row.answerer);

    const ci::ImportOutcome outcome = run(row);

    EXPECT_EQ(outcome.end, row.end);
    // A failure is told to the dialog once, as the outcome keeps it.
    ASSERT_EQ(told_.has_value(), row.message != nullptr);
    ASSERT_EQ(outcome.failure.has_value(), row.message != nullptr);
    if (row.message != nullptr) {
        const QString& message = outcome.failure->message;
        EXPECT_EQ(told_->message, message);
        EXPECT_FALSE(message.isEmpty());
        EXPECT_TRUE(message.contains(QString::fromUtf8(row.message))) << message.toStdString();
        using Kind = package::RunFailure::Kind;
        EXPECT_EQ(outcome.failure->kind, row.end == ImportEnd::TransportFailed
                                             ? Kind::TransportFailed
                                         : row.end == ImportEnd::ServerRefused ? Kind::ServerRefused
                                                                               : Kind::Stopped);
    }
    if (row.end == ImportEnd::TransportFailed) {
        EXPECT_THROW(std::rethrow_exception(outcome.failure->raised), host::client::TransportError);
    }
    // The question is the run's only box: the dialog tells the rest.
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].text, QStringLiteral("Confirma operação?"));
    EXPECT_EQ(busy_, 0);

    // The progress steps around the call, in the dialog's order; the answer
    // is in cdsResultado before the busy animation stops.
    const std::vector<std::string> sending = {"step 5", "caption Importando dados...", "messages",
                                              "repaint", "call SetImporSaldoCons busy=1"};
    std::vector<std::string> expected;
    if (row.end == ImportEnd::ServerRefused || row.end == ImportEnd::TransportFailed ||
        row.end == ImportEnd::Imported)
        expected = sending;
    if (row.end == ImportEnd::Imported) {
        expected.push_back("loaded busy=1");
        expected.insert(expected.end(), 10, "step 10");
        expected.insert(expected.end(), {"caption ", "messages", "repaint"});
    }
    EXPECT_EQ(trace_, expected);

    const bool archived = row.end == ImportEnd::Imported && row.archive == ArchiveStatus::Moved;
    EXPECT_EQ(fs::exists(c_.path() / row.file), !archived);
    if (row.end != ImportEnd::Imported) {
        EXPECT_FALSE(fs::exists(c_.path() / "Credito" / "Site" / "Importados"));
        return;
    }
    EXPECT_EQ(outcome.archive.status, row.archive) << outcome.archive.target;
    EXPECT_EQ(outcome.warnings, row.content == Content::Warning ? 1u : 0u);
    EXPECT_EQ(outcome.log, row.log);
    if (row.prepare == Prepare::AlreadyArchived) {
        EXPECT_EQ(c_.read("Credito/Site/Importados/lote.txt"), "archived before");
    }
    if (row.log == LogEnd::Written) {
        // Named from the clock handed in, header by the operator handed in.
        EXPECT_EQ(outcome.logPath, R"(C:\Credito\Site\Log_Lun\LUN90002_07122026101112.txt)");
        const std::string log = c_.read("Credito/Site/Log_Lun/LUN90002_07122026101112.txt");
        EXPECT_NE(log.find(": 07/12/2026 10:11:12\r\n** Operador Importa\xE7\xE3o: operador do "
                           "teste\r\n"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("\r\nLinha 1: data \"31/02/2026\""), std::string::npos) << log;
    }
    if (row.log == LogEnd::Failed) {
        ASSERT_TRUE(outcome.logError.has_value());
        EXPECT_EQ(outcome.logError->error(), ENOTDIR) << outcome.logError->what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImportRunEnds,
    ::testing::Values(
        Row{"AnsweredNo", host::core::mrNo, kLote, kLotePath, Content::Good, Prepare::Nothing,
            Answerer::Live, ImportEnd::Cancelled, nullptr, ArchiveStatus::Moved, LogEnd::NotNeeded},
        Row{"DefaultFolder", host::core::mrYes, kLote, R"(C:\Credito\Site\)", Content::Good,
            Prepare::Nothing, Answerer::Live, ImportEnd::NoFileNamed, "Arquivo deve ser informado.",
            ArchiveStatus::Moved, LogEnd::NotNeeded},
        Row{"NoFileThere", host::core::mrYes, kLote, R"(C:\Credito\Site\nada.txt)", Content::Good,
            Prepare::Nothing, Answerer::Live, ImportEnd::FileNotFound, "Arquivo não encontrado.",
            ArchiveStatus::Moved, LogEnd::NotNeeded},
        Row{"Clean", host::core::mrYes, kLote, kLotePath, Content::Good, Prepare::Nothing,
            Answerer::Live, ImportEnd::Imported, nullptr, ArchiveStatus::Moved, LogEnd::NotNeeded},
        Row{"Warnings", host::core::mrYes, kLote, kLotePath, Content::Warning, Prepare::Nothing,
            Answerer::Live, ImportEnd::Imported, nullptr, ArchiveStatus::Moved, LogEnd::Written},
        Row{"ArchiveClash", host::core::mrYes, kLote, kLotePath, Content::Good,
            Prepare::AlreadyArchived, Answerer::Live, ImportEnd::Imported, nullptr,
            ArchiveStatus::TargetExists, LogEnd::NotNeeded},
        Row{"ArchiveFolderMissing", host::core::mrYes, "Credito/Site/Dez/lote.txt",
            R"(C:\Credito\Site\Dez\lote.txt)", Content::Good, Prepare::Nothing, Answerer::Live,
            ImportEnd::Imported, nullptr, ArchiveStatus::FolderMissing, LogEnd::NotNeeded},
        Row{"LogFails", host::core::mrYes, kLote, kLotePath, Content::Warning,
            Prepare::LogFolderIsAFile, Answerer::Live, ImportEnd::Imported, nullptr,
            ArchiveStatus::Moved, LogEnd::Failed},
        Row{"ServerRefuses", host::core::mrYes, kLote, kLotePath, Content::Good, Prepare::Nothing,
            Answerer::WrongObject, ImportEnd::ServerRefused, "rdmNaoExiste", ArchiveStatus::Moved,
            LogEnd::NotNeeded},
        Row{"AnswerCutShort", host::core::mrYes, kLote, kLotePath, Content::Good, Prepare::Nothing,
            Answerer::Garbled, ImportEnd::TransportFailed, "", ArchiveStatus::Moved,
            LogEnd::NotNeeded},
        Row{"ServerKilled", host::core::mrYes, kLote, kLotePath, Content::Good, Prepare::Nothing,
            Answerer::Killed, ImportEnd::TransportFailed, "", ArchiveStatus::Moved,
            LogEnd::NotNeeded}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace confcred::testing
