#include "host/automation/synthetic_input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

// QtGui's own entry for a key that may be a shortcut (the one the test
// library's key clicks use): it runs the shortcut map and tells whether a
// shortcut took the key.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods, const QString& text,
                                               bool autorep, ushort count);

namespace confcred::host::automation {

namespace {

// The text a key types, as a keyboard would give it with these modifiers.
QString typedText(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return {};
    if (key == Qt::Key_Space)
        return QStringLiteral(" ");
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return QStringLiteral("\r");
    if (key >= 0x20 && key <= 0xff) {
        const QString text(QChar(static_cast<char16_t>(key)));
        return (modifiers & Qt::ShiftModifier) ? text.toUpper() : text.toLower();
    }
    return {};
}

}  // namespace

void sendClick(QWidget* target, QPoint point) {
    const QPointF global = target->mapToGlobal(QPointF(point));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(point), global, Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(point), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

}  // namespace confcred::host::automation

namespace confcred::host::automation {

bool sendKeyCombination(QWidget* target, QKeyCombination combination) {
    const int key = combination.key();
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    const QString text = typedText(key, modifiers);
    if (qt_sendShortcutOverrideEvent(target, 0, key, modifiers, text, false, 1))
        return true;
    sendKey(target, key, modifiers, text);
    return false;
}

}  // namespace confcred::host::automation
