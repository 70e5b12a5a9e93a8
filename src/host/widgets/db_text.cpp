#include "host/widgets/db_text.h"

#include <exception>

namespace confcred::host::widgets {

TDBText::TDBText(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

TDBText::~TDBText() {
    if (source_ != nullptr)
        source_->removeView(this);
}

void TDBText::setDataSource(dataset::DataSource* source) {
    if (rebindView(*this, source_, source))
        refresh();
}

void TDBText::setDataField(const QString& fieldName) {
    fieldName_ = fieldName;
    refresh();
}

void TDBText::dataSourceChanged(dataset::DataSource& source, dataset::DataSourceEvent event) {
    (void)event;
    if (&source == source_)
        refresh();
}

void TDBText::dataSourceDestroyed(dataset::DataSource& source) {
    if (&source != source_)
        return;
    source_ = nullptr;
    clear();
}

void TDBText::refresh() {
    dataset::RecordSet* set = source_ != nullptr ? source_->dataSet() : nullptr;
    if (set == nullptr || !source_->enabled() || !set->active() || set->isEmpty() ||
        fieldName_.isEmpty()) {
        clear();
        return;
    }
    const dataset::Field* field = set->findField(fieldName_.toStdString());
    try {
        setText(field != nullptr ? QString::fromStdString(field->displayText()) : QString());
    } catch (const std::exception& e) {
        // A display-text handler failed while a record set told its views:
        // the label says so instead of unwinding through the set.
        setText(QStringLiteral("#") + QString::fromUtf8(e.what()));
    }
}

}  // namespace confcred::host::widgets
