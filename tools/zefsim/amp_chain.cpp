#include "amp_chain.h"

#include <algorithm>
#include <cmath>

namespace zefsim {
namespace {

constexpr std::size_t kDelayRing = 65536;  // more than the longest delay (48000) plus a chunk

double Linear(double db) { return std::pow(10.0, db / 20.0); }

}  // namespace

double DbuToRms(double dbu) { return std::sqrt(0.5) * Linear(dbu - 18.0); }

AmpChain::AmpChain() {
    for (auto& b : in_) b.assign(kChunk, 0.0);
    for (auto& b : out_) b.assign(kChunk, 0.0);
    for (Output& o : outputs_) o.delayLine.assign(kDelayRing, 0.0);
    configure(AmpSettings{});
}

AmpChain::~AmpChain() = default;

void AmpChain::configure(const AmpSettings& settings) {
    settings_ = settings;
    for (std::size_t i = 0; i < 2; ++i) {
        std::vector<Coefficients> sections;
        for (const EqBand& band : settings.inputs[i].bands) AppendBand(band, sections);
        inputEq_[i].set(settings.inputs[i].eqBypassed ? std::vector<Coefficients>{} : sections);
    }
    for (std::size_t o = 0; o < 2; ++o) {
        const OutputPath& path = settings.outputs[o];
        Output& out = outputs_[o];
        std::vector<Coefficients> sections;
        AppendCrossover(path.highPass, false, sections);
        AppendCrossover(path.lowPass, true, sections);
        if (!path.eqBypassed)
            for (const EqBand& band : path.bands) AppendBand(band, sections);
        out.filters.set(sections);
        const bool fir = path.firActive && !path.eqBypassed;
        if (!fir) {
            out.fir.reset();
        } else if (!out.fir || out.firTaps != path.fir) {
            out.firTaps = path.fir;
            out.fir = std::make_unique<Convolver>(out.firTaps);
        }
    }
}

void AmpChain::reset() {
    for (Cascade& c : inputEq_) c.reset();
    for (Output& o : outputs_) {
        o.filters.reset();
        if (o.fir) o.fir->reset();
        std::fill(o.delayLine.begin(), o.delayLine.end(), 0.0);
        o.delayWrite = 0;
    }
}

void AmpChain::process(const double* inL, const double* inR, double* out1, double* out2, std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const std::size_t run = std::min(kChunk, n - done);
        processChunk(inL + done, inR + done, out1 + done, out2 + done, run);
        done += run;
    }
}

void AmpChain::processChunk(const double* inL, const double* inR, double* out1, double* out2, std::size_t n) {
    const AmpSettings& s = settings_;
    if (s.standby) {
        std::fill_n(out1, n, 0.0);
        std::fill_n(out2, n, 0.0);
        return;
    }
    if (s.generatorOn) {
        generator_.generate(in_[0].data(), n, DbuToRms(s.generatorDbu));
        std::copy_n(in_[0].data(), n, in_[1].data());
    } else {
        std::copy_n(inL, n, in_[0].data());
        std::copy_n(inR, n, in_[1].data());
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const InputPath& path = s.inputs[i];
        const double g = path.muted ? 0.0 : Linear(path.gainDb) * (path.inverted ? -1.0 : 1.0);
        double* x = in_[i].data();
        for (std::size_t k = 0; k < n; ++k) x[k] *= g;
        inputEq_[i].process(x, n);
    }
    const std::size_t outputsRendered = s.bridged ? 1 : 2;
    for (std::size_t o = 0; o < outputsRendered; ++o) {
        const OutputPath& path = s.outputs[o];
        Output& out = outputs_[o];
        double* y = out_[o].data();
        const double gL = path.routed[0] ? Linear(path.routeGainDb[0]) : 0.0;
        const double gR = path.routed[1] ? Linear(path.routeGainDb[1]) : 0.0;
        for (std::size_t k = 0; k < n; ++k) y[k] = gL * in_[0][k] + gR * in_[1][k];
        out.filters.process(y, n);
        if (out.fir) out.fir->process({y, n}, {y, n});

        const double g = path.muted ? 0.0 : Linear(path.gainDb) * (path.inverted ? -1.0 : 1.0);
        const std::size_t mask = kDelayRing - 1;
        for (std::size_t k = 0; k < n; ++k) {
            out.delayLine[out.delayWrite & mask] = y[k];
            const std::size_t read = out.delayWrite - static_cast<std::size_t>(path.delaySamples);
            y[k] = out.delayLine[read & mask] * g;
            ++out.delayWrite;
        }
    }
    if (s.bridged) {
        for (std::size_t k = 0; k < n; ++k) out1[k] = 2.0 * out_[0][k];
        std::fill_n(out2, n, 0.0);
    } else {
        std::copy_n(out_[0].data(), n, out1);
        std::copy_n(out_[1].data(), n, out2);
    }
}

}  // namespace zefsim
