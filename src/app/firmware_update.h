#pragma once
// The firmware update window's logic (both windows: the one for a device
// found in its boot loader and the one for the current device), as a
// presenter; the window implements FirmwareUpdateView and forwards its
// button clicks.
//
// Load: the loader's progress handler is connected; the view shows the
// slot's name and unique ID, "Search .sfu file", "Status:" and an empty
// progress bar.
//
// Start:
//   1. no file chosen: "please insert a .sfu file" (title "Search File",
//      exclamation); nothing else, the serial port is not touched
//   2. the slot on-line: command 15 to it, the slot off-line, its on-line
//      indicator refreshed; then the program's serial port is closed (in
//      any case: the loader opens the port itself and cannot share it)
//   3. the loader loads the file on "COM" + SerialPortNumber at 9600 baud
//   4. result 0: "Firmware successfully loaded!" (title "Firmware Update",
//      exclamation) and the window closes; otherwise the window stays open
//      for another attempt (the loader has reported why) and the slot stays
//      off-line
//
// Progress events: code 0 shows "Status:" + text and the percentage; codes
// 1..8 show their message (title "Firmware Update", exclamation), then
// "Status:" and an empty progress bar; any other code is ignored.

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "app/texts.h"
#include "model/device_model.h"
#include "device/exchange.h"
#include "app/dialogs.h"
#include "base/signal.h"
#include "device/fw_loader.h"
#include "transport/transport.h"

namespace zef {

class DeviceList;
class EditorSession;
class SerialPortMap;

inline constexpr int kFwBaudRate = 9600;

// The message of failure code 1..8 (index = code - 1).
inline constexpr std::array<const char*, 8> kFwFailureTexts = {
    "Wrong firmware file!",
    "Device FLASH is protected!",
    "Device FLASH erase failed!",
    "Device FLASH write failed!",
    "Can't connect device",
    "Command timeout expired. Please try again.",
    "Command checksum error. Please try again.",
    "Firmware update not available.",
};
// nullptr for a code without a message.
const char* FwFailureText(int code);

// What the window shows.
class FirmwareUpdateView {
public:
    virtual ~FirmwareUpdateView() = default;
    virtual void ShowDevice(const std::string& name, const std::string& uniqueId) = 0;
    virtual void ShowFile(const std::string& label) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // The progress bar and the percentage label (percent + "%"); nothing =
    // both empty.
    virtual void ShowProgress(std::optional<int> percent) = 0;
    virtual void CloseWindow() = 0;
};

class FirmwareUpdate {
public:
    enum class State { Idle, FileChosen, Loading, Done };

    // Serves `slot` (FirmwareSlot or CurrentDevice). `serial` is the
    // program's serial port, closed before the loader runs.
    FirmwareUpdate(Model& model, Exchange& exchange, SerialPort& serial, Dialogs& dialogs, FwLoader& loader,
                   FirmwareUpdateView& view, DeviceSlot slot);
    // Disconnects the loader's progress handler again.
    ~FirmwareUpdate();
    FirmwareUpdate(const FirmwareUpdate&) = delete;
    FirmwareUpdate& operator=(const FirmwareUpdate&) = delete;

    // Window load.
    void Load();
    // The file dialog (filter "Fw Update(*.Sfu)|*.sfu", starting in
    // `folder`); a chosen path is shown. True when a file was chosen.
    bool ChooseFile(const std::string& folder);
    // As if `path` had been chosen in the file dialog.
    void SetFile(const std::string& path);
    // The start button. Returns the loader's result, or nothing when no
    // file was chosen.
    std::optional<int> Start();
    // The loader's progress event.
    void OnProgress(int code, const std::string& text, int percent);

    // Called with the slot when step 2 takes it off-line.
    // The slot was taken off-line for the load (its indicator is stale).
    Signal<DeviceSlot> wentOffline;

    State state() const { return state_; }
    const std::string& file() const { return file_; }

private:
    Model& model_;
    Exchange& exchange_;
    SerialPort& serial_;
    Dialogs& dialogs_;
    FwLoader& loader_;
    FirmwareUpdateView& view_;
    DeviceSlot slot_;
    State state_ = State::Idle;
    std::string file_;
};

// What the firmware windows use besides the presenter's view and loader:
// the presenter's model, exchange, serial port and dialogs, the port map the
// serial loader opens its port by, the device list (told when the device
// went off-line) and the data folder (where the file dialog starts). The
// references point into the session that made them.
struct FirmwareTools {
    Model& model;
    Exchange& exchange;
    SerialPort& serial;
    const SerialPortMap& ports;
    Dialogs& dialogs;
    DeviceList& list;
    std::string dataFolder;
};

FirmwareTools FirmwareToolsOf(EditorSession& session);

}  // namespace zef
