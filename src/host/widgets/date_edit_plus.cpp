#include "host/widgets/date_edit_plus.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableView>

#include "platform/clock.h"

namespace confcred::host::widgets {
namespace {

QDate toQDate(platform::DateTime value) {
    const platform::Date d = value.date();
    return QDate(d.year, d.month, d.day);
}

// Header row of the calendar with our weekday names (first three letters);
// the rest of the calendar paints as usual.
class WeekdayHeaderDelegate : public QStyledItemDelegate {
  public:
    WeekdayHeaderDelegate(QAbstractItemDelegate* previous, const TDateEditPlus* edit,
                          QObject* parent)
        : QStyledItemDelegate(parent), previous_(previous), edit_(edit) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QCalendarWidget* cal = edit_->calendarWidget();
        const bool header = index.row() == 0 &&
                            cal->horizontalHeaderFormat() != QCalendarWidget::NoHorizontalHeader;
        if (!header || edit_->weekdayNames().size() != 7) {
            previous_->paint(painter, option, index);
            return;
        }
        // The column's weekday: first day of week plus the column (after the
        // week number column when shown).
        int col = index.column();
        if (cal->verticalHeaderFormat() != QCalendarWidget::NoVerticalHeader)
            --col;
        if (col < 0) {
            previous_->paint(painter, option, index);
            return;
        }
        const int qtDay = (static_cast<int>(cal->firstDayOfWeek()) - 1 + col) % 7 + 1;  // 1=Mon
        const QString name = edit_->weekdayNames()[qtDay % 7];
        painter->save();
        painter->fillRect(option.rect, option.palette.brush(QPalette::AlternateBase));
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(option.rect, Qt::AlignCenter, name.left(3));
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return previous_->sizeHint(option, index);
    }

  private:
    QAbstractItemDelegate* previous_;
    const TDateEditPlus* edit_;
};

}  // namespace

TDateEditPlus::TDateEditPlus(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    setLocale(QLocale(QLocale::Portuguese, QLocale::Brazil));
    setMinimumDate(QDate(100, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    validColor_ = palette().color(QPalette::Text);
    weekdayNames_ = {QStringLiteral("Domingo"), QStringLiteral("Segunda"), QStringLiteral("Terça"),
                     QStringLiteral("Quarta"),  QStringLiteral("Quinta"),  QStringLiteral("Sexta"),
                     QStringLiteral("Sábado")};
    decorateCalendar();
    setDate(platform::now().datePart());
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] { updateLook(); });
    connect(this, &QDateEdit::dateChanged, this, [this] { updateLook(); });
    updateLook();
}

platform::DateTime TDateEditPlus::date() const {
    const QDate d = QDateEdit::date();
    platform::DateTime value = platform::DateTime::fromParts(d.year(), d.month(), d.day());
    return saveTime_ ? value.addMs(timeOfDayMs_) : value;
}

void TDateEditPlus::setDate(platform::DateTime value) {
    timeOfDayMs_ = value.msOfDay();
    QDateEdit::setDate(toQDate(value));
    updateLook();
}

void TDateEditPlus::setValidColor(const QColor& color) {
    validColor_ = color;
    updateLook();
}

void TDateEditPlus::setInvalidColor(const QColor& color) {
    invalidColor_ = color;
    updateLook();
}

void TDateEditPlus::setEditText(const QString& text) {
    lineEdit()->setText(text);
}

bool TDateEditPlus::textIsValidDate() const {
    const QDate d = QDate::fromString(lineEdit()->text(), displayFormat());
    return d.isValid() && d >= minimumDate() && d <= maximumDate();
}

QColor TDateEditPlus::textColor() const {
    return lineEdit()->palette().color(QPalette::Text);
}

void TDateEditPlus::setWeekdayNames(const QStringList& names) {
    if (names.size() == 7)
        weekdayNames_ = names;
    updateLook();
    calendarWidget()->update();
}

QString TDateEditPlus::weekdayName(platform::DateTime value) const {
    const int day = value.dayOfWeek();
    return day >= 0 && day < weekdayNames_.size() ? weekdayNames_[day] : QString();
}

namespace {

// Every digit of the day, month and year typed: "dd/MM/yyyy" in full.
bool isCompleteDateText(const QString& text) {
    static const QRegularExpression complete(QStringLiteral("^\\d{2}/\\d{2}/\\d{4}$"));
    return complete.match(text).hasMatch();
}

}  // namespace

QValidator::State TDateEditPlus::validate(QString& input, int& pos) const {
    // The base would fit the day into the month (31/11 becomes 30/11).
    if (isCompleteDateText(input) && !QDate::fromString(input, displayFormat()).isValid())
        return QValidator::Intermediate;
    return QDateEdit::validate(input, pos);
}

void TDateEditPlus::focusOutEvent(QFocusEvent* event) {
    // Leaving the field would have the base fit the day into the month and
    // take it as the date without a word; a refused text stays on screen, in
    // red, and the date keeps its last real value.
    if (isCompleteDateText(lineEdit()->text()) && !textIsValidDate()) {
        QWidget::focusOutEvent(event);
        updateLook();
        return;
    }
    QDateEdit::focusOutEvent(event);
    updateLook();
}

bool TDateEditPlus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        !lineEdit()->hasSelectedText() && currentSection() != QDateTimeEdit::NoSection)
        setSelectedSection(currentSection());
    return QDateEdit::eventFilter(watched, event);
}

void TDateEditPlus::updateLook() {
    QPalette pal = lineEdit()->palette();
    const bool valid = textIsValidDate();
    pal.setColor(QPalette::Text, valid ? validColor_ : invalidColor_);
    lineEdit()->setPalette(pal);
    setToolTip(valid ? weekdayName(date()) + QStringLiteral(", ") + lineEdit()->text()
                     : QStringLiteral("Data inválida"));
}

void TDateEditPlus::decorateCalendar() {
    QCalendarWidget* cal = calendarWidget();
    cal->setFirstDayOfWeek(Qt::Sunday);
    cal->setGridVisible(true);
    cal->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    if (auto* view = cal->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
        view->setItemDelegate(new WeekdayHeaderDelegate(view->itemDelegate(), this, view));
    }
}

}  // namespace confcred::host::widgets
