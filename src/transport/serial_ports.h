#pragma once
// Serial port numbering. The link knows a USB amplifier's port only by its
// number n, 1..64, kept in init.cfg and shown as "COM"n.
//
// Port n is the n-th entry of the list made of
//   1. the device paths registered with Register() (from --serial), in
//      registration order and used exactly as given ("COM7", "/dev/ttyUSB3",
//      "/dev/cu.usbserial-A10K", a pseudo-terminal),
//   2. then the serial ports the system lists whose USB vendor and product IDs
//      are those of the USB-to-serial bridges in ZEF amplifiers (the pairs in
//      kZefUsbBridges), in natural name order (ttyUSB2 before ttyUSB10, COM9
//      before COM10),
// with repeated paths dropped and the list cut at 64 entries. A registered
// path therefore keeps its number however many adapters are plugged in, and
// with nothing registered the first amplifier adapter is port 1. The list is
// made afresh at every lookup, so adapters plugged in later are found by the
// next port search.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zef {

// One serial port as the system describes it.
struct SerialPortDescription {
    std::string path;                        // what opens it: "/dev/ttyUSB0", "/dev/cu.usbserial-X", "COM7"
    std::optional<std::uint16_t> vendorId;   // USB ports only
    std::optional<std::uint16_t> productId;  // USB ports only
};

struct UsbId {
    std::uint16_t vendor;
    std::uint16_t product;
};

// The bridges a ZEF amplifier's USB socket is built with; the udev rule in
// dist/60-zef-editor.rules names the same pairs. FTDI FT232R and FT231X,
// Silicon Labs CP210x, WCH CH340, Prolific PL2303.
inline constexpr std::array<UsbId, 5> kZefUsbBridges = {{
    {0x0403, 0x6001},
    {0x0403, 0x6015},
    {0x10C4, 0xEA60},
    {0x1A86, 0x7523},
    {0x067B, 0x2303},
}};

// The port list described above, from the registered paths and what the system lists.
std::vector<std::string> ChooseSerialPorts(const std::vector<std::string>& registered,
                                           const std::vector<SerialPortDescription>& system);

// The serial ports of this machine, as Qt's port enumeration finds them.
std::vector<SerialPortDescription> SystemSerialPorts();

class SerialPortMap {
public:
    using Lister = std::function<std::vector<SerialPortDescription>()>;

    // `lister` gives the system's ports at each lookup.
    explicit SerialPortMap(Lister lister = SystemSerialPorts);
    // A map of the registered paths only (tests use this so that no real
    // adapter is ever opened; zefctl with --serial).
    static SerialPortMap RegisteredOnly();

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
    Lister lister_;
    std::vector<std::string> registered_;
};

}  // namespace zef
