#include "host/core/messages.h"

#include <QCoreApplication>
#include <stdexcept>

#include "host/core/application.h"

namespace confcred::host::core {

QStringList translatedLines(const char* context, std::span<const MessageText> texts) {
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(texts.size()));
    for (const MessageText& line : texts)
        lines << QString::fromUtf8(line.key) + QLatin1Char('|') +
                     QCoreApplication::translate(context, line.text);
    return lines;
}

TMessages::TMessages(QObject* parent) : QObject(parent) {}

QString TMessages::keyOf(const QString& line, qsizetype* bar) {
    *bar = line.indexOf(QLatin1Char('|'));
    if (*bar < 0)
        throw std::invalid_argument("message line without '|': \"" + line.toStdString() + "\"");
    if (*bar == 0)
        throw std::invalid_argument("message line without a key: \"" + line.toStdString() + "\"");
    return line.left(*bar).toCaseFolded();
}

void TMessages::setLines(const QStringList& lines) {
    QHash<QString, QString> byKey;
    for (const QString& line : lines) {
        qsizetype bar = 0;
        const QString key = keyOf(line, &bar);
        if (!byKey.contains(key))
            byKey.insert(key, line.mid(bar + 1));
    }
    lines_ = lines;
    byKey_ = std::move(byKey);
}

void TMessages::addLine(const QString& line) {
    qsizetype bar = 0;
    const QString key = keyOf(line, &bar);
    lines_.append(line);
    if (!byKey_.contains(key))
        byKey_.insert(key, line.mid(bar + 1));
}

QString TMessages::Msg(const QString& key) const {
    return byKey_.value(key.toCaseFolded());
}

bool TMessages::contains(const QString& key) const {
    return byKey_.contains(key.toCaseFolded());
}

int TMessages::ShowMsg(const QString& key, BoxKind kind, BoxButtons buttons,
                       int helpContext) const {
    BoxRequest box;
    box.kind = kind;
    box.caption = application().title();
    box.text = Msg(key);
    box.buttons = buttons;
    box.helpContext = helpContext;
    return ui().showBox(box);
}

}  // namespace confcred::host::core
