#include "protocol/commands.h"

#include <algorithm>
#include <array>

namespace zef {
namespace {

using S = ReplyShape;
using W = ReplyWait;

constexpr std::array<CommandInfo, 33> kCommands = {{
    {cmd::kIdentify, "identify", S::Identify, W::Identify},
    {cmd::kGain, "gain", S::Echo, W::Parameter},
    {cmd::kDelay, "delay", S::Echo, W::Parameter},
    {cmd::kMute, "mute", S::Echo, W::Parameter},
    {cmd::kPolarity, "polarity", S::Echo, W::Parameter},
    {cmd::kEqBand, "eq-band", S::Echo, W::Parameter},
    {cmd::kEqBypass, "eq-bypass", S::Echo, W::Parameter},
    {cmd::kCompressor, "compressor", S::Echo, W::Parameter},
    {cmd::kCompressorAuto, "compressor-auto", S::Echo, W::Parameter},
    {cmd::kLimiter, "limiter", S::Echo, W::Parameter},
    {cmd::kNoiseGate, "noise-gate", S::Echo, W::Parameter},
    {cmd::kCrossover, "crossover", S::Echo, W::Parameter},
    {cmd::kNoiseOption, "noise-option", S::Echo, W::Parameter},
    {cmd::kGeneratorMasking, "generator-masking", S::Echo, W::Parameter},
    {cmd::kStandby, "standby", S::Echo, W::Parameter},
    {cmd::kClose, "close", S::Echo, W::Close},
    {cmd::kVoltage, "voltage", S::Echo, W::Parameter},
    {cmd::kRouting, "routing", S::Echo, W::Parameter},
    {cmd::kBridge, "bridge", S::Echo, W::Parameter},
    {cmd::kSleepMode, "sleep-mode", S::Echo, W::Parameter},
    {cmd::kReadMemory, "read-memory", S::Memory, W::Memory},
    {cmd::kWriteMemory, "write-memory", S::Echo, W::Memory},
    {cmd::kStatusPoll, "status", S::Status, W::Status},
    {cmd::kStorePreset, "store-preset", S::Echo, W::Memory},
    {cmd::kRecallPreset, "recall-preset", S::Echo, W::Memory},
    {cmd::kActivateSettings, "activate-settings", S::Echo, W::Memory},
    {cmd::kDynamicFilter, "dynamic-filter", S::Echo, W::Parameter},
    {cmd::kActivateFir, "activate-fir", S::Echo, W::Memory},
    {cmd::kFirBypass, "fir-bypass", S::Echo, W::Parameter},
    {cmd::kChannelMode, "channel-mode", S::Echo, W::Parameter},
    {cmd::kImpedance, "impedance", S::Echo, W::Parameter},
    {cmd::kRemoteEnable, "remote-enable", S::Echo, W::Parameter},
    {cmd::kEnterBootLoader, "enter-boot-loader", S::Echo, W::Parameter},
}};

static_assert(std::is_sorted(kCommands.begin(), kCommands.end(),
                             [](const CommandInfo& a, const CommandInfo& b) { return a.code < b.code; }),
              "the table is kept in code order");

}  // namespace

std::span<const CommandInfo> DeviceCommandTable() { return kCommands; }

const CommandInfo* FindCommand(std::uint8_t code) {
    const auto it = std::lower_bound(kCommands.begin(), kCommands.end(), code,
                                     [](const CommandInfo& c, std::uint8_t v) { return c.code < v; });
    return it != kCommands.end() && it->code == code ? &*it : nullptr;
}

}  // namespace zef
