#include "device/identity.h"

#include "model/records.h"
#include "protocol/announcement.h"

namespace zef {

bool NetworkAvailable(Transport& transport, bool loopbackIsNetwork) {
    if (loopbackIsNetwork) return true;
    const auto addresses = transport.GetLocalAddresses();
    return !addresses.empty() && addresses.front() != kNoLocalNetwork;
}

DeviceEntry EntryFromIdentify(const IdentifyReply& id, std::int16_t interface, const std::string& ip,
                              bool keepBootLoader) {
    DeviceEntry e;
    e.online = true;
    e.inList = true;
    e.interface = interface;
    e.ip = ip;
    e.network = id.network;
    e.uniqueId = UniqueIdText(id.uniqueId);
    e.type = keepBootLoader && id.bootLoader ? kTypeBootLoader : 0;
    e.name = DeviceText(id.name);
    return e;
}

}  // namespace zef
