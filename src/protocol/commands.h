#pragma once
// The device's command vocabulary: every command code, its name, the request
// it is sent as and the reply it gets. This is the only place the codes are
// defined; everything else names them through cmd::.
//
// Every request is the 13-byte frame F0 21 address code p1..p8 F7 except
// WriteMemory, whose length follows its payload (frame.h). Every reply is a
// 13-byte echo of the request's shape except:
//   Identify     30 bytes (replies.h)
//   ReadMemory   p3 + 5 bytes: the data from byte 4
//   StatusPoll   24 bytes: meters, gain reduction and the flags in byte 22
//
// The bytes p1..p8 carry for each parameter command are drawn in
// model/commands.h, which builds them from the model's records.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace zef {

namespace cmd {
inline constexpr std::uint8_t kIdentify = 0;           // address byte 0; reply 30 bytes
inline constexpr std::uint8_t kGain = 1;               // p1 ch, p8 gain code
inline constexpr std::uint8_t kDelay = 2;              // p1 output, p5 bypass, p6..p8 counters
inline constexpr std::uint8_t kMute = 3;               // p1 ch, p8 1 = muted
inline constexpr std::uint8_t kPolarity = 4;           // p1 ch, p8 1 = inverted
inline constexpr std::uint8_t kEqBand = 5;             // p1 channel, p2 band, p3 block, p4..p8 the band record
inline constexpr std::uint8_t kEqBypass = 6;           // p1 ch, p8 1 = bypassed
inline constexpr std::uint8_t kCompressor = 7;         // p1 output, p2..p8 the compressor bytes
inline constexpr std::uint8_t kCompressorAuto = 8;     // p1 output, p7 knee, p8 mode
inline constexpr std::uint8_t kLimiter = 9;            // p1 output, p5..p8 the limiter bytes
inline constexpr std::uint8_t kNoiseGate = 10;         // p1 input, p5..p8 the gate bytes
inline constexpr std::uint8_t kCrossover = 11;         // p1 output, p5 side, p6 slope, p7..p8 frequency
inline constexpr std::uint8_t kNoiseOption = 12;       // p8 noise option
inline constexpr std::uint8_t kGeneratorMasking = 13;  // p1 selector: 0 generator, 1 masking
inline constexpr std::uint8_t kStandby = 14;           // p8 1 = standby
inline constexpr std::uint8_t kClose = 15;             // the controller says goodbye
inline constexpr std::uint8_t kVoltage = 16;           // p8 voltage list index
inline constexpr std::uint8_t kRouting = 17;           // p1 output, p7..p8 the routing bytes
inline constexpr std::uint8_t kBridge = 18;            // p8 bridge mode
inline constexpr std::uint8_t kSleepMode = 19;         // p8 1 = on
inline constexpr std::uint8_t kReadMemory = 20;        // p1..p2 address, p3 count; reply p3 + 5 bytes
inline constexpr std::uint8_t kWriteMemory = 21;       // p1..p2 address, p3 count, then the data
inline constexpr std::uint8_t kStatusPoll = 22;        // reply 24 bytes
inline constexpr std::uint8_t kStorePreset = 23;       // p1 preset slot 0..2
inline constexpr std::uint8_t kRecallPreset = 24;      // p1 preset slot 0..2; reply byte 4 = 255: empty
inline constexpr std::uint8_t kActivateSettings = 25;  // after a whole preset was written
inline constexpr std::uint8_t kDynamicFilter = 28;     // p1 output, p6..p8 the filter bytes
inline constexpr std::uint8_t kActivateFir = 29;       // p1 output channel, after a FIR was written
inline constexpr std::uint8_t kFirBypass = 30;         // p1 output, p8 1 = bypassed
inline constexpr std::uint8_t kChannelMode = 31;       // p1 ch, p2 flag, p8 output EQ mode
inline constexpr std::uint8_t kImpedance = 32;         // p1 output, p8 load impedance code
inline constexpr std::uint8_t kRemoteEnable = 33;      // p1 1 = enabled
inline constexpr std::uint8_t kEnterBootLoader = 90;   // p1..p4 "BOOT" (boot_protocol.h)
}  // namespace cmd

// The shape of the reply a command gets.
enum class ReplyShape : std::uint8_t {
    Echo,      // 13 bytes: F0 21 address code p1..p8 F7
    Identify,  // 30 bytes
    Status,    // 24 bytes
    Memory,    // p3 + 5 bytes: F0 21 address 20 data[p3] F7
};

// How long the device may take to answer, by kind of work.
enum class ReplyWait : std::uint8_t {
    Parameter,  // an ordinary parameter command
    Memory,     // memory reads and writes, presets, FIR activation
    Status,     // the status poll
    Close,      // the closing command
    Identify,   // identify (its own time-outs for TCP and USB)
};

struct CommandInfo {
    std::uint8_t code;
    std::string_view name;
    ReplyShape reply;
    ReplyWait wait;
};

// Every command of the vocabulary, by code.
std::span<const CommandInfo> DeviceCommandTable();

// The row of `code`, or nullptr for a code the device does not know.
const CommandInfo* FindCommand(std::uint8_t code);

}  // namespace zef
