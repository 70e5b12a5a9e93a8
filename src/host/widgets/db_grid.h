// The data-aware grid (TDBGrid): a read-only table over a data source with a
// column list bound to fields by name. It follows the record set's current
// record both ways: clicking a row moves the cursor, moving the cursor
// elsewhere moves the grid. While the source is switched off the grid shows
// nothing and re-attaches when it comes back. Its events are the hooks
// below; a screen connects its handlers to them with onEvent (dispatch.h),
// which puts the dispatch point in between.
#pragma once

#include <QFont>
#include <QTableView>
#include <functional>
#include <optional>
#include <vector>

#include "dataset/data_source.h"
#include "host/widgets/record_set_model.h"

class QPainter;

namespace confcred::host::widgets {

struct GridColumn {
    QString fieldName{};
    QString title{};      // empty: the field's display label
    int width = -1;       // pixels; -1: from widthChars
    int widthChars = -1;  // characters; -1: the field's display width
    std::optional<QFont> titleFont{};
    bool visible = true;
};

// What OnDrawColumnCell receives after the grid has painted a data cell.
struct DrawColumnCellArgs {
    QPainter& painter;
    QRect rect;
    int row = -1;                     // position in the record set's view
    int column = -1;                  // grid column
    dataset::Field* field = nullptr;  // the column's field, or null
    bool selected = false;            // drawn highlighted
    bool focused = false;             // the current cell of a focused grid
    QBrush background;                // what the grid filled this cell with
    const dataset::RecordSet* recordSet = nullptr;

    // Stored value, as text, of a field of the row painted (the cursor does not
    // move); empty for a field the set lacks.
    QString fieldText(const QString& fieldName) const;
};

class TDBGrid : public QTableView {
    Q_OBJECT

  public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    void setDataSource(dataset::DataSource* source);
    dataset::DataSource* dataSource() const { return model_->dataSource(); }
    // The record set shown, null while detached.
    dataset::RecordSet* recordSet() const { return model_->recordSet(); }

    // The column list; empty shows every visible field with its own label.
    void setColumns(std::vector<GridColumn> columns);
    const std::vector<GridColumn>& columns() const { return columns_; }
    int columnOfField(const QString& fieldName) const;  // -1 when none
    QString fieldNameAt(int column) const;
    dataset::Field* fieldAt(int column) const { return model_->fieldAt(column); }
    // Width in pixels a column gets from its settings (before any resizing).
    int defaultColumnWidth(int column) const;

    RecordSetModel& recordModel() const { return *model_; }

    // Events (connect with onEvent). OnKeyDown may set the key to 0 to
    // swallow it.
    std::function<void(int column)> OnTitleClick;
    std::function<void(int column)> OnCellClick;
    std::function<void(int& key, Qt::KeyboardModifiers shift)> OnKeyDown;
    std::function<void(DrawColumnCellArgs& args)> OnDrawColumnCell;

    // Typing does not jump to a matching row: letters and the space key belong
    // to the screen's key handler, as in the classic grid.
    void keyboardSearch(const QString& search) override { (void)search; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

  private:
    class CellDelegate;
    friend class CellDelegate;

    void applyColumns();
    void applyWidths();
    void followRecord(int row);
    void drawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index);

    RecordSetModel* model_;
    std::vector<GridColumn> columns_;
    std::vector<int> widths_;  // per column: the width in force (user resizing kept)
    dataset::RecordSet* widthsFor_ = nullptr;
    bool applying_ = false;
    bool following_ = false;
};

}  // namespace confcred::host::widgets
