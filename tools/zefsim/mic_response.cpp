#include "mic_response.h"

#include <fftw3.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <locale>
#include <sstream>
#include <stdexcept>
#include <memory>
#include <numbers>

#include "base/utf8_path.h"

namespace zefsim {
namespace {

constexpr double kRate = 48000.0;
constexpr std::size_t kCepstrumSize = 1 << 16;
constexpr std::size_t kFadeTaps = 1024;

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
using RealBuffer = std::unique_ptr<double[], FftwFree>;
using ComplexBuffer = std::unique_ptr<fftw_complex[], FftwFree>;

RealBuffer Reals(std::size_t n) { return RealBuffer(fftw_alloc_real(n)); }
ComplexBuffer Complexes(std::size_t n) { return ComplexBuffer(fftw_alloc_complex(n)); }

// time (n reals) -> spectrum (n/2+1), or back (unnormalised).
void Forward(double* time, fftw_complex* spectrum, std::size_t n) {
    fftw_plan p = fftw_plan_dft_r2c_1d(static_cast<int>(n), time, spectrum, FFTW_ESTIMATE);
    fftw_execute(p);
    fftw_destroy_plan(p);
}
void Inverse(fftw_complex* spectrum, double* time, std::size_t n) {
    fftw_plan p = fftw_plan_dft_c2r_1d(static_cast<int>(n), spectrum, time, FFTW_ESTIMATE);
    fftw_execute(p);
    fftw_destroy_plan(p);
}

std::complex<double>& At(fftw_complex* s, std::size_t k) { return reinterpret_cast<std::complex<double>&>(s[k]); }

}  // namespace

double MicResponse::DbAt(double hz) const {
    if (points.empty()) return 0;
    if (hz <= points.front().first) return points.front().second;
    if (hz >= points.back().first) return points.back().second;
    std::size_t i = 1;
    while (points[i].first < hz) ++i;
    const auto& [f0, d0] = points[i - 1];
    const auto& [f1, d1] = points[i];
    return d0 + (d1 - d0) * std::log(hz / f0) / std::log(f1 / f0);
}

MicResponse ReadMicResponse(const std::string& path) {
    std::ifstream in(zef::PathFromUtf8(path));
    if (!in) throw std::runtime_error("cannot open " + path);
    MicResponse r;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        double hz = 0, db = 0;
        if (!(fields >> hz)) continue;  // a comment or a blank line
        if (!(fields >> db) || !(hz > 0) || (!r.points.empty() && hz <= r.points.back().first))
            throw std::runtime_error(path + " line " + std::to_string(number) +
                                     ": expected \"frequency dB\" with rising frequencies");
        r.points.emplace_back(hz, db);
    }
    if (r.points.empty()) throw std::runtime_error(path + ": no \"frequency dB\" lines");
    return r;
}

std::vector<double> MicFilter(const std::function<double(double hz)>& dbAt) {
    // Homomorphic minimum phase: the real cepstrum of the log magnitude,
    // folded onto positive quefrencies, exponentiated back.
    const std::size_t n = kCepstrumSize;
    const std::size_t bins = n / 2 + 1;
    auto spectrum = Complexes(bins);
    auto cepstrum = Reals(n);
    for (std::size_t k = 0; k < bins; ++k) {
        const double hz = std::max<double>(static_cast<double>(k), 1.0) * kRate / static_cast<double>(n);
        At(spectrum.get(), k) = dbAt(hz) * std::numbers::ln10 / 20.0;
    }
    Inverse(spectrum.get(), cepstrum.get(), n);
    for (std::size_t i = 0; i < n; ++i) {
        const double fold = i == 0 || i == n / 2 ? 1.0 : i < n / 2 ? 2.0 : 0.0;
        cepstrum[i] *= fold / static_cast<double>(n);
    }
    Forward(cepstrum.get(), spectrum.get(), n);
    for (std::size_t k = 0; k < bins; ++k) At(spectrum.get(), k) = std::exp(At(spectrum.get(), k));
    auto impulse = Reals(n);
    Inverse(spectrum.get(), impulse.get(), n);
    std::vector<double> taps(kMicFilterTaps);
    for (std::size_t i = 0; i < kMicFilterTaps; ++i) {
        double fade = 1.0;
        if (i >= kMicFilterTaps - kFadeTaps)
            fade = 0.5 + 0.5 * std::cos(std::numbers::pi * static_cast<double>(i - (kMicFilterTaps - kFadeTaps)) /
                                        static_cast<double>(kFadeTaps));
        taps[i] = impulse[i] / static_cast<double>(n) * fade;
    }
    return taps;
}

RoomResponse ThroughMicrophone(const RoomResponse& room, const std::vector<double>& filter) {
    RoomResponse heard;
    for (std::size_t o = 0; o < room.output.size(); ++o) {
        const std::vector<double>& r = room.output[o];
        if (r.empty()) continue;
        const std::size_t length = r.size() + filter.size() - 1;
        std::size_t n = 1;
        while (n < length) n <<= 1;
        auto a = Reals(n), b = Reals(n), y = Reals(n);
        auto sa = Complexes(n / 2 + 1), sb = Complexes(n / 2 + 1);
        std::fill_n(a.get(), n, 0.0);
        std::fill_n(b.get(), n, 0.0);
        std::copy(r.begin(), r.end(), a.get());
        std::copy(filter.begin(), filter.end(), b.get());
        Forward(a.get(), sa.get(), n);
        Forward(b.get(), sb.get(), n);
        for (std::size_t k = 0; k <= n / 2; ++k) At(sa.get(), k) *= At(sb.get(), k) / static_cast<double>(n);
        Inverse(sa.get(), y.get(), n);
        heard.output[o].assign(y.get(), y.get() + length);
    }
    return heard;
}

}  // namespace zefsim
