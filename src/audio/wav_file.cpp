#include "audio/wav_file.h"

#include <sndfile.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace zef::audio {

std::vector<double> WavData::Channel(int channel) const {
    std::vector<double> out;
    if (channel < 0 || channel >= channels) return out;
    const std::size_t stride = static_cast<std::size_t>(channels);
    out.reserve(frames());
    for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += stride) out.push_back(samples[i]);
    return out;
}

std::string ReadWav(const std::string& path, WavData& data, std::size_t maxFrames) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return "cannot read " + path + ": " + sf_strerror(nullptr);
    std::string error;
    if (info.channels < 1 || info.samplerate < 1) {
        error = path + ": no audio in the file";
    } else if (info.frames < 0 || static_cast<std::size_t>(info.frames) > maxFrames) {
        error = path + ": the file is too long";
    } else {
        WavData read;
        read.channels = info.channels;
        read.sampleRate = info.samplerate;
        read.samples.resize(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
        if (sf_readf_float(file, read.samples.data(), info.frames) != info.frames) {
            error = "cannot read " + path + ": the file ends early";
        } else {
            data = std::move(read);
        }
    }
    sf_close(file);
    return error;
}

struct WavWriter::Impl {
    SNDFILE* file = nullptr;
    std::string path, temp;
    int channels = 0;
};

WavWriter::WavWriter() : impl_(std::make_unique<Impl>()) {}

WavWriter::~WavWriter() {
    if (impl_->file) {
        sf_close(impl_->file);
        std::remove(impl_->temp.c_str());
    }
}

bool WavWriter::Open(const std::string& path, int channels, int sampleRate, std::string& error) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    impl_->path = path;
    impl_->temp = path + ".part";
    impl_->channels = channels;
    impl_->file = sf_open(impl_->temp.c_str(), SFM_WRITE, &info);
    if (!impl_->file) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    return true;
}

bool WavWriter::Write(std::span<const float> frames, std::string& error) {
    const sf_count_t n = static_cast<sf_count_t>(frames.size() / static_cast<std::size_t>(impl_->channels));
    if (!impl_->file || sf_writef_float(impl_->file, frames.data(), n) != n) {
        error =
            "cannot write " + impl_->path + (impl_->file ? std::string(": ") + sf_strerror(impl_->file) : "");
        return false;
    }
    return true;
}

bool WavWriter::Commit(std::string& error) {
    if (!impl_->file) {
        error = "nothing to write";
        return false;
    }
    const int closed = sf_close(impl_->file);
    impl_->file = nullptr;
    if (closed != 0 || std::rename(impl_->temp.c_str(), impl_->path.c_str()) != 0) {
        std::remove(impl_->temp.c_str());
        error = "cannot write " + impl_->path;
        return false;
    }
    return true;
}

std::string WriteWavAtomic(const std::string& path, std::span<const double> samples, int sampleRate) {
    std::error_code ec;
    const std::filesystem::path target(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    WavWriter writer;
    std::string error;
    const std::vector<float> frames(samples.begin(), samples.end());
    if (!writer.Open(path, 1, sampleRate, error) || !writer.Write(frames, error) || !writer.Commit(error))
        return error;
    return {};
}

}  // namespace zef::audio
