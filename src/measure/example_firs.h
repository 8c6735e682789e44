#pragma once
// Example FIR filters a new user can load into an output straight away, each
// designed here at the device's 48000 Hz and at most 384 taps long (the
// device's FIR length), coefficients well inside +-4.
//
//   UnitImpulse        1 then zeros: the FIR passes the signal unchanged.
//   GentleLowPass      linear-phase windowed-sinc low-pass (Blackman window),
//                      unity gain at DC: a soft top-end roll-off.
//   AllpassCorrector   the time-reversed impulse response of the second-order
//                      allpass that a 4th-order Linkwitz-Riley crossover's
//                      summed output has at its crossover frequency; in
//                      series with that crossover the sum becomes a pure
//                      delay of taps - 1 samples (linear phase).

#include <cstddef>
#include <string>
#include <vector>

namespace zef::measure {

inline constexpr double kExampleFirSampleRate = 48000.0;

std::vector<double> UnitImpulse(std::size_t taps);
// `taps` odd (an even count is made odd by one less tap) for a symmetric
// kernel centred on tap (taps - 1) / 2.
std::vector<double> GentleLowPass(std::size_t taps, double cutoffHz);
std::vector<double> AllpassCorrector(std::size_t taps, double crossoverHz);

// The impulse response of the summed 4th-order Linkwitz-Riley crossover at
// `crossoverHz` (a second-order allpass, Q = 1/sqrt 2), `length` samples.
std::vector<double> LinkwitzRileySumImpulse(std::size_t length, double crossoverHz);

struct ExampleFir {
    std::string fileName;  // in the data folder's FIR folder
    std::vector<double> coefficients;
};

// The examples written into a new data folder.
std::vector<ExampleFir> ExampleFirs();

}  // namespace zef::measure
