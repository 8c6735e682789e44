#pragma once
// SearchDialog's logic: finding amplifiers on the USB serial ports or in an IPv4
// range, and merging what was found into the device list.
//
// A search window's life: Open (private TCP client, init.cfg into the range
// boxes), one or more StartUsb / StartTcp, then Close, which merges the
// results into the list — unless no part of the search had completed yet.
//
// A network search probes every address of the range on the device port at
// once (500 ms), then connects to each address that accepted, in order, on
// connection k = 0, 1, 2 ... of the private client (200 ms), identifies the
// device there (30-byte reply, byte 4 = 0x21), sends it the closing command
// 15 and disconnects. A completion timer (10 s) marks the search completed
// even when the probing has not answered by then.
//
// Network availability: device/identity.h.

#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/texts.h"
#include "device/device_list.h"
#include "device/ip_range.h"
#include "device/device_exchange.h"
#include "app/dialogs.h"
#include "device/identity.h"
#include "transport/transport.h"

namespace zef {

// "Searching device [IP:" + address + "], please wait....."
std::string SearchingAddressCaption(const std::string& address);
// "Found USB device named " + name + " with Unique ID " + id + "." CR LF
// "Do you want to overwrite the device already present in the Device List ?"
std::string OverwriteUsbQuestion(const std::string& name, const std::string& uniqueId);

struct SearchSettings {
    bool loopbackIsNetwork = false;
    int probeTimeoutMs = 500;
    int connectTimeoutMs = 200;
    int completionMs = 10000;
};

struct MergeOutcome {
    int added = 0;
    int updated = 0;
    bool operator==(const MergeOutcome&) const = default;
};

// Puts search results into the list, one result after the other: a network
// result updates the listed entry with its unique ID and network (address
// and name); a USB result meets a listed USB entry (same unique ID: dropped;
// another: the user may overwrite the entry's address and name); anything
// else fills the first free slot (model reset to defaults) off-line, since
// the program's own link is not connected to it. Nothing added or updated:
// "No new device(s) found".
MergeOutcome MergeSearchResults(const std::vector<DeviceEntry>& results, DeviceList& list, Dialogs& dialogs);

// What the search window shows.
struct SearchHooks {
    std::function<void(const std::string&)> caption;
    std::function<void(int value, int maximum)> progress;
    std::function<void(bool)> controlsEnabled;  // off while a network search runs
    std::function<void()> finished;             // every address handled: the window closes
};

class DeviceSearch {
public:
    // `exchange` provides the serial port search, the transport, the device port
    // and the reply time-outs; results go into `list` on Close.
    DeviceSearch(DeviceList& list, DeviceExchange& exchange, Dialogs& dialogs, SearchSettings settings = {},
                 SearchHooks hooks = {});
    ~DeviceSearch();

    // Creates the private TCP client (33 connections) and reads init.cfg.
    // False after "Wrong TCP initialization!"; the window then closes.
    bool Open();

    // The first local address, shown after "Host Address:".
    std::string HostAddress();
    // Ticking "TCP/IP Mode": false after "WLAN or LAN not found".
    bool SelectTcpMode();
    // The range boxes as init.cfg left them.
    const RangeBoxes& boxes() const { return boxes_; }

    // USB mode: unless a listed USB device is on-line, searches the serial
    // ports; a device found becomes a result, gets command 15, and the port
    // is closed. True when a device was found. When none was and a port was
    // refused for lack of permission, the user is told how to get access.
    bool StartUsb();

    // TCP/IP mode over a validated range: saves it in init.cfg, lists the
    // addresses (without on-line listed ones) and starts probing them.
    // False when the boxes do not hold a range.
    bool StartTcp(const RangeBoxes& boxes);
    // The same over an explicit address list (at most 256), without init.cfg.
    void StartTcpAddresses(const std::vector<std::string>& addresses);

    // Runs the event loop until the network search has handled every address
    // or its completion timer fired, at most `maxMs`. True when it ended.
    bool WaitUntilDone(int maxMs);

    // Closing the window: merges the results if any part had completed.
    MergeOutcome Close();

    bool running() const { return running_; }
    bool completed() const { return completed_; }
    const std::vector<DeviceEntry>& results() const { return results_; }

private:
    void OnScanResponse(const std::vector<std::string>& answered);
    void OnCompletionTimer();
    std::optional<DeviceEntry> IdentifyAt(int k, const std::string& address);
    void AddResult(const DeviceEntry& result);
    void Caption(const std::string& text);

    DeviceList& list_;
    DeviceExchange& exchange_;
    Dialogs& dialogs_;
    SearchSettings settings_;
    SearchHooks hooks_;
    std::unique_ptr<TcpClient> tcp1_;
    QTimer completion_;
    RangeBoxes boxes_;
    std::vector<DeviceEntry> results_;
    bool running_ = false;
    bool completed_ = false;
    bool handling_ = false;
};

}  // namespace zef
