#include "host/forms/form_base.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

#include "host/core/dispatch.h"
#include "host/core/ui_service.h"
#include "host/widgets/accessibility.h"

namespace confcred::host::forms {

namespace detail {

FormEventFilter::FormEventFilter(FormLifecycle& form, QWidget& widget)
    : form_(form), widget_(widget) {
    // One filter on the application sees the screen's own events and the
    // keys of all its controls (a second one on the screen would see them twice).
    if (qApp != nullptr)
        qApp->installEventFilter(this);
}

bool FormEventFilter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::Show:
            if (watched == &widget_ && !event->spontaneous()) {
                widgets::nameControls(&widget_);
                core::dispatch([this] { form_.FormShow(); });
            }
            return false;
        case QEvent::WindowActivate:
            if (watched == &widget_ && widget_.isWindow())
                form_.runFormActivate();
            return false;
        case QEvent::KeyPress:
            break;
        case QEvent::KeyRelease:
            // A key that was released has finished its way up; the next press
            // is a new key even when it reuses the same event's address.
            lastKey_ = nullptr;
            return false;
        default:
            return false;
    }
    if (!form_.KeyPreview || !watched->isWidgetType())
        return false;
    auto* receiver = static_cast<QWidget*>(watched);
    if (receiver != &widget_ && !widget_.isAncestorOf(receiver))
        return false;
    // The application's filter sees a key again at each parent it is
    // passed on to; the screen previews it once, at the first control. A
    // key for the same control again is a new key, not the last one passed
    // on (events built one after another often share an address).
    if (event == lastKey_ && lastKeyReceiver_ != nullptr && lastKeyReceiver_->isWidgetType() &&
        receiver != lastKeyReceiver_ &&
        receiver->isAncestorOf(static_cast<QWidget*>(lastKeyReceiver_.data()))) {
        return false;
    }
    lastKey_ = event;
    lastKeyReceiver_ = receiver;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    int key = keyEvent->key();
    const bool completed = core::dispatch([&] { form_.FormKeyDown(key, keyEvent->modifiers()); });
    if (!completed || key == 0) {
        keyEvent->accept();
        return true;
    }
    return false;
}

}  // namespace detail

FormLifecycle::FormLifecycle(QWidget& widget, TCloseAction defaultAction)
    : widget_(widget),
      defaultAction_(defaultAction),
      filter_(std::make_unique<detail::FormEventFilter>(*this, widget)) {}

FormLifecycle::~FormLifecycle() = default;

void FormLifecycle::runFormCreate() {
    creating_ = true;
    core::ScopeGuard done([this] { creating_ = false; });
    FormCreate();
    created_ = true;
}

TCloseAction FormLifecycle::runFormClose() {
    TCloseAction action = defaultAction_;
    if (!core::dispatch([&] { FormClose(action); }))
        return caNone;  // a failing close handler keeps the screen open
    if (creating_ && action != caNone)
        closedDuringCreation_ = true;
    return action;
}

void FormLifecycle::runFormActivate() {
    // A screen still being created, or not shown, is not active yet: the
    // multiple-document area may activate a new child while its creation
    // waits for the server. One that closed while being created never is.
    if (!created_ || closedDuringCreation_ || !widget_.isVisible())
        return;
    core::dispatch([this] { FormActivate(); });
}

void showScreenHelp(const QString& screenCode, const QString& title) {
    QFile page(QStringLiteral(":/ajuda/%1.html").arg(screenCode));
    if (page.open(QIODevice::ReadOnly)) {
        core::ui().showPage(QCoreApplication::translate("confcred_host", "Ajuda - %1").arg(title),
                            QString::fromUtf8(page.readAll()), nullptr);
        return;
    }
    core::BoxRequest box;
    box.kind = core::BoxKind::Information;
    box.text = QCoreApplication::translate("confcred_host",
                                           "Tela %1 - %2.\nA ajuda desta tela não está instalada.")
                   .arg(screenCode, title);
    core::ui().showBox(box);
}

QShortcut* helpKey(QWidget& form) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), &form);
    key->setObjectName(QStringLiteral("sctAjuda"));
    key->setContext(Qt::WidgetWithChildrenShortcut);
    return key;
}

}  // namespace confcred::host::forms
