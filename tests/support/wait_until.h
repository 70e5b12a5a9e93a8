#pragma once
// Waiting in tests for something to happen, instead of sleeping for a time
// that a loaded machine may not keep: the condition is checked at once and
// then every few milliseconds until it holds or the time is up.

#include <chrono>
#include <functional>

namespace confcred::testing {

// True as soon as `condition()` holds; false when `timeout` has passed and a
// last check still failed. Between checks the thread sleeps a moment, or, in
// the widget tests (whose main installs it), runs the Qt event loop for that
// moment, so that the timers, signals and network answers the condition
// waits for are handled meanwhile.
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(30));

// What waitUntil does between two checks, given the longest it may take; a
// null step restores the plain sleep.
using WaitStep = std::function<void(std::chrono::milliseconds)>;
void setWaitStep(WaitStep step);

}  // namespace confcred::testing
