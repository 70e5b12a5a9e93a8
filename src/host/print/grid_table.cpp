#include "host/print/grid_table.h"

#include "dataset/column.h"
#include "dataset/record_set.h"
#include "host/core/application.h"
#include "host/widgets/db_grid.h"
#include "platform/clock.h"
#include "platform/regional.h"

namespace confcred::host::print {

GridReport basicReport(const QString& title) {
    GridReport report;
    report.title = title;
    report.operatorName = core::Operador;
    const std::string stamp = platform::formatDateTime(platform::now());
    // Printed to the minute.
    report.madeAt = QString::fromStdString(stamp.substr(0, stamp.rfind(':')));
    return report;
}

GridTable::GridTable(const widgets::TDBGrid& grid, const GridReport& report)
    : ticked_(report.tickedValue.toStdString()) {
    const widgets::RecordSetModel& model = grid.recordModel();
    set_ = grid.recordSet();
    rows_ = set_ != nullptr ? static_cast<size_t>(model.rowCount()) : 0;
    for (int c = 0; c < model.columnCount(); ++c) {
        if (grid.isColumnHidden(c))
            continue;
        Column column;
        column.title = model.headerData(c, Qt::Horizontal).toString();
        if (const dataset::Field* field = grid.fieldAt(c)) {
            column.bound = true;
            column.field = field->index();
            const dataset::FieldType type = field->type();
            column.alignRight =
                type == dataset::FieldType::Double || type == dataset::FieldType::Integer;
            column.text = type == dataset::FieldType::String ||
                          type == dataset::FieldType::FixedString ||
                          type == dataset::FieldType::Memo;
        }
        if (!report.tickField.isEmpty() && grid.fieldNameAt(c) == report.tickField) {
            column.tick = true;
            column.text = false;
            column.title = QStringLiteral("Marc.");
        }
        columns_.push_back(std::move(column));
    }
}

std::string GridTable::text(size_t row, size_t column) const {
    const Column& c = columns_[column];
    if (!c.bound || set_ == nullptr)
        return {};
    if (c.tick) {
        const dataset::Column& data = set_->column(c.field);
        const size_t stored = set_->storageRowAt(row);
        return !data.isNull(stored) && data.textAt(stored) == ticked_ ? "X" : "";
    }
    try {
        return set_->displayTextAt(row, c.field);
    } catch (const std::exception& e) {
        // As the grid shows a failing display text.
        return std::string("#") + e.what();
    }
}

QString GridTable::qtext(size_t row, size_t column) const {
    return QString::fromStdString(text(row, column));
}

}  // namespace confcred::host::print
