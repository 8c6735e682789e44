#include "device/fir_store.h"

#include "base/check.h"

#include "protocol/commands.h"

#include <algorithm>
#include <array>

#include "dsp/fir.h"
#include "dsp/fir_coefficients.h"
#include "files/fir_import.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef::fir {

namespace {

constexpr std::uint16_t kFirNamesAddress = static_cast<std::uint16_t>(kPresetBaseAddress + pi::kFirNames);
constexpr std::uint16_t kTapCountAddress =
    static_cast<std::uint16_t>(kPresetBaseAddress + pi::kFirTapsHighBase);
constexpr std::size_t kTapCountBytes = 4;

}  // namespace

StoredFir MakeStoredFir(const std::string& name, const std::vector<double>& coefficients) {
    StoredFir fir;
    fir.name = name;
    fir.tapCount = static_cast<std::uint16_t>(std::min(coefficients.size(), kFirTapCount));
    fir.image = QuantiseFir(coefficients);
    return fir;
}

bool StoreExternalFIR(Exchange& exchange, Model& model, DeviceSlot device, int firSlot, const StoredFir& fir,
                      const StoreProgress& progress, dsp::ResponseStore* responses) {
    if (!ZEF_CHECK(firSlot == 0 || firSlot == 1)) return false;
    const auto s = static_cast<std::size_t>(firSlot);
    DeviceModel& d = model.device(device);
    int step = 0;
    auto advance = [&] {
        if (progress) progress(++step);
    };
    if (progress) progress(0);

    const std::string name = PaddedFirName(fir.name);
    std::array<std::uint8_t, kFirNameLength> nameBytes{};
    std::copy(name.begin(), name.end(), nameBytes.begin());
    // The tap-count block carries the other slot's counts as the model holds them.
    PresetImage withCount = d.preset;
    SetFirTapCount(withCount, firSlot, fir.tapCount);
    std::array<std::uint8_t, kTapCountBytes> counts{};
    for (std::size_t i = 0; i < kTapCountBytes; ++i) counts[i] = withCount[pi::kFirTapsHighBase + i];

    const auto nameAddress = static_cast<std::uint16_t>(kFirNamesAddress + kFirNameLength * s);
    if (WriteMemoryBlock(exchange, device, nameAddress, nameBytes) != kOk) return false;
    advance();
    if (WriteFirToDevice(exchange, device, firSlot, fir.image, advance) != kOk) return false;
    if (WriteMemoryBlock(exchange, device, kTapCountAddress, counts) != kOk) return false;
    advance();

    CommandParams activate{};
    activate[0] = static_cast<std::uint8_t>(firSlot + kOutput1);
    if (exchange.SendCommandFrame(device, cmd::kActivateFir, activate) != kOk) return false;
    advance();

    SetFirName(d.preset, firSlot, name);
    d.firTaps[s] = TapsFromFirImage(fir.image);
    SetFirTapCount(d.preset, firSlot, fir.tapCount);
    if (responses != nullptr) dsp::ComputeFirResponse(*responses, d, device, firSlot);
    if (progress) progress(kStoreProgressMax);
    return true;
}

int LinkUpdateExternalFIR(Exchange& exchange, Model& model, DeviceSlot device, int firSlot,
                          const StoredFir& fir, bool& ok, const StoreProgress& progress,
                          dsp::ResponseStore* responses) {
    ok = true;
    if (model.device(device).outputsLinked == 0) return -1;
    const int other = 1 - firSlot;
    ok = StoreExternalFIR(exchange, model, device, other, fir, progress, responses);
    return other;
}

FirWriter MakeFirWriter(Exchange& exchange, Model& model, dsp::ResponseStore* responses) {
    return [&exchange, &model, responses](DeviceSlot device, int output) {
        const DeviceModel& d = model.device(device);
        std::string name(pi::kFirNameSize, ' ');
        for (std::size_t i = 0; i < pi::kFirNameSize; ++i)
            name[i] = static_cast<char>(d.preset[pi::FirNameChar(output, static_cast<int>(i))]);
        const StoredFir fir{name, static_cast<std::uint16_t>(FirTapCount(d.preset, output)),
                            FirImageFromTaps(d.firTaps[static_cast<std::size_t>(output)])};
        return StoreExternalFIR(exchange, model, device, output, fir, {}, responses);
    };
}

}  // namespace zef::fir
