// The date edit (TDateEditPlus): a date edit with a calendar popup, the date
// in dd/MM/yyyy, its text coloured while it holds a valid date (and red while
// the typed text is not one), weekday names of our own in the calendar and
// the tooltip, and values as platform::DateTime. It starts on today's date.
// With SaveTime off the value is the date alone; with it on the time of day
// last given is kept.
#pragma once

#include <QColor>
#include <QDateEdit>
#include <QStringList>
#include <QValidator>

#include "platform/datetime.h"

namespace confcred::host::widgets {

class TDateEditPlus : public QDateEdit {
    Q_OBJECT

  public:
    explicit TDateEditPlus(QWidget* parent = nullptr);

    platform::DateTime date() const;
    void setDate(platform::DateTime value);

    void setSaveTime(bool on) { saveTime_ = on; }
    bool SaveTime() const { return saveTime_; }

    void setValidColor(const QColor& color);
    QColor validColor() const { return validColor_; }
    void setInvalidColor(const QColor& color);
    QColor invalidColor() const { return invalidColor_; }
    // Puts text in the edit as if typed (the date follows once it is one).
    void setEditText(const QString& text);
    // True when the text on screen is a complete, real date.
    bool textIsValidDate() const;
    // The colour the text is drawn in now.
    QColor textColor() const;

    // Seven names, Sunday first.
    void setWeekdayNames(const QStringList& names);
    QStringList weekdayNames() const { return weekdayNames_; }
    // The name for a date's weekday.
    QString weekdayName(platform::DateTime value) const;

  protected:
    // A day the month does not have (31/11) is refused as typed: the text
    // stays, red, with "Data inválida" as its tooltip, and the date keeps its
    // last real value; it is never turned into another day.
    QValidator::State validate(QString& input, int& pos) const override;
    void focusOutEvent(QFocusEvent* event) override;
    // A click in the text selects the part clicked (day, month or year), so
    // that typing replaces it rather than pushing digits into it.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateLook();
    void decorateCalendar();

    bool saveTime_ = false;
    int64_t timeOfDayMs_ = 0;
    QColor validColor_;
    QColor invalidColor_{Qt::red};
    QStringList weekdayNames_;
};

}  // namespace confcred::host::widgets
