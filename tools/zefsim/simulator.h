#pragma once
// zefsim: a simulated ZEF-4.260 amplifier, written from the device's side of the protocol.
//
// A Device holds the amplifier's raw memory and answers command frames:
//
//   address space (16-bit device addresses, big-endian on the wire)
//     0 ..  239   device settings (firmware version 1..3, name 5..20, network, standby 206 ...)
//   240 ..  863   running preset, device order (two-dimensional arrays channel by channel)
//   4096 .. 5247  FIR of output 1: 384 taps x 3 bytes, most significant byte first
//   5248 .. 6399  FIR of output 2
//   anything else reads as 0 and ignores writes
//
// Request frame:  F0 21 addr code p1..p8 F7 (13 bytes)
//                 F0 21 addr 15 hi lo n data[n] F7 (block write, n + 8 bytes, n <= 65)
// Replies:        F0 21 addr' code p1..p8 F7 (13 bytes, parameters echoed)
//                 F0 21 addr' 14 data[p3] F7 (read memory, p3 + 5 bytes)
//                 F0 21 addr' 16 level[12] gr[4] ind[2] flags F7 (status, 24 bytes)
//                 F0 21 addr 00 21 net uid[6] boot name[16] F7 (identify, 30 bytes)
// addr' is the device address OR-ed with the pending change marks (never on identify).
//
// Change marks tell the editor that the device changed by itself, and stay set until the
// editor has read the changed memory back:
//   kMarkChanged (0x80)  a settings or preset byte changed (front panel, recall on the device);
//                        cleared by the first read-memory request that touches 0..863
//   kMarkFir1 (0x20)     output 1's FIR changed; cleared by a read that touches 4096..5247
//   kMarkFir2 (0x40)     output 2's FIR changed; cleared by a read that touches 5248..6399
// A reply to the clearing read already carries the cleared address byte.
//
// The Simulator runs one I/O thread that serves every device over TCP (one connection per
// endpoint; a new connection replaces the old one), over pseudo-terminals or in-process serial
// lines paced at 9600 baud,
// and sends 26-byte UDP announcements to loopback destinations only.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zefsim {

using Clock = std::chrono::steady_clock;

inline constexpr std::uint32_t kSettingsSize = 240;
inline constexpr std::uint32_t kPresetBase = 240;
inline constexpr std::uint32_t kPresetSize = 624;
inline constexpr std::uint32_t kMemorySize = 864;
inline constexpr std::uint32_t kFirBase = 4096;
inline constexpr std::uint32_t kFirSize = 1152;
inline constexpr std::uint32_t kAddressSpaceEnd = kFirBase + 2 * kFirSize;
inline constexpr int kPresetSlots = 3;
inline constexpr std::size_t kMaxBlockWrite = 65;

inline constexpr std::uint8_t kMarkChanged = 0x80;
inline constexpr std::uint8_t kMarkFir1 = 0x20;
inline constexpr std::uint8_t kMarkFir2 = 0x40;

struct DeviceConfig {
    std::string name = "ZEF-4.260";                // 16 chars in memory 5..20, blank padded
    std::array<std::uint8_t, 6> uid{};             // all zero = the simulator picks a distinct one
    std::uint8_t major = 2, minor = 1, patch = 0;  // firmware bytes at memory 1..3
    bool bootloader = false;                       // identify reply byte 12 = 255
    std::uint8_t address = 0x01;                   // identify reply byte 2, and byte 2 of every reply
    std::uint8_t network = 2;                      // identify byte 5 and announcement byte 1: 2 LAN, 1 WLAN
    std::uint8_t typeCode = 1;                     // announcement byte 2; also settings byte 4 at power-on
};

// One answer of the device: the bytes and how long after the request it leaves.
// The link a frame came through. Over the serial line (USB) the identify reply reports
// interface 0; over the network it reports DeviceConfig::network.
enum class Link : std::uint8_t { Network, Serial };

struct Reply {
    std::vector<std::uint8_t> bytes;
    std::chrono::milliseconds delay{0};
};

// A bit error on the line (9600 baud without parity, or a bad cable): one bit of one frame
// flipped, or one byte of it replaced by another value. A request is spoilt before the
// device's receiver sees it, so it may be read as another frame, as two, or as none; a reply
// after the device built it.
struct Corruption {
    enum class Where : std::uint8_t { Request, Reply };
    enum class Kind : std::uint8_t { Bit, Byte };
    Where where = Where::Reply;
    Kind kind = Kind::Bit;
    int after = 0;                      // frames from now: 0 = the next request (or reply)
    std::optional<std::size_t> byte;    // position in the frame, random when unset; past its end: the last byte
    std::optional<std::uint8_t> value;  // Bit: the bit 0..7; Byte: the new value; random (and different) when unset
    std::optional<std::uint8_t> command;  // only frames of this command code count (a reply: its request's)
    int count = 1;                        // frames spoilt in a row (of that command)
};

// Spoils `frame` as `c` says (random choices from `random`).
void corrupt(std::vector<std::uint8_t>& frame, const Corruption& c, std::mt19937& random);

// The length of the reply a request frame expects: 30 for identify, 24 for the status
// poll, p3 + 5 for a memory read, 13 otherwise.
std::size_t expectedReplyLength(const std::vector<std::uint8_t>& frame);

// A request the line spoilt, as the device then acted on it.
struct AlteredRequest {
    std::vector<std::uint8_t> sent;      // the frame as the editor sent it
    std::vector<std::uint8_t> received;  // the frame the device assembled from the spoilt bytes
    std::size_t frameIndex = 0;          // its place in frames()
    bool expectedLength = false;         // the device answered with as many bytes as `sent` expects
    std::vector<std::pair<std::uint32_t, std::uint8_t>> changed;  // device addresses it changed, new values
    std::vector<int> slotsChanged;       // preset slots 0..2 it overwrote
};

class ByteProtocol;
class SerialLine;

class Device {  // every method is thread-safe
public:
    explicit Device(const DeviceConfig& config);
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // Raw address space, device order; bytes outside the mapped areas read as 0.
    std::vector<std::uint8_t> memory(std::uint32_t address, std::size_t count) const;
    // Writes bytes as they are (no change mark); bytes outside the mapped areas are ignored.
    void setMemory(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> presetSlot(int slot) const;  // 624 bytes, empty if never stored
    // Every complete frame received, in order (the most recent 200000 in a long run).
    std::vector<std::vector<std::uint8_t>> frames() const;
    std::size_t trailingZeros() const;   // lone 0x00 bytes received between frames
    std::size_t discardedBytes() const;  // other bytes dropped while looking for a frame start
    void clearLog();                     // forget frames and both counters

    // The device changes by itself ("front panel"); each sets the matching change mark.
    void frontPanelWrite(std::uint32_t address, std::uint8_t value);
    void frontPanelFirChange(int output);  // output 0 or 1: a different filter, mark 0x20 / 0x40
    void frontPanelFirChange(int output, const std::vector<std::uint8_t>& image);  // 1152 bytes
    void frontPanelRecall(int slot);  // loads a stored slot 0..2; an empty slot changes nothing
    std::uint8_t changeMarks() const;

    // Faults on demand.
    void dropReplies(int count);   // apply but do not answer the next `count` frames
    void setReplyDelayMs(int ms);  // answer late
    void setSilent(bool silent);   // neither apply nor answer anything until cleared
    void silenceAfter(int frames); // answers `frames` more frames, then is silent (setSilent(false) ends it)
    void cutConnections();         // close every TCP connection now
    void garbageNextReply();       // next reply: right length, random bytes, no F0 start
    void shortNextReply();         // next reply: only its first half
    // One fault armed for the reply to the frame `after` frames from now (0 = the next one):
    // dropped (the frame is still applied), garbled, cut to its first half, sent `lateMs`
    // late, or naming another command than the frame's. Arming again replaces it.
    // FlipReplyBit / ReplyByte / FlipRequestBit / RequestByte: a Corruption at a random place
    // of that frame (armCorruption).
    enum class ArmedFault : std::uint8_t {
        Drop, Garbage, Short, Late, WrongCommand, FlipReplyBit, ReplyByte, FlipRequestBit, RequestByte
    };
    void armFault(ArmedFault fault, int after, int lateMs = 0);
    void disarmFault();  // forgets armed faults and corruptions that have not struck yet
    // One corruption armed per direction; arming again replaces it. Requests count as the
    // receiver completes them, replies as the device answers.
    void armCorruption(const Corruption& corruption);
    // Noise: each request and each reply is spoilt with probability percent / 100 (a random
    // bit flipped or byte replaced at a random place). 0 = off.
    void setNoisePercent(double percent);
    // Requests the line spoilt since the last clearLog, and what the device did with them.
    std::vector<AlteredRequest> alteredRequests() const;
    void setBootloader(bool on);   // identify byte 12 = 255; answers only 0, 15 and 22
    void setFirmware(std::uint8_t major, std::uint8_t minor, std::uint8_t patch);

    // Status reply bytes 4..21 (levels, gain reductions, indicators) and the alert flag.
    void setStatusBytes(const std::array<std::uint8_t, 18>& bytes);
    void setAlert(bool on);
    // Moving meters for demonstrations: while running (not in standby) the twelve levels swing
    // between about -20 and +6 dB, the gain reductions by a few dB, and byte 20 lights the
    // channels whose level is above -10 dB. Replaces the status bytes set above while on.
    void setMeterAnimation(bool on);

    DeviceConfig config() const;  // as configured, with the name and firmware now in memory
    std::array<std::uint8_t, 6> uid() const;
    bool bootloader() const;
    std::array<std::uint8_t, 26> announcement() const;  // the UDP datagram this device sends

    // Boot-loader mode on a serial link hands the bytes to this protocol when one is set.
    using ProtocolFactory = std::function<std::unique_ptr<ByteProtocol>(Device&)>;
    void setBootloaderProtocol(ProtocolFactory factory);
    ProtocolFactory bootloaderProtocol() const;

    // Link side (used by the transports): one complete frame in, the answer out (if any).
    std::optional<Reply> handleFrame(const std::vector<std::uint8_t>& frame, Link link = Link::Network);
    // A frame assembled from spoilt bytes: handled as any other, and remembered with what it did.
    std::optional<Reply> handleAlteredFrame(const std::vector<std::uint8_t>& frame, Link link,
                                            const std::vector<std::uint8_t>& sent);
    // The corruption due for the request the receiver just completed, if any (counts it).
    std::optional<Corruption> takeRequestCorruption(const std::vector<std::uint8_t>& frame);
    std::mt19937& lineRandom() { return lineRandom_; }  // the link thread's own, for corrupt()
    void noteLoneZero();
    void noteDiscarded(std::size_t count);
    unsigned cutGeneration() const;
    void setWakeHook(std::function<void()> wake);

private:
    std::uint8_t* byteAt(std::uint32_t address);
    std::uint8_t readByte(std::uint32_t address) const;
    void setFirmwareLocked(std::uint8_t major, std::uint8_t minor, std::uint8_t patch);
    std::uint8_t replyAddress() const;
    std::vector<std::uint8_t> echoReply(const std::vector<std::uint8_t>& frame) const;
    std::vector<std::uint8_t> applyCommand(const std::vector<std::uint8_t>& frame, Link link);
    std::vector<std::uint8_t> identifyReply(Link link) const;
    std::vector<std::uint8_t> statusReply() const;
    std::array<std::uint8_t, 18> animatedStatus() const;
    std::vector<std::uint8_t> readReply(const std::vector<std::uint8_t>& frame);
    void storeSlot(int slot);
    void loadSlot(int slot, bool fromFrontPanel);
    void distort(std::vector<std::uint8_t>& reply);
    void corruptReply(std::vector<std::uint8_t>& reply, std::uint8_t command);
    bool noiseStrikes();

    struct Slot {
        std::vector<std::uint8_t> preset;  // 624 bytes
        std::vector<std::uint8_t> fir;     // 2304 bytes
    };

    mutable std::mutex mutex_;
    DeviceConfig config_;
    std::array<std::uint8_t, kMemorySize> memory_{};
    std::array<std::uint8_t, 2 * kFirSize> fir_{};
    std::array<std::optional<Slot>, kPresetSlots> slots_;
    std::array<std::uint8_t, 18> status_{};
    bool alert_ = false;
    bool meters_ = false;
    Clock::time_point born_ = Clock::now();
    std::uint8_t marks_ = 0;
    std::vector<std::vector<std::uint8_t>> frames_;
    std::size_t zeros_ = 0;
    std::size_t discarded_ = 0;
    int dropCount_ = 0;
    int delayMs_ = 0;
    bool silent_ = false;
    int silenceAfter_ = -1;  // frames still answered before silence; -1 = none armed
    bool garbageNext_ = false;
    bool shortNext_ = false;
    std::optional<ArmedFault> armed_;
    int armedAfter_ = 0;
    int armedLateMs_ = 0;
    std::optional<Corruption> requestCorruption_;
    std::optional<Corruption> replyCorruption_;
    double noisePercent_ = 0;
    std::vector<AlteredRequest> altered_;
    std::mt19937 lineRandom_{0x4C494E45u};
    unsigned cutGeneration_ = 0;
    std::function<void()> wake_;
    ProtocolFactory bootloaderProtocol_;
    std::mt19937 random_;
};

// Something that consumes the bytes a link receives and produces the bytes it sends back.
// Each TCP connection and each pseudo-terminal owns one; the boot-loader protocol of a serial
// link is another implementation (Device::setBootloaderProtocol).
class ByteProtocol {
public:
    struct Outgoing {
        std::vector<std::uint8_t> bytes;
        Clock::time_point due;  // not before
    };
    virtual ~ByteProtocol() = default;
    // One byte that finished arriving at `at`; answers are appended to `out`.
    virtual void receive(std::uint8_t byte, Clock::time_point at, std::vector<Outgoing>& out) = 0;
};

class Simulator {
public:
    Simulator();
    ~Simulator();  // stops everything and removes pty symlinks
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // A device that keeps an all-zero uid gets a distinct one (02 5A 45 46 00 nn).
    Device& addDevice(const DeviceConfig& config = {});
    std::size_t deviceCount() const;
    Device& device(std::size_t index);

    // Listens on host:port for this device (port 0 = a free port); returns the bound port.
    // Throws std::runtime_error on failure, and for a host outside 127.x.x.x unless `remote`
    // is Allowed. Starts the I/O thread when it is not running.
    enum class Remote : std::uint8_t { Refused, Allowed };
    std::uint16_t listenTcp(Device& d, const std::string& host, std::uint16_t port, Remote remote = Remote::Refused);
    // A pseudo-terminal paced at 9600 baud; returns the slave path and points `symlinkPath`
    // at it (an existing symlink there is replaced; any other file makes it throw).
    std::string openSerial(Device& d, const std::string& symlinkPath);
    // The same serial link without a pseudo-terminal: a line inside the process known by
    // `name`, paced as the pty is. A name opened again is given to the new device.
    void openSerialLine(Device& d, const std::string& name);
    // The computer's end of the line opened as `name`; null when there is none.
    std::shared_ptr<SerialLine> serialLine(const std::string& name) const;
    // Where the device's announcements go; throws std::runtime_error unless host is 127.x.x.x
    // (or "localhost"). They leave from the device's first TCP host, so the sender address
    // is the address to connect to.
    void announceTo(Device& d, const std::string& host, std::uint16_t port);
    void announceNow(Device& d);         // one 26-byte announcement now (if a target is set)
    void setAnnounceIntervalMs(int ms);  // periodic announcements, 0 = off (default)

    struct Endpoints {
        std::vector<std::string> tcp;     // "host:port"
        std::vector<std::string> serial;  // "slave -> symlink", "in-process -> name"
        std::string announce;             // "host:port" or empty
    };
    Endpoints endpoints(const Device& d) const;

    void start();
    void stop();  // ends the I/O thread and closes client connections; listeners stay bound

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace zefsim
