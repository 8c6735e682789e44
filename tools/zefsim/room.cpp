#include "room.h"

// libsndfile opens a path in the ANSI code page on Windows; its wide-character
// open takes the path as it is.
#ifdef _WIN32
#include "base/windows_api.h"
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#endif
#include <sndfile.h>

#include <cmath>
#include <random>
#include <stdexcept>

#include "base/utf8_path.h"
#include "sections.h"

namespace zefsim {
namespace {

constexpr double kSpeedOfSound = 343.0;  // m/s
constexpr std::size_t kRoomLength = 48000;
constexpr double kReverbSeconds = 0.4;  // RT60 of the diffuse tail
constexpr double kTailEnergy = 1.0;     // diffuse energy relative to the direct sound
constexpr std::size_t kMaxRoomFrames = 480000;

struct Reflection {
    double pathMetres;
    double reflectance;  // signed: a reflection off a soft surface may turn the phase
};

struct Placement {
    double distanceMetres;
    std::vector<Reflection> reflections;
    unsigned seed;
};

// The two-way loudspeaker: woofer and tweeter split at 2 kHz (Linkwitz-Riley, 24 dB/octave),
// the box rolling off below about 60 Hz, the tweeter above 20 kHz, and some response ripple.
std::vector<Coefficients> Loudspeaker() {
    std::vector<Coefficients> s;
    AppendCrossover({6, 60.0}, false, s);    // box roll-off, 24 dB/octave
    AppendCrossover({2, 20000.0}, true, s);  // tweeter top end
    AppendBand({0, 180.0, 1.5, 2.5, false}, s);
    AppendBand({0, 1200.0, 2.0, -3.0, false}, s);
    AppendBand({0, 3500.0, 3.0, 2.0, false}, s);
    AppendBand({0, 9000.0, 2.0, -2.5, false}, s);
    return s;
}

double CascadeGainAt(const std::vector<Coefficients>& sections, double hz) {
    double db = 0;
    for (const Coefficients& c : sections) db += zef::dsp::BiquadMagnitudeDb(c, hz);
    return std::pow(10.0, db / 20.0);
}

// The loudspeaker's two ways: the woofer through a 2 kHz low-pass, the tweeter through the
// matching high-pass; their sum is flat in magnitude with the crossover's phase turn.
std::vector<double> Speaker(const std::vector<double>& excitation) {
    std::vector<Coefficients> woofer, tweeter;
    AppendCrossover({7, 2000.0}, true, woofer);
    AppendCrossover({7, 2000.0}, false, tweeter);
    Cascade w, t, common;
    w.set(woofer);
    t.set(tweeter);
    const auto shape = Loudspeaker();
    common.set(shape);
    std::vector<double> low = excitation, high = excitation;
    w.process(low.data(), low.size());
    t.process(high.data(), high.size());
    std::vector<double> sum(excitation.size());
    for (std::size_t i = 0; i < sum.size(); ++i) sum[i] = low[i] + high[i];
    common.process(sum.data(), sum.size());
    const double gain = 1.0 / CascadeGainAt(shape, 1000.0);
    for (double& v : sum) v *= gain;
    return sum;
}

std::vector<double> Room(const Placement& p) {
    std::vector<double> excitation(kRoomLength, 0.0);
    const auto at = [](double metres) {
        return static_cast<std::size_t>(std::lround(metres / kSpeedOfSound * 48000));
    };
    const std::size_t direct = at(p.distanceMetres);
    excitation[direct] = 1.0;
    for (const Reflection& r : p.reflections)
        excitation[at(r.pathMetres)] += r.reflectance * p.distanceMetres / r.pathMetres;

    // Diffuse tail: decaying noise from a few milliseconds after the direct sound, faded in
    // over 10 ms and slightly dulled (air and surfaces absorb the highs first).
    std::mt19937 random(p.seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const double tau = kReverbSeconds / std::log(1000.0) * 48000;  // samples per e-fold
    const double sigma = std::sqrt(kTailEnergy * 2.0 / tau);
    const std::size_t onset = direct + 144, fade = 480;
    constexpr double k = 0.35;                   // one-pole low-pass of the tail noise
    const double unit = std::sqrt((2 - k) / k);  // its output back to unit variance
    double dull = 0;
    for (std::size_t n = onset; n < kRoomLength; ++n) {
        const double t = static_cast<double>(n - onset);
        const double envelope = std::exp(-t / tau) * std::min(1.0, t / static_cast<double>(fade));
        dull += k * (noise(random) - dull);
        excitation[n] += sigma * unit * envelope * dull;
    }
    return Speaker(excitation);
}

SNDFILE* OpenSoundFile(const std::string& utf8Path, SF_INFO& info) {
#ifdef _WIN32
    return sf_wchar_open(zef::PathFromUtf8(utf8Path).c_str(), SFM_READ, &info);
#else
    return sf_open(zef::PathFromUtf8(utf8Path).c_str(), SFM_READ, &info);
#endif
}

}  // namespace

RoomResponse BuiltInRoom() {
    const Placement left{2.0, {{2.6, 0.7}, {3.4, 0.8}, {4.1, 0.6}, {5.3, 0.7}, {6.2, 0.8}, {7.5, -0.5}}, 11};
    const Placement right{2.5, {{2.9, 0.7}, {3.1, 0.8}, {4.6, 0.6}, {5.8, -0.6}, {6.9, 0.7}, {8.2, 0.5}}, 23};
    RoomResponse room;
    room.output[0] = Room(left);
    room.output[1] = Room(right);
    return room;
}

RoomResponse DirectWire(int output) {
    RoomResponse room;
    room.output[static_cast<std::size_t>(output & 1)] = {1.0};
    return room;
}

RoomResponse LoadRoom(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = OpenSoundFile(path, info);
    if (!file) throw std::runtime_error("cannot read room response " + path + ": " + sf_strerror(nullptr));
    struct Closer {
        SNDFILE* f;
        ~Closer() { sf_close(f); }
    } closer{file};
    if (info.samplerate != 48000)
        throw std::runtime_error(path + " is at " + std::to_string(info.samplerate) +
                                 " Hz; the rig runs at 48000 Hz");
    if (info.channels < 1 || info.channels > 2)
        throw std::runtime_error(path + " has " + std::to_string(info.channels) +
                                 " channels; it needs one per output (1 or 2)");
    if (info.frames < 1 || static_cast<std::size_t>(info.frames) > kMaxRoomFrames)
        throw std::runtime_error(path + " must hold 1 to " + std::to_string(kMaxRoomFrames) +
                                 " frames (10 s)");
    std::vector<double> frames(static_cast<std::size_t>(info.frames * info.channels));
    if (sf_readf_double(file, frames.data(), info.frames) != info.frames)
        throw std::runtime_error("cannot read room response " + path + ": " + sf_strerror(file));
    RoomResponse room;
    for (std::size_t o = 0; o < 2; ++o) {
        const std::size_t channel = info.channels == 2 ? o : 0;
        room.output[o].resize(static_cast<std::size_t>(info.frames));
        for (std::size_t i = 0; i < room.output[o].size(); ++i)
            room.output[o][i] = frames[i * static_cast<std::size_t>(info.channels) + channel];
    }
    return room;
}

}  // namespace zefsim
