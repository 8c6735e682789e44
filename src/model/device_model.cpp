#include "model/device_model.h"

namespace zef {

Model::Model() {
    for (int s = 0; s < kSlotCount; ++s) entries_[static_cast<std::size_t>(s)] = ClearedEntry(static_cast<DeviceSlot>(s));
}

}  // namespace zef
