#pragma once
// The device list window's actions with what they tell and ask the user:
// adding a device by hand, removing ticked devices, editing a name.

#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "device/device_list.h"
#include "device/exchange.h"

namespace zef {

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

class ListActions {
public:
    ListActions(DeviceList& list, Dialogs& dialogs) : list_(list), dialogs_(dialogs) {}

    // Opening the add dialog: the slot it will fill, or nullopt after the
    // message "Max added device is 32" when the list is full.
    std::optional<DeviceSlot> BeginAdd();
    // "Add": checks the boxes and the list, tells the user what is wrong, and
    // fills the first free slot. The slot, or nullopt.
    std::optional<DeviceSlot> Add(const AddRequest& request);
    // Removes the ticked slots after the user agreed. True when something
    // was removed.
    bool Remove(const std::vector<DeviceSlot>& ticked);
    // Renames the device: checks the text, stores the name and writes it to
    // the device. False when the text was refused or the write failed.
    bool EditName(DeviceSlot slot, const std::string& text, Exchange& exchange);

    DeviceList& list() { return list_; }

private:
    DeviceList& list_;
    Dialogs& dialogs_;
};

}  // namespace zef
