// The multi-select list picker: a modal list of a record set's visible fields
// (their labels and display widths) with a mark column, an incremental search
// box and mark all / clear all. OK with at least one row marked gives the
// marked keys in the selection format (selection_format.h); anything else
// leaves the selection as it was.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "host/core/ui_service.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace confcred::host::widgets {

class PickerModel;

class ListPickerDialog : public QDialog {
    Q_OBJECT

  public:
    // Reads the keys of the request's record set and pre-marks those of the
    // request's selection. A key field the set lacks is a DataSetError.
    explicit ListPickerDialog(const core::PickRequest& request);
    ~ListPickerDialog() override;

    int rowCount() const;
    QString keyAt(int row) const;
    QString textAt(int row, int fieldColumn) const;  // fieldColumn 0 = first shown field
    QStringList columnTitles() const;                // the shown fields' labels
    bool isMarked(int row) const;
    void setMarked(int row, bool marked);
    void toggleCurrent();
    void markAll();
    void clearAll();
    int markedCount() const;
    int currentRow() const;

    // What the search box does with its text: makes current the first row
    // (in list order) with a shown column that starts with the text, ignoring
    // case; failing that, the first with one that contains it (the current
    // cell moves to that column). Returns that row, or -1.
    int search(const QString& text);

    QLineEdit* searchBox() const { return searchBox_; }
    QTableView* view() const { return view_; }

    // The outcome once the dialog has closed (OK = accept).
    core::PickResult pickResult() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateCount();
    int searchColumn() const;

    QString given_;
    PickerModel* model_;
    QTableView* view_;
    QLineEdit* searchBox_;
    QLabel* countLabel_;
};

// Shows the picker modally (the Qt UI service's pickList).
core::PickResult runListPicker(const core::PickRequest& request);

// The screens' entry: the picker over `source` through the UI service. True on
// OK with at least one row marked, and then `selection` holds the marked keys
// of `keyField`; false leaves `selection` as it was. `flag` is accepted for
// the screens' calls and has no effect.
bool PesquisaLista(dataset::DataSource* source, const QString& keyField, const QString& title,
                   bool flag, QString& selection);

}  // namespace confcred::host::widgets
