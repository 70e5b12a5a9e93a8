// The error routine every screen uses for input errors and empty results.
#pragma once

#include <QString>

namespace confcred::host::core {

// Shows `text` in an error box (caption: the application title) through the
// UI service. With `abort` true it then stops the running handler with the
// silent Abort, so nothing after the call runs; clean-up guards still do.
void MensErro(const QString& text, bool abort);

}  // namespace confcred::host::core
