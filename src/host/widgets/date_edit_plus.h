// The date edit (TDateEditPlus): a date edit with a calendar popup, the date
// in dd/MM/yyyy, its text coloured while it holds a valid date (and red while
// the typed text is not one), weekday names of our own in the calendar and
// the tooltip, and values as platform::DateTime. It starts on today's date.
// With SaveTime off the value is the date alone; with it on the time of day
// last given is kept.
//
// Typing is plain text, not the per-part editing of a date-time edit: the
// operator types DD/MM/AAAA with separators ("/", "-" or ".", day and month
// of two digits each) or eight digits without them, and the date is taken
// once the text is a whole, real date. A partial or impossible text is
// refused where the field is left or Return is pressed: it stays on screen in
// red, the status line says why, and the date keeps its previous value. Keys
// never push digits from one part into another.
#pragma once

#include <QColor>
#include <QDateEdit>
#include <QStringList>
#include <QValidator>
#include <optional>

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
    // The date a typed text stands for, or nothing when it is partial or
    // impossible (see above).
    static std::optional<platform::DateTime> parseTyped(const QString& text);

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
    void fixup(QString& input) const override;
    QDateTime dateTimeFromText(const QString& text) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Tab leaves the field (the date is one text, not three parts).
    bool focusNextPrevChild(bool next) override;
    // A click in the text selects the part clicked (day, month or year), so
    // that typing replaces it rather than pushing digits into it.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void updateLook();
    // Tells the operator the text on screen is not taken.
    void refuseText();
    void decorateCalendar();

    bool saveTime_ = false;
    int64_t timeOfDayMs_ = 0;
    QColor validColor_;
    QColor invalidColor_{Qt::red};

    QStringList weekdayNames_;
};

}  // namespace confcred::host::widgets
