#include "device/readback.h"

#include <algorithm>
#include <vector>

#include "device/device_reader.h"
#include "device/link_state.h"
#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "protocol/commands.h"

namespace zef {
namespace {

// The blocks a read-back reads: the reader's own.
struct Block {
    std::uint16_t address;
    std::size_t size;
};

constexpr std::size_t kSettingsBlocks = 2;
constexpr std::size_t kPresetBlocks = kPresetSize / 78;
constexpr std::size_t kFirBlocks = 2 * kFirImageSize / kFirReadChunk;
constexpr std::size_t kRestoreChunk = 48;

constexpr std::array<Block, kSettingsBlocks + kPresetBlocks + kFirBlocks> kBlocks = [] {
    std::array<Block, kSettingsBlocks + kPresetBlocks + kFirBlocks> blocks{};
    std::size_t n = 0;
    for (std::size_t k = 0; k < kSettingsBlocks; ++k) blocks[n++] = {static_cast<std::uint16_t>(120 * k), 120};
    for (std::size_t k = 0; k < kPresetBlocks; ++k)
        blocks[n++] = {static_cast<std::uint16_t>(kPresetBaseAddress + 78 * k), 78};
    for (std::size_t k = 0; k < kFirBlocks; ++k)
        blocks[n++] = {static_cast<std::uint16_t>(kFirBaseAddress + kFirReadChunk * k), kFirReadChunk};
    return blocks;
}();

bool Touches(const MemoryScope& scope, std::size_t first, std::size_t size) {
    for (std::size_t i = first; i < first + size; ++i)
        if (scope[i]) return true;
    return false;
}

MemoryScope DiffersIn(const DeviceMemory& device, const DeviceMemory& expected, const MemoryScope& scope,
                     std::size_t first, std::size_t size) {
    MemoryScope d;
    for (std::size_t i = first; i < first + size; ++i)
        if (scope[i] && device[i] != expected[i]) d.set(i);
    return d;
}

std::string FieldName(const MemoryField* field) { return field ? std::string(field->name) : "?"; }

std::string Differs(const std::string& where, std::uint32_t read, std::uint32_t written) {
    return where + " reads " + std::to_string(read) + ", written " + std::to_string(written);
}

// Settings, preset record and FIR taps of an image.
struct Records {
    DeviceSettings settings;
    PresetImage preset;
    std::array<FirTapWords, 2> taps{};
};

Records RecordsOf(const DeviceMemory& image) {
    Records r;
    std::copy_n(image.begin(), kSettingsSize, r.settings.bytes.begin());
    std::array<std::uint8_t, kPresetSize> device{};
    std::copy_n(image.begin() + kSettingsSize, kPresetSize, device.begin());
    DecodePresetFromDevice(device, r.preset);
    for (std::size_t o = 0; o < 2; ++o) {
        FirImage fir{};
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(kDeviceMemorySize + o * kFirImageSize),
                    kFirImageSize, fir.begin());
        r.taps[o] = TapsFromFirImage(fir);
    }
    return r;
}

// The memory write of one run [first, end) of image indices, in chunks.
Status WriteRun(Exchange& exchange, DeviceSlot slot, const DeviceMemory& expected, std::size_t first, std::size_t end) {
    for (std::size_t at = first; at < end; at += kRestoreChunk) {
        const std::size_t n = std::min(kRestoreChunk, end - at);
        if (WriteMemoryBlock(exchange, slot, ImageAddress(at), std::span(expected).subspan(at, n)) != kOk)
            return kFailed;
    }
    return kOk;
}

// The region an image index belongs to: memory, output 1's FIR, output 2's FIR.
int Region(std::size_t index) {
    if (index < kDeviceMemorySize) return 0;
    return index < kDeviceMemorySize + kFirImageSize ? 1 : 2;
}

// Command 25 makes the device take written state or preset bytes (DS 205 on).
constexpr std::size_t kFirstActivated = kDeviceStateFirst;

}  // namespace

std::uint16_t ImageAddress(std::size_t index) {
    if (index < kDeviceMemorySize) return static_cast<std::uint16_t>(index);
    return static_cast<std::uint16_t>(kFirBaseAddress + (index - kDeviceMemorySize));
}

std::optional<std::size_t> ImageIndex(std::uint32_t address) {
    if (address < kDeviceMemorySize) return address;
    if (address >= kFirBaseAddress && address < kFirBaseAddress + 2 * kFirImageSize)
        return kDeviceMemorySize + (address - kFirBaseAddress);
    return std::nullopt;
}

DeviceMemory ImageOf(const DeviceModel& d) {
    DeviceMemory image{};
    std::copy(d.settings.bytes.begin(), d.settings.bytes.end(), image.begin());
    std::array<std::uint8_t, kPresetSize> device{};
    EncodePresetToDevice(d.preset, device);
    std::copy(device.begin(), device.end(), image.begin() + kSettingsSize);
    for (std::size_t o = 0; o < 2; ++o) {
        const FirImage fir = FirImageFromTaps(d.firTaps[o]);
        std::copy(fir.begin(), fir.end(), image.begin() + static_cast<std::ptrdiff_t>(kDeviceMemorySize + o * kFirImageSize));
    }
    return image;
}

void StoreMemory(const DeviceMemory& memory, DeviceModel& d) {
    Records r = RecordsOf(memory);
    d.settings = r.settings;
    d.preset = r.preset;
    d.firTaps = r.taps;
}

MemoryScope Changed(const DeviceMemory& a, const DeviceMemory& b) {
    MemoryScope changed;
    for (std::size_t i = 0; i < kImageSize; ++i)
        if (a[i] != b[i]) changed.set(i);
    return changed;
}

MemoryScope EditableMemory() {
    return AddressRange(kDeviceStateFirst, kDeviceStateCount) | AddressRange(kPresetBaseAddress, kPresetSize) |
           AddressRange(kFirBaseAddress, 2 * kFirImageSize);
}

MemoryScope AddressRange(std::uint32_t first, std::size_t count) {
    MemoryScope range;
    for (std::uint32_t a = first; a < first + count; ++a)
        if (const auto i = ImageIndex(a)) range.set(*i);
    return range;
}

std::string WriteReport::Text() const {
    switch (outcome) {
        case WriteOutcome::Done:
            return "done";
        case WriteOutcome::Refused:
            return "refused: " + detail;
        case WriteOutcome::Failed:
            return "write failed";
        case WriteOutcome::Unread:
            return "written, but the read-back failed";
        case WriteOutcome::Mismatch:
            return "read-back differs: " + detail;
    }
    return "";
}

ReadBack ReadBackMemory(Exchange& exchange, DeviceSlot slot, const DeviceMemory& expected, const MemoryScope& scope) {
    ReadBack r;
    r.device = expected;
    for (const Block& b : kBlocks) {
        const std::size_t first = *ImageIndex(b.address);
        if (!Touches(scope, first, b.size)) continue;
        std::vector<std::uint8_t> read(b.size);
        if (ReadMemoryBlock(exchange, slot, b.address, read) != kOk) {
            r.result = ReadBack::Result::Unread;
            return r;
        }
        std::copy(read.begin(), read.end(), r.device.begin() + static_cast<std::ptrdiff_t>(first));
        if (DiffersIn(r.device, expected, scope, first, b.size).none()) continue;
        // Not as expected: believed only when two reads in a row agree.
        if (ReadMemoryAgreed(exchange, slot, b.address, read, read) != kOk) {
            r.result = ReadBack::Result::Unread;
            return r;
        }
        std::copy(read.begin(), read.end(), r.device.begin() + static_cast<std::ptrdiff_t>(first));
        r.differing |= DiffersIn(r.device, expected, scope, first, b.size);
    }
    r.result = r.differing.none() ? ReadBack::Result::Same : ReadBack::Result::Differs;
    return r;
}

std::string DescribeDifference(const DeviceMemory& found, const DeviceMemory& expected, const MemoryScope& differing) {
    DeviceMemory only = expected;
    for (std::size_t i = 0; i < kImageSize; ++i)
        if (differing[i]) only[i] = found[i];
    const Records read = RecordsOf(only);
    const Records written = RecordsOf(expected);
    for (std::size_t at = 0; at < kSettingsSize; ++at)
        if (read.settings[at] != written.settings[at])
            return Differs("settings byte " + std::to_string(at) + " (" + FieldName(SettingsFieldAt(at)) + ")",
                           read.settings[at], written.settings[at]);
    for (std::size_t at = 0; at < kPresetSize; ++at)
        if (read.preset[at] != written.preset[at])
            return Differs("preset byte " + std::to_string(at) + " (" + FieldName(PresetFieldAt(at)) + ")",
                           read.preset[at], written.preset[at]);
    for (std::size_t o = 0; o < 2; ++o)
        for (std::size_t t = 0; t < kFirTapCount; ++t)
            if (read.taps[o][t] != written.taps[o][t])
                return Differs("output " + std::to_string(o + 1) + " FIR tap " + std::to_string(t), read.taps[o][t],
                               written.taps[o][t]);
    return "";
}

Status WriteMemoryBytes(Exchange& exchange, DeviceSlot slot, const DeviceMemory& expected, const MemoryScope& bytes) {
    bool activate = false;
    std::array<bool, 2> firs{};
    for (std::size_t i = 0; i < kImageSize;) {
        if (!bytes[i]) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < kImageSize && bytes[end] && Region(end) == Region(i)) ++end;
        if (WriteRun(exchange, slot, expected, i, end) != kOk) return kFailed;
        if (Region(i) == 0) activate = activate || end > kFirstActivated;
        if (Region(i) > 0) firs[static_cast<std::size_t>(Region(i) - 1)] = true;
        i = end;
    }
    if (activate && exchange.SendCommandFrame(slot, cmd::kActivateSettings, CommandParams{}) != kOk) return kFailed;
    for (std::size_t o = 0; o < 2; ++o) {
        if (!firs[o]) continue;
        CommandParams p{};
        p[0] = static_cast<std::uint8_t>(kOutput1 + o);
        if (exchange.SendCommandFrame(slot, cmd::kActivateFir, p) != kOk) return kFailed;
    }
    return kOk;
}

Confirmation ConfirmMemory(Exchange& exchange, DeviceSlot slot, const DeviceMemory& expected, const MemoryScope& scope,
                          const Resend& resend) {
    Confirmation c;
    ReadBack r = ReadBackMemory(exchange, slot, expected, scope);
    if (r.result == ReadBack::Result::Differs) {
        const Status sent = resend ? resend(r.differing) : WriteMemoryBytes(exchange, slot, expected, r.differing);
        if (sent != kOk) {
            c.report = {WriteOutcome::Failed, {}};
            c.device = r.device;
            return c;
        }
        r = ReadBackMemory(exchange, slot, expected, scope);
    }
    c.device = r.device;
    if (r.result == ReadBack::Result::Unread) c.report = {WriteOutcome::Unread, {}};
    if (r.result == ReadBack::Result::Differs)
        c.report = {WriteOutcome::Mismatch, DescribeDifference(r.device, expected, r.differing)};
    return c;
}

bool ExchangesReach(const LinkState& link, const DeviceEntry& entry) {
    return entry.online && !link.sendsSuppressed() && !link.nestedSendsSuppressed();
}

bool DoubtsPending(const LinkState& link, DeviceSlot slot) {
    const std::size_t i = SlotIndex(slot);
    return link.doubtfulRequests[i] != link.doubtsSettled[i];
}

void SettleDoubts(LinkState& link, DeviceSlot slot) {
    const std::size_t i = SlotIndex(slot);
    link.doubtsSettled[i] = link.doubtfulRequests[i];
}

WriteReport SettleWithModel(Exchange& exchange, const Model& model, DeviceSlot slot, const MemoryScope& scope,
                            bool restore) {
    LinkState& link = exchange.link();
    if (!ExchangesReach(link, model.entry(slot))) return {};
    const DeviceMemory expected = ImageOf(model.device(slot));
    WriteReport report;
    if (restore) {
        report = ConfirmMemory(exchange, slot, expected, scope).report;
    } else {
        const ReadBack r = ReadBackMemory(exchange, slot, expected, scope);
        if (r.result == ReadBack::Result::Unread) report = {WriteOutcome::Unread, {}};
        if (r.result == ReadBack::Result::Differs)
            report = {WriteOutcome::Mismatch,
                      "the device changed while it was read: " + DescribeDifference(r.device, expected, r.differing)};
    }
    if (report.ok()) SettleDoubts(link, slot);
    return report;
}

}  // namespace zef
