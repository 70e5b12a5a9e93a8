#include "package/core/list_reload.h"

#include <optional>
#include <utility>

#include "dataset/record_set.h"
#include "host/client/net_connection.h"
#include "host/core/off_ui_thread.h"
#include "package/core/credit_filter_params.h"
#include "package/core/server_names.h"

namespace confcred::package {

bool runListReload(ListReload& run) {
    host::client::CallResult orders =
        run.connection.appServer().call(kGetPedCredCons, creditFilterArgs());
    if (orders.isError()) {
        run.screen.report(RunFailure::refused(orders.errorMessage()));
        return false;
    }
    std::optional<RunFailure> failure;
    host::client::CallResult families;
    try {
        families = run.connection.appServer().call(kGetPediCredFami, creditFilterArgs());
        if (families.isError())
            failure = RunFailure::refused(families.errorMessage());
    } catch (const host::client::TransportError& error) {
        failure = RunFailure::transport(error);
    }

    // The orders go in before the families are built: the family list's
    // filter follows the current order.
    host::core::loadPacketOffUiThread(
        run.orders, orders.hasPacket() ? orders.takePacket() : dataset::DataPacket{});
    if (failure) {
        run.screen.report(*failure);
        return false;
    }
    host::core::loadPacketOffUiThread(
        run.families, families.hasPacket() ? families.takePacket() : dataset::DataPacket{});
    return true;
}

}  // namespace confcred::package
