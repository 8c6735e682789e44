#pragma once
// ModIdList: the device list of up to 32 amplifiers (slots 1..32 of the
// model's DeviceEntry table) and the operations the list window offers on it:
// add by hand, remove, edit a name, and the texts of each row.
//
// Nothing here asks the user: the list window's actions (app/list_actions.h)
// do. A redrawn row is announced through rowChanged.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/device_model.h"
#include "device/exchange.h"
#include "model/tables.h"
#include "base/signal.h"

namespace zef {

// The interface name of a Network value; "" for values outside the table.
std::string NetworkName(int network);

// Texts of one row of the list window.
struct RowTexts {
    std::string name;  // Name trimmed at both ends
    std::string ip;
    std::string interfaceName;  // kInterfaceNames[Network]
    std::string uniqueId;
    std::string status;   // "On-line" / "Off-line" / "Offline (editing)"
    std::string standby;  // "Standby=ON" / "Standby=OFF"
    bool operator==(const RowTexts&) const = default;
};
inline constexpr const char* kStatusOnline = "On-line";
inline constexpr const char* kStatusOffline = "Off-line";
// An off-line device whose editor is open: it is edited on its model alone.
inline constexpr const char* kStatusOfflineEditing = "Offline (editing)";
inline constexpr const char* kStatusTooltip = "Switch On-Line/Off-Line";
inline constexpr const char* kStandbyOnText = "Standby=ON";
inline constexpr const char* kStandbyOffText = "Standby=OFF";
// An off-line device's standby is not known: its row shows a dash.
inline constexpr const char* kStandbyUnknownText = "\xE2\x80\x94";

RowTexts MakeRowTexts(const DeviceEntry& entry);
inline const char* StatusText(const DeviceEntry& entry) {
    return entry.online ? kStatusOnline : entry.editorOpen ? kStatusOfflineEditing : kStatusOffline;
}
inline const char* StandbyText(int standby) { return standby == 1 ? kStandbyOnText : kStandbyOffText; }

// A device as announcements know it: its unique ID and the name of the
// network it was seen on ("LAN", "WLAN", ...).
struct DevicePair {
    std::string uniqueId;
    std::string networkName;
    bool operator==(const DevicePair&) const = default;
};

// A growable set of pairs in insertion order; adding a present pair does nothing.
class PairTable {
public:
    void Add(const DevicePair& pair);
    bool Contains(const DevicePair& pair) const;
    void Remove(const DevicePair& pair);
    const std::vector<DevicePair>& pairs() const { return pairs_; }
    void Clear() { pairs_.clear(); }

private:
    std::vector<DevicePair> pairs_;
};

// The pair of a list entry.
DevicePair PairOf(const DeviceEntry& entry);

// The add-device dialog's input: interface choice and the four address boxes.
struct AddRequest {
    bool usb = false;
    std::array<std::string, 4> boxes = {"192", "168", "0", "100"};
};

enum class AddProblem { None, BadAddress, AddressListed, UsbListed, ListFull };

struct AddCheck {
    AddProblem problem = AddProblem::None;
    std::string address;  // dotted, "" for USB; meaningful unless BadAddress
};

enum class NameProblem { None, Missing, TooShort };
// A device name must have at least 3 characters.
NameProblem CheckDeviceName(const std::string& text);

// The text of an address box as a number 0..255: digits only, blanks around
// them allowed, leading zeros ignored ("010" is 10). nullopt otherwise.
std::optional<int> ParseOctet(std::string_view text);

class DeviceList {
public:
    explicit DeviceList(Model& model);

    // Resets a slot to the cleared record and blanks its row.
    void ClearSlot(DeviceSlot slot);

    // Stores `name` (cut to 16 characters) in the entry's Name and, padded with
    // blanks to 16 characters, in the settings image at offsets 5..20.
    void SetDeviceName(DeviceSlot slot, std::string_view name);

    // The first slot 1..32 not in the list.
    std::optional<DeviceSlot> FirstFreeSlot() const;
    // The slot of the first listed entry whose Ip equals `ip`.
    std::optional<DeviceSlot> FindByIp(const std::string& ip) const;

    // USB may be chosen only while no listed entry is a USB entry.
    bool UsbChoiceAllowed() const;

    // What is wrong with adding this entry: a box that is no octet, an
    // address (or USB) already listed, a full list.
    AddCheck CheckAdd(const AddRequest& request) const;
    // Fills the first free slot with a new entry (model reset to defaults)
    // when CheckAdd finds nothing wrong; the slot, or nullopt.
    std::optional<DeviceSlot> AddEntry(const AddRequest& request);

    // Clears the slots; each removed device's pair goes into removed().
    void RemoveSlots(const std::vector<DeviceSlot>& slots);

    // Stores the name and writes its 16 bytes to device address 5 (nothing
    // is sent while the device is off-line). The local name changes even
    // when the write fails.
    Status WriteName(DeviceSlot slot, const std::string& name, Exchange& exchange);

    // Resets the slot's device model to the defaults (after an entry is created).
    void ResetModel(DeviceSlot slot);

    // Emits rowChanged for the slot.
    void RowChanged(DeviceSlot slot) const;
    // A row to redraw (also for a cleared row).
    Signal<DeviceSlot> rowChanged;

    PairTable& offered() { return offered_; }
    PairTable& removed() { return removed_; }
    const PairTable& offered() const { return offered_; }
    const PairTable& removed() const { return removed_; }
    // Network devices a connect could not reach (no connection or no
    // identity) since they last came on-line: only these are told
    // unreachable when they announce themselves.
    PairTable& unreachable() { return unreachable_; }
    const PairTable& unreachable() const { return unreachable_; }
    Model& model() { return model_; }
    const Model& model() const { return model_; }

private:
    Model& model_;
    PairTable offered_;
    PairTable removed_;
    PairTable unreachable_;
};

}  // namespace zef
