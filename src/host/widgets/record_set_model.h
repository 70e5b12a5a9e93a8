// A table model over a data source: one column per bound field, rows in the
// record set's current view order (filter and ordering applied), cell texts
// through the field's display text. Reads go straight to the record set's
// columns, so a cell costs the same with 100,000 rows as with ten.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "dataset/data_source.h"

namespace confcred::host::widgets {

// What a column title shows instead of the field's display label.
struct ColumnHeader {
    QString title;  // empty: the field's display label
    std::optional<QFont> font;
};

// The stored value of a field in a row of the set's view, as text (numbers and
// dates in the regional format; null as empty). The cursor does not move.
QString storedTextAt(const dataset::RecordSet& set, size_t viewRow, size_t field);

class RecordSetModel : public QAbstractTableModel, private dataset::DataSourceView {
    Q_OBJECT

  public:
    explicit RecordSetModel(QObject* parent = nullptr);
    ~RecordSetModel() override;

    void setDataSource(dataset::DataSource* source);
    dataset::DataSource* dataSource() const { return source_; }
    // The record set the rows come from; null while detached (no source, the
    // source switched off, or its set closed).
    dataset::RecordSet* recordSet() const;
    bool attached() const { return attached_; }

    // The fields the columns show, by name; an empty list shows every visible
    // field of the set. A name the set lacks shows empty cells.
    void setFieldNames(const QStringList& names);
    QStringList fieldNames() const { return names_; }
    // The field bound to a column, or null (detached, or no such field).
    dataset::Field* fieldAt(int column) const;
    QString fieldNameAt(int column) const;
    // Titles and title fonts by column (shorter lists leave the rest as they are).
    void setHeaders(std::vector<ColumnHeader> headers);

    // The view row of the current record, or -1.
    int currentRow() const;

    // What a screen reader says for a cell (Qt::AccessibleTextRole) whose
    // picture tells more than its text: given the column's field and the
    // row's stored value, a text, or empty for the cell's display text.
    using AccessibleText = std::function<QString(const QString& field, const QString& stored)>;
    void setAccessibleText(AccessibleText text) { accessibleText_ = std::move(text); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  signals:
    // The record set's current record moved (to `row`, -1 when none).
    void currentRecordChanged(int row);
    // The model detached from or re-attached to its data.
    void attachmentChanged(bool attached);

  private:
    void dataSourceChanged(dataset::DataSource& source, dataset::DataSourceEvent event) override;
    void dataSourceDestroyed(dataset::DataSource& source) override;
    void reset();
    void resolveColumns();

    dataset::DataSource* source_ = nullptr;
    QStringList names_;
    std::vector<ColumnHeader> headers_;
    QStringList shownNames_;               // the names the columns show now
    std::vector<dataset::Field*> fields_;  // per column; null when unbound
    int rows_ = 0;
    bool attached_ = false;
    AccessibleText accessibleText_;
};

}  // namespace confcred::host::widgets
