#include "shell/package_params.h"

#include "host/core/package_loader.h"

namespace confcred::shell {

namespace {
// The package's export: writes its variables as UTF-8 "NAME = value" lines,
// separated by '\n', into a buffer it owns until the next call.
using ParamsEntry = const char* (*)();
constexpr const char* kParamsEntry = "GetCreditFilterParams";
}  // namespace

QStringList packageParams(host::core::PackageLoader& package) {
    auto entry = reinterpret_cast<ParamsEntry>(package.symbol(kParamsEntry));
    if (!entry)
        return {};
    return QString::fromUtf8(entry()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace confcred::shell
