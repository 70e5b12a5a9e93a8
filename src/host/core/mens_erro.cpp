#include "host/core/mens_erro.h"

#include "host/core/application.h"
#include "host/core/dispatch.h"
#include "host/core/ui_service.h"

namespace confcred::host::core {

void MensErro(const QString& text, bool abort) {
    BoxRequest box;
    box.kind = BoxKind::Error;
    box.caption = application().title();
    box.text = text;
    box.buttons = mbOK;
    ui().showBox(box);
    if (abort)
        abortHandler();
}

}  // namespace confcred::host::core
