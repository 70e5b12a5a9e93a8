#include "host/print/grid_export.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QWidget>

#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/print/grid_printer.h"
#include "host/widgets/busy_indicator.h"
#include "host/widgets/db_grid.h"
#include "platform/csv.h"
#include "platform/regional.h"
#include "platform/win_path.h"

namespace confcred::host::print {

std::string gridCsv(const GridTable& table) {
    std::string out(platform::kCsvBom);
    const auto& columns = table.columns();
    for (size_t c = 0; c < columns.size(); ++c)
        out += (c ? ";" : "") + platform::csvField(columns[c].title.toStdString());
    out += "\r\n";
    for (size_t row = 0; row < table.rowCount(); ++row) {
        for (size_t c = 0; c < columns.size(); ++c) {
            std::string text = table.text(row, c);
            out += c ? ";" : "";
            out += columns[c].text ? platform::csvTextField(std::move(text))
                                   : platform::csvField(std::move(text));
        }
        out += "\r\n";
    }
    return out;
}

void saveFileAtomically(const QString& target, const std::function<bool(QIODevice&)>& write) {
    QString path;
    try {
        path = QString::fromStdString(platform::resolvePath(target.toStdString()).string());
    } catch (const platform::PathError& e) {
        throw ExportError(
            QCoreApplication::translate(
                "confcred_host", "Não foi possível gravar o arquivo %1: caminho inválido (%2).")
                .arg(target, QString::fromUtf8(e.what()))
                .toStdString());
    }
    QSaveFile file(path);
    auto fail = [&target](const QString& why) {
        return ExportError(QStringLiteral("Não foi possível gravar o arquivo %1: %2. Verifique a "
                                          "pasta e o espaço livre e tente novamente.")
                               .arg(target, why)
                               .toStdString());
    };
    if (!file.open(QIODevice::WriteOnly))
        throw fail(file.errorString());
    if (!write(file)) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw fail(why);
    }
    // Until commit the data sit in a temporary file beside the name.
    if (!file.commit())
        throw fail(file.errorString());
}

void exportGridCsv(const widgets::TDBGrid& grid, const GridReport& report, const QString& target) {
    const std::string csv = gridCsv(GridTable(grid, report));
    saveFileAtomically(target, [&csv](QIODevice& file) {
        return file.write(csv.data(), static_cast<qint64>(csv.size())) ==
               static_cast<qint64>(csv.size());
    });
}

void exportGridPdf(const widgets::TDBGrid& grid, const GridReport& report, const QString& target,
                   const ReportProgress& progress) {
    saveFileAtomically(target, [&](QIODevice& file) {
        QPdfWriter pdf(&file);
        pdf.setTitle(report.title);
        pdf.setCreator(QStringLiteral("confcred"));
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
        return renderReport(grid, report, pdf, progress) > 0;
    });
}

namespace {

// How often a long export tells its progress and lets the windows repaint.
constexpr qint64 kProgressEveryMs = 100;

// The report's title as a file name: without the characters Windows forbids.
QString suggestedName(const QString& title, const char* extension) {
    QString name = title;
    name.remove(QRegularExpression(QStringLiteral(R"([\\/:*?"<>|])")));
    if (name.trimmed().isEmpty())
        name = QStringLiteral("relatorio");
    return name.trimmed() + QLatin1Char('.') + QLatin1String(extension);
}

}  // namespace

bool exportGrid(const widgets::TDBGrid& grid, const GridReport& report, ExportFormat format,
                QWidget* parent) {
    const bool csv = format == ExportFormat::Csv;
    core::FileRequest request;
    request.title = csv ? QCoreApplication::translate("confcred_host", "Exportar CSV")
                        : QCoreApplication::translate("confcred_host", "Exportar PDF");
    request.filter =
        csv ? QCoreApplication::translate("confcred_host",
                                          "Arquivo CSV (separado por ponto e vírgula)|*.csv|Todos "
                                          "os arquivos|*.*")
            : QCoreApplication::translate("confcred_host",
                                          "Documento PDF|*.pdf|Todos os arquivos|*.*");
    request.initialDir = QStringLiteral("C:\\");
    request.fileName = suggestedName(report.title, csv ? "csv" : "pdf");
    request.parent = parent;
    const std::optional<QString> target = core::ui().chooseSaveFile(request);
    if (!target)
        return false;
    // A list of many thousand rows takes a while to lay out: the hourglass
    // and the busy animation say so until the file is written (and are gone
    // before any error box). A PDF's pages are counted under the animation,
    // and the windows repaint between them; the operator's clicks and keys
    // wait, so that nothing starts twice.
    try {
        core::ui().setScreenCursor(core::crHourGlass);
        core::ScopeGuard cursor([] { core::ui().setScreenCursor(core::crDefault); });
        widgets::ActiveShowAvi(parent ? parent->window() : nullptr, widgets::busyProcessing);
        core::ScopeGuard busy([] { widgets::DeactiveShowAvi(); });
        if (csv) {
            exportGridCsv(grid, report, *target);
        } else {
            QElapsedTimer shown;
            shown.start();
            exportGridPdf(grid, report, *target, [&shown](const QString& line) {
                if (shown.elapsed() < kProgressEveryMs)
                    return;
                shown.restart();
                widgets::SetShowAviProgress(line);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
        }
    } catch (const ExportError& e) {
        core::BoxRequest box;
        box.kind = core::BoxKind::Error;
        box.caption = core::application().title();
        box.text = QString::fromUtf8(e.what());
        box.parent = parent;
        core::ui().showBox(box);
        return false;
    }
    // Said once written, with how much and where.
    const auto rows = static_cast<uint64_t>(grid.model() != nullptr ? grid.model()->rowCount() : 0);
    core::application().showStatus(
        QCoreApplication::translate("confcred_host", "Exportação concluída: %1 registro(s) em %2.")
            .arg(QString::fromStdString(platform::formatCount(rows)), *target));
    return true;
}

}  // namespace confcred::host::print
