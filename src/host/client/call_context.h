// What a server connection takes from the host besides the server's address:
// the operator's session its calls go under and who is told of every call.
// A connection is handed one when it is made and reads nothing process-wide
// after that. The host has one context for its one session
// (hostCallContext()); a connection made without another gets it, which is
// how the package's screens reach the host's session. Tests make their own.
#pragma once

#include <QString>
#include <functional>

namespace confcred::host::client {

class ServerSession;

// Told of a call (method name and the JSON array of its arguments) before it
// is sent; the automation transcript prints them.
using CallObserver = std::function<void(const QString& method, const QString& argsText)>;

struct CallContext {
    // Null: calls carry no session and never log in again.
    ServerSession* session = nullptr;
    CallObserver observer;
};

// The host's context: the process's session (serverSession()) and the
// observer the automation driver sets. It outlives every connection.
CallContext& hostCallContext();

}  // namespace confcred::host::client
