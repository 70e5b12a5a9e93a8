#include "host/widgets/db_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

#include "host/core/dispatch.h"

namespace confcred::host::widgets {

QString DrawColumnCellArgs::fieldText(const QString& fieldName) const {
    if (recordSet == nullptr || row < 0 || static_cast<size_t>(row) >= recordSet->recordCount())
        return {};
    // findField is not const; the look-up changes nothing.
    auto* set = const_cast<dataset::RecordSet*>(recordSet);
    const dataset::Field* f = set->findField(fieldName.toStdString());
    return f != nullptr ? storedTextAt(*recordSet, static_cast<size_t>(row), f->index())
                        : QString();
}

// Paints a cell as usual, then hands it to OnDrawColumnCell.
class TDBGrid::CellDelegate : public QStyledItemDelegate {
  public:
    explicit CellDelegate(TDBGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        grid_->drawCell(painter, option, index);
    }

  private:
    TDBGrid* grid_;
};

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), model_(new RecordSetModel(this)) {
    setModel(model_);
    setItemDelegate(new CellDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setAlternatingRowColors(false);  // every row in the grid's background colour
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    verticalHeader()->hide();  // no row indicator
    // Uniform rows keep scrolling independent of the number of rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);

    // The selection stays visible while another control has the focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);

    connect(model_, &RecordSetModel::currentRecordChanged, this, &TDBGrid::followRecord);
    connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::applyWidths);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (!applying_ && section >= 0 && static_cast<size_t>(section) < widths_.size())
                    widths_[static_cast<size_t>(section)] = size;
            });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (OnTitleClick)
            OnTitleClick(section);
    });
    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (OnCellClick && index.isValid())
            OnCellClick(index.column());
    });
}

TDBGrid::~TDBGrid() {
    model_->setDataSource(nullptr);
}

void TDBGrid::setDataSource(dataset::DataSource* source) {
    model_->setDataSource(source);
}

void TDBGrid::setColumns(std::vector<GridColumn> columns) {
    columns_ = std::move(columns);
    applyColumns();
}

void TDBGrid::applyColumns() {
    QStringList names;
    std::vector<ColumnHeader> headers;
    for (const GridColumn& c : columns_) {
        names.append(c.fieldName);
        headers.push_back({c.title, c.titleFont});
    }
    model_->setHeaders(std::move(headers));
    widthsFor_ = nullptr;
    widths_.clear();
    model_->setFieldNames(names);  // resets, which applies the widths
}

int TDBGrid::columnOfField(const QString& fieldName) const {
    for (int i = 0; i < model_->columnCount(); ++i) {
        if (model_->fieldNameAt(i).compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TDBGrid::fieldNameAt(int column) const {
    return model_->fieldNameAt(column);
}

int TDBGrid::defaultColumnWidth(int column) const {
    const GridColumn* c = column >= 0 && static_cast<size_t>(column) < columns_.size()
                              ? &columns_[static_cast<size_t>(column)]
                              : nullptr;
    if (c != nullptr && c->width >= 0)
        return c->width;
    int chars = c != nullptr ? c->widthChars : -1;
    const dataset::Field* f = model_->fieldAt(column);
    if (chars < 0)
        chars = f != nullptr ? f->displayWidth() : 10;
    const QFontMetrics fm = fontMetrics();
    // A character counts as a digit, as in the classic grid, so that numbers
    // of the field's full width show whole.
    int w = chars * std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0'))) + 8;
    // The title stays readable, as the classic grid sizes a column to it.
    const QVariant font = model_->headerData(column, Qt::Horizontal, Qt::FontRole);
    const QFontMetrics titleFm(font.isValid() ? font.value<QFont>() : horizontalHeader()->font());
    const QString title = model_->headerData(column, Qt::Horizontal).toString();
    w = std::max(w, titleFm.horizontalAdvance(title) + 12);
    return w;
}

void TDBGrid::applyWidths() {
    // Widths are worked out once per column layout and record set; later
    // resets (filters, loads) keep what the operator resized.
    const int n = model_->columnCount();
    dataset::RecordSet* set = model_->dataSource() ? model_->dataSource()->dataSet() : nullptr;
    if (widths_.size() != static_cast<size_t>(n) || widthsFor_ != set) {
        widths_.assign(static_cast<size_t>(n), -1);
        for (int i = 0; i < n; ++i)
            widths_[static_cast<size_t>(i)] = defaultColumnWidth(i);
        widthsFor_ = set;
    }
    applying_ = true;
    for (int i = 0; i < n; ++i) {
        horizontalHeader()->resizeSection(i, widths_[static_cast<size_t>(i)]);
        const bool hidden =
            static_cast<size_t>(i) < columns_.size() && !columns_[static_cast<size_t>(i)].visible;
        setColumnHidden(i, hidden);
    }
    applying_ = false;
}

void TDBGrid::followRecord(int row) {
    if (following_)
        return;
    following_ = true;
    const int column = std::max(0, currentIndex().column());
    if (row < 0 || model_->columnCount() == 0) {
        selectionModel()->clearCurrentIndex();
    } else {
        const QModelIndex target = model_->index(row, std::min(column, model_->columnCount() - 1));
        if (target != currentIndex())
            setCurrentIndex(target);
    }
    following_ = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid() || current.row() == previous.row())
        return;
    dataset::RecordSet* set = model_->recordSet();
    if (set == nullptr || static_cast<int>(set->recNo()) == current.row() + 1)
        return;
    // The record set's after-scroll handler is user code.
    following_ = true;
    core::dispatch([&] { set->setRecNo(static_cast<size_t>(current.row()) + 1); });
    following_ = false;
    // Whatever the handler did, the grid shows the record that is current.
    followRecord(model_->currentRow());
}

void TDBGrid::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (OnKeyDown) {
        OnKeyDown(key, event->modifiers());
        if (key == 0) {
            event->accept();
            return;
        }
    }
    if (key != event->key()) {
        QKeyEvent changed(event->type(), key, event->modifiers());
        QTableView::keyPressEvent(&changed);
        event->setAccepted(changed.isAccepted());
        return;
    }
    QTableView::keyPressEvent(event);
}

void TDBGrid::drawCell(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) {
    if (!OnDrawColumnCell)
        return;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        (option.state & QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    const bool alternate = option.features & QStyleOptionViewItem::Alternate;
    DrawColumnCellArgs args{
        .painter = *painter,
        .rect = option.rect,
        .row = index.row(),
        .column = index.column(),
        .field = model_->fieldAt(index.column()),
        .selected = selected,
        .focused = (option.state & QStyle::State_HasFocus) != 0,
        .background = selected    ? option.palette.brush(group, QPalette::Highlight)
                      : alternate ? option.palette.brush(group, QPalette::AlternateBase)
                                  : option.palette.brush(group, QPalette::Base),
        .recordSet = model_->recordSet(),
    };
    painter->save();
    OnDrawColumnCell(args);
    painter->restore();
}

}  // namespace confcred::host::widgets
