// Printing a grid's current data: its shown columns with their titles and
// the rows in the record set's present order, as a plain report with a title
// line, the date and page numbers. Through the print preview on screen; to a
// PDF printer in tests.
#pragma once

#include <QString>

class QPrinter;
class QWidget;

namespace confcred::host {

class TDBGrid;

// Lays the grid's data out on the printer's pages; returns the page count.
int renderGrid(const TDBGrid& grid, const QString& title, QPrinter& printer);

// Opens the print preview of the grid's data (from which the operator prints
// or saves a PDF).
void previewGrid(TDBGrid& grid, const QString& title, QWidget* parent);

}  // namespace confcred::host
