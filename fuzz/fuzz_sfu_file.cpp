// Firmware files (.sfu). An accepted file is exactly what BuildSfu makes of
// its own header and image: nothing damaged passes both checksums.

#include "files/sfu_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zef::SfuParse r = zef::ParseSfu(FuzzBytes(data, size));
    FUZZ_CHECK((r.error == zef::SfuError::None) == r.file.has_value());
    if (!r.file) return 0;
    const std::vector<std::uint8_t> rebuilt = zef::BuildSfu(r.file->header, r.file->image);
    FUZZ_CHECK(rebuilt.size() == size && std::equal(rebuilt.begin(), rebuilt.end(), data));
    return 0;
}
