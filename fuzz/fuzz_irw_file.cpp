// Impulse-response files (.irw). An accepted file gives finite samples, and
// the program's own encoding of them parses again.

#include <cmath>

#include "files/irw_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zef::IrwReadResult r = zef::ParseIrw(FuzzBytes(data, size));
    if (!r.ok()) {
        FUZZ_CHECK(r.samples.empty());
        return 0;
    }
    FUZZ_CHECK(!r.samples.empty() && r.samples.size() <= zef::kIrwMaximumSamples + 1);
    for (const double s : r.samples) FUZZ_CHECK(std::isfinite(s));
    const zef::IrwReadResult again = zef::ParseIrw(zef::EncodeIrw(r.samples));
    FUZZ_CHECK(again.ok() && again.samples.size() == r.samples.size());
    return 0;
}
