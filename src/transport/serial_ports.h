#pragma once
// Serial port numbering. The link knows a USB amplifier's port only by its
// number n, 1..64, kept in init.cfg and shown as "COM"n.
//
// On Windows port n is the system's own "COM"n.
//
// Elsewhere the operating system has no such numbers, so they are handed out
// here: port n is the n-th entry of the list made of
//   1. the device paths registered with Register(), in registration order,
//   2. then the USB serial devices of the system, /dev/ttyUSB* and
//      /dev/ttyACM*, in natural name order (ttyACM2 before ttyACM10),
// with repeated paths dropped and the list cut at 64 entries. A registered
// path therefore keeps its number however many adapters are plugged in, and
// with nothing registered the first USB adapter is port 1. The list is made
// afresh at every lookup, so adapters plugged in later are found by the next
// port search.

#include <optional>
#include <string>
#include <vector>

namespace zef {

class SerialPortMap {
public:
    // `deviceFolder` is where the system's serial devices are listed
    // ("/dev"); `includeSystemPorts` false limits the list to registered paths
    // (tests use this so that no real adapter is ever opened).
    explicit SerialPortMap(std::string deviceFolder = "/dev", bool includeSystemPorts = true);

    // Adds `path` to the registered paths (once; a second call does nothing).
    void Register(const std::string& path);
    void Unregister(const std::string& path);

    // The device path of port `number`, or nothing when no port has that
    // number (outside 1..64 or beyond the end of the list).
    std::optional<std::string> PathOf(int number) const;

    // The whole list; entry i is port i + 1.
    std::vector<std::string> Ports() const;

    // The name shown to the user and passed to firmware tools: "COM" + n.
    static std::string DisplayName(int number);

private:
    std::string deviceFolder_;
    bool includeSystemPorts_;
    std::vector<std::string> registered_;
};

}  // namespace zef
