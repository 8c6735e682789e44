#pragma once
// The simulated amplifier's boot loader: the device side of the firmware update over the
// serial line, written from the device's own description of the protocol (docs/firmware.md).
//
//   normal firmware --(command 90 "BOOT" on the serial line, echoed)--> boot loader
//   boot loader     --(RUN after a verified image)--> normal firmware, new version in memory 1..3
//
// In the boot loader the line carries two kinds of traffic:
//   F0 ... F7                               ordinary command frames, handed to the Device
//                                           (identify, status and closing are answered there,
//                                           command 90 is echoed with "BOOT")
//   A5 cmd len(2) payload[len] crc32(4)     boot-loader requests
//   5A cmd status value(4) crc32(4)         the 11-byte reply to each request
// A request whose bytes stop for more than kStaleAfter is dropped; a length above 1028
// drops the sync byte and the bytes after it are scanned again.
//
// Flash model: ERASE takes the image header (model, version, length, CRC), checks it and
// erases; WRITE fills the image in order (a block may be sent again; a gap is refused);
// VERIFY compares the CRC of what was written with the announced one; RUN installs the image
// and version and leaves the boot loader. An erased flash has no runnable firmware: the
// device then stays in the boot loader until an update succeeds.
//
// Faults, each until cleared unless said otherwise:
//   wrong file     ERASE answers "wrong file"
//   protected      ERASE answers "protected"
//   erase          ERASE answers "erase failed"
//   write N        WRITE answers "write failed" once N blocks have been written
//   unavailable    HELLO answers "not available" (and a device with runnable firmware returns
//                  to it at once)
//   mute           nothing at all is answered in the boot loader
//   interrupt N    after N acknowledged blocks no WRITE is answered any more, until the next
//                  HELLO (a transfer cut off half-way); one-shot
//   checksum N     the next N requests are treated as damaged on the line (status 5); counted
//   noise N        the next N replies leave with a damaged CRC; counted

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "simulator.h"

namespace zefsim {

class Bootloader {  // every method is thread-safe
public:
    static constexpr std::uint16_t kModelCode = 4260;
    static constexpr std::uint16_t kFlashKiB = 256;
    static constexpr std::chrono::milliseconds kStaleAfter{300};

    explicit Bootloader(Device& device);

    // Fault switches (see above); clearFaults() ends them all.
    void setWrongFile(bool on);
    void setProtected(bool on);
    void setEraseFails(bool on);
    void failWriteAfter(int blocks);  // < 0 = off
    void setUnavailable(bool on);
    void setMute(bool on);
    void interruptAfter(int blocks);  // < 0 = off
    void damageRequests(int count);
    void damageReplies(int count);
    void clearFaults();
    void setModelCode(std::uint16_t code);

    struct State {
        bool runnable = true;              // the flash holds firmware that can run
        std::vector<std::uint8_t> image;   // the installed image (empty until an update)
        std::uint32_t expectedLength = 0;  // of the transfer under way (0 = none)
        std::uint32_t written = 0;         // bytes written of it
        bool verified = false;
        std::size_t requests = 0;       // boot-loader requests received (damaged ones too)
        std::size_t bytesReceived = 0;  // every byte the boot loader was handed
    };
    State state() const;
    std::string describe() const;  // one line for the control command `bootstatus`

private:
    friend class BootSession;
    void noteBytes(std::size_t count);
    bool muted() const;
    void handleRequest(std::uint8_t command, const std::vector<std::uint8_t>& payload, bool damaged,
                       Clock::time_point at, std::vector<ByteProtocol::Outgoing>& out);
    void reply(std::uint8_t command, std::uint8_t status, std::uint32_t value, Clock::time_point due,
               std::vector<ByteProtocol::Outgoing>& out);
    std::pair<std::uint8_t, std::uint32_t> erase(const std::vector<std::uint8_t>& payload);
    std::pair<std::uint8_t, std::uint32_t> write(const std::vector<std::uint8_t>& payload);

    Device& device_;
    mutable std::mutex mutex_;
    State state_;
    std::vector<std::uint8_t> buffer_;  // the image of the transfer under way
    std::uint16_t model_ = kModelCode;
    std::uint8_t major_ = 0, minor_ = 0, patch_ = 0;  // of the transfer under way
    std::uint32_t expectedCrc_ = 0;
    bool wrongFile_ = false, protected_ = false, eraseFails_ = false, unavailable_ = false, mute_ = false;
    int failWriteAfter_ = -1;
    int interruptAfter_ = -1;
    bool interrupted_ = false;
    int blocksThisTransfer_ = 0;
    int damageRequests_ = 0;
    int damageReplies_ = 0;
};

// Gives `device` a boot loader on its serial links and returns it; the device keeps it for
// its lifetime. A second call returns the one already installed.
std::shared_ptr<Bootloader> installBootloader(Device& device);
// The boot loader installed on `device`, or nullptr.
std::shared_ptr<Bootloader> bootloaderOf(const Device& device);

// The control commands `bootfault DEVICE KIND [N]` and `bootstatus DEVICE`; nullopt when
// `words` is not one of them. Throws std::runtime_error with a message for the user.
std::optional<std::string> bootloaderControl(Simulator& sim, const std::vector<std::string>& words);
std::string bootloaderUsage();

}  // namespace zefsim
