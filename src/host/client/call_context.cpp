#include "host/client/call_context.h"

#include "host/client/server_session.h"

namespace confcred::host::client {

CallContext& hostCallContext() {
    static CallContext context{&serverSession(), {}};
    return context;
}

}  // namespace confcred::host::client
