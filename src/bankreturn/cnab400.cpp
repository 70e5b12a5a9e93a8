#include "bankreturn/layouts.h"

namespace confcred::bankreturn::detail {

ReturnFile readCnab400(const std::vector<FixedLine>& lines) {
    lines.front().fail(1, "leiaute CNAB 400 ainda não lido");
}

}  // namespace confcred::bankreturn::detail
