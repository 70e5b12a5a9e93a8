// The data source label (TDBText): shows one field of the current record of
// its data source, and nothing while the source is off or the set is empty.
#pragma once

#include <QLabel>

#include "dataset/data_source.h"

namespace confcred::host::widgets {

class TDBText : public QLabel, private dataset::DataSourceView {
    Q_OBJECT

  public:
    explicit TDBText(QWidget* parent = nullptr);
    ~TDBText() override;

    void setDataSource(dataset::DataSource* source);
    dataset::DataSource* dataSource() const { return source_; }
    void setDataField(const QString& fieldName);
    QString dataField() const { return fieldName_; }

  private:
    void dataSourceChanged(dataset::DataSource& source, dataset::DataSourceEvent event) override;
    void dataSourceDestroyed(dataset::DataSource& source) override;
    void refresh();

    dataset::DataSource* source_ = nullptr;
    QString fieldName_;
};

}  // namespace confcred::host::widgets
