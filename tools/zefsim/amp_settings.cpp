#include "amp_settings.h"

#include "base/check.h"

#include <algorithm>

namespace zefsim {
namespace {

constexpr std::array<double, 101> kEqQ = {
    0.4,  0.42, 0.45, 0.47, 0.5, 0.53, 0.56, 0.59, 0.63, 0.67, 0.71, 0.75, 0.79, 0.84, 0.89, 0.94, 1,
    1.06, 1.12, 1.19, 1.26, 1.3, 1.4,  1.5,  1.6,  1.7,  1.8,  1.9,  2,    2.1,  2.2,  2.4,  2.5,  2.7,
    2.8,  3,    3.2,  3.4,  3.6, 3.8,  4,    4.2,  4.5,  4.8,  5,    5.3,  5.7,  6,    6.3,  6.7,  7.1,
    7.6,  8,    8.5,  9,    9.5, 10.1, 10.7, 11.3, 12,   12.7, 13.5, 14,   15,   16,   17,   18,   19,
    20,   21,   23,   24,   25,  27,   29,   30,   32,   34,   36,   38,   40,   43,   45,   48,   51,
    54,   57,   60,   64,   68,  72,   76,   81,   85,   91,   96,   102,  108,  114,  121,  128};

constexpr std::size_t P(std::size_t offset) { return 240 + offset; }

constexpr int kMaxGainCode = 144;
constexpr int kMaxBandGainCode = 60;
constexpr int kMaxBandType = 7;
constexpr int kMaxDelaySamples = 48000;  // one second

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> memory) : m_(memory) {}

    int byte(std::size_t address) const { return m_[address]; }
    bool bit(std::size_t address, int bit) const { return (m_[address] >> bit) & 1; }
    int be16(std::size_t address) const { return m_[address] << 8 | m_[address + 1]; }
    double gainDb(std::size_t address) const { return std::min(byte(address), kMaxGainCode) / 2.0 - 60.0; }

    EqBand band(std::size_t address) const {
        EqBand b;
        b.type = std::min(byte(address), kMaxBandType);
        b.frequencyHz = be16(address + 1);
        b.q = EqQ(byte(address + 3));
        const int g = byte(address + 4);
        b.bypassed = (g & 0x80) != 0;
        b.gainDb = std::min(g & 0x7F, kMaxBandGainCode) / 2.0 - 15.0;
        return b;
    }

    Crossover crossover(std::size_t address) const { return {byte(address), double(be16(address + 1))}; }

private:
    std::span<const std::uint8_t> m_;
};

double FirCoefficient(std::span<const std::uint8_t> fir, std::size_t at) {
    const std::int32_t word = fir[at] << 16 | fir[at + 1] << 8 | fir[at + 2];
    const std::int32_t value = word >= 0x800000 ? word - 0x1000000 : word;
    return value / 2097152.0;
}

}  // namespace

double EqQ(int code) { return kEqQ[static_cast<std::size_t>(std::clamp(code, 0, 100))]; }

AmpSettings DecodeAmpSettings(std::span<const std::uint8_t> memory, std::span<const std::uint8_t> fir) {
    if (!ZEF_CHECK(memory.size() >= 864 && fir.size() >= 2 * 3 * kRigFirTaps)) return {};
    const Reader r(memory);
    AmpSettings s;
    s.standby = r.byte(206) == 1;
    s.generatorOn = r.byte(208) == 1;
    s.generatorDbu = std::min(r.byte(210), 80) - 80.0;
    s.bridged = r.byte(213) != 0;

    for (int i = 0; i < 2; ++i) {
        InputPath& in = s.inputs[static_cast<std::size_t>(i)];
        in.gainDb = r.gainDb(P(16) + i);
        in.muted = r.bit(P(18), i);
        in.inverted = r.bit(P(19), i);
        in.eqBypassed = r.bit(P(29), i);
        const bool blockB = r.bit(P(28), i);
        const int count = blockB ? 3 : 4;
        const std::size_t base = blockB ? P(70) + 15 * i : P(30) + 20 * i;
        for (int b = 0; b < count; ++b) in.bands.push_back(r.band(base + 5 * b));
    }

    const bool firMode = r.byte(P(116)) != 0;
    for (int o = 0; o < 2; ++o) {
        OutputPath& out = s.outputs[static_cast<std::size_t>(o)];
        for (int src = 0; src < 2; ++src) {
            const int routing = r.byte(P(100) + 2 * o + src);
            out.routed[static_cast<std::size_t>(src)] = (routing & 0x80) != 0;
            out.routeGainDb[static_cast<std::size_t>(src)] =
                std::min(routing & 0x7F, kMaxBandGainCode) / 2.0 - 15.0;
        }
        out.highPass = r.crossover(P(104) + 3 * o);
        out.lowPass = r.crossover(P(110) + 3 * o);
        out.eqBypassed = r.bit(P(117), o);
        const int bands = firMode ? 10 : 30;
        for (int b = 0; b < bands; ++b) out.bands.push_back(r.band(P(118) + 150 * o + 5 * b));
        out.firActive = firMode && !r.bit(P(418), o);
        const std::size_t firBase = static_cast<std::size_t>(o) * 3 * kRigFirTaps;
        for (std::size_t t = 0; t < kRigFirTaps; ++t) out.fir[t] = FirCoefficient(fir, firBase + 3 * t);
        if (!r.bit(P(582), o)) {
            const int samples = r.be16(P(461) + 3 * o) * 48 + r.byte(P(463) + 3 * o);
            out.delaySamples = std::min(samples, kMaxDelaySamples);
        }
        out.gainDb = r.gainDb(P(493) + o);
        out.muted = r.bit(P(495), o);
        out.inverted = r.bit(P(496), o);
    }
    return s;
}

}  // namespace zefsim
