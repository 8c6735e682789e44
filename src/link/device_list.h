#pragma once
// ModIdList: the device list of up to 32 amplifiers (slots 1..32 of the
// model's DeviceEntry table) and the operations the list window offers on it:
// add by hand, remove, edit a name, and the texts of each row.
//
// Messages and questions go through the dialogs seam; a redrawn row is
// announced through ListHooks so that the window can repaint it. Nothing here
// owns a window or a timer.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/device_model.h"
#include "model/exchange.h"
#include "model/tables.h"
#include "platform/dialogs.h"

namespace zef {

// The interface name of a Network value; "" for values outside the table.
std::string NetworkName(int network);

// Texts of one row of the list window.
struct RowTexts {
    std::string name;  // Name trimmed at both ends
    std::string ip;
    std::string interfaceName;  // kInterfaceNames[Network]
    std::string uniqueId;
    std::string status;   // "On-line" / "Off-line"
    std::string standby;  // "Standby=ON" / "Standby=OFF"
    bool operator==(const RowTexts&) const = default;
};
inline constexpr const char* kStatusOnline = "On-line";
inline constexpr const char* kStatusOffline = "Off-line";
inline constexpr const char* kStatusTooltip = "Switch On-Line/Off-Line";
inline constexpr const char* kStandbyOnText = "Standby=ON";
inline constexpr const char* kStandbyOffText = "Standby=OFF";

RowTexts MakeRowTexts(const DeviceEntry& entry);
inline const char* StatusText(bool online) { return online ? kStatusOnline : kStatusOffline; }
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

// What the window is told when the list changes.
struct ListHooks {
    std::function<void(DeviceSlot)> rowChanged;  // redraw one row (also for a cleared row)
};

// The add-device dialog's input: interface choice and the four address boxes.
struct AddRequest {
    bool usb = false;
    std::array<std::string, 4> boxes = {"192", "168", "0", "100"};
};

inline constexpr const char* kAddDeviceTitle = "Add Device";
inline constexpr const char* kAddTitle = "Add";
inline constexpr const char* kMaxDevicesText = "Max added device is 32";
inline constexpr const char* kIpNotCorrectText = "IP address not correct";
inline constexpr const char* kUsbAlreadyListedText = "Device with USB already on the list!";
inline constexpr const char* kRemoveTitle = "Remove Device(s)";
inline constexpr const char* kSelectDeviceText = "Please select a device";
inline constexpr const char* kRemoveQuestion = "Remove selected device(s),\r\nare you sure?";
inline constexpr const char* kEditNameTitle = "Edit Device Name";
inline constexpr const char* kNameMissingText = "Please input a name";
inline constexpr const char* kMinCharactersText = "Please input min. 3 characters";

// "IP " + address + " address already on the list!"
std::string IpAlreadyListedText(const std::string& address);

// The text of an address box as a number 0..255: digits only, blanks around
// them allowed, leading zeros ignored ("010" is 10). nullopt otherwise.
std::optional<int> ParseOctet(std::string_view text);

class DeviceList {
public:
    DeviceList(Model& model, Dialogs& dialogs, ListHooks hooks = {});

    // Resets a slot to the cleared record and blanks its row.
    void ClearSlot(DeviceSlot slot);

    // Stores `name` (cut to 16 characters) in the entry's Name and, padded with
    // blanks to 16 characters, in the settings image at offsets 5..20.
    void SetDeviceName(DeviceSlot slot, std::string_view name);

    // The first slot 1..32 not in the list.
    std::optional<DeviceSlot> FirstFreeSlot() const;
    // The slot of the first listed entry whose Ip equals `ip`.
    std::optional<DeviceSlot> FindByIp(const std::string& ip) const;

    // Opening the add dialog: the slot it will fill, or nullopt after the
    // message "Max added device is 32" when the list is full.
    std::optional<DeviceSlot> BeginAdd();
    // USB may be chosen only while no listed entry is a USB entry.
    bool UsbChoiceAllowed() const;
    // "Add": checks the boxes and the list, tells the user what is wrong, and
    // fills the first free slot (model reset to defaults). The slot, or nullopt.
    std::optional<DeviceSlot> Add(const AddRequest& request);

    // Removes the ticked slots after the user agreed; each removed device's
    // pair goes into removed(). True when something was removed.
    bool Remove(const std::vector<DeviceSlot>& ticked);

    // Renames the device in `slot`: checks the text, stores the name and
    // writes the 16 name bytes to device address 5 (nothing is sent while the
    // device is off-line). Returns false when the text was refused or the
    // write failed; the local name has changed in the latter case.
    bool EditName(DeviceSlot slot, const std::string& text, Exchange& exchange);

    // Resets the slot's device model to the defaults (after an entry is created).
    void ResetModel(DeviceSlot slot);

    void RowChanged(DeviceSlot slot) const;

    PairTable& offered() { return offered_; }
    PairTable& removed() { return removed_; }
    const PairTable& offered() const { return offered_; }
    const PairTable& removed() const { return removed_; }
    Model& model() { return model_; }
    const Model& model() const { return model_; }
    Dialogs& dialogs() { return dialogs_; }
    void SetHooks(ListHooks hooks) { hooks_ = std::move(hooks); }

private:
    Model& model_;
    Dialogs& dialogs_;
    ListHooks hooks_;
    PairTable offered_;
    PairTable removed_;
};

}  // namespace zef
