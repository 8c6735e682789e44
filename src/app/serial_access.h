#pragma once
// Telling the user why a USB amplifier could not be reached when the reason
// is the system's permissions rather than a missing device.

#include <string>

#include "app/dialogs.h"
#include "device/device_exchange.h"

namespace zef {

// "Permission denied on the USB serial port PATH." and how to get access.
std::string SerialPermissionText(const std::string& path);

// When the last serial search or open of `exchange` was refused for lack of
// permission: says so through `dialogs` (kSerialPermissionTitle) and answers
// true. False, and nothing said, otherwise.
bool ReportSerialPermission(const DeviceExchange& exchange, Dialogs& dialogs);

}  // namespace zef
