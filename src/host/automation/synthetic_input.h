// Mouse clicks and key presses delivered as the window system would deliver
// them, so that they take the same path through the widgets as an operator's:
// the automation driver and the widget tests use them.
#pragma once

#include <QKeyCombination>
#include <QPoint>
#include <QString>
#include <Qt>

class QWidget;

namespace confcred::host::automation {

// A left click (press and release) at `point` in the widget's coordinates.
void sendClick(QWidget* target, QPoint point);
// A key press and release; `text` is what the key types, if anything.
void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString& text = {});

// A key combination ("Ctrl+E") as the keyboard gives it: the window's
// shortcuts (menu entries) take it first, as they would from the window
// system; otherwise it goes to `target` as a press and a release, with the
// text a printable key types. The target's window should be the active one,
// since shortcuts only fire in it. True when a shortcut took the key.
bool sendKeyCombination(QWidget* target, QKeyCombination combination);

}  // namespace confcred::host::automation
