#include "host/client/check_result.h"

#include <QCoreApplication>

#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"

namespace confcred::host::client {

namespace {

void showServerError(const CallResult& result, bool abortOnError, int helpContext) {
    core::BoxRequest box;
    box.kind = core::BoxKind::Error;
    box.caption = core::application().title();
    box.text = result.errorMessage().isEmpty()
                   ? QCoreApplication::translate(
                         "confcred_host", "O servidor de aplicação informou um erro sem descrição.")
                   : result.errorMessage();
    box.buttons = core::mbOK;
    box.helpContext = helpContext;
    core::ui().showBox(box);
    if (abortOnError)
        core::abortHandler();
}

}  // namespace

dataset::DataPacket CheckResultServ(const CallResult& result, bool abortOnError, int helpContext) {
    if (result.isError()) {
        showServerError(result, abortOnError, helpContext);
        return {};
    }
    return result.hasPacket() ? result.packet() : dataset::DataPacket{};
}

dataset::DataPacket CheckResultServ(CallResult&& result, bool abortOnError, int helpContext) {
    if (result.isError()) {
        showServerError(result, abortOnError, helpContext);
        return {};
    }
    return result.hasPacket() ? result.takePacket() : dataset::DataPacket{};
}

}  // namespace confcred::host::client
