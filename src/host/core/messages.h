// A screen's message table: lines "Key|Text" looked up by key. Every text the
// operator reads comes from one, so a screen's wording lives in one place.
#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <span>

#include "host/core/ui_service.h"

namespace confcred::host::core {

// A line of a message table as a screen writes it, in the source language:
// the key, and the text marked QT_TRANSLATE_NOOP(context, text) for lupdate.
struct MessageText {
    const char* key;
    const char* text;
};

// The table as "Key|Text" lines, each text translated in `context` by the
// translators installed now; a text without a translation stays as written.
QStringList translatedLines(const char* context, std::span<const MessageText> texts);

class TMessages : public QObject {
    Q_OBJECT

  public:
    explicit TMessages(QObject* parent = nullptr);

    // Replaces the table. Each line is "Key|Text": the key runs up to the first
    // bar and the text is the rest, bars and blanks included. A line without a
    // bar or with an empty key is std::invalid_argument (the table is left as it
    // was); a repeated key keeps its first text, as a classic lookup does.
    void setLines(const QStringList& lines);
    void addLine(const QString& line);
    QStringList lines() const { return lines_; }
    int count() const { return static_cast<int>(lines_.size()); }

    // The text for a key, matched without regard to case; empty when the table
    // lacks it.
    QString Msg(const QString& key) const;
    bool contains(const QString& key) const;

    // Shows the key's text in a box (caption: the application title) through
    // the UI service and returns the ModalResult of the button pressed.
    int ShowMsg(const QString& key, BoxKind kind, BoxButtons buttons, int helpContext = 0) const;

  private:
    static QString keyOf(const QString& line, qsizetype* bar);

    QStringList lines_;
    QHash<QString, QString> byKey_;  // folded key -> text
};

}  // namespace confcred::host::core
