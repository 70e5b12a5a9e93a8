// One batch operation without its screen: the question, the packet of the
// ticked orders in the operation's situation, one server call and the
// clean-up that always reloads the list. It asks through the UI service and
// calls over the screen's connection; what the operator is told of the
// outcome, and the list's views and reload, are the screen's, handed in.
#pragma once

#include <QString>
#include <cstddef>
#include <exception>
#include <functional>

#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/messages.h"

class QWidget;

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
    // The server's error for ServerRefused, the failure's for TransportFailed.
    QString message;
    // TransportFailed: the failure as raised, for the host's error report.
    std::exception_ptr failure;
};

// The screen's part in an operation.
struct BatchScreen {
    // The list views stop following the order list, and follow it again.
    std::function<void()> detachViews;
    std::function<void()> attachViews;
    // Fetches the list again from the server into `orders` of the run.
    std::function<void()> reload;
    // Tells the operator the outcome. It runs before the clean-up, with the
    // busy animation still on and the views detached, and may stop the
    // operation (Abort); the clean-up runs all the same.
    std::function<void(const BatchOutcome& outcome)> report;
};

struct BatchRun {
    host::TNetConnection& connection;
    const host::TMessages& messages;
    dataset::RecordSet& orders;    // cdsGetPediCreCons, walked
    dataset::RecordSet& selected;  // cdsTemp, recreated once the question is answered Yes
    QWidget* owner;                // of the question box
    BatchScreen screen;
    QString questionDetail{};  // the question's informative line: what is about to be sent
};

// Runs `operation`: once answered Yes, the busy animation runs until the
// clean-up, which then reloads and attaches the views again, the views even
// when the reload fails. Unless the operation was done, the reloaded list
// gets back the ticks of the orders still listed and the current order
// (kept_marks.h). Failures other than a transport failure pass on unchanged
// after the clean-up.
BatchOutcome runBatchOperation(const BatchOperation& operation, BatchRun& run);

}  // namespace confcred::package
