// Safe retries of the server's write calls. Each write call (the three
// operations and the import) carries a fresh Idempotency-Key; when its answer
// is lost on the way (the connection was refused, reset or closed before an
// answer came), the call is sent once more with the same key, and the server
// answers the first outcome instead of applying the call twice. The call
// policy (host/client/call_policy.h) applies these; a lost answer is the
// transport's AnswerLost (host/client/call_transport.h).
#pragma once

#include <QByteArray>
#include <QString>

namespace confcred::host::client {

// setEfetivaSaldo, setCancelaCredito, setSituacao and SetImporSaldoCons, in
// any letter case (as the server matches names).
bool isWriteCall(const QString& method);

// A random UUID without braces: 36 printable ASCII characters.
QByteArray newIdempotencyKey();

// Waits `ms` milliseconds in a local event loop that repaints but takes no
// user input, as a call's wait does.
void pauseBeforeRetry(int ms);

}  // namespace confcred::host::client
