#pragma once
// Reading device memory back so that a byte the link spoilt is never taken
// for the device's own, and confirming that a write left the device as the
// model says.
//
// The link has no checksum and a memory reply repeats nothing of its request,
// not even the address: one flipped bit in its data, or in the request's
// address, passes every check. Two rules make a read trustworthy:
//   agreed     the block is read until two replies in a row are the same
//              (ReadMemoryAgreed): for reads that fill the model;
//   expected   one read that equals what the device should hold is taken
//              (a spoilt byte cannot make a wrong device read right); one
//              that differs is read until two agree before it counts.
//
// The device image is the device's memory as bytes in device order: the
// settings (0..239), the preset (240..863) and both FIR images
// (4096..6399), 3168 bytes. A confirmation compares a scope of it (the bytes
// a write changed) with the image of the model, reading only the blocks that
// hold scope bytes — the reader's blocks: settings 2 x 120, preset 8 x 78,
// FIR 6 x 192 per output.

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "device/exchange.h"
#include "device/memory_transfer.h"
#include "model/device_model.h"
#include "model/fir_image.h"

namespace zef {

inline constexpr std::size_t kImageSize = kDeviceMemorySize + 2 * kFirImageSize;  // 3168
using DeviceMemory = std::array<std::uint8_t, kImageSize>;
// Bytes of the device image, by image index.
using MemoryScope = std::bitset<kImageSize>;

// The device address of image index `index`, and back (nullopt outside the image).
std::uint16_t ImageAddress(std::size_t index);
std::optional<std::size_t> ImageIndex(std::uint32_t address);

// What a device holding `d` has in memory.
DeviceMemory ImageOf(const DeviceModel& d);
// The records of `d` as a device holding `memory` has them: settings, preset
// and FIR taps (EditorValues are the caller's).
void StoreMemory(const DeviceMemory& memory, DeviceModel& d);
// The image indices where `a` and `b` differ.
MemoryScope Changed(const DeviceMemory& a, const DeviceMemory& b);
// Device addresses [first, first + count) as image indices.
MemoryScope AddressRange(std::uint32_t first, std::size_t count);
inline MemoryScope WholeMemory() { return MemoryScope().set(); }
// What the editor's writes reach: the device state (DS 205..217), the preset and both FIRs.
// The device's identity, firmware, network settings and loaded slot (DS 0..204) and the bytes
// after the state are its own: a model filled from a project holds other values there.
MemoryScope EditableMemory();

enum class WriteOutcome {
    Done,       // written and read back equal
    Refused,    // the model holds an illegal value; nothing was sent
    Failed,     // an exchange failed; the device holds what was written before it
    Unread,     // written, but the read-back failed: the result is unknown
    Mismatch,   // written, but the device reads back different bytes
};

struct WriteReport {
    WriteOutcome outcome = WriteOutcome::Done;
    // For Refused the first bad field ("preset byte 118 (output 1 band 1
    // type) is 9; legal 0..7"); for Mismatch the first differing field
    // ("preset byte 493 (outputGain) reads 100, written 120").
    std::string detail;

    bool ok() const { return outcome == WriteOutcome::Done; }
    // One line for the user: "refused: ...", "write failed", "read-back
    // failed", "read-back differs: ...".
    std::string Text() const;
};

// What a read-back found.
struct ReadBack {
    enum class Result { Same, Differs, Unread };
    Result result = Result::Same;
    MemoryScope differing;  // scope bytes the device holds otherwise
    DeviceMemory device{};  // the device's bytes where blocks were read, elsewhere the expected ones
};

// Reads the blocks holding `scope` by the "expected" rule and compares the
// scope bytes with `expected`. Stops at the first failed read (Unread).
ReadBack ReadBackMemory(Exchange& exchange, DeviceSlot slot, const DeviceMemory& expected, const MemoryScope& scope);

// "preset byte 493 (outputGain) reads 100, written 120": the first field of
// `found` that differs, as the records name it; "" when none differs.
std::string DescribeDifference(const DeviceMemory& found, const DeviceMemory& expected, const MemoryScope& differing);

// Writes `expected` where `bytes` is set: each run as memory writes of at most
// 48 bytes, then command 25 when a settings or preset byte was written and
// command 29 for each output whose FIR was. Stops at the first failure.
Status WriteMemoryBytes(Exchange& exchange, DeviceSlot slot, const DeviceMemory& expected, const MemoryScope& bytes);

// Sends what failed to arrive again; gets the bytes that differ.
using Resend = std::function<Status(const MemoryScope& differing)>;

// The result of a confirmation, with what the device was read to hold.
struct Confirmation {
    WriteReport report;
    DeviceMemory device{};
};

// Reads `scope` back and compares it with `expected`; when it differs,
// `resend` (WriteMemoryBytes of the differing bytes when empty) runs once and
// the scope is read back again. Done, Failed (the resend failed), Unread or
// Mismatch (detail: the first differing field).
Confirmation ConfirmMemory(Exchange& exchange, DeviceSlot slot, const DeviceMemory& expected, const MemoryScope& scope,
                          const Resend& resend = {});

// Do exchanges with the device of `entry` reach it now (on-line, sends not
// suppressed)? A read-back of a device they skip has nothing to read.
bool ExchangesReach(const LinkState& link, const DeviceEntry& entry);

// The link's doubtful requests of `slot` (LinkState::doubtfulRequests) that
// no whole-device check has settled yet.
bool DoubtsPending(const LinkState& link, DeviceSlot slot);
// After a whole-device check found the device as expected: every doubt so far is settled.
void SettleDoubts(LinkState& link, DeviceSlot slot);

// After a step whose requests may have reached the device altered: `scope` of the device
// is compared with the model (nothing when exchanges do not reach it). `restore` (a step
// that wrote): what differs is written back from the model (ConfirmMemory); otherwise a
// difference is a Mismatch ("the device changed while it was read"). Settles the doubts
// when the device is found as the model says.
WriteReport SettleWithModel(Exchange& exchange, const Model& model, DeviceSlot slot, const MemoryScope& scope,
                            bool restore);

}  // namespace zef
