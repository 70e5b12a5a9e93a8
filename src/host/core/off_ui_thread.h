// A long step that touches no widget (decoding a large answer, loading it into
// record sets, reading a file) runs on a worker thread while the UI thread
// waits as a server call waits (net_connection.h): in a local event loop that
// repaints the windows and runs timers, the busy animation's included, and
// holds the operator's clicks and keys back until the step is done, so that
// nothing runs twice.
//
// The step must neither touch a widget nor write anything the UI thread may
// read while it waits (a shown record set, a grid's model): it builds its
// results apart, and the caller puts them in place once the wait is over.
#pragma once

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace confcred::dataset {
class DataPacket;
class RecordSet;
}  // namespace confcred::dataset

namespace confcred::host::core {

// Runs `step` on a worker thread and waits for it as described above; an
// exception the step raises is raised again here. Without an application
// object, or away from its thread, the step runs in place.
void runOffUiThread(const std::function<void()>& step);

// The same for a step that computes a value.
template <class Step>
auto offUiThread(Step&& step) -> std::invoke_result_t<Step&> {
    using Value = std::invoke_result_t<Step&>;
    std::optional<Value> value;
    runOffUiThread([&] { value.emplace(step()); });
    return std::move(*value);
}

// Loads `packet` into `target` as RecordSet::loadPacket does: the rows go into
// a fresh set declared, filtered and ordered like `target` on a worker thread
// (the view sorted, the filter's index built), then into `target` at once on
// this thread. Until then `target` and whatever shows it stay as they were,
// also when the packet is refused (DataSetError).
void loadPacketOffUiThread(dataset::RecordSet& target, dataset::DataPacket packet);

}  // namespace confcred::host::core
