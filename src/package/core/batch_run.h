// One batch operation without its screen: the question, the packet of the
// ticked orders in the operation's situation, one server call, the notice or
// the failure, and the clean-up that always reloads the list. It asks, tells,
// animates and reloads through the screen's RunScreen and calls over the
// screen's connection.
#pragma once

#include <QString>
#include <cstddef>
#include <optional>

#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/messages.h"
#include "package/core/run_screen.h"

namespace confcred::package {

struct BatchOperation;

enum class BatchEnd {
    Cancelled,        // not answered Yes: nothing touched, no clean-up
    NothingSelected,  // no ticked order in the operation's situation: server not called
    ServerRefused,    // the server answered with an error
    TransportFailed,  // no usable answer (no server, a dropped connection, a broken answer)
    Done,
};

struct BatchOutcome {
    BatchEnd end = BatchEnd::Cancelled;
    size_t sent = 0;  // rows of the packet
    // What the screen was told, for every end but Cancelled and Done.
    std::optional<RunFailure> failure;
};

struct BatchRun {
    host::client::TNetConnection& connection;
    const host::core::TMessages& messages;
    dataset::RecordSet& orders;    // cdsGetPediCreCons, walked
    dataset::RecordSet& selected;  // cdsTemp, recreated once the question is answered Yes
    RunScreen& screen;
    QString questionDetail{};  // the question's informative line: what is about to be sent
};

// Runs `operation`: once answered Yes, the busy animation runs until the
// clean-up, with the list views detached. The operator is told of the end
// before the clean-up (the notice with the count of orders changed, or the
// failure through the screen's report, which stops the handler); the
// clean-up then reloads and attaches the views again, the views even when
// the reload fails. Unless the operation was done, the reloaded list gets
// back the ticks of the orders still listed and the current order
// (kept_marks.h). Other failures pass on unchanged after the clean-up.
BatchOutcome runBatchOperation(const BatchOperation& operation, BatchRun& run);

}  // namespace confcred::package
