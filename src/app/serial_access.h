#pragma once
// Telling the user why a USB amplifier could not be reached when the reason
// is the system's permissions rather than a missing device.

#include <string>

#include "app/dialogs.h"
#include "device/device_exchange.h"

namespace zef {

enum class Platform { Linux, Mac, Windows };

// The platform this program was built for.
#if defined(_WIN32)
inline constexpr Platform kThisPlatform = Platform::Windows;
#elif defined(__APPLE__)
inline constexpr Platform kThisPlatform = Platform::Mac;
#else
inline constexpr Platform kThisPlatform = Platform::Linux;
#endif

// "Permission denied on the USB serial port PATH." and how to get access on `platform`.
std::string SerialPermissionText(const std::string& path, Platform platform = kThisPlatform);

// When the last serial search or open of `exchange` was refused for lack of
// permission: says so through `dialogs` (kSerialPermissionTitle) and answers
// true. False, and nothing said, otherwise.
bool ReportSerialPermission(const DeviceExchange& exchange, Dialogs& dialogs);

}  // namespace zef
