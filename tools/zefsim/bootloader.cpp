#include "bootloader.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <stdexcept>

namespace zefsim {
namespace {

// Wire constants of the boot-loader protocol, from the device's side.
constexpr std::uint8_t kRequestSync = 0xA5;
constexpr std::uint8_t kReplySync = 0x5A;
constexpr std::size_t kMaxPayload = 1028;
constexpr std::size_t kMaxBlock = 1024;

enum Request : std::uint8_t { kHello = 1, kErase = 2, kWrite = 3, kVerify = 4, kRun = 5 };
enum Status : std::uint8_t {
    kOk = 0,
    kWrongFile = 1,
    kProtected = 2,
    kEraseFailed = 3,
    kWriteFailed = 4,
    kBadChecksum = 5,
    kNotAvailable = 6,
    kSequence = 7,
    kVerifyFailed = 8,
    kUnknownCommand = 9,
};

// Flash timing: erasing costs a fixed start plus a little per KiB, programming a block 1 ms.
constexpr std::chrono::milliseconds kEraseStart{20};
constexpr std::chrono::microseconds kErasePerKiB{500};
constexpr std::chrono::milliseconds kWriteTime{1};

std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return ~c;
}

std::uint32_t be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

// One serial link in boot-loader mode: splits the byte stream into command frames and
// boot-loader requests.
class BootSession final : public ByteProtocol {
public:
    BootSession(Device& device, std::shared_ptr<Bootloader> loader)
        : device_(device), loader_(std::move(loader)) {}

    void receive(std::uint8_t byte, Clock::time_point at, std::vector<Outgoing>& out) override {
        loader_->noteBytes(1);
        if (!buffer_.empty() && at - last_ > Bootloader::kStaleAfter) buffer_.clear();
        last_ = at;
        take(byte, at, out);
    }

private:
    void take(std::uint8_t byte, Clock::time_point at, std::vector<Outgoing>& out) {
        if (buffer_.empty()) {
            if (byte == 0xF0 || byte == kRequestSync) buffer_.push_back(byte);
            return;  // anything else between messages is line noise
        }
        buffer_.push_back(byte);
        if (buffer_[0] == 0xF0) {
            takeFrame(at, out);
        } else {
            takeRequest(at, out);
        }
    }

    void takeFrame(Clock::time_point at, std::vector<Outgoing>& out) {
        const std::size_t n = buffer_.size();
        if (n == 2 && buffer_[1] != 0x21) return rescan(at, out);
        const std::size_t length = (n >= 7 && buffer_[3] == 21) ? buffer_[6] + 8u : 13u;
        if (n < length) return;
        std::vector<std::uint8_t> frame = std::move(buffer_);
        buffer_.clear();
        if (frame.back() != 0xF7 || loader_->muted()) return;
        if (auto reply = device_.handleFrame(frame, Link::Serial))
            out.push_back({std::move(reply->bytes), at + reply->delay});
    }

    void takeRequest(Clock::time_point at, std::vector<Outgoing>& out) {
        const std::size_t n = buffer_.size();
        if (n < 4) return;
        const std::size_t length = static_cast<std::size_t>(buffer_[2]) << 8 | buffer_[3];
        if (length > kMaxPayload) return rescan(at, out);
        if (n < length + 8) return;
        std::vector<std::uint8_t> packet = std::move(buffer_);
        buffer_.clear();
        const bool damaged = crc32(packet.data() + 1, length + 3) != be32(packet.data() + 4 + length);
        const std::vector<std::uint8_t> payload(packet.begin() + 4,
                                                packet.begin() + 4 + static_cast<long>(length));
        loader_->handleRequest(packet[1], payload, damaged, at, out);
    }

    // The message start was false: look for the next one in the bytes after it.
    void rescan(Clock::time_point at, std::vector<Outgoing>& out) {
        std::vector<std::uint8_t> rest(buffer_.begin() + 1, buffer_.end());
        buffer_.clear();
        for (std::uint8_t b : rest) take(b, at, out);
    }

    Device& device_;
    std::shared_ptr<Bootloader> loader_;
    std::vector<std::uint8_t> buffer_;
    Clock::time_point last_{};
};

namespace {

struct BootFactory {
    std::shared_ptr<Bootloader> loader;
    std::unique_ptr<ByteProtocol> operator()(Device& d) const {
        return std::make_unique<BootSession>(d, loader);
    }
};

}  // namespace

Bootloader::Bootloader(Device& device) : device_(device) { state_.runnable = !device.bootloader(); }

void Bootloader::setWrongFile(bool on) {
    std::lock_guard lock(mutex_);
    wrongFile_ = on;
}
void Bootloader::setProtected(bool on) {
    std::lock_guard lock(mutex_);
    protected_ = on;
}
void Bootloader::setEraseFails(bool on) {
    std::lock_guard lock(mutex_);
    eraseFails_ = on;
}
void Bootloader::failWriteAfter(int blocks) {
    std::lock_guard lock(mutex_);
    failWriteAfter_ = std::max(-1, blocks);
}
void Bootloader::setUnavailable(bool on) {
    std::lock_guard lock(mutex_);
    unavailable_ = on;
}
void Bootloader::setMute(bool on) {
    std::lock_guard lock(mutex_);
    mute_ = on;
}
void Bootloader::interruptAfter(int blocks) {
    std::lock_guard lock(mutex_);
    interruptAfter_ = std::max(-1, blocks);
    interrupted_ = false;
}
void Bootloader::damageRequests(int count) {
    std::lock_guard lock(mutex_);
    damageRequests_ = std::max(0, count);
}
void Bootloader::damageReplies(int count) {
    std::lock_guard lock(mutex_);
    damageReplies_ = std::max(0, count);
}
void Bootloader::clearFaults() {
    std::lock_guard lock(mutex_);
    wrongFile_ = protected_ = eraseFails_ = unavailable_ = mute_ = interrupted_ = false;
    failWriteAfter_ = interruptAfter_ = -1;
    damageRequests_ = damageReplies_ = 0;
}
void Bootloader::setModelCode(std::uint16_t code) {
    std::lock_guard lock(mutex_);
    model_ = code;
}

Bootloader::State Bootloader::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::string Bootloader::describe() const {
    const State s = state();
    const bool boot = device_.bootloader();
    std::ostringstream o;
    o << (boot ? "boot loader" : "normal firmware") << ", flash "
      << (s.runnable ? "runnable" : "not runnable") << ", installed image " << s.image.size() << " bytes";
    if (s.expectedLength > 0) o << ", transfer " << s.written << "/" << s.expectedLength << " bytes";
    if (s.verified) o << ", verified";
    o << ", " << s.requests << " requests\n";
    return o.str();
}

void Bootloader::noteBytes(std::size_t count) {
    std::lock_guard lock(mutex_);
    state_.bytesReceived += count;
}

bool Bootloader::muted() const {
    std::lock_guard lock(mutex_);
    return mute_;
}

void Bootloader::reply(std::uint8_t command, std::uint8_t status, std::uint32_t value, Clock::time_point due,
                       std::vector<ByteProtocol::Outgoing>& out) {
    std::vector<std::uint8_t> r = {kReplySync,
                                   command,
                                   status,
                                   static_cast<std::uint8_t>(value >> 24),
                                   static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value)};
    const std::uint32_t crc = crc32(r.data() + 1, 6);
    for (int shift = 24; shift >= 0; shift -= 8) r.push_back(static_cast<std::uint8_t>(crc >> shift));
    if (damageReplies_ > 0) {
        --damageReplies_;
        r.back() ^= 0x01;
    }
    out.push_back({std::move(r), due});
}

std::pair<std::uint8_t, std::uint32_t> Bootloader::erase(const std::vector<std::uint8_t>& p) {
    if (p.size() != 14) return {kSequence, 0};
    const auto model = static_cast<std::uint16_t>(p[0] << 8 | p[1]);
    const std::uint32_t length = be32(&p[6]);
    if (wrongFile_ || model != model_ || length == 0 || length > kFlashKiB * 1024u) return {kWrongFile, 0};
    if (protected_) return {kProtected, 0};
    state_.runnable = false;
    state_.expectedLength = 0;
    state_.written = 0;
    state_.verified = false;
    buffer_.clear();
    if (eraseFails_) return {kEraseFailed, 0};
    major_ = p[2];
    minor_ = p[3];
    patch_ = p[4];
    expectedCrc_ = be32(&p[10]);
    state_.expectedLength = length;
    buffer_.assign(length, 0xFF);
    blocksThisTransfer_ = 0;
    return {kOk, length};
}

std::pair<std::uint8_t, std::uint32_t> Bootloader::write(const std::vector<std::uint8_t>& p) {
    if (p.size() < 5 || p.size() > 4 + kMaxBlock) return {kSequence, state_.written};
    const std::uint32_t offset = be32(p.data());
    const std::size_t size = p.size() - 4;
    if (state_.expectedLength == 0 || offset > state_.written || offset + size > state_.expectedLength)
        return {kSequence, state_.written};
    if (failWriteAfter_ >= 0 && blocksThisTransfer_ >= failWriteAfter_) return {kWriteFailed, state_.written};
    std::copy(p.begin() + 4, p.end(), buffer_.begin() + offset);
    state_.written = std::max<std::uint32_t>(state_.written, static_cast<std::uint32_t>(offset + size));
    state_.verified = false;
    ++blocksThisTransfer_;
    return {kOk, static_cast<std::uint32_t>(offset + size)};
}

void Bootloader::handleRequest(std::uint8_t command, const std::vector<std::uint8_t>& payload, bool damaged,
                               Clock::time_point at, std::vector<ByteProtocol::Outgoing>& out) {
    bool leave = false;
    {
        std::lock_guard lock(mutex_);
        ++state_.requests;
        if (mute_) return;
        if (damageRequests_ > 0) {
            --damageRequests_;
            damaged = true;
        }
        if (damaged) return reply(command, kBadChecksum, 0, at, out);
        switch (command) {
            case kHello:
                if (interrupted_) {  // the cut-off transfer is over; the fault was one-shot
                    interrupted_ = false;
                    interruptAfter_ = -1;
                }
                if (unavailable_) {
                    leave = state_.runnable;
                    reply(command, kNotAvailable, 0, at, out);
                } else {
                    reply(command, kOk, std::uint32_t{model_} << 16 | kFlashKiB, at, out);
                }
                break;
            case kErase: {
                const auto [status, value] = erase(payload);
                const auto kib = std::chrono::microseconds(kErasePerKiB * (state_.expectedLength / 1024));
                reply(command, status, value, at + (status == kOk ? kEraseStart + kib : kEraseStart), out);
                break;
            }
            case kWrite: {
                if (interruptAfter_ >= 0 && blocksThisTransfer_ >= interruptAfter_) interrupted_ = true;
                if (interrupted_) return;
                const auto [status, value] = write(payload);
                reply(command, status, value, at + kWriteTime, out);
                break;
            }
            case kVerify: {
                if (state_.expectedLength == 0 || state_.written != state_.expectedLength) {
                    reply(command, kSequence, 0, at, out);
                    break;
                }
                const std::uint32_t crc = crc32(buffer_.data(), buffer_.size());
                state_.verified = crc == expectedCrc_;
                reply(command, state_.verified ? kOk : kVerifyFailed, crc, at, out);
                break;
            }
            case kRun:
                if (!state_.verified) {
                    reply(command, kSequence, 0, at, out);
                    break;
                }
                state_.image = buffer_;
                state_.runnable = true;
                state_.expectedLength = 0;
                state_.written = 0;
                state_.verified = false;
                device_.setFirmware(major_, minor_, patch_);
                reply(command, kOk, 0, at, out);
                leave = true;
                break;
            default:
                reply(command, kUnknownCommand, 0, at, out);
        }
    }
    if (leave) device_.setBootloader(false);
}

std::shared_ptr<Bootloader> bootloaderOf(const Device& device) {
    const auto factory = device.bootloaderProtocol();
    if (const auto* f = factory.target<BootFactory>()) return f->loader;
    return nullptr;
}

std::shared_ptr<Bootloader> installBootloader(Device& device) {
    if (auto existing = bootloaderOf(device)) return existing;
    auto loader = std::make_shared<Bootloader>(device);
    device.setBootloaderProtocol(BootFactory{loader});
    return loader;
}

}  // namespace zefsim
