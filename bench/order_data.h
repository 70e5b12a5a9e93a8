#pragma once
// Deterministic order data for benchmarks: N credit orders with the fields of
// the order record, and their family rows, as data packets. The same seed gives
// the same data on every machine (own generator, no std distributions).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dataset/data_packet.h"
#include "dataset/field_def.h"

namespace confcred::dataset {
class RecordSet;
}

namespace confcred::bench {

// The order and family records (dataset/records.h) as field descriptions.
std::vector<dataset::FieldDef> orderFields();
std::vector<dataset::FieldDef> familyFields();

// Declares the fields on a record set, as the screens do before loading.
void declareOrderFields(dataset::RecordSet& set);
void declareFamilyFields(dataset::RecordSet& set);

// Orders numbered from 1 (NRPEDCRECONS is the number zero-padded to 20
// digits), in storage order by number; names and texts are random.
dataset::DataPacket makeOrders(size_t count, uint64_t seed = 2026);
// `perOrder` family rows for each order of `orders`, grouped by order.
dataset::DataPacket makeFamilies(const dataset::DataPacket& orders, size_t perOrder = 4,
                                 uint64_t seed = 2027);

// The server's order list statement up to its WHERE clause: the benchmarks'
// references run what the list method runs.
inline constexpr const char* kOrderSelect =
    "SELECT P.IDPEDCREEXTR, P.IDPEDCRECONT, P.NRBOLETO, P.NRPEDCRECONS, P.CDCLIENTE,"
    " P.CDCONSUMIDOR, P.VRPEDCRECONS_CENT, P.DTPEDCRECONS, P.DSSITCREBANC,"
    " C.NMCONSUMIDOR, C.NMRESPCONS, L.NMRAZSOCCLIE"
    " FROM PEDCREDCONS P"
    " JOIN CONSUMIDOR C ON C.CDCLIENTE = P.CDCLIENTE AND C.CDCONSUMIDOR = P.CDCONSUMIDOR"
    " JOIN CLIENTE L ON L.CDCLIENTE = P.CDCLIENTE";

// Small deterministic generator (splitmix64).
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    int64_t between(int64_t low, int64_t high) {
        return low + static_cast<int64_t>(next() % static_cast<uint64_t>(high - low + 1));
    }

  private:
    uint64_t state_;
};

}  // namespace confcred::bench
