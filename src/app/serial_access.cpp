#include "app/serial_access.h"

#include "app/texts.h"

namespace zef {

std::string SerialPermissionText(const std::string& path) {
    return kSerialPermissionText + path + kSerialPermissionFixText;
}

bool ReportSerialPermission(const DeviceExchange& exchange, Dialogs& dialogs) {
    if (exchange.serialAccessDenied().empty()) return false;
    dialogs.Message(kSerialPermissionTitle, SerialPermissionText(exchange.serialAccessDenied()),
                    Icon::Exclamation);
    return true;
}

}  // namespace zef
