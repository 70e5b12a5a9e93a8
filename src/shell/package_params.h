// The package's credit filter parameters as the host reads them through the
// package's exported accessor, for the automation's dump-params.
#pragma once

#include <QStringList>

namespace confcred::host::core {
class PackageLoader;
}

namespace confcred::shell {

// "NAME = value" lines, in the package's own order; empty when the package
// does not export its parameters.
QStringList packageParams(host::core::PackageLoader& package);

}  // namespace confcred::shell
