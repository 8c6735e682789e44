#include "audio/wav_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <filesystem>
#include <system_error>

#include "base/atomic_file.h"
#include "base/input_file.h"
#include "base/utf8_path.h"

namespace zef::audio {

std::vector<double> WavData::Channel(int channel) const {
    std::vector<double> out;
    if (channel < 0 || channel >= channels) return out;
    const std::size_t stride = static_cast<std::size_t>(channels);
    out.reserve(frames());
    for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += stride) out.push_back(samples[i]);
    return out;
}

namespace {

// libsndfile reads through these, never by the path: the file has been
// checked to be a regular one, and no read goes past its size.
InputFile& In(void* user) { return *static_cast<InputFile*>(user); }
sf_count_t VioLength(void* user) { return static_cast<sf_count_t>(In(user).size()); }
sf_count_t VioTell(void* user) { return static_cast<sf_count_t>(In(user).position()); }
sf_count_t VioSeek(sf_count_t offset, int whence, void* user) {
    InputFile& f = In(user);
    const sf_count_t base = whence == SEEK_CUR ? VioTell(user) : whence == SEEK_END ? VioLength(user) : 0;
    f.Seek(static_cast<std::uint64_t>(std::max<sf_count_t>(0, base + offset)));
    return VioTell(user);
}
sf_count_t VioRead(void* ptr, sf_count_t count, void* user) {
    const std::span out(static_cast<std::uint8_t*>(ptr), static_cast<std::size_t>(std::max<sf_count_t>(0, count)));
    return static_cast<sf_count_t>(In(user).Read(out));
}
sf_count_t VioWrite(const void*, sf_count_t, void*) { return 0; }

// Above this a "channel count" is a damaged header, not a recording.
constexpr int kMaxChannels = 256;
// Samples read per step: the samples grow with what the file really holds.
constexpr std::size_t kStepSamples = 1 << 16;

// The frames of an opened file, read step by step so that a header claiming
// more than the file holds costs no more than the file.
std::string ReadFrames(SNDFILE* file, const SF_INFO& info, const std::string& path, WavData& data) {
    const auto channels = static_cast<std::size_t>(info.channels);
    const auto claimed = static_cast<std::size_t>(info.frames);
    const std::size_t stepFrames = std::max<std::size_t>(1, kStepSamples / channels);
    std::vector<float> step(stepFrames * channels);
    WavData read;
    read.channels = info.channels;
    read.sampleRate = info.samplerate;
    std::size_t frames = 0;
    while (frames < claimed) {
        const auto want = static_cast<sf_count_t>(std::min(stepFrames, claimed - frames));
        const sf_count_t got = sf_readf_float(file, step.data(), want);
        if (got <= 0) break;
        read.samples.insert(read.samples.end(), step.begin(),
                            step.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(got) * channels));
        frames += static_cast<std::size_t>(got);
    }
    if (frames != claimed)
        return "cannot read " + path + ": the file ends early (" + std::to_string(frames) + " of the " +
               std::to_string(claimed) + " frames its header gives)";
    data = std::move(read);
    return {};
}

}  // namespace

std::string ReadWav(const std::string& path, WavData& data, std::size_t maxFrames) {
    InputFile input(path, std::numeric_limits<std::size_t>::max());
    if (!input.ok()) return "cannot read " + FileProblemLine(path, input.problem());
    SF_VIRTUAL_IO io{VioLength, VioSeek, VioRead, VioWrite, VioTell};
    SF_INFO info{};
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &input);
    if (!file) return "cannot read " + path + ": " + sf_strerror(nullptr);
    std::string error;
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate < 1) {
        error = path + ": no audio in the file";
    } else if (info.frames < 0 || static_cast<std::size_t>(info.frames) > maxFrames) {
        error = path + ": the file is too long";
    } else {
        error = ReadFrames(file, info, path, data);
    }
    sf_close(file);
    return error;
}

struct WavWriter::Impl {
    SNDFILE* file = nullptr;
    std::string path;
    std::unique_ptr<AtomicFile> target;  // the temporary beside `path`, removed unless committed
    int channels = 0;
};

WavWriter::WavWriter() : impl_(std::make_unique<Impl>()) {}

WavWriter::~WavWriter() {
    if (impl_->file) sf_close(impl_->file);
}

bool WavWriter::Open(const std::string& path, int channels, int sampleRate, std::string& error) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = sampleRate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    impl_->path = path;
    impl_->channels = channels;
    impl_->target = std::make_unique<AtomicFile>(path);
    if (!impl_->target->Open()) {
        impl_->target.reset();
        error = "cannot write " + path;
        return false;
    }
    // libsndfile writes through the temporary's descriptor and leaves it open for the commit.
    impl_->file = sf_open_fd(impl_->target->fd(), SFM_WRITE, &info, SF_FALSE);
    if (!impl_->file) {
        impl_->target.reset();
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
    const bool committed = closed == 0 && impl_->target->Commit();
    impl_->target.reset();
    if (!committed) {
        error = "cannot write " + impl_->path;
        return false;
    }
    return true;
}

std::string WriteWavAtomic(const std::string& path, std::span<const double> samples, int sampleRate) {
    std::error_code ec;
    const std::filesystem::path target = PathFromUtf8(path);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
    WavWriter writer;
    std::string error;
    const std::vector<float> frames(samples.begin(), samples.end());
    if (!writer.Open(path, 1, sampleRate, error) || !writer.Write(frames, error) || !writer.Commit(error))
        return error;
    return {};
}

}  // namespace zef::audio
