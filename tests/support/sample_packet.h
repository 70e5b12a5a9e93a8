// A small order packet as the server sends it, for the client tests.
#pragma once

namespace confcred::testing {

inline constexpr const char* kSamplePacket =
    R"({"fields":[{"name":"NRPEDCRECONS","type":"string","size":20},)"
    R"({"name":"VRPEDCRECONS","type":"double"}],"rows":[["00000000000000000012",10.5],)"
    R"(["00000000000000000013",null]]})";

}  // namespace confcred::testing
