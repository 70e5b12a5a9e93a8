#include "host/widgets/date_edit_plus.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableView>

#include "host/core/application.h"
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
    weekdayNames_ = {QCoreApplication::translate("confcred_host", "Domingo"),
                     QCoreApplication::translate("confcred_host", "Segunda"),
                     QCoreApplication::translate("confcred_host", "Terça"),
                     QCoreApplication::translate("confcred_host", "Quarta"),
                     QCoreApplication::translate("confcred_host", "Quinta"),
                     QCoreApplication::translate("confcred_host", "Sexta"),
                     QCoreApplication::translate("confcred_host", "Sábado")};
    decorateCalendar();
    setDate(platform::now().datePart());
    lineEdit()->installEventFilter(this);
    // The date-time edit moves the cursor between its parts and puts the last
    // date back while the cursor moves; the text here is typed freely.
    disconnect(lineEdit(), &QLineEdit::cursorPositionChanged, nullptr, nullptr);
    connect(lineEdit(), &QLineEdit::cursorPositionChanged, this, [this] { updateMicroFocus(); });
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
    const auto typed = parseTyped(lineEdit()->text());
    if (!typed)
        return false;
    const QDate d = toQDate(*typed);
    return d >= minimumDate() && d <= maximumDate();
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

// Digits and the separators a date may be typed with; anything else is no key
// for a date.
bool isDateCharacter(QChar c) {
    return c.isDigit() || c == u'/' || c == u'-' || c == u'.';
}

}  // namespace

std::optional<platform::DateTime> TDateEditPlus::parseTyped(const QString& text) {
    const QString typed = text.trimmed();
    static const QRegularExpression separated(
        QStringLiteral("^(\\d{2})[/.\\-](\\d{2})[/.\\-](\\d{4})$"));
    static const QRegularExpression packed(QStringLiteral("^(\\d{2})(\\d{2})(\\d{4})$"));
    QRegularExpressionMatch match = separated.match(typed);
    if (!match.hasMatch())
        match = packed.match(typed);
    if (!match.hasMatch())
        return std::nullopt;
    const int day = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    const int year = match.captured(3).toInt();
    if (year < 100)  // below the edit's first year
        return std::nullopt;
    return platform::DateTime::tryFromParts(year, month, day);
}

QValidator::State TDateEditPlus::validate(QString& input, int& pos) const {
    (void)pos;
    for (const QChar c : input) {
        if (!isDateCharacter(c) && c != u' ')
            return QValidator::Invalid;
    }
    const auto typed = parseTyped(input);
    const bool inRange =
        typed && toQDate(*typed) >= minimumDate() && toQDate(*typed) <= maximumDate();
    return inRange ? QValidator::Acceptable : QValidator::Intermediate;
}

void TDateEditPlus::fixup(QString& input) const {
    // Nothing is guessed: a text that is not a date stays as typed.
    (void)input;
}

QDateTime TDateEditPlus::dateTimeFromText(const QString& text) const {
    if (const auto typed = parseTyped(text))
        return QDateTime(toQDate(*typed), QTime(0, 0));
    return dateTime();
}

void TDateEditPlus::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        if (!textIsValidDate()) {
            // Kept in the field, so that a dialog does not go on with the old date.
            refuseText();
            event->accept();
            return;
        }
        QDateEdit::setDate(toQDate(*parseTyped(lineEdit()->text())));
        QDateEdit::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    const bool typing = plain && !text.isEmpty() && isDateCharacter(text.front());
    const bool erasing =
        plain && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete);
    if (typing || erasing) {
        // Straight into the text: the date-time edit's own handling would move
        // digits between the day, the month and the year.
        QCoreApplication::sendEvent(lineEdit(), event);
        return;
    }
    QDateEdit::keyPressEvent(event);
}

void TDateEditPlus::focusInEvent(QFocusEvent* event) {
    QDateEdit::focusInEvent(event);

    // From the keyboard the whole date is selected, so that typing replaces it.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
        event->reason() == Qt::ShortcutFocusReason)
        lineEdit()->selectAll();
}

void TDateEditPlus::focusOutEvent(QFocusEvent* event) {
    // Leaving the field would have the base put the last date back without a
    // word; a refused text stays on screen, in red, and the date keeps its
    // last real value.
    if (!textIsValidDate()) {
        QWidget::focusOutEvent(event);
        refuseText();
        return;
    }
    QDateEdit::focusOutEvent(event);
    updateLook();
}

bool TDateEditPlus::focusNextPrevChild(bool next) {
    return QWidget::focusNextPrevChild(next);
}

void TDateEditPlus::refuseText() {
    updateLook();
    const QString typed = lineEdit()->text().trimmed();
    const QString kept = QDateEdit::date().toString(displayFormat());
    core::application().showStatus(
        typed.isEmpty()
            ? QCoreApplication::translate("confcred_host",
                                          "Data em branco: informe DD/MM/AAAA. A data continua %1.")
                  .arg(kept)
            : QCoreApplication::translate(
                  "confcred_host", "Data inválida: \"%1\". Informe DD/MM/AAAA; a data continua %2.")
                  .arg(typed, kept));
}

bool TDateEditPlus::eventFilter(QObject* watched, QEvent* event) {
    // The run of digits clicked (day, month or year) is selected.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        !lineEdit()->hasSelectedText()) {
        const QString text = lineEdit()->text();
        const int at = lineEdit()->cursorPosition();
        int from = at;
        int to = at;
        while (from > 0 && text[from - 1].isDigit())
            --from;
        while (to < text.size() && text[to].isDigit())
            ++to;
        if (to > from)
            lineEdit()->setSelection(from, to - from);
    }
    return QDateEdit::eventFilter(watched, event);
}

void TDateEditPlus::updateLook() {
    QPalette pal = lineEdit()->palette();
    const bool valid = textIsValidDate();
    pal.setColor(QPalette::Text, valid ? validColor_ : invalidColor_);
    lineEdit()->setPalette(pal);
    setToolTip(valid ? weekdayName(date()) + QStringLiteral(", ") + lineEdit()->text()
                     : QCoreApplication::translate("confcred_host", "Data inválida"));
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
