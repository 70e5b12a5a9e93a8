// Printing a grid's current data: its shown columns with their titles and
// the rows in the record set's present order, as a report a person can file.
// Every page carries the screen's title, the operator, the date and time, the
// filter in words when the screen has one, the column titles and "Página N de
// M"; the totals close the last page. No value is cut: columns are as wide as
// their longest value and title; when they do not fit the page the type
// shrinks down to a floor, and past it the widest columns wrap their cells
// onto more lines. Through the print preview on screen; to a PDF writer for
// the export and in tests.
#pragma once

#include <QString>
#include <functional>

#include "host/print/grid_table.h"

class QPagedPaintDevice;
class QPrinter;
class QWidget;

namespace confcred::host::widgets {
class TDBGrid;
}

namespace confcred::host::print {

// Told now and then how far a long layout has come, in a line for the
// operator ("Página 12 de 345").
using ReportProgress = std::function<void(const QString& line)>;

// Lays the report of the grid's data out on the device's pages; returns the
// page count (0 when the device cannot be painted on).
int renderReport(const widgets::TDBGrid& grid, const GridReport& report, QPagedPaintDevice& device,
                 const ReportProgress& progress = {});

// The report of a plain screen (basicReport) on the printer's pages.
int renderGrid(const widgets::TDBGrid& grid, const QString& title, QPrinter& printer);

// Opens the print preview of the report (from which the operator prints or
// saves a PDF).
void previewReport(widgets::TDBGrid& grid, const GridReport& report, QWidget* parent);
void previewGrid(widgets::TDBGrid& grid, const QString& title, QWidget* parent);

}  // namespace confcred::host::print
