#pragma once
// Helpers shared by the sender implementations.

#include <algorithm>
#include <cstdint>

#include "model/encodings.h"

#include "base/check.h"

namespace zef {

// The code of a 1-based slider position. A position outside 1..N is a
// programming error: it is reported and the nearest end is used.
inline std::uint8_t PositionCode(Control control, int position) {
    const ControlMapper& mapper = MapperFor(control);
    ZEF_CHECK(position >= 1 && position <= mapper.count() && "slider position out of range");
    return static_cast<std::uint8_t>(mapper.codeFromPosition(std::clamp(position, 1, mapper.count())));
}

}  // namespace zef
