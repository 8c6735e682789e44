#pragma once
// WAV files for quick card checks, through libsndfile: 32-bit float samples at 48000 Hz,
// interleaved frames. A written file appears complete or not at all (temporary file, then
// rename).

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace zef::audio {

struct WavData {
    int channels = 0;
    int sampleRate = 0;
    std::vector<float> samples;  // frames x channels, interleaved
    std::size_t frames() const {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
};

// Reads any file libsndfile knows. false with `error` set (a text for the user) otherwise.
bool ReadWav(const std::string& path, WavData& data, std::string& error);

// Writes frames as they come into a temporary file beside `path`; Commit renames it over
// `path`. Destroyed without Commit, it removes the temporary file and leaves `path` alone.
class WavWriter {
public:
    WavWriter();
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    bool Open(const std::string& path, int channels, int sampleRate, std::string& error);
    bool Write(std::span<const float> frames, std::string& error);
    bool Commit(std::string& error);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zef::audio
