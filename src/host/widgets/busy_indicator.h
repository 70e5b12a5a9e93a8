// The busy animation shown over a window while a long step runs (a server
// call, an import). It is driven by a timer, so it keeps moving while a server
// call waits in its local event loop; it also sets the wait cursor.
#pragma once

class QString;
class QWidget;

namespace confcred::host::widgets {

// Busy animation kinds: 0 while connecting, 1 while processing.
enum BusyKind : int { busyConnecting = 0, busyProcessing = 1 };

// Starts the animation over `window` (the application's main window when
// null; with no window at all only the cursor changes). Calls nest: only the
// first one shows the overlay, and it stays until the matching last
// DeactiveShowAvi. An unknown kind shows as kind 1.
void ActiveShowAvi(QWidget* window, int kind);
// Ends one ActiveShowAvi; the overlay and the wait cursor go with the last
// one. A call with nothing active does nothing.
void DeactiveShowAvi();

// A line under the animation's text saying how far the step has come
// ("Página 12 de 345"); empty for none. Kept until the animation ends, and
// ignored when none shows.
void SetShowAviProgress(const QString& line);

// For tests and diagnostics: how many ActiveShowAvi calls are open, and the
// overlay widget now shown (null when none).
int busyDepth();
QWidget* busyOverlay();

}  // namespace confcred::host::widgets
