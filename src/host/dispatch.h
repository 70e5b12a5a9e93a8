// One dispatch point for every UI event. A handler stops silently by throwing
// Abort (MensErro and CheckResultServ do); the dispatch point swallows it and
// hands any other exception to the application's error report, so the
// application keeps running. Clean-up belongs in ScopeGuards, which run on
// every way out of a handler.
#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <utility>

namespace confcred::host {

// The silent stop of a handler.
class Abort : public std::exception {
  public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

[[noreturn]] void abortHandler();

// Runs a handler: Abort is swallowed, any other exception goes to the error
// report. Returns false when the handler did not run to its end.
bool dispatch(const std::function<void()>& handler);

// Where unexpected errors go: by default an error box with the text, through
// the UI service. Tests may install their own.
using ErrorReport = std::function<void(const QString& text)>;
void setErrorReport(ErrorReport report);
void reportError(const QString& text);

// Connects a signal to a handler through the dispatch point:
// onEvent(button, &QAbstractButton::clicked, this, [this] { btnXClick(); });
template <typename Sender, typename Signal, typename Handler>
QMetaObject::Connection onEvent(Sender* sender, Signal signal, QObject* context, Handler handler) {
    return QObject::connect(sender, signal, context,
                            [handler = std::move(handler)](auto&&...) { dispatch(handler); });
}

// Runs its action when it goes out of scope, however the scope is left. A
// clean-up that fails on the normal way out propagates like any error (an
// Abort in it stops the handler); one that fails while another error unwinds
// is reported (Abort silently) and the first error goes on.
class ScopeGuard {
  public:
    explicit ScopeGuard(std::function<void()> action)
        : action_(std::move(action)), uncaught_(std::uncaught_exceptions()) {}
    ~ScopeGuard() noexcept(false) {
        if (!action_)
            return;
        if (std::uncaught_exceptions() == uncaught_) {
            action_();
            return;
        }
        try {
            action_();
        } catch (...) {
            reportCleanupFailure(std::current_exception());
        }
    }
    void dismiss() { action_ = nullptr; }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

  private:
    static void reportCleanupFailure(std::exception_ptr error);
    std::function<void()> action_;
    int uncaught_;
};

}  // namespace confcred::host
