// The supervisor's reads, without a window: an order's history and the
// closing of a period, each one call under the busy animation. A failure
// goes to the screen's report, which stops the handler.
#pragma once

#include <string>

#include "dataset/data_packet.h"
#include "package/core/run_screen.h"
#include "platform/datetime.h"

namespace confcred::host::client {
class TNetConnection;
}

namespace confcred::package::supervision {

struct SupervisionRun {
    host::client::TNetConnection& connection;
    RunScreen& screen;
};

// getHistoricoPedido: the order's events in time order.
dataset::DataPacket orderHistory(SupervisionRun& run, const std::string& orderNumber);

// getFechamento: the period's figures (first and last day, both included).
dataset::DataPacket closing(SupervisionRun& run, platform::DateTime first, platform::DateTime last);

}  // namespace confcred::package::supervision
