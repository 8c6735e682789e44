// Firmware files (.sfu). An accepted file is what BuildSfu makes of its own
// header and image, but for the reserved bytes (which readers ignore) and the
// header checksum that covers them: nothing damaged passes both checksums.

#include "files/sfu_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zef::SfuParse r = zef::ParseSfu(FuzzBytes(data, size));
    FUZZ_CHECK((r.error == zef::SfuError::None) == r.file.has_value());
    if (!r.file) return 0;
    const std::vector<std::uint8_t> rebuilt = zef::BuildSfu(r.file->header, r.file->image);
    FUZZ_CHECK(rebuilt.size() == size);
    for (std::size_t i = 0; i < size; ++i) {
        const bool ignored = i == 11 || (i >= 20 && i < 32);  // reserved bytes and the header checksum
        FUZZ_CHECK(ignored || rebuilt[i] == data[i]);
    }
    const zef::SfuParse again = zef::ParseSfu(rebuilt);
    FUZZ_CHECK(again.file && again.file->image == r.file->image && again.file->header.model == r.file->header.model);
    return 0;
}
