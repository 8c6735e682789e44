#pragma once
// The amplifier's boot-loader protocol on the serial line (9600 baud, 8N1),
// host side. docs/firmware.md describes it for the device side too.
//
// Entering: the running firmware is asked with one ordinary command frame
//   F0 21 00 5A 42 4F 4F 54 00 00 00 00 F7     command 90, p1..p4 = "BOOT"
// and answers with the 13-byte echo. When the echo still carries "BOOT" the
// device hands the line to its boot loader right after it; p1..p4 = 0 means
// it will not. A device already in its boot loader answers the same echo.
//
// Then strictly one request, one reply:
//   request  A5 cmd len(2) payload[len] crc(4)     len <= 1028
//   reply    5A cmd status value(4) crc(4)          always 11 bytes
// Multi-byte fields are big-endian; crc is the CRC-32 (firmware_image.h) of every
// byte between the sync byte and the crc.
//
//   cmd  request payload                            reply value
//   01   HELLO   -                                   model code << 16 | flash size in KiB
//   02   ERASE   model(2) major minor patch 0        image length
//                length(4) image crc(4)
//   03   WRITE   offset(4) data[1..1024]             offset + data length
//   04   VERIFY  -                                   CRC-32 of the bytes written
//   05   RUN     -                                   0; the device then restarts
//                                                    into the new firmware

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/commands.h"
#include "protocol/firmware_image.h"

namespace zef::boot {

inline constexpr std::uint8_t kEnterCommand = cmd::kEnterBootLoader;
inline constexpr std::array<std::uint8_t, 4> kEnterMagic = {'B', 'O', 'O', 'T'};
inline constexpr std::size_t kEnterFrameSize = 13;

inline constexpr std::uint8_t kRequestSync = 0xA5;
inline constexpr std::uint8_t kReplySync = 0x5A;
inline constexpr std::size_t kRequestOverhead = 8;  // sync, cmd, len(2), crc(4)
inline constexpr std::size_t kReplySize = 11;
inline constexpr std::size_t kBlockSize = 1024;
inline constexpr std::size_t kMaxPayload = 4 + kBlockSize;
inline constexpr std::size_t kErasePayloadSize = 14;

enum Command : std::uint8_t {
    kHello = 0x01,
    kErase = 0x02,
    kWrite = 0x03,
    kVerify = 0x04,
    kRun = 0x05,
};

enum Status : std::uint8_t {
    kOk = 0,
    kWrongFile = 1,  // ERASE: another model, or the image does not fit
    kProtected = 2,  // ERASE: flash write-protected
    kEraseFailed = 3,
    kWriteFailed = 4,
    kBadChecksum = 5,   // the request arrived damaged; nothing was done
    kNotAvailable = 6,  // HELLO: no update possible now
    kSequence = 7,      // request out of order (WRITE before ERASE, a gap, RUN before VERIFY)
    kVerifyFailed = 8,  // VERIFY: the written image differs from the announced one
    kUnknownCommand = 9,
};

std::vector<std::uint8_t> EnterFrame();

enum class EnterAnswer { Accepted, Refused, NotAnEcho };
EnterAnswer ParseEnterReply(std::span<const std::uint8_t> reply);

std::vector<std::uint8_t> Request(Command command, std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> EraseRequest(const SfuHeader& header);
std::vector<std::uint8_t> WriteRequest(std::uint32_t offset, std::span<const std::uint8_t> data);

struct Reply {
    std::uint8_t command = 0;
    std::uint8_t status = 0;
    std::uint32_t value = 0;
};
// nullopt when the bytes are not one intact reply (length, sync or crc).
std::optional<Reply> ParseReply(std::span<const std::uint8_t> bytes);

}  // namespace zef::boot
