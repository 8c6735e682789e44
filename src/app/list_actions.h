#pragma once
// The device list window's actions with what they tell and ask the user:
// adding a device by hand, removing ticked devices, editing a name.

#include <optional>
#include <string>
#include <vector>

#include "app/texts.h"
#include "app/dialogs.h"
#include "device/device_list.h"
#include "device/exchange.h"

namespace zef {

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
