#include "device_image.h"

#include <algorithm>

#include "device/device_reader.h"
#include "model/fir_image.h"
#include "model/memory_map.h"
#include "protocol/commands.h"
#include "protocol/replies.h"

namespace zefsoak {
namespace {

constexpr std::uint32_t kFirBase = 4096;

std::string Where(std::size_t memIndex, bool fir, int slot = -1) {
    if (slot >= 0) return "preset slot " + std::to_string(slot + 1) + " byte " + std::to_string(memIndex);
    if (fir) return "FIR memory byte " + std::to_string(memIndex);
    return "memory byte " + std::to_string(memIndex);
}

bool LineWrote(const LineChanges& line, std::uint32_t address, std::uint8_t value) {
    const auto at = line.bytes.find(address);
    return at != line.bytes.end() && at->second.count(value) > 0;
}

template <typename F>
std::optional<std::string> FirstBad(const Image& a, const Image& b, const Image& c, const LineChanges& line, F ok) {
    for (std::size_t i = 0; i < a.memory.size(); ++i)
        if (!ok(a.memory[i], b.memory[i], c.memory[i]) && !LineWrote(line, static_cast<std::uint32_t>(i), a.memory[i]))
            return Where(i, false) + " is " + std::to_string(a.memory[i]);
    for (std::size_t i = 0; i < a.fir.size(); ++i)
        if (!ok(a.fir[i], b.fir[i], c.fir[i]) && !LineWrote(line, kFirBase + static_cast<std::uint32_t>(i), a.fir[i]))
            return Where(i, true) + " is " + std::to_string(a.fir[i]);
    for (int s = 0; s < 3; ++s) {
        const auto& x = a.presetSlots[static_cast<std::size_t>(s)];
        const auto& y = b.presetSlots[static_cast<std::size_t>(s)];
        const auto& z = c.presetSlots[static_cast<std::size_t>(s)];
        if (x == y || x == z || line.slotsWritten.count(s) > 0) continue;
        // A slot is stored whole: it is one of the two, never a mixture.
        return Where(0, false, s) + ": the slot holds neither version";
    }
    return std::nullopt;
}

}  // namespace

Image Capture(const zefsim::Device& device) {
    Image image;
    image.memory = device.memory(0, zef::kDeviceMemorySize);
    image.fir = device.memory(kFirBase, kFirBytes);
    for (int s = 0; s < 3; ++s) image.presetSlots[static_cast<std::size_t>(s)] = device.presetSlot(s);
    return image;
}

LineChanges ChangesByTheLine(const std::vector<zefsim::AlteredRequest>& altered) {
    LineChanges line;
    line.acted = altered.size();
    for (const zefsim::AlteredRequest& a : altered) {
        if (a.changed.empty() && a.slotsChanged.empty()) continue;
        ++line.requests;
        for (const auto& [address, value] : a.changed) line.bytes[address].insert(value);
        line.slotsWritten.insert(a.slotsChanged.begin(), a.slotsChanged.end());
    }
    return line;
}

std::optional<std::string> OutsideEither(const Image& actual, const Image& before, const Image& target,
                                         const LineChanges& line) {
    return FirstBad(actual, before, target, line,
                    [](std::uint8_t x, std::uint8_t y, std::uint8_t z) { return x == y || x == z; });
}

std::optional<std::string> Difference(const Image& actual, const Image& expected, const LineChanges& line) {
    return FirstBad(actual, expected, expected, line,
                    [](std::uint8_t x, std::uint8_t y, std::uint8_t) { return x == y; });
}

zef::ExchangeResult ImageExchange::Transact(zef::DeviceSlot, const zef::Request& request, zef::Reporting) {
    std::vector<std::uint8_t> reply = {zef::kFrameStart, zef::kFrameMarker, 1, request.command};
    if (request.command == zef::cmd::kReadMemory) {
        const std::uint32_t address = static_cast<std::uint32_t>(request.p[0] << 8 | request.p[1]);
        for (std::uint32_t i = 0; i < request.p[2]; ++i) {
            const std::uint32_t a = address + i;
            std::uint8_t b = 0;
            if (a < image_.memory.size()) b = image_.memory[a];
            if (a >= kFirBase && a - kFirBase < image_.fir.size()) b = image_.fir[a - kFirBase];
            reply.push_back(b);
        }
    } else if (request.command == zef::cmd::kStatusPoll) {
        reply.resize(zef::kStatusReplySize - 1, 0);
    } else {
        reply.insert(reply.end(), request.p.begin(), request.p.end());
    }
    reply.push_back(zef::kFrameEnd);
    return zef::ExchangeResult::Replied(std::move(reply));
}

ReadModel::ReadModel(const Image& image) : exchange(image) {
    zef::DeviceEntry& e = model.entry(1);
    e.inList = true;
    e.online = true;
    e.interface = zef::kInterfaceTcp;
    e.ip = "127.0.0.1";
    zef::RefreshEvents events;
    zef::DeviceReader reader(model, exchange, events);
    reader.ReadWholeDevice(1);
}

Image Written(const Image& base, const zef::DeviceModel& m, bool deviceState) {
    Image out = base;
    if (deviceState)
        std::copy_n(m.settings.bytes.begin() + zef::kDeviceStateFirst, zef::kDeviceStateCount,
                    out.memory.begin() + zef::kDeviceStateFirst);
    std::array<std::uint8_t, zef::kPresetSize> deviceOrder{};
    zef::EncodePresetToDevice(m.preset, deviceOrder);
    std::copy(deviceOrder.begin(), deviceOrder.end(), out.memory.begin() + zef::kPresetBaseAddress);
    for (std::size_t o = 0; o < 2; ++o) {
        const zef::FirImage fir = zef::FirImageFromTaps(m.firTaps[o]);
        std::copy(fir.begin(), fir.end(), out.fir.begin() + static_cast<std::ptrdiff_t>(o * fir.size()));
    }
    return out;
}

}  // namespace zefsoak
