#include "device/device_list.h"

#include "base/cp1252.h"

#include <algorithm>

#include "model/defaults.h"
#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef {

std::string NetworkName(int network) {
    if (network < 0 || network >= static_cast<int>(kInterfaceNames.size())) return "";
    return std::string(kInterfaceNames[static_cast<std::size_t>(network)]);
}

RowTexts MakeRowTexts(const DeviceEntry& entry) {
    return {TrimmedText(entry.name),    entry.ip,
            NetworkName(entry.network), entry.uniqueId,
            StatusText(entry),          entry.online ? StandbyText(entry.standby) : kStandbyUnknownText};
}

void PairTable::Add(const DevicePair& pair) {
    if (!Contains(pair)) pairs_.push_back(pair);
}

bool PairTable::Contains(const DevicePair& pair) const {
    return std::find(pairs_.begin(), pairs_.end(), pair) != pairs_.end();
}

void PairTable::Remove(const DevicePair& pair) { std::erase(pairs_, pair); }

DevicePair PairOf(const DeviceEntry& entry) { return {entry.uniqueId, NetworkName(entry.network)}; }

std::optional<int> ParseOctet(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty() || text.size() > 8) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 255) return std::nullopt;
    return value;
}

DeviceList::DeviceList(Model& model) : model_(model) {}

void DeviceList::RowChanged(DeviceSlot slot) const { rowChanged.Emit(slot); }

void DeviceList::ClearSlot(DeviceSlot slot) {
    model_.entry(slot) = ClearedEntry(slot);
    RowChanged(slot);
}

void DeviceList::SetDeviceName(DeviceSlot slot, std::string_view name) {
    model_.entry(slot).name = Cp1252ToUtf8(DeviceBytes(name).substr(0, ds::kDeviceNameSize));
    zef::SetDeviceName(model_.device(slot).settings, name);
}

std::optional<DeviceSlot> DeviceList::FirstFreeSlot() const {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (!model_.entry(s).inList) return s;
    return std::nullopt;
}

std::optional<DeviceSlot> DeviceList::FindByIp(const std::string& ip) const {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (model_.entry(s).inList && model_.entry(s).ip == ip) return s;
    return std::nullopt;
}

bool DeviceList::UsbChoiceAllowed() const {
    for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s)
        if (model_.entry(s).inList && model_.entry(s).isUsb()) return false;
    return true;
}

AddCheck DeviceList::CheckAdd(const AddRequest& request) const {
    AddCheck check;
    std::array<int, 4> octets{};
    for (std::size_t i = 0; i < octets.size(); ++i) {
        const auto v = ParseOctet(request.boxes[i]);
        if (!v) {
            check.problem = AddProblem::BadAddress;
            return check;
        }
        octets[i] = *v;
    }
    check.address = request.usb ? std::string()
                                : std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." +
                                      std::to_string(octets[2]) + "." + std::to_string(octets[3]);
    if (FindByIp(check.address)) {
        check.problem = request.usb ? AddProblem::UsbListed : AddProblem::AddressListed;
    } else if (!FirstFreeSlot()) {
        check.problem = AddProblem::ListFull;
    }
    return check;
}

std::optional<DeviceSlot> DeviceList::AddEntry(const AddRequest& request) {
    const AddCheck check = CheckAdd(request);
    if (check.problem != AddProblem::None) return std::nullopt;
    const DeviceSlot slot = *FirstFreeSlot();
    DeviceEntry& e = model_.entry(slot);
    e = ClearedEntry(slot);
    e.interface = request.usb ? kInterfaceUsb : kInterfaceTcp;
    e.online = false;
    e.inList = true;
    e.editorOpen = false;
    e.type = 0;
    e.ip = check.address;
    e.name = std::string(kModelName);
    e.uniqueId.clear();
    e.standby = 1;
    e.deviceId = request.usb ? 0 : 255;
    e.network = request.usb ? kNetworkUsb : kNetworkUnknown;
    ResetModel(slot);
    RowChanged(slot);
    return slot;
}

void DeviceList::RemoveSlots(const std::vector<DeviceSlot>& slots) {
    for (DeviceSlot s : slots) {
        removed_.Add(PairOf(model_.entry(s)));
        ClearSlot(s);
    }
}

NameProblem CheckDeviceName(const std::string& text) {
    if (text.empty()) return NameProblem::Missing;
    if (text.size() < 3) return NameProblem::TooShort;
    return NameProblem::None;
}

Status DeviceList::WriteName(DeviceSlot slot, const std::string& name, Exchange& exchange) {
    SetDeviceName(slot, name);
    const auto& settings = model_.device(slot).settings;
    const std::span<const std::uint8_t> nameBytes(&settings.bytes[ds::kDeviceName], ds::kDeviceNameSize);
    const Status status = WriteMemoryBlock(exchange, slot, ds::kDeviceName, nameBytes);
    if (status == kOk) RowChanged(slot);
    return status;
}

void DeviceList::ResetModel(DeviceSlot slot) { ResetToDefaults(model_.device(slot)); }

}  // namespace zef
