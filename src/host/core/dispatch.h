// One dispatch point for every UI event. A handler stops silently by throwing
// a SilentStop (Abort: MensErro and CheckResultServ); the dispatch point
// swallows it and hands any other exception to the application's error
// report, so the application keeps running. Clean-up belongs in ScopeGuards,
// which run on every way out of a handler.
#pragma once

#include <QObject>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace confcred::host::core {

// A stop the dispatch point swallows without a report: whoever raised it has
// already told the operator (or, for the scripted UI service, its driver).
class SilentStop : public std::exception {
  public:
    const char* what() const noexcept override { return "Operation stopped"; }
};

// The silent stop of a handler.
class Abort : public SilentStop {
  public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

[[noreturn]] void abortHandler();

// Runs a handler: a SilentStop is swallowed, any other exception goes to the
// error report. Returns false when the handler did not run to its end.
bool dispatch(const std::function<void()>& handler);

// Where unexpected errors go: by default an error box with the text, through
// the UI service. Tests may install their own.
using ErrorReport = std::function<void(const QString& text)>;
void setErrorReport(ErrorReport report);
void reportError(const QString& text);

// How every handler is connected: with onEvent, and nothing else.
//
//   onEvent(source, &Source::event, receiver, &Receiver::handler);
//
// The event is a Qt signal of a QObject source (a button's clicked, a tab
// control's currentChanged, a control's exit through ControlExit in
// control_exit.h), or a hook of a source: a hook member
// (&TDBGrid::OnTitleClick) or a hook setter of a source outside Qt
// (&dataset::Field::setOnGetText, &dataset::RecordSet::setAfterScroll,
// &dataset::DataSource::setOnStateChange). The handler is a member function
// of the receiver (private ones too, named from inside the class) or any
// callable; it gets the event's arguments when it takes them, otherwise none.
// It always runs at once, in the sender's call (a direct connection), so a
// key handler may set key = 0 and a draw handler works on arguments the
// sender still holds; and always through the dispatch point. A handler whose
// first argument is an int& (a key) and that stops leaves it 0: a stopped key
// handler swallows its key. A hook holds its handler until it is replaced, so
// its source must not outlive the receiver (a screen's own record sets and
// grids). The lifecycle handlers (FormCreate, FormKeyDown, ...) are no
// connections: the base screen calls them (form_base.h). Plain Qt
// connections stay inside components (a grid following its model), where
// they reach no screen's handler.
namespace detail {

template <class Receiver, class Handler, class... Args>
void invokeHandler(Receiver* receiver, Handler& handler, Args&... args) {
    if constexpr (std::is_member_function_pointer_v<Handler>) {
        if constexpr (std::is_invocable_v<Handler&, Receiver*, Args&...>)
            std::invoke(handler, receiver, args...);
        else
            std::invoke(handler, receiver);
    } else if constexpr (std::is_invocable_v<Handler&, Args&...>) {
        std::invoke(handler, args...);
    } else {
        std::invoke(handler);
    }
}

inline void swallowStoppedKey() {}
template <class First, class... Rest>
void swallowStoppedKey([[maybe_unused]] First& first, Rest&...) {
    if constexpr (std::is_same_v<First, int>)
        first = 0;
}

template <class Receiver, class Handler, class... Args>
void runHandler(Receiver* receiver, Handler& handler, Args&... args) {
    auto call = [&] { invokeHandler(receiver, handler, args...); };
    // By reference: a handler on a hot path (display texts, cell drawing)
    // costs no allocation.
    if (!dispatch(std::ref(call)))
        swallowStoppedKey(args...);
}

}  // namespace detail

// A Qt signal.
template <class Source, class Signal, class Receiver, class Handler>
requires std::is_base_of_v<QObject, Source> && std::is_member_function_pointer_v<Signal>
    QMetaObject::Connection onEvent(Source* source, Signal signal, Receiver* receiver,
                                    Handler handler) {
    return QObject::connect(
        source, signal, receiver,
        [receiver, handler = std::move(handler)](auto&&... args) mutable {
            detail::runHandler(receiver, handler, args...);
        },
        Qt::DirectConnection);
}

// A hook member.
template <class Source, class... Args, class Receiver, class Handler>
void onEvent(Source* source, std::function<void(Args...)> Source::*hook, Receiver* receiver,
             Handler handler) {
    source->*hook = [receiver, handler = std::move(handler)](Args... args) mutable {
        detail::runHandler(receiver, handler, args...);
    };
}

// A hook setter.
template <class Source, class... Args, class Receiver, class Handler>
void onEvent(Source* source, void (Source::*setter)(std::function<void(Args...)>),
             Receiver* receiver, Handler handler) {
    (source->*setter)([receiver, handler = std::move(handler)](Args... args) mutable {
        detail::runHandler(receiver, handler, args...);
    });
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

}  // namespace confcred::host::core
