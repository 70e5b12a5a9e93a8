// The search button (TBtnPesquisa): a small button with a magnifier that sits
// beside the control it searches for. Its settings describe the search; the
// screen's click handler does the searching, enabling and messages.
#pragma once

#include <QPointer>
#include <QToolButton>

#include "dataset/data_source.h"

namespace confcred::host::widgets {

class TBtnPesquisa : public QToolButton {
    Q_OBJECT

  public:
    explicit TBtnPesquisa(QWidget* parent = nullptr);

    // The control the button belongs to (a radio button, an edit).
    void setAssociate(QWidget* control) { associate_ = control; }
    QWidget* Associate() const { return associate_; }
    // The record set the search offers.
    void setDataSource(dataset::DataSource* source) { source_ = source; }
    dataset::DataSource* DataSource() const { return source_; }
    // The message for a search over an empty list.
    void setEmptyError(const QString& text) { emptyError_ = text; }
    QString EmptyError() const { return emptyError_; }
    // The list is opened afresh by the search, so it may be closed until then.
    void setDataSetClosed(bool on) { dataSetClosed_ = on; }
    bool DataSetClosed() const { return dataSetClosed_; }
    // Title of the search window.
    void setTitle(const QString& title) { title_ = title; }
    QString title() const { return title_; }

    void setHint(const QString& hint) { setToolTip(hint); }
    QString hint() const { return toolTip(); }

    // Puts the button just right of its associated control, same height.
    void placeBesideAssociate(int gap = 2);

    // True when the data source's set is open and has at least one record.
    bool hasRecords() const;

  private:
    QPointer<QWidget> associate_;
    dataset::DataSource* source_ = nullptr;
    QString emptyError_;
    bool dataSetClosed_ = false;
    QString title_;
};

}  // namespace confcred::host::widgets
