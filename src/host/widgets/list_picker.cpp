#include "host/widgets/list_picker.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "dataset/data_source.h"
#include "host/core/selection_format.h"
#include "host/widgets/accessibility.h"
#include "host/widgets/button_flat.h"
#include "host/widgets/record_set_model.h"

namespace confcred::host::widgets {

// Column 0 is the mark; the others are the set's visible fields. Texts are
// read from the set when shown; keys and marks are kept per row.
class PickerModel : public QAbstractTableModel {
  public:
    PickerModel(const dataset::RecordSet* set, const QString& keyField, QObject* parent)
        : QAbstractTableModel(parent), set_(set) {
        if (set_ == nullptr || !set_->active())
            return;
        auto* mutableSet = const_cast<dataset::RecordSet*>(set_);  // look-ups only
        const size_t key = mutableSet->fieldByName(keyField.toStdString()).index();
        for (size_t i = 0; i < set_->fieldCount(); ++i) {
            if (set_->field(i).visible())
                fields_.push_back(i);
        }
        const size_t n = set_->recordCount();
        keys_.reserve(static_cast<qsizetype>(n));
        for (size_t r = 0; r < n; ++r)
            keys_.append(storedTextAt(*set_, r, key));
        marks_.assign(n, 0);
    }

    const dataset::RecordSet* set() const { return set_; }
    const std::vector<size_t>& fields() const { return fields_; }
    const QStringList& keys() const { return keys_; }
    bool marked(int row) const { return marks_[static_cast<size_t>(row)] != 0; }
    int markedCount() const {
        return static_cast<int>(std::count(marks_.begin(), marks_.end(), 1));
    }

    void setMarked(int row, bool on) {
        marks_[static_cast<size_t>(row)] = on ? 1 : 0;
        emit dataChanged(index(row, 0), index(row, 0), {Qt::CheckStateRole});
    }
    void setAll(bool on) {
        std::fill(marks_.begin(), marks_.end(), on ? 1 : 0);
        if (!marks_.empty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
    }

    QString text(int row, int fieldColumn) const {
        try {
            return QString::fromStdString(set_->displayTextAt(
                static_cast<size_t>(row), fields_[static_cast<size_t>(fieldColumn)]));
        } catch (const std::exception& e) {
            return QStringLiteral("#") + QString::fromUtf8(e.what());
        }
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(keys_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(fields_.size()) + 1;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        if (index.column() == 0) {
            if (role == Qt::CheckStateRole)
                return marked(index.row()) ? Qt::Checked : Qt::Unchecked;
            return {};
        }
        if (role == Qt::DisplayRole)
            return text(index.row(), index.column() - 1);
        return {};
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
            return false;
        setMarked(index.row(), value.toInt() == Qt::Checked);
        return true;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        if (section == 0)
            return QString();
        return QString::fromStdString(
            set_->field(fields_[static_cast<size_t>(section - 1)]).displayLabel());
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
        if (index.column() == 0)
            f |= Qt::ItemIsUserCheckable;
        return f;
    }

  private:
    const dataset::RecordSet* set_;
    std::vector<size_t> fields_;  // shown fields
    QStringList keys_;            // per view row
    std::vector<char> marks_;     // per view row
};

ListPickerDialog::ListPickerDialog(const core::PickRequest& request)
    : QDialog(request.parent), given_(request.selection) {
    setObjectName(QStringLiteral("frmPesquisaLista"));
    setWindowTitle(request.title);
    setModal(true);
    const dataset::RecordSet* set = request.source != nullptr ? request.source->dataSet() : nullptr;
    model_ = new PickerModel(set, request.keyField, this);

    // Pre-mark the keys of the selection given ("T" and other texts that are
    // not a selection mark nothing).
    if (const auto keys = core::parseSelection(request.selection)) {
        const QSet<QString> wanted(keys->begin(), keys->end());
        for (int r = 0; r < model_->rowCount(); ++r) {
            if (wanted.contains(model_->keys()[r]))
                model_->setMarked(r, true);
        }
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);

    auto* searchRow = new QHBoxLayout;
    auto* searchLabel =
        new QLabel(QCoreApplication::translate("confcred_host", "&Localizar:"), this);
    searchBox_ = new QLineEdit(this);
    searchBox_->setObjectName(QStringLiteral("edtLocalizar"));
    searchBox_->setClearButtonEnabled(true);
    searchBox_->addAction(glyphIcon(Glyph::Search), QLineEdit::LeadingPosition);
    searchLabel->setBuddy(searchBox_);
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(searchBox_, 1);
    layout->addLayout(searchRow);

    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("dbgLista"));
    view_->setAccessibleName(request.title);
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setAlternatingRowColors(true);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setHighlightSections(false);
    view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view_->setColumnWidth(0, 28);
    const QFontMetrics fm = view_->fontMetrics();
    // A character counts as a digit, as in the data grid, so that codes and
    // registration numbers of the field's full width show whole.
    const int charWidth = std::max(fm.averageCharWidth(), fm.horizontalAdvance(QLatin1Char('0')));
    int total = 28;
    for (size_t i = 0; i < model_->fields().size(); ++i) {
        const dataset::Field& f = set->field(model_->fields()[i]);
        const int w = std::max(f.displayWidth() * charWidth + 10,
                               fm.horizontalAdvance(QString::fromStdString(f.displayLabel())) + 16);
        view_->setColumnWidth(static_cast<int>(i) + 1, w);
        total += w;
    }
    view_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(view_, 1);

    auto* buttons = new QHBoxLayout;
    auto* markAllButton =
        new QPushButton(QCoreApplication::translate("confcred_host", "&Marcar todos"), this);
    markAllButton->setObjectName(QStringLiteral("btnMarcarTodos"));
    auto* clearAllButton =
        new QPushButton(QCoreApplication::translate("confcred_host", "&Desmarcar todos"), this);
    clearAllButton->setObjectName(QStringLiteral("btnDesmarcarTodos"));
    countLabel_ = new QLabel(this);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    box->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("confcred_host", "Cancelar"));
    box->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancelar"));
    buttons->addWidget(markAllButton);
    buttons->addWidget(clearAllButton);
    buttons->addSpacing(12);
    buttons->addWidget(countLabel_);
    buttons->addStretch(1);
    buttons->addWidget(box);
    layout->addLayout(buttons);

    connect(markAllButton, &QPushButton::clicked, this, &ListPickerDialog::markAll);
    connect(clearAllButton, &QPushButton::clicked, this, &ListPickerDialog::clearAll);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(searchBox_, &QLineEdit::textEdited, this, [this](const QString& t) { search(t); });
    connect(model_, &QAbstractItemModel::dataChanged, this, [this] { updateCount(); });
    // The mark column toggles on a single click of its box; the others on a double click.
    connect(view_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.column() > 0)
            toggleCurrent();
    });
    view_->installEventFilter(this);

    if (model_->rowCount() > 0)
        view_->setCurrentIndex(model_->index(0, 1));
    resize(std::clamp(total + 40, 420, 900), 440);
    nameControls(this);
    searchBox_->setFocus();
    updateCount();
}

ListPickerDialog::~ListPickerDialog() = default;

int ListPickerDialog::rowCount() const {
    return model_->rowCount();
}

QString ListPickerDialog::keyAt(int row) const {
    return model_->keys().value(row);
}

QString ListPickerDialog::textAt(int row, int fieldColumn) const {
    return model_->text(row, fieldColumn);
}

QStringList ListPickerDialog::columnTitles() const {
    QStringList titles;
    for (int c = 1; c < model_->columnCount(); ++c)
        titles.append(model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    return titles;
}

bool ListPickerDialog::isMarked(int row) const {
    return model_->marked(row);
}

void ListPickerDialog::setMarked(int row, bool marked) {
    if (row >= 0 && row < model_->rowCount())
        model_->setMarked(row, marked);
}

void ListPickerDialog::toggleCurrent() {
    const int row = currentRow();
    if (row >= 0)
        setMarked(row, !isMarked(row));
}

void ListPickerDialog::markAll() {
    model_->setAll(true);
}

void ListPickerDialog::clearAll() {
    model_->setAll(false);
}

int ListPickerDialog::markedCount() const {
    return model_->markedCount();
}

int ListPickerDialog::currentRow() const {
    return view_->currentIndex().isValid() ? view_->currentIndex().row() : -1;
}

int ListPickerDialog::searchColumn() const {
    // The column the operator is in, else the first shown field.
    const int c = view_->currentIndex().column();
    return c >= 1 ? c - 1 : 0;
}

int ListPickerDialog::search(const QString& text) {
    const QString wanted = text.trimmed();
    if (wanted.isEmpty() || model_->fields().empty())
        return -1;
    // Every shown column is searched: a name is found while the list starts
    // on a code or a registration number.
    const int columns = static_cast<int>(model_->fields().size());
    const auto find = [&](auto matches) -> std::pair<int, int> {
        for (int r = 0; r < model_->rowCount(); ++r) {
            for (int c = 0; c < columns; ++c) {
                if (matches(model_->text(r, c).trimmed()))
                    return {r, c};
            }
        }
        return {-1, -1};
    };
    auto [found, column] =
        find([&](const QString& cell) { return cell.startsWith(wanted, Qt::CaseInsensitive); });
    if (found < 0)
        std::tie(found, column) =
            find([&](const QString& cell) { return cell.contains(wanted, Qt::CaseInsensitive); });
    if (found >= 0) {
        const QModelIndex target = model_->index(found, column + 1);
        view_->setCurrentIndex(target);
        view_->scrollTo(target, QAbstractItemView::PositionAtCenter);
        // The tick column stays in view: the row found shows whether it is marked.
        view_->scrollTo(model_->index(found, 0), QAbstractItemView::EnsureVisible);
    }
    return found;
}

void ListPickerDialog::updateCount() {
    countLabel_->setText(QCoreApplication::translate("confcred_host", "%1 de %2 marcado(s)")
                             .arg(model_->markedCount())
                             .arg(model_->rowCount()));
}

bool ListPickerDialog::eventFilter(QObject* watched, QEvent* event) {
    // Space in the list marks the current row, whichever column is current.
    if (watched == view_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        toggleCurrent();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ListPickerDialog::keyPressEvent(QKeyEvent* event) {
    // The arrows move through the list from the search box too.
    const bool inSearch = searchBox_->hasFocus();
    if (inSearch && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up)) {
        const int row = std::clamp(currentRow() + (event->key() == Qt::Key_Down ? 1 : -1), 0,
                                   std::max(0, model_->rowCount() - 1));
        if (model_->rowCount() > 0)
            view_->setCurrentIndex(model_->index(row, searchColumn() + 1));
        return;
    }
    QDialog::keyPressEvent(event);
}

core::PickResult ListPickerDialog::pickResult() const {
    if (result() != QDialog::Accepted || model_->markedCount() == 0)
        return {false, given_};
    QStringList keys;
    for (int r = 0; r < model_->rowCount(); ++r) {
        if (model_->marked(r))
            keys.append(model_->keys()[r]);
    }
    return {true, core::formatSelection(keys)};
}

core::PickResult runListPicker(const core::PickRequest& request) {
    const dataset::RecordSet* set = request.source != nullptr ? request.source->dataSet() : nullptr;
    if (set == nullptr || !set->active())
        return {false, request.selection};
    ListPickerDialog dialog(request);
    dialog.exec();
    return dialog.pickResult();
}

bool PesquisaLista(dataset::DataSource* source, const QString& keyField, const QString& title,
                   bool flag, QString& selection) {
    (void)flag;
    core::PickRequest request;
    request.source = source;
    request.keyField = keyField;
    request.title = title;
    request.selection = selection;
    request.parent = QApplication::activeWindow();
    const core::PickResult result = core::ui().pickList(request);
    if (result.ok)
        selection = result.selection;
    return result.ok;
}

}  // namespace confcred::host::widgets
