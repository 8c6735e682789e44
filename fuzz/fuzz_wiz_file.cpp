// FIR wizard files (.wiz) as the wizard takes them: the file is read, its
// settings become the design settings, and its impulse response and EQ
// target go through the FIR design that "Store FIR to Device" would send.
//   refused   nothing of it is kept (an empty impulse response);
//   accepted  the samples are finite, the file encodes back to the same
//             bytes, the settings come out in their ranges, and a design —
//             when one comes out — has finite taps, no more than a FIR slot
//             holds, so nothing the file says reaches an amplifier as a
//             value nobody could have chosen.

#include <cmath>

#include "app/wizard_design.h"
#include "app/wizard_files.h"
#include "dsp/response_calculator.h"
#include "files/fir_import.h"
#include "files/wiz_file.h"
#include "fuzz_check.h"
#include "measure/fir_design.h"

namespace {

class SilentDialogs final : public zef::Dialogs {
public:
    void Message(const std::string&, const std::string&, zef::Icon) override {}
    zef::Answer Ask(const std::string&, const std::string&, zef::Buttons, zef::Icon) override {
        return zef::Answer::No;
    }
    std::optional<std::string> OpenFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> SaveFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes = FuzzBytes(data, size);
    const zef::WizReadResult r = zef::ParseWiz(bytes);
    if (!r.ok()) {
        FUZZ_CHECK(r.file.ir.empty());
        return 0;
    }
    FUZZ_CHECK(!r.file.ir.empty());
    for (const double s : r.file.ir) FUZZ_CHECK(std::isfinite(s));
    const std::vector<std::uint8_t> again = zef::EncodeWiz(r.file);
    FUZZ_CHECK(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()));

    zef::wizard::WizardState state = zef::wizard::FromFile(r.file);
    const zef::wizard::DesignSettings s = zef::wizard::Normalised(state.settings);
    FUZZ_CHECK(zef::wizard::Normalised(s) == s);
    FUZZ_CHECK(std::isfinite(s.latencyMs));
    FUZZ_CHECK(s.minFrequency > 0 && s.minFrequency < s.maxFrequency);

    static zef::dsp::FftwResponseCalculator calculator;
    static SilentDialogs dialogs;
    zef::wizard::Design design([] { return std::make_unique<zef::measure::SpectralFirDesigner>(); }, calculator,
                               dialogs);
    if (design.Calculate(state.ir, state.settings, state.target)) {
        const std::vector<double>& taps = design.coefficients();
        FUZZ_CHECK(!taps.empty() && taps.size() <= zef::fir::kMaxFirTaps);
        for (const double t : taps) FUZZ_CHECK(std::isfinite(t));
        FUZZ_CHECK(std::isfinite(state.settings.latencyMs));
    }
    return 0;
}
