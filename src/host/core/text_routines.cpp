#include "host/core/text_routines.h"

namespace confcred::host::core {

namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimmedBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSlot(QChar c) {
    return QStringLiteral("09#LlAaCc").contains(c);
}

struct ParsedMask {
    QString format;
    bool saveLiterals = true;
    QChar blank = QLatin1Char('_');
};

// Splits "format;save;blank". The two trailing sections are recognised only
// when present in their exact shape, so a ';' escaped in the format stays.
ParsedMask parseMask(const QString& mask) {
    ParsedMask parsed;
    parsed.format = mask;
    const qsizetype n = mask.size();
    if (n >= 4 && mask[n - 2] == QLatin1Char(';') && mask[n - 4] == QLatin1Char(';') &&
        (n < 5 || mask[n - 5] != QLatin1Char('\\'))) {
        parsed.blank = mask[n - 1];
        parsed.saveLiterals = mask[n - 3] != QLatin1Char('0');
        parsed.format = mask.left(n - 4);
    } else if (n >= 2 && mask[n - 2] == QLatin1Char(';') &&
               (n < 3 || mask[n - 3] != QLatin1Char('\\'))) {
        parsed.saveLiterals = mask[n - 1] != QLatin1Char('0');
        parsed.format = mask.left(n - 2);
    }
    return parsed;
}

}  // namespace

QString Ajusta(const QString& text, int width) {
    const QString trimmed = trimmedBlanks(text);
    if (trimmed.isEmpty())
        return trimmed;
    for (QChar c : trimmed) {
        if (!isAsciiDigit(c))
            return trimmed;
    }
    if (trimmed.size() >= width)
        return trimmed;
    return QString(width - trimmed.size(), QLatin1Char('0')) + trimmed;
}

bool EmptyString(const QString& text) {
    return trimmedBlanks(text).isEmpty();
}

QString Ajusta_Inscricao(QString& text) {
    QString digits;
    digits.reserve(text.size());
    for (QChar c : text) {
        if (isAsciiDigit(c))
            digits.append(c);
    }
    text = digits;
    return text;
}

QString PictPess(const QString& text) {
    if (text.size() == 11)
        return QStringLiteral("000\\.000\\.000\\-00;0;_");
    if (text.size() == 14)
        return QStringLiteral("00\\.000\\.000\\/0000\\-00;0;_");
    return {};
}

QString FormatMaskText(const QString& mask, const QString& text) {
    if (mask.isEmpty())
        return text;
    const ParsedMask parsed = parseMask(mask);
    QString out;
    qsizetype pos = 0;  // next character of `text`
    enum class Case { Keep, Upper, Lower } letterCase = Case::Keep;
    const QString& f = parsed.format;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == QLatin1Char('<') && i + 1 < f.size() && f[i + 1] == QLatin1Char('>')) {
            letterCase = Case::Keep;
            ++i;
            continue;
        }
        if (c == QLatin1Char('>')) {
            letterCase = Case::Upper;
            continue;
        }
        if (c == QLatin1Char('<')) {
            letterCase = Case::Lower;
            continue;
        }
        if (c == QLatin1Char('\\') || !isSlot(c)) {
            const QChar literal = (c == QLatin1Char('\\') && i + 1 < f.size()) ? f[++i] : c;
            out.append(literal);
            // With the literals saved, the text carries them at their places.
            if (parsed.saveLiterals && pos < text.size())
                ++pos;
            continue;
        }
        if (pos < text.size()) {
            QChar ch = text[pos++];
            if (letterCase == Case::Upper)
                ch = ch.toUpper();
            else if (letterCase == Case::Lower)
                ch = ch.toLower();
            out.append(ch);
        } else {
            out.append(parsed.blank);
        }
    }
    return out;
}

}  // namespace confcred::host::core
