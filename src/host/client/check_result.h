// Vetting of a server call's result before a screen uses it.
#pragma once

#include "dataset/data_packet.h"
#include "host/client/net_connection.h"

namespace confcred::host::client {

// The data packet of a good result (an empty packet when the result carries no
// packet). On an error result it shows the server's message in an error box
// and, with `abortOnError` true, stops the running handler (Abort); with it
// false it returns an empty packet after the box.
dataset::DataPacket CheckResultServ(const CallResult& result, bool abortOnError = true,
                                    int helpContext = 0);
// The same, moving the packet out of a result the caller no longer needs:
// CheckResultServ(net.AppServer("getPEDCREDCONS", args), true, 0).
dataset::DataPacket CheckResultServ(CallResult&& result, bool abortOnError = true,
                                    int helpContext = 0);

}  // namespace confcred::host::client
