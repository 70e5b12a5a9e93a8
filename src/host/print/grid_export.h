// Exporting a grid's current data to a file the operator chooses: CSV for a
// spreadsheet (platform/csv.h: ";" between fields, UTF-8 with a byte-order
// mark, values as the grid shows them, digit-only texts such as order numbers
// kept as text) or the printed report as PDF. A file is written beside its
// name and renamed over it only once complete, so a failure never leaves a
// half-written file under the chosen name.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <stdexcept>
#include <string>

#include "host/print/grid_printer.h"
#include "host/print/grid_table.h"

class QIODevice;
class QWidget;

namespace confcred::host::widgets {
class TDBGrid;
}

namespace confcred::host::print {

// A file that could not be written; what() is the operator's message.
class ExportError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The CSV text: a title row, then one row per record in the view's order.
std::string gridCsv(const GridTable& table);

// Writes through `write` into a temporary file beside the Windows path
// `target`, then renames it to `target`. Throws ExportError.
void saveFileAtomically(const QString& target, const std::function<bool(QIODevice&)>& write);

void exportGridCsv(const widgets::TDBGrid& grid, const GridReport& report, const QString& target);
void exportGridPdf(const widgets::TDBGrid& grid, const GridReport& report, const QString& target,
                   const ReportProgress& progress = {});

enum class ExportFormat { Csv, Pdf };

// Asks for the file through the UI service's save chooser and writes it; an
// error is told in a box. False when cancelled or not written.
bool exportGrid(const widgets::TDBGrid& grid, const GridReport& report, ExportFormat format,
                QWidget* parent);

}  // namespace confcred::host::print
