#include "host/core/ui_service.h"

namespace confcred::host::core {

namespace {

UiService* current = nullptr;

}  // namespace

UiService& ui() {
    return current ? *current : defaultUiService();
}

void setUi(UiService* service) {
    current = service;
}

}  // namespace confcred::host::core
