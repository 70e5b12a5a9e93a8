#include "host/client/check_result.h"

#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"

namespace confcred::host {

namespace {

void showServerError(const CallResult& result, bool abortOnError, int helpContext) {
    BoxRequest box;
    box.kind = BoxKind::Error;
    box.caption = application().title();
    box.text = result.errorMessage().isEmpty()
                   ? QStringLiteral("O servidor de aplicação informou um erro sem descrição.")
                   : result.errorMessage();
    box.buttons = mbOK;
    box.helpContext = helpContext;
    ui().showBox(box);
    if (abortOnError)
        abortHandler();
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

}  // namespace confcred::host
