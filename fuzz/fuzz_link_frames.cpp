// Request frames as zefd's link route receives them from another controller.
// A message is taken only when it is exactly one frame, and then building the
// frame again from what was parsed gives the same bytes.

#include <vector>

#include "fuzz_check.h"
#include "protocol/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes = FuzzBytes(data, size);
    const auto parsed = zef::ParseCommandFrame(bytes);
    if (!parsed) return 0;
    FUZZ_CHECK(size <= zef::kMaxFrameSize);
    const std::vector<std::uint8_t> again = zef::BuildCommandFrame(parsed->address, parsed->request);
    // Identify goes to address 0 whatever was asked: compare the rest.
    FUZZ_CHECK(again.size() == size);
    const bool identify = parsed->request.command == 0;
    for (std::size_t i = 0; i < size; ++i) FUZZ_CHECK((identify && i == 2) || again[i] == data[i]);
    return 0;
}
