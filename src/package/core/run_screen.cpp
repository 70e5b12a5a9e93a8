#include "package/core/run_screen.h"

#include "host/client/check_result.h"
#include "host/client/net_connection.h"
#include "host/core/dispatch.h"
#include "host/core/mens_erro.h"

namespace confcred::package {

void reportRunFailure(const RunFailure& failure) {
    switch (failure.kind) {
        case RunFailure::Kind::Stopped:
            host::core::MensErro(failure.message, false);
            break;
        case RunFailure::Kind::ServerRefused:
            host::client::CheckResultServ(host::client::CallResult::fromError(failure.message),
                                          false, 0);
            break;
        case RunFailure::Kind::TransportFailed:
            if (failure.raised)
                std::rethrow_exception(failure.raised);
            break;
    }
    host::core::abortHandler();
}

}  // namespace confcred::package
