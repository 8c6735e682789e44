#pragma once
// Printing results: one JSON document with --json, plain lines otherwise.

#include <QJsonArray>
#include <QJsonObject>
#include <ostream>
#include <string>

#include "model/device_entry.h"

namespace zefctl {

void PrintJson(std::ostream& out, const QJsonObject& object);
void PrintJson(std::ostream& out, const QJsonArray& array);

// name, ip, uniqueId, network, interface, type of a list entry.
QJsonObject EntryJson(const zef::DeviceEntry& e);
// "IP  NAME  UID  NETWORK" with the fields aligned.
std::string EntryLine(const zef::DeviceEntry& e);

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace zefctl
