#pragma once
// WAV files through libsndfile: the sweep files and recordings analysed
// offline. Samples are full scale = 1.0 whatever the file's sample format.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

namespace zef::measure {

struct WavAudio {
    int sampleRate = 0;
    int channels = 0;
    std::vector<double> samples;  // frames x channels, interleaved

    std::size_t frames() const {
        return channels > 0 ? samples.size() / static_cast<std::size_t>(channels) : 0;
    }
    // Channel `channel` (0-based, < channels) as its own array.
    std::vector<double> Channel(int channel) const;
};

// Reads a whole sound file (any format libsndfile reads). Files above
// `maxFrames` frames are refused before their samples are read. "" on success,
// else a text for the user naming the file.
std::string ReadWav(const std::string& path, WavAudio& audio, std::size_t maxFrames = 48000 * 600);

// Writes one channel as a 32-bit float WAV file: first to a temporary file in
// the same folder, then renamed over `path`, so `path` is either absent, the
// old file or the complete new one. Creates the folder when missing. "" on
// success, else a text for the user.
std::string WriteWavAtomic(const std::string& path, std::span<const double> samples, int sampleRate);

}  // namespace zef::measure
