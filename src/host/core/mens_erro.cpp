#include "host/mens_erro.h"

#include "host/application.h"
#include "host/dispatch.h"
#include "host/ui_service.h"

namespace confcred::host {

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

}  // namespace confcred::host
