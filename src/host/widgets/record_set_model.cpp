#include "host/widgets/record_set_model.h"

#include <exception>

#include "platform/regional.h"

namespace confcred::host::widgets {

using dataset::DataSetState;
using dataset::DataSource;
using dataset::DataSourceEvent;
using dataset::RecordSet;

QString storedTextAt(const RecordSet& set, size_t viewRow, size_t field) {
    const dataset::Column& c = set.column(field);
    const size_t r = set.storageRowAt(viewRow);
    if (c.isNull(r))
        return {};
    switch (c.type()) {
        case dataset::FieldType::Double:
            return QString::fromStdString(platform::formatFloat(c.doubleAt(r)));
        case dataset::FieldType::Integer:
            return QString::number(c.integerAt(r));
        case dataset::FieldType::DateTime:
            return QString::fromStdString(platform::formatDateTime(c.dateTimeAt(r)));
        default: {
            const std::string_view text = c.textAt(r);
            return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        }
    }
}

RecordSetModel::RecordSetModel(QObject* parent) : QAbstractTableModel(parent) {}

RecordSetModel::~RecordSetModel() {
    if (source_ != nullptr)
        source_->removeView(this);
}

void RecordSetModel::setDataSource(DataSource* source) {
    if (rebindView(*this, source_, source))
        reset();
}

RecordSet* RecordSetModel::recordSet() const {
    return attached_ ? source_->dataSet() : nullptr;
}

void RecordSetModel::setFieldNames(const QStringList& names) {
    names_ = names;
    reset();
}

void RecordSetModel::setHeaders(std::vector<ColumnHeader> headers) {
    headers_ = std::move(headers);
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

dataset::Field* RecordSetModel::fieldAt(int column) const {
    if (column < 0 || static_cast<size_t>(column) >= fields_.size())
        return nullptr;
    return fields_[static_cast<size_t>(column)];
}

QString RecordSetModel::fieldNameAt(int column) const {
    if (column < 0 || column >= shownNames_.size())
        return {};
    return shownNames_[column];
}

int RecordSetModel::currentRow() const {
    const RecordSet* set = recordSet();
    if (set == nullptr || set->recNo() == 0)
        return -1;
    const int row = static_cast<int>(set->recNo()) - 1;
    return row < rows_ ? row : -1;
}

void RecordSetModel::resolveColumns() {
    fields_.clear();
    shownNames_ = names_;
    RecordSet* set = source_ != nullptr ? source_->dataSet() : nullptr;
    if (set == nullptr) {
        fields_.assign(static_cast<size_t>(shownNames_.size()), nullptr);
        return;
    }
    if (names_.isEmpty()) {
        for (size_t i = 0; i < set->fieldCount(); ++i) {
            if (set->field(i).visible())
                shownNames_.append(QString::fromStdString(set->field(i).name()));
        }
    }
    for (const QString& name : shownNames_)
        fields_.push_back(set->findField(name.toStdString()));
}

void RecordSetModel::reset() {
    const bool was = attached_;
    beginResetModel();
    RecordSet* set = source_ != nullptr ? source_->dataSet() : nullptr;
    attached_ = set != nullptr && source_->enabled() && set->active();
    resolveColumns();
    rows_ = attached_ ? static_cast<int>(set->recordCount()) : 0;
    endResetModel();
    if (was != attached_)
        emit attachmentChanged(attached_);
    if (attached_)
        emit currentRecordChanged(currentRow());
}

void RecordSetModel::dataSourceChanged(DataSource& source, DataSourceEvent event) {
    if (&source != source_)
        return;
    switch (event) {
        case DataSourceEvent::Detached:
        case DataSourceEvent::DataChanged:
            reset();
            break;
        case DataSourceEvent::RecordChanged:
        case DataSourceEvent::StateChanged: {
            RecordSet* set = source_->dataSet();
            const bool nowAttached = set != nullptr && source_->enabled() && set->active();
            // A post may move the record under an ordering or out of the
            // filter; a changed count or attachment redraws everything.
            if (nowAttached != attached_ ||
                (nowAttached && static_cast<int>(set->recordCount()) != rows_)) {
                reset();
            } else if (attached_ && rows_ > 0 && columnCount() > 0) {
                emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
            }
            break;
        }
        case DataSourceEvent::Scrolled:
            if (attached_)
                emit currentRecordChanged(currentRow());
            break;
    }
}

void RecordSetModel::dataSourceDestroyed(DataSource& source) {
    if (&source != source_)
        return;
    source_ = nullptr;
    reset();
}

int RecordSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int RecordSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const {
    if (!attached_ || !index.isValid() || index.row() >= rows_)
        return {};
    const dataset::Field* field = fieldAt(index.column());
    if (field == nullptr)
        return {};
    switch (role) {
        case Qt::DisplayRole: {
            const RecordSet* set = source_->dataSet();
            try {
                return QString::fromStdString(
                    set->displayTextAt(static_cast<size_t>(index.row()), field->index()));
            } catch (const std::exception& e) {
                // A failing display-text handler must not unwind through the
                // painting; the cell shows the error instead.
                return QStringLiteral("#") + QString::fromUtf8(e.what());
            }
        }
        case Qt::AccessibleTextRole: {
            if (!accessibleText_)
                return {};
            return accessibleText_(QString::fromStdString(field->name()),
                                   storedTextAt(*source_->dataSet(),
                                                static_cast<size_t>(index.row()), field->index()));
        }
        case Qt::TextAlignmentRole: {
            const bool number = field->type() == dataset::FieldType::Double ||
                                field->type() == dataset::FieldType::Integer;
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (number ? Qt::AlignRight : Qt::AlignLeft));
        }
        default:
            return {};
    }
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0)
        return QAbstractTableModel::headerData(section, orientation, role);
    const ColumnHeader* header = static_cast<size_t>(section) < headers_.size()
                                     ? &headers_[static_cast<size_t>(section)]
                                     : nullptr;
    if (role == Qt::FontRole && header != nullptr && header->font)
        return *header->font;
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (header != nullptr && !header->title.isEmpty())
        return header->title;
    if (const dataset::Field* field = fieldAt(section))
        return QString::fromStdString(field->displayLabel());
    return fieldNameAt(section);
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

}  // namespace confcred::host::widgets
