#pragma once
// Private state of a RecordSet, shared by its source files (record_set.cpp,
// record_edit.cpp, field.cpp). Not for use outside src/dataset.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "dataset/equality_index.h"
#include "dataset/filter_expr.h"
#include "dataset/observer_list.h"
#include "dataset/record_set.h"
#include "dataset/row_order.h"

namespace confcred::dataset {

struct RecordSet::Impl {
    explicit Impl(RecordSet& owner) : self(owner) {}

    RecordSet& self;

    // Content: one column per declared field, `rows` storage rows.
    std::vector<Column> columns;
    size_t rows = 0;
    uint64_t generation = 0;  // bumped by every load, create and close
    RowOrder order;
    FilterExpr filter;  // parsed filter text (empty while no fields are declared)
    // The view: the whole ordering, or the rows that pass the filter, by rank.
    bool viewFull = true;
    std::vector<uint32_t> viewRows;
    std::vector<std::unique_ptr<EqualityIndex>> indexes;  // per field; built on first use
    size_t pos = 0;                                       // current position in the view

    // Edit / insert buffer: one row per field, values of the column's type.
    std::vector<Column> buffer;
    uint32_t editRow = 0;
    size_t insertPos = 0;                      // view position the new record shows at
    uint32_t insertBefore = RowOrder::kNoRow;  // natural place: before this row
    size_t posBeforeInsert = 0;

    // Row a grid is painting: fields read it instead of the current record.
    const std::vector<Column>* rowContext = nullptr;
    size_t rowContextRow = 0;

    std::function<void(RecordSet&)> afterScroll;
    std::function<void(RecordSet&)> onStateChange;
    ObserverList<RecordSetObserver> observers;
    RecordSetStats stats;

    // View.
    size_t viewCount() const { return viewFull ? rows : viewRows.size(); }
    uint32_t viewRow(size_t p) const { return viewFull ? order.rowAt(p) : viewRows[p]; }
    std::optional<size_t> viewPosOf(uint32_t row) const;
    void rebuildView();
    void insertIntoView(uint32_t row);  // explicit view; returns nothing, see pos
    size_t explicitPosFor(uint32_t row) const;
    EqualityIndex& indexFor(size_t field);

    // Events.
    void setState(DataSetState s);
    void notify(RecordSetEvent e);
    void scrolled();

    // Cursor helpers.
    void requireActive() const;
    void checkBrowseMode();  // posts a pending edit or insert
    void placeAfterReset();  // first record, flags, no events
    void clampPos();

    // Editing (record_edit.cpp).
    std::vector<Column> emptyRow() const;
    void beginInsert(bool atEnd);
    void postEdit();
    void postInsert();
    Column& writable(const Field& f);

    // The cell a field reads now: the painting row, the buffer or the current record.
    const Column* cell(size_t field, size_t& row) const;

    std::string setLabel() const;

    // What every operation leaves behind: each column and the ordering hold
    // `rows` rows, the view at most that many, the position inside the view.
    bool shapeHolds() const;
};

namespace detail {
// "A;B" -> indexes into `defs`; DataSetError naming an unknown field.
std::vector<size_t> resolveIndexNames(std::string_view names, const std::vector<FieldDef>& defs);
// Stores `text` in row 0 of `column` converted to the field's type, checking the
// width. Throws DataSetError and changes nothing when the text does not fit.
void assignString(const Field& field, Column& column, std::string_view text);
}  // namespace detail

}  // namespace confcred::dataset
