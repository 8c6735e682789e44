#include "audio/wav_file.h"

#include <sndfile.h>

#include <cstdio>

namespace zef::audio {

bool ReadWav(const std::string& path, WavData& data, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    WavData read;
    read.channels = info.channels;
    read.sampleRate = info.samplerate;
    read.samples.resize(static_cast<std::size_t>(info.frames) * static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file, read.samples.data(), info.frames);
    sf_close(file);
    if (got != info.frames) {
        error = "cannot read " + path + ": the file ends early";
        return false;
    }
    data = std::move(read);
    return true;
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

}  // namespace zef::audio
