#include "model/encodings.h"

#include "base/check.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/locale.h"
#include "model/memory_map.h"
#include "model/tables.h"

namespace zef {

namespace {

constexpr double kTieTolerance = 1e-9;

// In control enum order.
constexpr std::array<ControlMapper, kControlCount> kMappers = {{
    {"channel gain", 145, 1, 2, -60},
    {"EQ gain", 61, 1, 2, -15},
    {"gate threshold", 7, 5, 1, -80},
    {"gate time A", kGateTimesA},
    {"gate time B", kGateTimesB},
    {"compressor level", 151, 1, 5, -18},
    {"compressor ratio", 31, 1, 1, 2, ":1"},
    {"compressor value", 101, 1, 1, 0},
    {"compressor time A", kCompressorTimesA},
    {"compressor time B", kCompressorTimesB},
    {"compressor gain", 241, 1, 10, -12},
    {"limiter threshold", kLimiterThresholds},
    {"limiter time A", kLimiterTimesA},
    {"limiter time B", kLimiterTimesB},
    {"noise level", 81, 1, 1, -80},
    {"masking level", 81, 1, 1, -80},
}};

std::uint16_t ClampToU16(double v) {
    if (!(v > 0.0)) return 0;  // also NaN
    if (v >= 65535.0) return 65535;
    return static_cast<std::uint16_t>(v);
}

}  // namespace

double RoundHalfEven(double x) {
    if (std::fabs(x - std::trunc(x)) == 0.5) return 2.0 * std::round(x / 2.0);
    return std::round(x);
}

int SnapToTable(double value, std::span<const double> table) {
    if (!ZEF_CHECK(!table.empty())) return 0;
    std::size_t best = 0;
    double bestDistance = std::fabs(table[0] - value);
    for (std::size_t i = 1; i < table.size(); ++i) {
        const double d = std::fabs(table[i] - value);
        const double tolerance = kTieTolerance * std::max(1.0, std::fabs(value));
        if (d < bestDistance - tolerance || (d <= bestDistance + tolerance && table[i] > table[best])) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<int>(best);
}

double SnapToStep(double value, double step, double origin) {
    if (!ZEF_CHECK(step > 0.0)) return value;
    const double k = std::floor((value - origin) / step + 0.5 + kTieTolerance);
    // Dividing by the inverse keeps decimal steps exact (3 / 10.0 is 0.3, 3 * 0.1 is not).
    const double inverse = 1.0 / step;
    if (step < 1.0 && std::fabs(inverse - std::round(inverse)) < kTieTolerance) {
        return origin + k / std::round(inverse);
    }
    return origin + k * step;
}

int ControlMapper::codeFromPosition(int position) const {
    if (!ZEF_CHECK(position >= 1 && position <= n_)) position = std::clamp(position, 1, n_);
    return n_ - position;
}

int ControlMapper::positionFromCode(int code) const {
    if (!ZEF_CHECK(code >= 0 && code < n_)) code = std::clamp(code, 0, n_ - 1);
    return n_ - code;
}

double ControlMapper::valueFromCode(int code) const {
    if (!ZEF_CHECK(code >= 0 && code < n_)) code = std::clamp(code, 0, n_ - 1);
    if (!table_.empty()) return table_[static_cast<std::size_t>(code)];
    return static_cast<double>(code) * num_ / den_ + offset_;
}

int ControlMapper::codeFromValue(double value) const {
    if (!table_.empty()) return SnapToTable(value, table_);
    if (std::isnan(value)) return 0;
    const double k = std::floor((value - offset_) * den_ / num_ + 0.5 + kTieTolerance);
    return static_cast<int>(std::clamp(k, 0.0, static_cast<double>(n_ - 1)));
}

std::string ControlMapper::text(int code, bool decimalComma) const {
    return FormatNumber(valueFromCode(code), decimalComma) + std::string(suffix_);
}

const ControlMapper& MapperFor(Control control) {
    const auto i = static_cast<std::size_t>(control);
    if (!ZEF_CHECK(i < kMappers.size())) return kMappers[0];
    return kMappers[i];
}

std::uint16_t CrossoverFrequencyCode(double hz) { return ClampToU16(std::trunc(hz)); }

std::uint16_t EqFrequencyCode(double hz) { return ClampToU16(RoundHalfEven(hz)); }

double DelayMs(DelayCounts counts) {
    const double ms = counts.coarse + counts.fine * kDelayFineStepMs;
    // The guard keeps a product such as 25 * 0.0208 = 0.51999... from losing its last digit.
    return std::floor(ms * 1000.0 + 1e-6) / 1000.0;
}

DelayCounts DelayCountsFromMs(double ms) {
    if (!(ms > 0.0)) return {};
    ms = std::min(ms, kDelayMaxMs);
    const double whole = std::floor(ms);
    const double fine = std::min(std::round((ms - whole) / kDelayFineStepMs), double{kDelayMaxFine});
    DelayCounts best{static_cast<std::uint16_t>(whole), static_cast<std::uint8_t>(fine)};
    if (whole + 1.0 <= kDelayMaxCoarse) {
        const double below = ms - (whole + fine * kDelayFineStepMs);
        const double above = whole + 1.0 - ms;
        if (above < std::fabs(below)) best = {static_cast<std::uint16_t>(whole + 1.0), 0};
    }
    return best;
}

std::string DelayFrameCaption(bool metres) {
    return "Delay [" + std::string(kDelayUnits[metres ? 1 : 0]) + " ]";
}

std::array<std::uint8_t, 2> RoutingBytes(RoutingState state) {
    if (state.source0 && state.source1) return {kRouteBoth, kRouteBoth};
    if (state.source0) return {kRouteAlone, kRouteOff};
    if (state.source1) return {kRouteOff, kRouteAlone};
    return {kRouteOff, kRouteOff};
}

RoutingState RoutingFromBytes(std::uint8_t source0Byte, std::uint8_t source1Byte) {
    return {(source0Byte & kRoutedBit) != 0, (source1Byte & kRoutedBit) != 0};
}

int LimiterCap(bool bridged, int impedanceCode) {
    const auto& caps = bridged ? kLimiterCapsBridged : kLimiterCapsSeparate;
    const auto i = static_cast<std::size_t>(std::clamp(impedanceCode, 0, 3));
    return caps[i];
}

int LimiterCapFor(const DeviceSettings& settings, int output) {
    const bool bridged = settings[ds::kBridge] != 0;
    return LimiterCap(bridged, settings[ds::Impedance(bridged ? 0 : output)]);
}

int CapLimiterCode(int code, int cap) {
    const int positions = static_cast<int>(kLimiterThresholds.size());
    return std::clamp(std::max(code, positions - cap), 0, positions - 1);
}

std::uint8_t BandLevelByte(bool bypass, int gainPosition) {
    if (!ZEF_CHECK(gainPosition >= 1 && gainPosition <= 61)) gainPosition = std::clamp(gainPosition, 1, 61);
    return static_cast<std::uint8_t>((bypass ? 128 : 0) + (61 - gainPosition));
}

std::uint8_t PairMask(bool first, bool second) { return static_cast<std::uint8_t>(2 * second + first); }

bool TestBit8(std::uint8_t byte, int bit) {
    if (!ZEF_CHECK(bit >= 0 && bit < 8)) return false;
    return (byte & kBitMasks[static_cast<std::size_t>(bit)]) != 0;
}

void SetBit8(std::uint8_t& byte, int bit, bool value) {
    if (!ZEF_CHECK(bit >= 0 && bit < 8)) return;
    const auto i = static_cast<std::size_t>(bit);
    byte = value ? static_cast<std::uint8_t>(byte | kBitMasks[i])
                 : static_cast<std::uint8_t>(byte & kInverseBitMasks[i]);
}

bool TestBit32(int n, std::uint8_t b3, std::uint8_t b2, std::uint8_t b1, std::uint8_t b0) {
    if (n < 0 || n > 31) return false;
    const std::uint8_t bytes[4] = {b0, b1, b2, b3};
    return TestBit8(bytes[n / 8], n % 8);
}

void SetBit32(int n, bool value, std::uint8_t& b3, std::uint8_t& b2, std::uint8_t& b1, std::uint8_t& b0) {
    if (n < 0 || n > 31) return;
    std::uint8_t* bytes[4] = {&b0, &b1, &b2, &b3};
    SetBit8(*bytes[n / 8], n % 8, value);
}

std::uint16_t AddressBytes::low16(std::size_t start) const {
    if (!ZEF_CHECK(start + 3 < bytes.size())) return 0;
    return static_cast<std::uint16_t>(bytes[start + 2] << 8 | bytes[start + 3]);
}

void SplitToBytes(double value, std::size_t start, AddressBytes& scratch) {
    if (!ZEF_CHECK(start + 3 < scratch.bytes.size())) return;
    double r = RoundHalfEven(value);
    if (std::isnan(r)) r = 0.0;
    r = std::clamp(r, static_cast<double>(std::numeric_limits<std::int64_t>::min()),
                   static_cast<double>(std::numeric_limits<std::int32_t>::max()) * 4.0);
    const auto word = static_cast<std::uint32_t>(static_cast<std::int64_t>(r));
    for (std::size_t i = 0; i < 4; ++i) {
        scratch.bytes[start + i] = static_cast<std::uint8_t>(word >> (24 - 8 * i));
    }
}

double Log10Of(double x) { return std::log(x) / std::log(10.0); }

std::string FormatTwoDigits(int n) {
    std::string text = std::to_string(n);
    if (n >= 0 && n < 10) text.insert(text.begin(), '0');
    return text;
}

std::string PresetSlotText(int slot) {
    std::string text = FormatTwoDigits(slot + 1);
    text.insert(text.begin(), 'P');
    return text;
}

}  // namespace zef
