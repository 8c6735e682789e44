#pragma once
// The FIR-wizard EQ target record as the program's own files hold it
// (project and wizard files), little-endian and packed, 264 bytes:
//
//   offset  size      field
//        0     2      leading value (int16)
//        2  10 x 2    section codes (int16)
//       22  10 x 8    section frequencies, Hz (double)
//      102  10 x 8    section Q (double)
//      182  10 x 8    section gains, dB (double)
//      262     2      flag (int16)
//
// Every field is copied bit for bit (doubles included, whatever their value),
// so a record read and written again is unchanged. What the fields mean to
// the FIR designer is in measure/eq_target_curve.h.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "files/binary_io.h"
#include "model/device_model.h"

namespace zef {

inline constexpr std::size_t kEqTargetBytes = 264;

void WriteEqTargetRecord(ByteWriter& w, const EqTargetRecord& record);
// Reads the 264 bytes at the reader's position; on a short read the reader
// fails and the returned record is meaningless.
EqTargetRecord ReadEqTargetRecord(ByteReader& r);

std::vector<std::uint8_t> EncodeEqTarget(const EqTargetRecord& record);
// The record in the first 264 bytes of `bytes`; nullopt when there are fewer.
std::optional<EqTargetRecord> DecodeEqTarget(std::span<const std::uint8_t> bytes);

}  // namespace zef
