// A grid's data as a report or an export sees it: the shown columns in the
// grid's order with their titles and alignments, and every row of the record
// set's present view (filter and ordering applied) as display texts. A tick
// column may be named: it shows "X" for a ticked row and blank otherwise,
// under a title of words instead of the grid's picture.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "dataset/field_def.h"

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::host::widgets {
class TDBGrid;
}

namespace confcred::host::print {

// What a printout or an export says beside the grid's rows.
struct GridReport {
    QString title;
    // The screen's filter in words; empty prints no filter line.
    QString filter;
    // The operator signed in; empty prints no operator line.
    QString operatorName;
    // When it was made, as printed ("07/12/2026 14:02").
    QString madeAt;
    // The lines printed after the last row; empty prints the record count.
    QStringList totals;
    // The tick column: its field, and the stored value that means ticked.
    QString tickField;
    QString tickedValue;
    // A picture (a chart) printed on a page of its own after the rows.
    QImage picture{};
};

// The report of a plain screen: its title, the host's operator, the time by
// the platform clock; no filter, the record count as its total.
GridReport basicReport(const QString& title);

class GridTable {
  public:
    struct Column {
        QString title;
        bool alignRight = false;
        bool tick = false;
        // A text field (digits in it are kept as text by the CSV export).
        bool text = false;
        size_t field = 0;
        bool bound = false;  // false: the set lacks the field; cells are empty
    };

    GridTable(const widgets::TDBGrid& grid, const GridReport& report);

    const std::vector<Column>& columns() const { return columns_; }
    size_t rowCount() const { return rows_; }
    // The display text of a cell (view row, report column).
    std::string text(size_t row, size_t column) const;
    QString qtext(size_t row, size_t column) const;

  private:
    const dataset::RecordSet* set_ = nullptr;
    std::vector<Column> columns_;
    size_t rows_ = 0;
    std::string ticked_;
};

}  // namespace confcred::host::print
