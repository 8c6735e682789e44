// init.cfg: any bytes give a configuration (missing fields are zero), and
// what is written back reads the same.

#include "files/init_config.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const zef::InitConfig config = zef::DecodeInitConfig(bytes);
    const auto encoded = zef::EncodeInitConfig(config);
    const zef::InitConfig again = zef::DecodeInitConfig({encoded.begin(), encoded.end()});
    FUZZ_CHECK(again == config);
    if (size >= zef::kInitConfigSize) {
        // The fields sit where the file has them.
        FUZZ_CHECK(config.serialPortNumber == static_cast<std::int16_t>(data[0] | data[1] << 8));
    }
    return 0;
}
