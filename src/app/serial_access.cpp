#include "app/serial_access.h"

#include "app/texts.h"

namespace zef {

std::string SerialPermissionText(const std::string& path, Platform platform) {
    const char* fix = kSerialPermissionFixLinux;
    if (platform == Platform::Mac) fix = kSerialPermissionFixMac;
    if (platform == Platform::Windows) fix = kSerialPermissionFixWindows;
    return kSerialPermissionText + path + fix;
}

bool ReportSerialPermission(const DeviceExchange& exchange, Dialogs& dialogs) {
    if (exchange.serialAccessDenied().empty()) return false;
    dialogs.Message(kSerialPermissionTitle, SerialPermissionText(exchange.serialAccessDenied()),
                    Icon::Exclamation);
    return true;
}

}  // namespace zef
