#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "address_map.h"
#include "simulator.h"

namespace zefsim {
namespace {

constexpr std::uint32_t kNameAddress = 5;
constexpr std::size_t kNameLength = 16;
constexpr std::uint32_t kLoadedSlotAddress = 204;

bool overlaps(std::uint32_t start, std::size_t count, std::uint32_t lo, std::uint32_t end) {
    return count > 0 && start < end && start + count > lo;
}

}  // namespace

Device::Device(const DeviceConfig& config) : config_(config), random_(0x5A4546u) {
    powerOnMemory(memory_);
    powerOnFir(fir_);
    std::fill_n(memory_.begin() + kNameAddress, kNameLength, ' ');
    std::copy_n(config.name.begin(), std::min(config.name.size(), kNameLength),
                memory_.begin() + kNameAddress);
    memory_[4] = config.typeCode;
    setFirmwareLocked(config.major, config.minor, config.patch);
    status_.fill(0);
    std::fill(status_.begin() + 12, status_.begin() + 16, std::uint8_t{30});  // no gain reduction
}

std::uint8_t* Device::byteAt(std::uint32_t address) {
    if (address < kMemorySize) return &memory_[address];
    if (address >= kFirBase && address < kAddressSpaceEnd) return &fir_[address - kFirBase];
    return nullptr;
}

std::uint8_t Device::readByte(std::uint32_t address) const {
    if (address < kMemorySize) return memory_[address];
    if (address >= kFirBase && address < kAddressSpaceEnd) return fir_[address - kFirBase];
    return 0;
}

std::vector<std::uint8_t> Device::memory(std::uint32_t address, std::size_t count) const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = readByte(address + static_cast<std::uint32_t>(i));
    return out;
}

void Device::setMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (std::uint8_t* p = byteAt(address + static_cast<std::uint32_t>(i))) *p = bytes[i];
}

std::vector<std::uint8_t> Device::presetSlot(int slot) const {
    std::lock_guard lock(mutex_);
    if (slot < 0 || slot >= kPresetSlots || !slots_[slot]) return {};
    return slots_[slot]->preset;
}

std::vector<std::vector<std::uint8_t>> Device::frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

std::size_t Device::trailingZeros() const {
    std::lock_guard lock(mutex_);
    return zeros_;
}

std::size_t Device::discardedBytes() const {
    std::lock_guard lock(mutex_);
    return discarded_;
}

void Device::clearLog() {
    std::lock_guard lock(mutex_);
    frames_.clear();
    altered_.clear();
    zeros_ = 0;
    discarded_ = 0;
}

void Device::frontPanelWrite(std::uint32_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    std::uint8_t* p = byteAt(address);
    if (p == nullptr) return;
    *p = value;
    if (address < kMemorySize) {
        marks_ |= kMarkChanged;
    } else {
        marks_ |= address < kFirBase + kFirSize ? kMarkFir1 : kMarkFir2;
    }
}

void Device::frontPanelFirChange(int output) {
    if (output < 0 || output > 1) return;
    // Toggle between the unit impulse and a half-gain two-tap filter, so every call changes it.
    std::vector<std::uint8_t> image(kFirSize, 0);
    const bool impulse = memory(kFirBase + kFirSize * output, 3) == std::vector<std::uint8_t>{0x20, 0, 0};
    if (impulse) {
        image[0] = 0x10;
        image[3] = 0x10;
    } else {
        image[0] = 0x20;
    }
    frontPanelFirChange(output, image);
}

void Device::frontPanelFirChange(int output, const std::vector<std::uint8_t>& image) {
    if (output < 0 || output > 1) return;
    std::lock_guard lock(mutex_);
    auto at = fir_.begin() + static_cast<std::ptrdiff_t>(kFirSize * output);
    std::fill_n(at, kFirSize, std::uint8_t{0});
    std::copy_n(image.begin(), std::min<std::size_t>(image.size(), kFirSize), at);
    marks_ |= output == 0 ? kMarkFir1 : kMarkFir2;
}

void Device::frontPanelRecall(int slot) {
    std::lock_guard lock(mutex_);
    if (slot < 0 || slot >= kPresetSlots || !slots_[slot]) return;
    loadSlot(slot, true);
}

std::uint8_t Device::changeMarks() const {
    std::lock_guard lock(mutex_);
    return marks_;
}

void Device::dropReplies(int count) {
    std::lock_guard lock(mutex_);
    dropCount_ = std::max(0, count);
}

void Device::setReplyDelayMs(int ms) {
    std::lock_guard lock(mutex_);
    delayMs_ = std::max(0, ms);
}

void Device::setSilent(bool silent) {
    std::lock_guard lock(mutex_);
    silent_ = silent;
    silenceAfter_ = -1;
}

void Device::silenceAfter(int frames) {
    std::lock_guard lock(mutex_);
    silenceAfter_ = std::max(0, frames);
}

void Device::cutConnections() {
    std::function<void()> wake;
    {
        std::lock_guard lock(mutex_);
        ++cutGeneration_;
        wake = wake_;
    }
    if (wake) wake();
}

void Device::garbageNextReply() {
    std::lock_guard lock(mutex_);
    garbageNext_ = true;
}

void Device::shortNextReply() {
    std::lock_guard lock(mutex_);
    shortNext_ = true;
}

void Device::armFault(ArmedFault fault, int after, int lateMs) {
    using W = Corruption::Where;
    using K = Corruption::Kind;
    const auto corruption = [after](W where, K kind) { return Corruption{where, kind, after, {}, {}, {}, 1}; };
    switch (fault) {
        case ArmedFault::FlipReplyBit: return armCorruption(corruption(W::Reply, K::Bit));
        case ArmedFault::ReplyByte: return armCorruption(corruption(W::Reply, K::Byte));
        case ArmedFault::FlipRequestBit: return armCorruption(corruption(W::Request, K::Bit));
        case ArmedFault::RequestByte: return armCorruption(corruption(W::Request, K::Byte));
        default: break;
    }
    std::lock_guard lock(mutex_);
    armed_ = fault;
    armedAfter_ = std::max(0, after);
    armedLateMs_ = std::max(0, lateMs);
}

void Device::disarmFault() {
    std::lock_guard lock(mutex_);
    armed_.reset();
    requestCorruption_.reset();
    replyCorruption_.reset();
}

void Device::setBootloader(bool on) {
    std::lock_guard lock(mutex_);
    config_.bootloader = on;
}

void Device::setFirmware(std::uint8_t major, std::uint8_t minor, std::uint8_t patch) {
    std::lock_guard lock(mutex_);
    setFirmwareLocked(major, minor, patch);
}

void Device::setFirmwareLocked(std::uint8_t major, std::uint8_t minor, std::uint8_t patch) {
    memory_[1] = major;
    memory_[2] = minor;
    memory_[3] = patch;
}

void Device::setStatusBytes(const std::array<std::uint8_t, 18>& bytes) {
    std::lock_guard lock(mutex_);
    status_ = bytes;
}

void Device::setAlert(bool on) {
    std::lock_guard lock(mutex_);
    alert_ = on;
}

DeviceConfig Device::config() const {
    std::lock_guard lock(mutex_);
    DeviceConfig c = config_;
    c.name.assign(memory_.begin() + kNameAddress, memory_.begin() + kNameAddress + kNameLength);
    c.major = memory_[1];
    c.minor = memory_[2];
    c.patch = memory_[3];
    return c;
}

std::array<std::uint8_t, 6> Device::uid() const {
    std::lock_guard lock(mutex_);
    return config_.uid;
}

bool Device::bootloader() const {
    std::lock_guard lock(mutex_);
    return config_.bootloader;
}

std::array<std::uint8_t, 26> Device::announcement() const {
    std::lock_guard lock(mutex_);
    std::array<std::uint8_t, 26> d{};
    d[0] = 0x21;
    d[1] = config_.network;
    d[2] = config_.typeCode;
    std::copy(config_.uid.begin(), config_.uid.end(), d.begin() + 3);
    std::copy_n(memory_.begin() + kNameAddress, kNameLength, d.begin() + 9);
    unsigned sum = 0;
    for (std::size_t i = 0; i < 25; ++i) sum += d[i];
    d[25] = static_cast<std::uint8_t>(sum & 0xFF);
    return d;
}

void Device::setBootloaderProtocol(ProtocolFactory factory) {
    std::lock_guard lock(mutex_);
    bootloaderProtocol_ = std::move(factory);
}

Device::ProtocolFactory Device::bootloaderProtocol() const {
    std::lock_guard lock(mutex_);
    return bootloaderProtocol_;
}

void Device::noteLoneZero() {
    std::lock_guard lock(mutex_);
    ++zeros_;
}

void Device::noteDiscarded(std::size_t count) {
    std::lock_guard lock(mutex_);
    discarded_ += count;
}

unsigned Device::cutGeneration() const {
    std::lock_guard lock(mutex_);
    return cutGeneration_;
}

void Device::setWakeHook(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

// ---- presets -------------------------------------------------------------------------------

void Device::storeSlot(int slot) {
    Slot s;
    s.preset.assign(memory_.begin() + kPresetBase, memory_.end());
    s.fir.assign(fir_.begin(), fir_.end());
    slots_[slot] = std::move(s);
    memory_[kLoadedSlotAddress] = static_cast<std::uint8_t>((memory_[kLoadedSlotAddress] & 0x80) | slot);
}

void Device::loadSlot(int slot, bool fromFrontPanel) {
    const Slot& s = *slots_[slot];
    const bool fir1Changed = !std::equal(s.fir.begin(), s.fir.begin() + kFirSize, fir_.begin());
    const bool fir2Changed = !std::equal(s.fir.begin() + kFirSize, s.fir.end(), fir_.begin() + kFirSize);
    std::copy(s.preset.begin(), s.preset.end(), memory_.begin() + kPresetBase);
    std::copy(s.fir.begin(), s.fir.end(), fir_.begin());
    memory_[kLoadedSlotAddress] = static_cast<std::uint8_t>((memory_[kLoadedSlotAddress] & 0x80) | slot);
    if (fromFrontPanel) {
        marks_ |= kMarkChanged;
        if (fir1Changed) marks_ |= kMarkFir1;
        if (fir2Changed) marks_ |= kMarkFir2;
    }
}

// ---- replies -------------------------------------------------------------------------------

std::uint8_t Device::replyAddress() const { return static_cast<std::uint8_t>(config_.address | marks_); }

std::vector<std::uint8_t> Device::echoReply(const std::vector<std::uint8_t>& frame) const {
    std::vector<std::uint8_t> r(13, 0);
    r[0] = 0xF0;
    r[1] = 0x21;
    r[2] = replyAddress();
    r[3] = frame[3];
    const std::size_t params = frame[3] == 21 ? 3 : 8;  // a block write carries p1..p3 only
    for (std::size_t i = 0; i < params; ++i) r[4 + i] = frame[4 + i];
    r[12] = 0xF7;
    return r;
}

std::vector<std::uint8_t> Device::identifyReply(Link link) const {
    std::vector<std::uint8_t> r(30, 0);
    r[0] = 0xF0;
    r[1] = 0x21;
    r[2] = config_.address;  // the address the editor learns: never marked
    r[3] = 0;
    r[4] = 0x21;
    r[5] = link == Link::Serial ? 0 : config_.network;
    std::copy(config_.uid.begin(), config_.uid.end(), r.begin() + 6);
    r[12] = config_.bootloader ? 255 : 0;
    std::copy_n(memory_.begin() + kNameAddress, kNameLength, r.begin() + 13);
    r[29] = 0xF7;
    return r;
}

void Device::setMeterAnimation(bool on) {
    std::lock_guard lock(mutex_);
    meters_ = on;
}

std::array<std::uint8_t, 18> Device::animatedStatus() const {
    // Level byte b reads as (b - 42) + 12.2 dB; gain-reduction byte b as b - 30 dB.
    std::array<std::uint8_t, 18> s{};
    const double t = std::chrono::duration<double>(Clock::now() - born_).count();
    const bool running = memory_[206] == 0;
    for (int i = 0; i < 12; ++i) {
        const double swing = running ? std::sin(t * (0.9 + 0.17 * i) + i) : -1.0;
        s[i] = static_cast<std::uint8_t>(std::lround(23 + 13 * swing));
        if (s[i] > 20 && i < 8) s[16] |= static_cast<std::uint8_t>(1u << i);
    }
    for (int i = 0; i < 4; ++i) {
        const double swing = running ? std::sin(t * (0.5 + 0.2 * i)) : -1.0;
        s[12 + i] = static_cast<std::uint8_t>(std::lround(32 + 2 * swing));
    }
    return s;
}

std::vector<std::uint8_t> Device::statusReply() const {
    std::vector<std::uint8_t> r(24, 0);
    r[0] = 0xF0;
    r[1] = 0x21;
    r[2] = replyAddress();
    r[3] = 22;
    const std::array<std::uint8_t, 18> bytes = meters_ ? animatedStatus() : status_;
    std::copy(bytes.begin(), bytes.end(), r.begin() + 4);
    r[22] = static_cast<std::uint8_t>((alert_ ? 0x02 : 0) | (memory_[206] != 0 ? 0x04 : 0));
    r[23] = 0xF7;
    return r;
}

std::vector<std::uint8_t> Device::readReply(const std::vector<std::uint8_t>& frame) {
    const std::uint32_t start = (static_cast<std::uint32_t>(frame[4]) << 8) | frame[5];
    const std::size_t count = frame[6];
    if (overlaps(start, count, 0, kMemorySize)) marks_ &= static_cast<std::uint8_t>(~kMarkChanged);
    if (overlaps(start, count, kFirBase, kFirBase + kFirSize))
        marks_ &= static_cast<std::uint8_t>(~kMarkFir1);
    if (overlaps(start, count, kFirBase + kFirSize, kAddressSpaceEnd))
        marks_ &= static_cast<std::uint8_t>(~kMarkFir2);
    std::vector<std::uint8_t> r(count + 5, 0);
    r[0] = 0xF0;
    r[1] = 0x21;
    r[2] = replyAddress();
    r[3] = 20;
    for (std::size_t i = 0; i < count; ++i) r[4 + i] = readByte(start + static_cast<std::uint32_t>(i));
    r[count + 4] = 0xF7;
    return r;
}

void Device::distort(std::vector<std::uint8_t>& reply) {
    if (garbageNext_) {
        garbageNext_ = false;
        std::uniform_int_distribution<int> byte(0, 255);
        for (auto& b : reply) b = static_cast<std::uint8_t>(byte(random_));
        if (reply[0] == 0xF0) reply[0] = 0x0F;
    }
    if (shortNext_) {
        shortNext_ = false;
        reply.resize(reply.size() / 2);
    }
}

}  // namespace zefsim
