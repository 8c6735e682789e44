// Sound files (recordings analysed offline, the rig's room files). The reader
// takes a path, so each input is handed over as an in-memory file. A refused
// file leaves the caller's data as it was; an accepted one has audio whose
// sample count matches its channels.

#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "audio/wav_file.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = ::memfd_create("zef-fuzz-wav", MFD_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    if (written == size) {
        zef::audio::WavData read;
        read.channels = 7;
        read.sampleRate = 11;
        read.samples = {0.5f};
        const std::string error = zef::audio::ReadWav("/proc/self/fd/" + std::to_string(fd), read, 1u << 20);
        if (!error.empty()) {
            FUZZ_CHECK(read.channels == 7 && read.sampleRate == 11 && read.samples.size() == 1);
        } else {
            FUZZ_CHECK(read.channels >= 1 && read.sampleRate >= 1);
            FUZZ_CHECK(read.samples.size() == read.frames() * static_cast<std::size_t>(read.channels));
        }
    }
    ::close(fd);
    return 0;
}
