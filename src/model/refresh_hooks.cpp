#include "model/refresh_hooks.h"

#include <array>

#include "model/response_observer.h"

namespace zef {

namespace {

using Hook = void (RefreshHooks::*)(DeviceSlot);

// In ParamGroup order.
constexpr std::array<Hook, kParamGroupCount> kHooks = {
    &RefreshHooks::RefreshGains,          &RefreshHooks::RefreshMutes,
    &RefreshHooks::RefreshNoiseGates,     &RefreshHooks::RefreshDelay,
    &RefreshHooks::RefreshCompressorAuto, &RefreshHooks::RefreshCompressors,
    &RefreshHooks::RefreshCrossovers,     &RefreshHooks::RefreshChannelModes,
    &RefreshHooks::RefreshEqBypass,       &RefreshHooks::RefreshEqBands,
    &RefreshHooks::RefreshEqMode,         &RefreshHooks::RefreshFirBypass,
    &RefreshHooks::RefreshPolarity,       &RefreshHooks::RefreshLimiters,
    &RefreshHooks::RefreshRouting,        &RefreshHooks::RefreshMasking,
    &RefreshHooks::RefreshDynamicFilter,  &RefreshHooks::RefreshFirInfo,
    &RefreshHooks::RefreshRemoteEnable,   &RefreshHooks::RefreshNoiseGenerator,
    &RefreshHooks::RefreshBridgePower,    &RefreshHooks::RefreshSleepMode,
    &RefreshHooks::RefreshStandby,        &RefreshHooks::RefreshLinkMask,
};

}  // namespace

void CallGroupHook(RefreshHooks& hooks, ParamGroup group, DeviceSlot slot) {
    (hooks.*kHooks[static_cast<std::size_t>(group)])(slot);
}

ResponseObserver& NoResponseObserver() {
    static ResponseObserver none;
    return none;
}

}  // namespace zef
