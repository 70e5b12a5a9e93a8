#include "package/core/supervision_calls.h"

#include "host/client/net_connection.h"
#include "package/core/server_names.h"

namespace confcred::package::supervision {

namespace {

dataset::DataPacket callFor(SupervisionRun& run, const QString& method,
                            const host::client::CallArgs& args) {
    host::client::CallResult result;
    try {
        RunBusy busy(run.screen);
        result = run.connection.appServer().call(method, args);
    } catch (const host::client::TransportError& error) {
        run.screen.report(RunFailure::transport(error));
        return {};
    }
    if (result.isError()) {
        run.screen.report(RunFailure::refused(result.errorMessage()));
        return {};
    }
    return result.hasPacket() ? result.takePacket() : dataset::DataPacket{};
}

}  // namespace

dataset::DataPacket orderHistory(SupervisionRun& run, const std::string& orderNumber) {
    return callFor(run, kGetHistoricoPedido, {QString::fromStdString(orderNumber)});
}

dataset::DataPacket closing(SupervisionRun& run, platform::DateTime first,
                            platform::DateTime last) {
    return callFor(run, kGetFechamento, {first, last});
}

}  // namespace confcred::package::supervision
