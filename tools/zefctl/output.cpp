#include "output.h"

#include <QJsonDocument>
#include <cstdio>

#include "device/device_list.h"

namespace zefctl {

void PrintJson(std::ostream& out, const QJsonObject& object) {
    out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << "\n";
}

void PrintJson(std::ostream& out, const QJsonArray& array) {
    out << QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString() << "\n";
}

QJsonObject EntryJson(const zef::DeviceEntry& e) {
    QJsonObject o;
    o["name"] = Q(e.name);
    o["ip"] = Q(e.ip);
    o["uniqueId"] = Q(e.uniqueId);
    o["network"] = Q(zef::NetworkName(e.network));
    o["interface"] = e.isUsb() ? "USB" : "TCP/IP";
    o["bootLoader"] = e.type == zef::kTypeBootLoader;
    return o;
}

std::string EntryLine(const zef::DeviceEntry& e) {
    char line[160];
    std::snprintf(line, sizeof line, "%-15s  %-16s  %-12s  %s%s", e.isUsb() ? "USB" : e.ip.c_str(),
                  e.name.c_str(), e.uniqueId.c_str(), zef::NetworkName(e.network).c_str(),
                  e.type == zef::kTypeBootLoader ? "  boot-loader" : "");
    return line;
}

}  // namespace zefctl
