#include "host/core/selection_format.h"

namespace confcred::host::core {

QString formatSelection(const QStringList& keys) {
    QString out;
    for (const QString& key : keys) {
        if (!out.isEmpty())
            out += QLatin1Char(',');
        out += QLatin1Char('\'');
        QString quoted = key;
        quoted.replace(QLatin1String("'"), QLatin1String("''"));
        out += quoted;
        out += QLatin1Char('\'');
    }
    return out;
}

std::optional<QStringList> parseSelection(const QString& selection) {
    QStringList keys;
    const qsizetype n = selection.size();
    qsizetype i = 0;
    while (i < n) {
        if (selection[i] != QLatin1Char('\''))
            return std::nullopt;
        ++i;
        QString key;
        bool closed = false;
        while (i < n) {
            const QChar c = selection[i];
            if (c == QLatin1Char('\'')) {
                if (i + 1 < n && selection[i + 1] == QLatin1Char('\'')) {
                    key += c;
                    i += 2;
                    continue;
                }
                closed = true;
                ++i;
                break;
            }
            key += c;
            ++i;
        }
        if (!closed)
            return std::nullopt;
        keys.append(key);
        if (i == n)
            break;
        if (selection[i] != QLatin1Char(',') || i + 1 == n)
            return std::nullopt;
        ++i;
    }
    return keys;
}

}  // namespace confcred::host::core
