#include "model/records.h"

#include "base/check.h"

#include "base/cp1252.h"

#include <algorithm>

#include "model/memory_map.h"

namespace zef {

namespace {

// `text` (UTF-8) as `size` single-byte characters, cut or blank-padded.
void WriteText(std::uint8_t* out, std::size_t size, std::string_view text) {
    const std::string bytes = DeviceBytes(text);
    for (std::size_t i = 0; i < size; ++i)
        out[i] = static_cast<std::uint8_t>(i < bytes.size() ? bytes[i] : ' ');
}

std::string RawText(const std::uint8_t* in, std::size_t size) { return std::string(in, in + size); }

}  // namespace

void BandRecord::setBypassed(bool on) {
    level = static_cast<std::uint8_t>(on ? (level | kBypassBit) : (level & kGainMask));
}

void BandRecord::setGainCode(int code) {
    if (!ZEF_CHECK(code >= 0 && code <= kGainMask)) return;
    level = static_cast<std::uint8_t>((level & kBypassBit) | code);
}

BandRecord BandRecord::readFrom(const PresetImage& preset, std::size_t offset) {
    return {preset[offset], preset.be16(offset + 1), preset[offset + 3], preset[offset + 4]};
}

void BandRecord::writeTo(PresetImage& preset, std::size_t offset) const {
    preset[offset] = type;
    preset.setBe16(offset + 1, frequency);
    preset[offset + 3] = qCode;
    preset[offset + 4] = level;
}

std::array<std::uint8_t, 5> BandRecord::commandBytes() const {
    return {type, level, static_cast<std::uint8_t>(frequency >> 8),
            static_cast<std::uint8_t>(frequency & 0xFF), qCode};
}

CrossoverRecord CrossoverRecord::readFrom(const PresetImage& preset, std::size_t offset) {
    return {preset[offset], preset.be16(offset + 1)};
}

void CrossoverRecord::writeTo(PresetImage& preset, std::size_t offset) const {
    preset[offset] = slope;
    preset.setBe16(offset + 1, frequency);
}

std::size_t CrossoverOffset(int n) {
    if (!ZEF_CHECK(n >= 0 && n < 4)) n = 0;
    return (n % 2 == 1) ? pi::LowPass(n / 2) : pi::HighPass(n / 2);
}

bool InputUsesBlockB(const PresetImage& preset, int input) {
    return TestBit8(preset[pi::kChannelMode], input);
}

int InputBandCount(const PresetImage& preset, int input) {
    return InputUsesBlockB(preset, input) ? static_cast<int>(pi::kInputBandsB)
                                          : static_cast<int>(pi::kInputBandsA);
}

std::optional<BandLocation> LocateBand(std::uint8_t channelModeMask, int bandIndex) {
    if (!ZEF_CHECK(bandIndex >= 0 && bandIndex < static_cast<int>(kBandCount))) return std::nullopt;
    const auto p1 = static_cast<std::uint8_t>(bandIndex / 4);
    if (bandIndex < kFirstOutputBand) {
        const int input = bandIndex / 4;
        const int band = bandIndex % 4;
        if (!TestBit8(channelModeMask, input)) {
            return BandLocation{BandBlock::InputA, pi::InputBandA(input, band), p1,
                                static_cast<std::uint8_t>(band), 0};
        }
        if (band >= static_cast<int>(pi::kInputBandsB)) return std::nullopt;
        return BandLocation{BandBlock::InputB, pi::InputBandB(input, band), p1,
                            static_cast<std::uint8_t>(band), 1};
    }
    if (bandIndex < kFirstMaskingBand) {
        const int output = (bandIndex - kFirstOutputBand) / static_cast<int>(pi::kOutputBands);
        const int band = (bandIndex - kFirstOutputBand) % static_cast<int>(pi::kOutputBands);
        return BandLocation{BandBlock::Output, pi::OutputBand(output, band),
                            static_cast<std::uint8_t>(kOutput1 + output), static_cast<std::uint8_t>(band), 0};
    }
    const int band = bandIndex - kFirstMaskingBand;
    return BandLocation{BandBlock::Masking, pi::MaskingBand(band), p1, static_cast<std::uint8_t>(band), 0};
}

std::optional<BandLocation> LocateBand(const PresetImage& preset, int bandIndex) {
    return LocateBand(preset[pi::kChannelMode], bandIndex);
}

std::optional<std::size_t> BandRecordOffset(const PresetImage& preset, int bandIndex) {
    const auto location = LocateBand(preset, bandIndex);
    if (!location) return std::nullopt;
    return location->offset;
}

DelayCounts ReadDelay(const PresetImage& preset, int output) {
    const std::size_t at = pi::Delay(output);
    return {preset.be16(at), preset[at + 2]};
}

void WriteDelay(PresetImage& preset, int output, DelayCounts counts) {
    const std::size_t at = pi::Delay(output);
    preset.setBe16(at, counts.coarse);
    preset[at + 2] = counts.fine;
}

RoutingState ReadRouting(const PresetImage& preset, int output) {
    return RoutingFromBytes(preset[pi::Routing(output, 0)], preset[pi::Routing(output, 1)]);
}

void WriteRouting(PresetImage& preset, int output, RoutingState state) {
    const auto bytes = RoutingBytes(state);
    preset[pi::Routing(output, 0)] = bytes[0];
    preset[pi::Routing(output, 1)] = bytes[1];
}

int FirTapCount(const PresetImage& preset, int output) {
    return 256 * preset[pi::FirTapsHigh(output)] + preset[pi::FirTapsLow(output)];
}

void SetFirTapCount(PresetImage& preset, int output, int taps) {
    if (!ZEF_CHECK(taps >= 0 && taps <= 0xFFFF)) return;
    preset[pi::FirTapsHigh(output)] = static_cast<std::uint8_t>(taps >> 8);
    preset[pi::FirTapsLow(output)] = static_cast<std::uint8_t>(taps & 0xFF);
}

std::string TrimmedText(std::string_view raw) {
    auto blank = [](char c) { return c == ' ' || c == '\0'; };
    while (!raw.empty() && blank(raw.front())) raw.remove_prefix(1);
    while (!raw.empty() && blank(raw.back())) raw.remove_suffix(1);
    return std::string(raw);
}

std::string DeviceBytes(std::string_view utf8) {
    if (auto bytes = Utf8ToCp1252(utf8)) return *bytes;
    // Characters the device cannot store become '?', one byte each.
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = 1;
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0) length = 4;
        else if (lead >= 0xE0) length = 3;
        else if (lead >= 0xC0) length = 2;
        const auto one = Utf8ToCp1252(utf8.substr(i, length));
        out += one && one->size() == 1 ? *one : std::string("?");
        i += length;
    }
    return out;
}

bool StorableText(std::string_view utf8) { return Utf8ToCp1252(utf8).has_value(); }

std::string DeviceText(std::span<const std::uint8_t> raw) {
    return Cp1252ToUtf8(TrimmedText(std::string_view(reinterpret_cast<const char*>(raw.data()), raw.size())));
}

std::string PresetName(const PresetImage& preset) {
    return Cp1252ToUtf8(TrimmedText(RawText(&preset.bytes[pi::kName], pi::kNameSize)));
}

void SetPresetName(PresetImage& preset, std::string_view name) {
    WriteText(&preset.bytes[pi::kName], pi::kNameSize, name);
}

std::string FirName(const PresetImage& preset, int output) {
    std::string raw(pi::kFirNameSize, ' ');
    for (int i = 0; i < static_cast<int>(pi::kFirNameSize); ++i) {
        raw[static_cast<std::size_t>(i)] = static_cast<char>(preset[pi::FirNameChar(output, i)]);
    }
    return Cp1252ToUtf8(TrimmedText(raw));
}

void SetFirName(PresetImage& preset, int output, std::string_view name) {
    const std::string bytes = DeviceBytes(name);
    for (int i = 0; i < static_cast<int>(pi::kFirNameSize); ++i) {
        const auto at = static_cast<std::size_t>(i);
        preset[pi::FirNameChar(output, i)] = static_cast<std::uint8_t>(at < bytes.size() ? bytes[at] : ' ');
    }
}

std::string DeviceName(const DeviceSettings& settings) {
    return Cp1252ToUtf8(TrimmedText(RawText(&settings.bytes[ds::kDeviceName], ds::kDeviceNameSize)));
}

void SetDeviceName(DeviceSettings& settings, std::string_view name) {
    WriteText(&settings.bytes[ds::kDeviceName], ds::kDeviceNameSize, name);
}

std::string FirmwareVersionText(const DeviceSettings& settings) {
    const std::size_t v = ds::kFirmwareVersion;
    return std::to_string(settings[v]) + "." + std::to_string(settings[v + 1]) + "." +
           std::to_string(settings[v + 2]);
}

int LoadedPresetSlot(const DeviceSettings& settings) {
    return settings[ds::kLoadedPreset] & ds::kLoadedPresetMask;
}

}  // namespace zef
