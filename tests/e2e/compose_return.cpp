// Writes a CNAB 240 bank return file for an end-to-end script, with the
// tests' composer, every record dated today:
//   compose_return OUT BANK SLIP:PAIDCENTS[:OCCURRENCE]...
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "support/return_files.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s OUT BANK SLIP:PAIDCENTS[:OCCURRENCE]...\n", argv[0]);
        return 2;
    }
    const auto today = confcred::platform::now().date();
    std::vector<confcred::testing::ComposedSlip> slips;
    for (int i = 3; i < argc; ++i) {
        const std::string spec = argv[i];
        const auto colon = spec.find(':');
        const auto second = spec.find(':', colon + 1);
        confcred::testing::ComposedSlip s;
        s.nossoNumero = spec.substr(0, colon);
        s.faceCents = s.paidCents = std::stoll(spec.substr(colon + 1, second - colon - 1));
        if (second != std::string::npos)
            s.occurrence = spec.substr(second + 1);
        s.occurrenceDate = s.creditDate = today;
        slips.push_back(s);
    }
    std::ofstream(argv[1], std::ios::binary) << confcred::testing::composeCnab240(argv[2], slips);
    return 0;
}
