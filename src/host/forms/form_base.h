// The lifecycle every base screen shares, in the classic order: create
// (FormCreate), show (FormShow), activate (FormActivate, every time the screen
// becomes the active one), a close request (FormClose, which decides with its
// action whether the screen hides, is freed or stays), and FormKeyDown, which
// with KeyPreview on sees every key of the screen before the control with the
// focus and may swallow it (key = 0). Derived handlers call the base handler
// first. Handlers run through the dispatch point.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <utility>

class QShortcut;
class QWidget;

namespace confcred::host::forms {

enum TCloseAction { caNone, caHide, caFree, caMinimize };

class FormLifecycle;

namespace detail {
// Watches the screen's widget (show, activation) and, with KeyPreview on, the
// keys going to any of its controls.
class FormEventFilter : public QObject {
  public:
    FormEventFilter(FormLifecycle& form, QWidget& widget);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    FormLifecycle& form_;
    QWidget& widget_;
    const QEvent* lastKey_ = nullptr;
    QPointer<QObject> lastKeyReceiver_;
};
}  // namespace detail

class FormLifecycle {
  public:
    virtual ~FormLifecycle();
    FormLifecycle(const FormLifecycle&) = delete;
    FormLifecycle& operator=(const FormLifecycle&) = delete;

    bool KeyPreview = true;

    // True once FormCreate has run to its end.
    bool created() const { return created_; }
    // True when the screen asked to close, or was closed, while its
    // FormCreate ran (no connection, say). Such a screen is on its way out:
    // whoever creates it neither keeps nor shows it, and it is never
    // activated.
    bool closedDuringCreation() const { return closedDuringCreation_; }

  protected:
    // `widget` is the screen itself; `defaultAction` what a close does unless
    // FormClose says otherwise.
    FormLifecycle(QWidget& widget, TCloseAction defaultAction);

    // The lifecycle handlers; the base runs them through the dispatch point
    // (FormCreate excepted, see runFormCreate).
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormActivate() {}
    virtual void FormClose(TCloseAction& action) { (void)action; }
    virtual void FormKeyDown(int& key, Qt::KeyboardModifiers shift) {
        (void)key;
        (void)shift;
    }

    // For the close paths of the base screens: runs FormClose and returns the
    // action to take; caNone when the handler chose it or stopped.
    TCloseAction runFormClose();
    // Activation the widget itself cannot see (a child in a multiple-document area).
    void runFormActivate();

  private:
    template <class F, class... Args>
    friend F* createForm(Args&&... args);
    friend class detail::FormEventFilter;

    // Runs FormCreate outside the dispatch point: a failure goes to whoever
    // creates the screen, as a constructor's would.
    void runFormCreate();

    QWidget& widget_;
    TCloseAction defaultAction_;
    std::unique_ptr<detail::FormEventFilter> filter_;
    bool creating_ = false;
    bool created_ = false;
    bool closedDuringCreation_ = false;
};

// The help command of the base screens: shows the screen's help page, the
// resource ":/ajuda/<screen code>.html" its package installs, or else tells
// which screen this is, by its code and title, and that its help is missing.
void showScreenHelp(const QString& screenCode, const QString& title);

// F1 anywhere in the form shows its help page, as the help command does; the
// key works in dialogs whose help button is hidden too.
QShortcut* helpKey(QWidget& form);

// Creates a screen and runs its FormCreate; if that fails the screen is freed
// and the error goes on to the caller. A screen that closed during its
// creation is returned all the same (its close action decides whether it is
// already being freed); the caller asks closedDuringCreation().
template <class F, class... Args>
F* createForm(Args&&... args) {
    auto form = std::make_unique<F>(std::forward<Args>(args)...);
    form->runFormCreate();
    return form.release();
}

}  // namespace confcred::host::forms
