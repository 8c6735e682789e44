#include "measure/wav_io.h"

#include <sndfile.h>

#include <filesystem>
#include <random>
#include <system_error>

namespace zef::measure {

std::vector<double> WavAudio::Channel(int channel) const {
    std::vector<double> out;
    if (channel < 0 || channel >= channels) return out;
    const std::size_t stride = static_cast<std::size_t>(channels);
    out.reserve(frames());
    for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += stride)
        out.push_back(samples[i]);
    return out;
}

std::string ReadWav(const std::string& path, WavAudio& audio, std::size_t maxFrames) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return path + ": " + sf_strerror(nullptr);
    std::string error;
    if (info.channels < 1 || info.samplerate < 1) {
        error = path + ": no audio in the file";
    } else if (info.frames < 0 || static_cast<std::size_t>(info.frames) > maxFrames) {
        error = path + ": the file is too long";
    } else {
        WavAudio read;
        read.sampleRate = info.samplerate;
        read.channels = info.channels;
        read.samples.resize(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
        const sf_count_t got = sf_readf_double(file, read.samples.data(), info.frames);
        if (got != info.frames) {
            error = path + ": the file ends early";
        } else {
            audio = std::move(read);
        }
    }
    sf_close(file);
    return error;
}

std::string WriteWavAtomic(const std::string& path, std::span<const double> samples, int sampleRate) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code ec;
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    std::random_device entropy;
    const fs::path temp =
        target.parent_path() / ("." + target.filename().string() + "." + std::to_string(entropy()) + ".tmp");

    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(temp.string().c_str(), SFM_WRITE, &info);
    if (!file) return path + ": cannot write (" + sf_strerror(nullptr) + ")";
    const auto frames = static_cast<sf_count_t>(samples.size());
    const bool written = sf_writef_double(file, samples.data(), frames) == frames;
    sf_write_sync(file);
    const bool closed = sf_close(file) == 0;
    if (!written || !closed) {
        fs::remove(temp, ec);
        return path + ": writing failed (disk full?)";
    }
    fs::rename(temp, target, ec);
    if (ec) {
        const std::string why = ec.message();
        fs::remove(temp, ec);
        return path + ": cannot replace the file (" + why + ")";
    }
    return {};
}

}  // namespace zef::measure
