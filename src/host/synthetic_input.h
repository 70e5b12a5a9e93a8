// Mouse clicks and key presses delivered as the window system would deliver
// them, so that they take the same path through the widgets as an operator's:
// the automation driver and the widget tests use them.
#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

class QWidget;

namespace confcred::host {

// A left click (press and release) at `point` in the widget's coordinates.
void sendClick(QWidget* target, QPoint point);
// A key press and release; `text` is what the key types, if anything.
void sendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
             const QString& text = {});

}  // namespace confcred::host
