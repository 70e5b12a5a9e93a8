// The import dialog against a real server and real files on a temporary
// drive map: its settings, the stops before sending, completed runs with and
// without warnings, a vetted server error, the archive and log failures that
// follow a completed import, and its lifetime through CriaImportCons.
#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPalette>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dataset/packet_codec.h"
#include "dataset/record_set.h"
#include "host/automation/scripted_ui_service.h"
#include "host/client/net_connection.h"
#include "host/core/application.h"
#include "host/widgets/btn_pesquisa.h"
#include "host/widgets/busy_indicator.h"
#include "host/widgets/button_flat.h"
#include "package/frame/package_units.h"
#include "package/import/frm_impor_cons.h"
#include "package_fixture.h"
#include "platform/cp1252.h"
#include "platform/win_path.h"
#include "support/component.h"
#include "support/fake_http_server.h"
#include "support/temp_dir.h"

namespace confcred::testing {
namespace {

namespace fs = std::filesystem;
using host::core::BoxKind;
using package::TfrmImporCons;

// The dialog's components by name.
QLineEdit& medArquivo(QWidget& d) {
    return component<QLineEdit>(d, "medArquivo");
}
host::widgets::TBtnPesquisa& btnArquivo(QWidget& d) {
    return component<host::widgets::TBtnPesquisa>(d, "btnArquivo");
}
host::client::TNetConnection& netImportCons(QWidget& d) {
    return component<host::client::TNetConnection>(d, "netImportCons");
}

const QString kSuccess = QStringLiteral("Importação realizada com sucesso.");
const QString kWarnings = QStringLiteral(
    "Importação realizada com advertências. Favor verificar o arquivo de log gerado na pasta: "
    "C:\\Credito\\Site\\Log_Lun.");
const QString kQuestion = QStringLiteral("Confirma operação?");

// One good order line (Windows-1252 on disk) with its own bank slip.
std::string goodLine(const std::string& boleto) {
    return "C;CLI001;CONS0001;" + boleto +
           ";07/12/2026;Cr\xE9"
           "dito mensal;ALI=10,00";
}
// A line the server refuses: 31 February.
std::string badLine(const std::string& boleto) {
    return "C;CLI001;CONS0001;" + boleto + ";31/02/2026;x;ALI=1,00";
}

class ImportDialog : public PackageTest {
  protected:
    ImportDialog() : drives_(makeMap()) {}

    platform::DriveMap makeMap() const {
        platform::DriveMap m;
        m.map('C', c_.path());
        m.map('E', e_.path());
        return m;
    }

    // The dialog as CriaImportCons makes it, shown.
    std::unique_ptr<TfrmImporCons> openDialog() {
        std::unique_ptr<TfrmImporCons> d(host::forms::createForm<TfrmImporCons>(mainWindow()));
        d->show();
        return d;
    }
    // Names the file and presses Import; the answers are queued first.
    void run(TfrmImporCons& d, const QString& path, const std::vector<int>& answers) {
        for (int a : answers)
            ui_.queueBoxAnswer(a);
        medArquivo(d).setText(path);
        testing::component<host::widgets::TButtonFlat>(d, "sbtImportExport").click();
        EXPECT_EQ(ui_.pendingBoxAnswers(), 0u);
        EXPECT_EQ(host::widgets::busyDepth(), 0);
    }

    // The packets sent to SetImporSaldoCons, decoded.
    std::vector<dataset::DataPacket> sentPackets() const {
        std::vector<dataset::DataPacket> packets;
        for (const QString& call : calls()) {
            if (!call.startsWith(QStringLiteral("SetImporSaldoCons ")))
                continue;
            const QString args = call.section(QLatin1Char(' '), 1);
            // As the server reads it: ARQUIVO's declared width is no limit.
            dataset::DecodeOptions whole;
            whole.enforceWidths = false;
            packets.push_back(
                dataset::decodePacket(args.mid(1, args.size() - 2).toStdString(), whole));
        }
        return packets;
    }
    static std::string arquivoOf(const dataset::DataPacket& p) {
        return std::string(p.column(static_cast<size_t>(p.fieldIndex("ARQUIVO"))).textAt(0));
    }

    QStringList boxTexts() const {
        QStringList texts;
        for (const auto& b : ui_.boxes())
            texts << b.text;
        return texts;
    }
    fs::path site() const { return c_.path() / "Credito" / "Site"; }
    std::vector<fs::path> logs() const {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(site() / "Log_Lun", ec))
            found.push_back(e.path());
        return found;
    }

    TempDir c_, e_;
    platform::ScopedDriveMap drives_;
};

TEST_F(ImportDialog, CreationSetsComponentsConnectsAndMakesFolders) {
    auto d = openDialog();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Importação Crédito/Débito Consumidor "));
    EXPECT_EQ(testing::component<QLabel>(*d, "lblCodTela").text(), QStringLiteral("LUN90002"));

    // The dialog's own controls in the base dialog's group box, and the base
    // dialog's buttons as this dialog sets them.
    struct Control {
        const char* name;
        QWidget* widget;
        QWidget* parent;
        const char* text;  // label caption or edit text; null: none to check
        const char* hint;  // null: none to check
        bool bold;
        bool shown;
    };
    const Control controls[] = {
        {"lblArquivo", d->findChild<QLabel*>("lblArquivo"),
         &testing::component<QGroupBox>(*d, "grbDadosRel"), "Arquivo", nullptr, true, true},
        {"medArquivo", &medArquivo(*d), &testing::component<QGroupBox>(*d, "grbDadosRel"),
         "C:\\Credito\\Site\\", nullptr, false, true},
        {"btnArquivo", &btnArquivo(*d), &testing::component<QGroupBox>(*d, "grbDadosRel"), nullptr,
         "Pesquisar", false, true},
        {"sbtImportExport", &testing::component<host::widgets::TButtonFlat>(*d, "sbtImportExport"),
         &testing::component<QFrame>(*d, "panMenu"), nullptr, "Importar", false, true},
        {"sbtHelp", &testing::component<host::widgets::TButtonFlat>(*d, "sbtHelp"),
         &testing::component<QFrame>(*d, "panMenu"), nullptr, nullptr, false, false},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.widget, nullptr) << c.name << " is missing";
        EXPECT_EQ(c.widget->objectName(), QString::fromLatin1(c.name));
        EXPECT_EQ(c.widget->parentWidget(), c.parent);
        if (c.text != nullptr) {
            const auto* label = qobject_cast<QLabel*>(c.widget);
            const auto* edit = qobject_cast<QLineEdit*>(c.widget);
            EXPECT_EQ(label != nullptr ? label->text() : edit->text(), QString::fromUtf8(c.text));
            EXPECT_EQ(c.widget->font().bold(), c.bold);
        }
        if (c.hint != nullptr) {
            EXPECT_EQ(c.widget->toolTip(), QString::fromUtf8(c.hint));
        }
        EXPECT_EQ(c.widget->isHidden(), !c.shown);
    }
    // The path edit: no mask, the info-tip colour, 219 pixels; the search
    // button just right of it.
    EXPECT_TRUE(medArquivo(*d).inputMask().isEmpty());
    EXPECT_EQ(medArquivo(*d).palette().color(QPalette::Base),
              medArquivo(*d).palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(medArquivo(*d).width(), 219);
    EXPECT_EQ(btnArquivo(*d).title(), QStringLiteral("Arquivo"));
    EXPECT_EQ(btnArquivo(*d).Associate(), &medArquivo(*d));
    EXPECT_EQ(btnArquivo(*d).x(), medArquivo(*d).geometry().right() + 3);
    EXPECT_EQ(btnArquivo(*d).y(), medArquivo(*d).y());
    // The chooser the search button opens: text files first, from the site folder.
    struct ChooserSeen : host::automation::ScriptedUiService {
        std::optional<host::core::FileRequest> seen;
        std::optional<QString> chooseFile(const host::core::FileRequest& request) override {
            seen = request;
            return std::nullopt;
        }
    } chooser;
    {
        host::automation::ScopedUi scoped(chooser);
        btnArquivo(*d).click();
    }
    ASSERT_TRUE(chooser.seen.has_value());
    EXPECT_EQ(chooser.seen->filter, QStringLiteral("Text File|*.txt|All Files|*.*"));
    EXPECT_EQ(chooser.seen->initialDir, QStringLiteral("C:\\credito\\site"));
    EXPECT_EQ(chooser.seen->parent, d.get());

    // The packet sent and the answer received, one text field each.
    struct Column {
        dataset::RecordSet* set;
        const char* name;
        int width;
    };
    for (const Column& c : {Column{&dataSet(*d, "cdsArquivo"), "ARQUIVO", 5000},
                            Column{&dataSet(*d, "cdsResultado"), "DSLINHA", 250}}) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.set->fieldCount(), 1u);
        EXPECT_EQ(c.set->field(0).name(), c.name);
        EXPECT_EQ(c.set->field(0).type(), dataset::FieldType::String);
        EXPECT_EQ(c.set->field(0).size(), c.width);
        EXPECT_FALSE(c.set->active());
    }

    EXPECT_EQ(netImportCons(*d).ServerName(), QStringLiteral("Lun90000.rdmConfCredBanc"));
    EXPECT_FALSE(netImportCons(*d).ThrowException());
    EXPECT_TRUE(netImportCons(*d).Connected());
    EXPECT_TRUE(fs::is_directory(site()));
    d->Close();
    EXPECT_FALSE(netImportCons(*d).Connected());
}

TEST_F(ImportDialog, FileChooserFillsOrKeepsThePath) {
    auto d = openDialog();
    ui_.queueFile(QStringLiteral("C:\\Credito\\Site\\lote9.txt"));
    btnArquivo(*d).click();
    EXPECT_EQ(medArquivo(*d).text(), QStringLiteral("C:\\Credito\\Site\\lote9.txt"));
    ui_.queueFileCancel();
    btnArquivo(*d).click();
    EXPECT_EQ(medArquivo(*d).text(), QStringLiteral("C:\\Credito\\Site\\lote9.txt"));
    ASSERT_FALSE(ui_.requests().empty());
    EXPECT_TRUE(ui_.requests().front().detail.endsWith(QStringLiteral("@ C:\\credito\\site")));
}

struct StopRow {
    const char* name;
    const char* path;
    int answer;
    const char* error;  // null: the question alone
};

class ImportStops : public ImportDialog, public ::testing::WithParamInterface<StopRow> {};

TEST_P(ImportStops, NothingIsSentOrMoved) {
    const StopRow& row = GetParam();
    c_.write("Credito/Site/lote1.txt", goodLine("STOP01") + "\r\n");
    auto d = openDialog();
    medArquivo(*d).clearFocus();
    std::vector<int> answers = {row.answer};
    if (row.error != nullptr)
        answers.push_back(host::core::mrOk);
    run(*d, QString::fromUtf8(row.path), answers);

    ASSERT_GE(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].kind, BoxKind::Confirmation);
    EXPECT_EQ(ui_.boxes()[0].text, kQuestion);
    EXPECT_EQ(ui_.boxes()[0].buttons, host::core::mbYes | host::core::mbNo);
    if (row.error != nullptr) {
        ASSERT_EQ(ui_.boxes().size(), 2u);
        EXPECT_EQ(ui_.boxes()[1].kind, BoxKind::Error);
        EXPECT_EQ(ui_.boxes()[1].text, QString::fromUtf8(row.error));
        EXPECT_EQ(d->focusWidget(), &medArquivo(*d));
    } else {
        EXPECT_EQ(ui_.boxes().size(), 1u);
    }
    EXPECT_FALSE(callMethods().contains(QStringLiteral("SetImporSaldoCons")));
    EXPECT_TRUE(fs::exists(site() / "lote1.txt"));
    EXPECT_FALSE(fs::exists(site() / "Importados"));
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->progress(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImportStops,
    ::testing::Values(StopRow{"AnsweredNo", "C:\\Credito\\Site\\lote1.txt", host::core::mrNo,
                              nullptr},
                      StopRow{"Empty", "", host::core::mrYes, "Arquivo deve ser informado."},
                      StopRow{"DefaultFolder", "C:\\Credito\\Site\\", host::core::mrYes,
                              "Arquivo deve ser informado."},
                      StopRow{"DefaultFolderOtherCase", "c:\\credito\\site\\", host::core::mrYes,
                              "Arquivo não encontrado."},
                      StopRow{"Missing", "C:\\Credito\\Site\\nada.txt", host::core::mrYes,
                              "Arquivo não encontrado."}),
    [](const ::testing::TestParamInfo<StopRow>& row) { return std::string(row.param.name); });

TEST_F(ImportDialog, CleanFileIsSentWholeArchivedAndClosed) {
    // LF line ends and no final one: the text goes with CR LF after every
    // line, converted to UTF-8, and longer than ARQUIVO's 5000 characters.
    std::string file = "TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRICAO;FAMILIAS";
    std::string sent = file + "\r\n";
    for (int i = 0; i < 100; ++i) {
        const std::string line = goodLine("CLEAN" + std::to_string(1000 + i));
        file += "\n" + line;
        sent += line + "\r\n";
    }
    ASSERT_GT(sent.size(), 5000u);
    sent = platform::cp1252ToUtf8(sent);
    c_.write("Credito/Site/lote1.txt", file);

    auto d = openDialog();
    std::vector<std::pair<int, QString>> seen;  // progress and caption at each repaint
    ui_.setOnRequest([&](const host::automation::RecordedRequest& r) {
        if (r.kind == host::automation::RecordedRequest::Kind::ProcessMessages)
            seen.emplace_back(d->progress(), d->statusCaption());
    });
    run(*d, QStringLiteral("C:\\Credito\\Site\\lote1.txt"), {host::core::mrYes, host::core::mrOk});
    ui_.setOnRequest(nullptr);

    const auto packets = sentPackets();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].rowCount(), 1u);
    EXPECT_EQ(arquivoOf(packets[0]), sent);
    ASSERT_EQ(ui_.boxes().size(), 2u);
    EXPECT_EQ(ui_.boxes()[1].kind, BoxKind::Confirmation);
    EXPECT_EQ(ui_.boxes()[1].buttons, host::core::mbOK);
    EXPECT_EQ(ui_.boxes()[1].text, kSuccess);
    EXPECT_EQ(seen, (std::vector<std::pair<int, QString>>{
                        {5, QStringLiteral("Importando dados...")}, {100, QString()}}));
    EXPECT_FALSE(fs::exists(site() / "lote1.txt"));
    EXPECT_EQ(c_.read("Credito/Site/Importados/lote1.txt"), file);
    EXPECT_TRUE(logs().empty());
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->progress(), 0);
}

TEST_F(ImportDialog, WarningsAreLoggedBeforeTheMessage) {
    c_.write("Credito/Site/lote2.txt", goodLine("WARN01") + "\r\n" + badLine("WARN02") + "\r\n");
    auto d = openDialog();
    bool loggedFirst = false;
    ui_.setOnBox([&](const host::automation::RecordedBox& b) {
        if (b.text == kWarnings)
            loggedFirst = logs().size() == 1 && fs::exists(site() / "Importados" / "lote2.txt");
    });
    run(*d, QStringLiteral("C:\\Credito\\Site\\lote2.txt"), {host::core::mrYes, host::core::mrOk});
    ui_.setOnBox(nullptr);

    EXPECT_EQ(boxTexts(), (QStringList{kQuestion, kWarnings}));
    EXPECT_TRUE(loggedFirst);
    ASSERT_EQ(dataSet(*d, "cdsResultado").recordCount(), 1u);
    const std::string warning = dataSet(*d, "cdsResultado").fieldByName("DSLINHA").asString();
    EXPECT_EQ(warning.rfind("Linha 2: data \"31/02/2026\"", 0), 0u) << warning;
    ASSERT_EQ(logs().size(), 1u);
    const std::string log = c_.read(fs::relative(logs()[0], c_.path()));
    EXPECT_NE(log.find("** Operador Importa\xE7\xE3o: teste\r\n"), std::string::npos);
    EXPECT_NE(log.find("\r\nLinha 2: data \"31/02/2026\" inv\xE1lida"), std::string::npos);
    EXPECT_FALSE(d->isVisible());
    EXPECT_TRUE(ui_.openedUrls().empty());
}

TEST_F(ImportDialog, WarningsMessageCountsThemAndItsButtonOpensTheLog) {
    c_.write("Credito/Site/lote_log.txt",
             badLine("OPEN01") + "\r\n" + goodLine("OPEN02") + "\r\n" + badLine("OPEN03") + "\r\n");
    auto d = openDialog();
    run(*d, QStringLiteral("C:\\Credito\\Site\\lote_log.txt"),
        {host::core::mrYes, host::core::mrOpen});

    ASSERT_EQ(logs().size(), 1u);
    ASSERT_EQ(ui_.boxes().size(), 2u);
    const host::automation::RecordedBox& closing = ui_.boxes()[1];
    EXPECT_EQ(closing.text, kWarnings);
    // The orders created, as the server told them, close it.
    EXPECT_EQ(closing.informativeText,
              QStringLiteral("Advertências gravadas no log: 2 (C:\\Credito\\Site\\Log_Lun\\%1). "
                             "Pedidos criados: 1.")
                  .arg(QString::fromStdString(logs()[0].filename().string())));
    EXPECT_EQ(closing.buttons, host::core::mbOK | host::core::mbOpen);
    // The faked viewer got the log's own file.
    ASSERT_EQ(ui_.openedUrls().size(), 1u);
    EXPECT_EQ(fs::path(ui_.openedUrls()[0].toLocalFile().toStdString()), logs()[0]);
    EXPECT_FALSE(d->isVisible());
}

TEST_F(ImportDialog, ServerErrorIsShownAndTheNextRunSendsOnlyItsFile) {
    c_.write("Credito/Site/lote3.txt", goodLine("ERR001") + "\r\n");
    c_.write("Credito/Site/lote4.txt", goodLine("ERR002") + "\r\n");
    auto d = openDialog();
    // An answer the server gives as an error: an unknown server object.
    netImportCons(*d).setServerName(QStringLiteral("Lun90000.rdmNaoExiste"));
    run(*d, QStringLiteral("C:\\Credito\\Site\\lote3.txt"), {host::core::mrYes, host::core::mrOk});

    ASSERT_EQ(ui_.boxes().size(), 2u);
    EXPECT_EQ(ui_.boxes()[1].kind, BoxKind::Error);
    EXPECT_TRUE(ui_.boxes()[1].text.contains(QStringLiteral("rdmNaoExiste")))
        << ui_.boxes()[1].text.toStdString();
    EXPECT_TRUE(fs::exists(site() / "lote3.txt"));
    EXPECT_TRUE(logs().empty());
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->progress(), 5);
    EXPECT_EQ(d->statusCaption(), QStringLiteral("Importando dados..."));

    netImportCons(*d).setServerName(QStringLiteral("Lun90000.rdmConfCredBanc"));
    ui_.clearRecords();
    run(*d, QStringLiteral("C:\\Credito\\Site\\lote4.txt"), {host::core::mrYes, host::core::mrOk});
    const auto packets = sentPackets();
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[1].rowCount(), 1u);
    EXPECT_EQ(arquivoOf(packets[1]), platform::cp1252ToUtf8(goodLine("ERR002") + "\r\n"));
    EXPECT_EQ(boxTexts(), (QStringList{kQuestion, kSuccess}));
    EXPECT_TRUE(fs::exists(site() / "lote3.txt"));
    EXPECT_FALSE(fs::exists(site() / "lote4.txt"));
}

TEST_F(ImportDialog, DeadServerLeavesFileAndDialog) {
    pointAtDeadServer();
    c_.write("Credito/Site/lote5.txt", goodLine("DEAD01") + "\r\n");
    auto d = openDialog();
    EXPECT_FALSE(netImportCons(*d).Connected());
    run(*d, QStringLiteral("C:\\Credito\\Site\\lote5.txt"), {host::core::mrYes, host::core::mrOk});
    ASSERT_EQ(ui_.boxes().size(), 2u);
    EXPECT_EQ(ui_.boxes()[1].kind, BoxKind::Error);
    EXPECT_TRUE(fs::exists(site() / "lote5.txt"));
    EXPECT_TRUE(d->isVisible());
}

struct ArchiveRow {
    const char* name;
    const char* file;  // under the drive folder of C: or E:
    bool onE;
    const char* path;     // as typed
    const char* already;  // a file already in Importados, or null
    const char* stays;    // the file is still here afterwards, or null (archived)
    const char* reason;   // in the report, or null (no report)
};

class ImportArchive : public ImportDialog, public ::testing::WithParamInterface<ArchiveRow> {};

TEST_P(ImportArchive, ReportedAfterTheClosingMessage) {
    const ArchiveRow& row = GetParam();
    const std::string content = goodLine(std::string("AR") + row.name) + "\r\n";
    (row.onE ? e_ : c_).write(row.file, content);
    if (row.already != nullptr)
        c_.write(row.already, "archived before");
    auto d = openDialog();
    run(*d, QString::fromUtf8(row.path),
        row.reason != nullptr
            ? std::vector<int>{host::core::mrYes, host::core::mrOk, host::core::mrOk}
            : std::vector<int>{host::core::mrYes, host::core::mrOk});

    ASSERT_GE(ui_.boxes().size(), 2u);
    EXPECT_EQ(ui_.boxes()[1].text, kSuccess);
    if (row.reason != nullptr) {
        ASSERT_EQ(ui_.boxes().size(), 3u);
        EXPECT_EQ(ui_.boxes()[2].kind, BoxKind::Warning);
        EXPECT_TRUE(ui_.boxes()[2].text.contains(QString::fromUtf8(row.path)));
        EXPECT_TRUE(ui_.boxes()[2].text.contains(QString::fromUtf8(row.reason)))
            << ui_.boxes()[2].text.toStdString();
        EXPECT_EQ((row.onE ? e_ : c_).read(row.stays), content);
    } else {
        EXPECT_EQ(ui_.boxes().size(), 2u);
        EXPECT_FALSE(fs::exists((row.onE ? e_ : c_).path() / row.file));
        EXPECT_TRUE(fs::exists(site() / "Importados" / fs::path(row.file).filename()));
    }
    if (row.already != nullptr) {
        EXPECT_EQ(c_.read(row.already), "archived before");
    }
    EXPECT_FALSE(d->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImportArchive,
    ::testing::Values(ArchiveRow{"SameNameArchived", "Credito/Site/lote6.txt", false,
                                 "C:\\Credito\\Site\\lote6.txt",
                                 "Credito/Site/Importados/lote6.txt", "Credito/Site/lote6.txt",
                                 "já existe o arquivo C:\\Credito\\Site\\Importados\\lote6.txt"},
                      ArchiveRow{"SubFolderMissing", "Credito/Site/Dez/lote7.txt", false,
                                 "C:\\Credito\\Site\\Dez\\lote7.txt", nullptr,
                                 "Credito/Site/Dez/lote7.txt",
                                 "a pasta C:\\Credito\\Site\\Importados\\Dez não existe."},
                      ArchiveRow{"OtherDriveByName", "Lotes/lote8.txt", true,
                                 "E:\\Lotes\\lote8.txt", nullptr, nullptr, nullptr}),
    [](const ::testing::TestParamInfo<ArchiveRow>& row) { return std::string(row.param.name); });

TEST_F(ImportDialog, UnwritableLogStillShowsTheWarnings) {
    c_.write("Credito/Site/Log_Lun", "a file where the log folder should be");
    c_.write("Credito/Site/lote9.txt", badLine("LOGF01") + "\r\n");
    auto d = openDialog();
    run(*d, QStringLiteral("C:\\Credito\\Site\\lote9.txt"), {host::core::mrYes, host::core::mrOk});

    ASSERT_EQ(ui_.boxes().size(), 2u);
    const QString text = ui_.boxes()[1].text;
    EXPECT_EQ(ui_.boxes()[1].kind, BoxKind::Warning);
    EXPECT_TRUE(
        text.startsWith(QStringLiteral("Importação realizada com advertências, mas o "
                                       "arquivo de log não pôde ser gravado")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("a pasta não existe"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nLinha 1: data \"31/02/2026\" inválida")))
        << text.toStdString();
    EXPECT_TRUE(fs::exists(site() / "Importados" / "lote9.txt"));
    EXPECT_FALSE(d->isVisible());
}

TEST_F(ImportDialog, EmptyFileIsSentAsEmptyText) {
    c_.write("Credito/Site/vazio.txt", "");
    auto d = openDialog();
    run(*d, QStringLiteral("C:\\Credito\\Site\\vazio.txt"), {host::core::mrYes, host::core::mrOk});
    const auto packets = sentPackets();
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(arquivoOf(packets[0]), "");
    EXPECT_EQ(boxTexts(), (QStringList{kQuestion, kSuccess}));
}

// The operator presses "Importar" again, by mouse or by key, while the
// server is slow to answer. The wait lets no input through; the run hands it
// over when it next lets messages run (after the answer), and the run going
// on must not start another: one call, one archive, one log with its own
// warnings.
TEST_F(ImportDialog, SecondPressDuringARunStartsNoOtherRun) {
    struct Row {
        const char* name;
        bool key;
    };
    for (const Row& r : {Row{"mouse", false}, Row{"key", true}}) {
        SCOPED_TRACE(r.name);
        std::atomic<int> answered{0};
        FakeServer slow([&answered](int fd, const Received& request) {
            if (request.path.find("SetImporSaldoCons") == std::string::npos)
                return false;
            const std::string n = std::to_string(++answered);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            reply(fd, 200,
                  R"({"result": {"fields": [{"name": "DSLINHA", "type": "string", "size": 250}],)"
                  R"( "rows": [["aviso da chamada )" +
                      n + R"("]]}})");
            return true;
        });
        host::core::WebPort = slow.port();
        fs::remove_all(site() / "Log_Lun");
        ui_.clearRecords();
        const std::string file = std::string("dupla_") + r.name + ".txt";
        c_.write("Credito/Site/" + file, goodLine("TWICE1") + "\r\n");
        auto d = openDialog();
        ui_.setBoxFallback([](const host::automation::RecordedBox& box) -> std::optional<int> {
            return box.buttons == (host::core::mbYes | host::core::mbNo) ? host::core::mrYes
                                                                         : host::core::mrOk;
        });
        int letThrough = 0;
        ui_.setOnRequest([&](const host::automation::RecordedRequest& request) {
            if (request.kind != host::automation::RecordedRequest::Kind::ProcessMessages ||
                ++letThrough != 2)
                return;
            QWidget* button =
                &testing::component<host::widgets::TButtonFlat>(*d, "sbtImportExport");
            if (r.key) {
                QCoreApplication::postEvent(
                    button, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "));
                QCoreApplication::postEvent(
                    button, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " "));
            } else {
                const QPointF at = QRectF(button->rect()).center();
                const QPointF global = button->mapToGlobal(at);
                QCoreApplication::postEvent(
                    button, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                            Qt::LeftButton, Qt::NoModifier));
                QCoreApplication::postEvent(
                    button, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                            Qt::NoButton, Qt::NoModifier));
            }
        });
        medArquivo(*d).setText(QString::fromStdString("C:\\Credito\\Site\\" + file));
        testing::component<host::widgets::TButtonFlat>(*d, "sbtImportExport").click();
        ui_.setOnRequest(nullptr);
        ui_.setBoxFallback(nullptr);

        EXPECT_GE(letThrough, 2) << "the run let no messages through after the answer";
        EXPECT_EQ(answered, 1);
        EXPECT_EQ(boxTexts(), (QStringList{kQuestion, kWarnings}));
        EXPECT_FALSE(fs::exists(site() / file));
        EXPECT_TRUE(fs::exists(site() / "Importados" / file));
        EXPECT_EQ(logs().size(), 1u);
        for (const fs::path& path : logs()) {
            const std::string log = c_.read(fs::relative(path, c_.path()));
            EXPECT_NE(log.find("\r\naviso da chamada 1\r\n"), std::string::npos) << log;
            EXPECT_EQ(log.find("chamada 2"), std::string::npos) << log;
        }
        EXPECT_FALSE(d->isVisible());
        EXPECT_EQ(host::widgets::busyDepth(), 0);
    }
}

TEST_F(ImportDialog, CriaImportConsMakesANewInstanceForEachShowing) {
    c_.write("Credito/Site/loteA.txt", goodLine("LIFE01") + "\r\n");
    bool createdWhileShown = false;
    ui_.queueModal([&](QDialog& dialog) {
        auto& d = dynamic_cast<TfrmImporCons&>(dialog);
        createdWhileShown = package::Cli_Lun90002::boIdCriado && package::frmImporCons == &d;
        for (int a : {host::core::mrYes, host::core::mrOk})
            ui_.queueBoxAnswer(a);
        medArquivo(d).setText(QStringLiteral("C:\\Credito\\Site\\loteA.txt"));
        testing::component<host::widgets::TButtonFlat>(d, "sbtImportExport").click();
    });
    package::CriaImportCons();
    processEvents();
    EXPECT_TRUE(createdWhileShown);
    EXPECT_FALSE(package::Cli_Lun90002::boIdCriado);
    EXPECT_TRUE(package::frmImporCons.isNull());
    EXPECT_EQ(ui_.screenCursor(), host::core::crDefault);

    // The next showing is a fresh dialog with its default path; closing it
    // without a run also ends the instance.
    QString shownPath;
    ui_.queueModal([&](QDialog& dialog) {
        shownPath = medArquivo(dialog).text();
        dialog.reject();
    });
    package::CriaImportCons();
    processEvents();
    EXPECT_EQ(shownPath, QStringLiteral("C:\\Credito\\Site\\"));
    EXPECT_FALSE(package::Cli_Lun90002::boIdCriado);
    EXPECT_TRUE(package::frmImporCons.isNull());
}

}  // namespace
}  // namespace confcred::testing
