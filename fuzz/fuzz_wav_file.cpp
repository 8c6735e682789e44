// Sound files (recordings analysed offline, the rig's room files). The reader
// takes a path, so each input is written to a file of the fuzzer's own first. A refused
// file leaves the caller's data as it was; an accepted one has audio whose
// sample count matches its channels.

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "audio/wav_file.h"
#include "base/utf8_path.h"
#include "fuzz_check.h"

namespace {

// One file of this process's own under the temporary folder, rewritten for
// every input and removed at exit.
struct InputPath {
    std::filesystem::path path;
    InputPath() {
        std::random_device seed;
        path = std::filesystem::temp_directory_path() / ("zef-fuzz-wav-" + std::to_string(seed()) + ".wav");
    }
    ~InputPath() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

bool WriteInput(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = zef::OpenCFile(zef::Utf8FromPath(path), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const InputPath input;
    if (!WriteInput(input.path, data, size)) return 0;
    zef::audio::WavData read;
    read.channels = 7;
    read.sampleRate = 11;
    read.samples = {0.5f};
    const std::string error = zef::audio::ReadWav(zef::Utf8FromPath(input.path), read, 1u << 20);
    if (!error.empty()) {
        FUZZ_CHECK(read.channels == 7 && read.sampleRate == 11 && read.samples.size() == 1);
    } else {
        FUZZ_CHECK(read.channels >= 1 && read.sampleRate >= 1);
        FUZZ_CHECK(read.samples.size() == read.frames() * static_cast<std::size_t>(read.channels));
    }
    return 0;
}
