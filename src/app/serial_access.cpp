#include "app/serial_access.h"

#include "app/texts.h"

namespace zef {

std::string SerialPermissionText(const std::string& path) {
    return kSerialPermissionText + path + kSerialPermissionFixText;
}

bool ReportSerialPermission(const ModRxTx& rxtx, Dialogs& dialogs) {
    if (rxtx.serialAccessDenied().empty()) return false;
    dialogs.Message(kSerialPermissionTitle, SerialPermissionText(rxtx.serialAccessDenied()),
                    Icon::Exclamation);
    return true;
}

}  // namespace zef
