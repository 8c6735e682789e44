#pragma once
// WAV files through libsndfile: card checks (zefctl play / record), the
// sweep files and recordings analysed offline. Samples are full scale = 1.0
// whatever the file's sample format; files are written as 32-bit float WAV.
// A written file appears complete or not at all: it is written to a
// temporary file of its own in the same folder, synced and renamed over the
// target (base/atomic_file.h).

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
    // Channel `channel` (0-based, < channels) as its own array.
    std::vector<double> Channel(int channel) const;
};

// Reads a whole sound file (any format libsndfile reads). Only a regular
// file is read (base/input_file.h); files above `maxFrames` frames are
// refused before their samples are read, and the samples grow with what the
// file holds, never with what its header claims. "" on success, else a text
// for the user naming the file; `data` is unchanged then.
std::string ReadWav(const std::string& path, WavData& data, std::size_t maxFrames = 48000 * 600);

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

// One channel written whole through a WavWriter; creates the folder when
// missing. "" on success, else a text for the user.
std::string WriteWavAtomic(const std::string& path, std::span<const double> samples, int sampleRate);

}  // namespace zef::audio
