// Benchmark of the import dialog: a 50 MB credit/debit file (500,000 lines,
// one in a hundred refused) imported end to end through TfrmImporCons, from
// the question answered to the dialog closed (reading the file, sending it,
// the server's import, archiving, the warning log), against the server's own
// import time for the same text posted straight to it. Each measurement runs
// on a new database, so every run imports the same orders into the same state.
// - import.end_to_end_vs_server: the dialog's time over the bare call's, the
//   median of the ratios of runs made back to back.
// The window must keep repainting while the server works: the longest gap
// between paints of the dialog's window is printed with the figure.

// Boost 1.74's Asio uses std::exchange without including <utility> itself.
#include <utility>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "dataset/data_packet.h"
#include "dataset/packet_codec.h"
#include "dataset/records.h"
#include "harness.h"
#include "host/automation/scripted_ui_service.h"
#include "host/core/application.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/named_data_set.h"
#include "package/import/frm_impor_cons.h"
#include "platform/cp1252.h"
#include "platform/files.h"
#include "platform/win_path.h"
#include "support/server_process.h"
#include "support/temp_dir.h"

using namespace confcred;
using namespace confcred::bench;
namespace fs = std::filesystem;

namespace {

constexpr int kLines = 500'000;
constexpr int kRefusedEvery = 100;
constexpr int kRuns = 3;

std::string twoDigits(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

// The file as it lies on disk (Windows-1252, CR LF): about 100 bytes a line.
std::string makeFile() {
    std::string text = "TIPO;CLIENTE;CONSUMIDOR;BOLETO;DATA;DESCRI\xC7\xC3O;FAM\xCDLIAS\r\n";
    text.reserve(static_cast<size_t>(kLines) * 104);
    for (int i = 1; i < kLines; ++i) {
        const int client = 1 + i % 6;
        const int consumer = (client - 1) * 7 + 1 + (i / 6) % 7;
        char consumerCode[16];
        std::snprintf(consumerCode, sizeof consumerCode, "CONS%04d", consumer);
        // Every hundredth line has an impossible date: a warning for the log.
        const std::string day = i % kRefusedEvery == 0 ? "31/02" : twoDigits(1 + i % 28) + "/11";
        text += (i % 9 == 0 ? "D;CLI00" : "C;CLI00") + std::to_string(client) + ";" + consumerCode +
                ";" + std::to_string(700'000'000 + i) + ";" + day + "/2026 " + twoDigits(i % 24) +
                ":" + twoDigits(i % 60) + ":00;Cr\xE9" +
                "dito mensal da cantina escolar;ALI=" + std::to_string(1 + i % 500) + "," +
                twoDigits(i % 100) + ";BEB=" + std::to_string(1 + i % 90) + ",50\r\n";
    }
    return text;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Paints of any widget while a run goes: the longest wait between two.
class PaintWatch : public QObject {
  public:
    void start() {
        clock_.start();
        last_ = 0;
        longest_ = 0;
        count_ = 0;
        on_ = true;
    }
    void stop() {
        longest_ = std::max(longest_, clock_.elapsed() - last_);
        on_ = false;
    }
    qint64 longestMs() const { return longest_; }
    int count() const { return count_; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (on_ && event->type() == QEvent::Paint) {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
            ++count_;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QElapsedTimer clock_;
    qint64 last_ = 0, longest_ = 0;
    int count_ = 0;
    bool on_ = false;
};

struct DialogRun {
    double seconds = 0;
    size_t warnings = 0;
    bool archived = false;
    std::string logBytes;
};

// One import through the dialog, on a fresh server and a fresh drive C:.
DialogRun runDialog(const std::string& file, QMainWindow& main, PaintWatch& paints) {
    testing::ServerProcess server;
    testing::TempDir c;
    platform::DriveMap drives;
    drives.map('C', c.path());
    platform::ScopedDriveMap scopedDrives(drives);
    c.write("Credito/Site/lote.txt", file);
    host::core::WebURL = QStringLiteral("127.0.0.1");
    host::core::WebPort = server.port();

    host::automation::ScriptedUiService ui;
    host::automation::ScopedUi scopedUi(ui);
    std::chrono::steady_clock::time_point answered;
    ui.setOnBox([&](const host::automation::RecordedBox& box) {
        if (box.text == QStringLiteral("Confirma operação?")) {
            answered = std::chrono::steady_clock::now();
            paints.start();
        }
    });
    ui.queueBoxAnswer(host::core::mrYes);
    ui.queueBoxAnswer(host::core::mrOk);

    std::unique_ptr<package::TfrmImporCons> dialog(
        host::forms::createForm<package::TfrmImporCons>(&main));
    dialog->show();
    QApplication::processEvents();
    dialog->findChild<QLineEdit*>(QStringLiteral("medArquivo"))
        ->setText(QStringLiteral("C:\\Credito\\Site\\lote.txt"));
    dialog->findChild<host::widgets::TButtonFlat*>(QStringLiteral("sbtImportExport"))->click();
    DialogRun run;
    run.seconds = secondsSince(answered);
    paints.stop();

    if (dialog->isVisible() || ui.boxes().size() != 2)
        throw std::runtime_error(
            "the import did not complete: " +
            (ui.boxes().empty() ? std::string("no box") : ui.boxes().back().text.toStdString()));
    run.warnings =
        host::widgets::findDataSet(dialog.get(), QStringLiteral("cdsResultado"))->recordCount();
    run.archived = platform::fileExists("C:\\Credito\\Site\\Importados\\lote.txt");
    for (const auto& entry : fs::directory_iterator(c.path() / "Credito" / "Site" / "Log_Lun"))
        run.logBytes += c.read(fs::relative(entry.path(), c.path()));
    return run;
}

// The same text posted straight to a fresh server, as the dialog sends it.
double runServer(const std::string& body, size_t& warnings) {
    testing::ServerProcess server;
    testing::HttpClient client("127.0.0.1", server.port(), std::chrono::minutes(10));
    const auto start = std::chrono::steady_clock::now();
    const testing::HttpReply reply =
        client.request("POST", "/Lun90000.rdmConfCredBanc/SetImporSaldoCons", body,
                       {{"Content-Type", "application/json"}});
    const double seconds = secondsSince(start);
    if (reply.status != 200)
        throw std::runtime_error("the server refused the import: " + reply.body.substr(0, 300));
    // {"result": packet}: the rows the dialog lists, the closing count of
    // the warnings past the first thousand included.
    const size_t open = reply.body.find('{', reply.body.find("\"result\""));
    const size_t close = reply.body.rfind('}');
    if (open == std::string::npos || close == std::string::npos || close <= open)
        throw std::runtime_error("the server's answer holds no result");
    warnings =
        dataset::decodePacket(std::string_view(reply.body).substr(open, close - open)).rowCount();
    return seconds;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QMainWindow main;
    main.resize(1024, 768);
    main.show();
    host::core::application().setMainWindow(&main);
    host::core::Operador = QStringLiteral("bench");
    PaintWatch paints;
    app.installEventFilter(&paints);

    const std::string file = makeFile();
    note("import file: " + std::to_string(kLines) + " lines, " +
         std::to_string(file.size() / (1024 * 1024)) + " MiB");

    // The server's text, built as the dialog builds it (the lines ended by CR
    // LF, converted to UTF-8), then sent as one call.
    dataset::DataPacket sent(dataset::records::fieldDefs(dataset::records::kImport));
    sent.column(static_cast<size_t>(sent.fieldIndex("ARQUIVO")))
        .appendText(platform::cp1252ToUtf8(file));
    const std::string body = "{\"args\":[" + dataset::encodePacket(sent) + "]}";
    sent = dataset::DataPacket();

    std::vector<double> dialogTimes, serverTimes;
    qint64 longestGap = 0;
    int paintCount = 0;
    DialogRun last;
    size_t serverWarnings = 0;
    for (int i = 0; i < kRuns; ++i) {
        // Alternated, so that a change of load on the machine touches both.
        last = runDialog(file, main, paints);
        dialogTimes.push_back(last.seconds);
        longestGap = std::max(longestGap, paints.longestMs());
        paintCount += paints.count();
        serverTimes.push_back(runServer(body, serverWarnings));
        std::printf("#   run %d: dialog %.3f s, server %.3f s\n", i + 1, dialogTimes.back(),
                    serverTimes.back());
    }
    // The work measured must be the whole import on both sides.
    if (last.warnings != serverWarnings || !last.archived || last.logBytes.empty())
        throw std::runtime_error("the dialog's import differs from the server's");
    note("warnings: " + std::to_string(last.warnings) + " (log of " +
         std::to_string(last.logBytes.size() / 1024) + " KiB); longest wait between repaints " +
         std::to_string(longestGap) + " ms over " + std::to_string(paintCount / kRuns) +
         " paints a run");
    // Each dialog run is set against the server run right after it, which met
    // the same load on the machine; the median of those ratios is the figure.
    std::vector<double> ratios;
    for (size_t i = 0; i < dialogTimes.size(); ++i)
        ratios.push_back(dialogTimes[i] / serverTimes[i]);
    note("dialog median " + ms(median(dialogTimes)) + ", server median " + ms(median(serverTimes)));
    figure("import.end_to_end_vs_server", median(ratios));
    host::core::application().setMainWindow(nullptr);
    return 0;
}
