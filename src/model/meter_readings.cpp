#include "model/meter_readings.h"

namespace zef {
namespace {

struct Place {
    MeterChannel channel;
    MeterKind kind;
};

constexpr std::array<std::optional<Place>, kLevelReadings> kLevelPlaces = {{
    Place{MeterChannel::L, MeterKind::Signal},
    Place{MeterChannel::R, MeterKind::Signal},
    Place{MeterChannel::Out1, MeterKind::Signal},
    Place{MeterChannel::Out2, MeterKind::Signal},
    Place{MeterChannel::Out1, MeterKind::Voltage},
    Place{MeterChannel::Out2, MeterKind::Voltage},
    Place{MeterChannel::Sm, MeterKind::Signal},
    std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
}};

constexpr std::array<MeterChannel, kReductionReadings> kReductionPlaces = {
    MeterChannel::Out1, MeterChannel::Out2, MeterChannel::Lim1, MeterChannel::Lim2};

double& At(MeterTable& t, MeterChannel c, MeterKind k) {
    return t[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)];
}

}  // namespace

StatusReading DecodeStatusReading(std::span<const std::uint8_t, 18> bytes, std::uint8_t flags, bool online) {
    StatusReading r;
    for (std::size_t i = 0; i < kLevelReadings; ++i) {
        const int b = online ? bytes[i] : 0;
        r.levels[i] = (b - 42) + 12.2;
    }
    for (std::size_t i = 0; i < kReductionReadings; ++i) {
        const int b = online ? bytes[kLevelReadings + i] : 30;
        r.reductions[i] = b - 30;
    }
    const std::uint8_t b20 = online ? bytes[16] : 0;
    const std::uint8_t b21 = online ? bytes[17] : 0;
    for (int bit = 0; bit < 8; ++bit) r.indicators[static_cast<std::size_t>(bit)] = (b20 >> bit) & 1;
    for (int bit = 0; bit < 4; ++bit) r.indicators[static_cast<std::size_t>(8 + bit)] = (b21 >> bit) & 1;
    r.alert = online && (flags & 0x02);
    r.standby = online && (flags & 0x04);
    return r;
}

void StoreReadings(const StatusReading& reading, MeterTable& table) {
    for (std::size_t i = 0; i < kLevelReadings; ++i)
        if (kLevelPlaces[i]) At(table, kLevelPlaces[i]->channel, kLevelPlaces[i]->kind) = reading.levels[i];
    for (std::size_t i = 0; i < kReductionReadings; ++i)
        At(table, kReductionPlaces[i], MeterKind::Reduction) = reading.reductions[i];
}

std::optional<int> LevelReadingFor(MeterChannel channel, MeterKind kind) {
    for (std::size_t i = 0; i < kLevelReadings; ++i)
        if (kLevelPlaces[i] && kLevelPlaces[i]->channel == channel && kLevelPlaces[i]->kind == kind)
            return static_cast<int>(i);
    return std::nullopt;
}

std::array<bool, kMeterSegments> MeterSegments(double db, MeterKind kind) {
    std::array<bool, kMeterSegments> lit{};
    for (std::size_t s = 0; s < kMeterSegments; ++s) {
        if (kind == MeterKind::Reduction) {
            const double reduction = db < 0 ? -db : db;
            lit[s] = reduction >= kReductionThresholds[s];
        } else {
            lit[s] = db >= kMeterThresholds[s];
        }
    }
    return lit;
}

std::uint16_t SegmentMask(const std::array<bool, kMeterSegments>& segments) {
    std::uint16_t mask = 0;
    for (std::size_t s = 0; s < kMeterSegments; ++s)
        if (segments[s]) mask = static_cast<std::uint16_t>(mask | (1u << s));
    return mask;
}

}  // namespace zef
