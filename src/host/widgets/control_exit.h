// The exit event of a control (the classic OnExit) as a Qt signal, so that a
// screen connects its handler with onEvent like any other: the focus moves
// from the control to another one. The window losing the activation or a
// popup opening takes the focus without leaving the control.
#pragma once

#include <QObject>

class QWidget;

namespace confcred::host::widgets {

class ControlExit : public QObject {
    Q_OBJECT

  public:
    // The control's exit event, made on first use (a child of the control).
    static ControlExit* of(QWidget* control);

  signals:
    void exited();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit ControlExit(QWidget* control);
};

}  // namespace confcred::host::widgets
