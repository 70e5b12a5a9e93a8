// The contract between a run (batch, import, bank return, list reload) and
// the screen it runs for. A run reaches the operator and the main window only
// through the screen's RunScreen: it asks, it says how it failed, it turns
// the busy animation on and off and it has the list fetched again. The screen
// decides how each of these looks; the run stays free of widgets.
#pragma once

#include <QString>
#include <exception>
#include <optional>
#include <utility>

#include "host/core/ui_service.h"

namespace confcred::package {

// How a run failed, as the operator is told of it.
struct RunFailure {
    enum class Kind {
        Stopped,          // the run's own text, in an error box
        ServerRefused,    // the server's message, in an error box
        TransportFailed,  // no usable answer: the failure as raised, for the host's error report
    };
    Kind kind = Kind::Stopped;
    QString message;            // the text shown; for TransportFailed the failure's text
    std::exception_ptr raised;  // TransportFailed only

    static RunFailure stopped(QString text) { return {Kind::Stopped, std::move(text), nullptr}; }
    static RunFailure refused(QString serverMessage) {
        return {Kind::ServerRefused, std::move(serverMessage), nullptr};
    }
    // To be made inside the handler of the transport failure.
    static RunFailure transport(const std::exception& error) {
        return {Kind::TransportFailed, QString::fromUtf8(error.what()), std::current_exception()};
    }
};

// Tells the operator of `failure` the way every screen does and stops the
// running handler: an error box and Abort for Stopped and ServerRefused, the
// failure raised again for TransportFailed.
[[noreturn]] void reportRunFailure(const RunFailure& failure);

// What a run needs of its screen. Screens implement it privately and hand
// themselves to the run.
class RunScreen {
  public:
    // Shows `box` with the screen's caption and owner; the button chosen.
    virtual int ask(host::core::BoxRequest box) = 0;
    // Shows the file chooser `request` over the screen; the file chosen.
    virtual std::optional<QString> ask(host::core::FileRequest request) = 0;
    // Tells the operator of a failure. A screen's answer stops the running
    // handler (reportRunFailure); the run, should it come back, ends there.
    virtual void report(const RunFailure& failure) = 0;
    // The busy animation over the main window, on and off.
    virtual void busy(bool on) = 0;
    // The list views stop following the order list while a run changes it,
    // and follow it again; a screen without a list has nothing to do.
    virtual void followList(bool /*follow*/) {}
    // Fetches the order list again; likewise.
    virtual void reload() {}

  protected:
    RunScreen() = default;
    RunScreen(const RunScreen&) = default;
    RunScreen& operator=(const RunScreen&) = default;
    virtual ~RunScreen() = default;
};

// Ends a run at `end` with `failure`, the screen told of it: the outcome of
// every run carries its end and, when it failed, how.
template <class Outcome, class End>
Outcome& endRunWith(RunScreen& screen, Outcome& outcome, End end, RunFailure failure) {
    outcome.end = end;
    outcome.failure = std::move(failure);
    screen.report(*outcome.failure);
    return outcome;
}

// The busy animation for one scope of a run.
class RunBusy {
  public:
    explicit RunBusy(RunScreen& screen) : screen_(screen) { screen_.busy(true); }
    ~RunBusy() { screen_.busy(false); }
    RunBusy(const RunBusy&) = delete;
    RunBusy& operator=(const RunBusy&) = delete;

  private:
    RunScreen& screen_;
};

}  // namespace confcred::package
