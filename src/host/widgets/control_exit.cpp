#include "host/widgets/control_exit.h"

#include <QFocusEvent>
#include <QWidget>

namespace confcred::host::widgets {

ControlExit::ControlExit(QWidget* control) : QObject(control) {
    control->installEventFilter(this);
}

ControlExit* ControlExit::of(QWidget* control) {
    if (auto* existing = control->findChild<ControlExit*>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new ControlExit(control);
}

bool ControlExit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            emit exited();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace confcred::host::widgets
