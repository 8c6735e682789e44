#include "transport/serial_ports.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <cctype>
#include <string_view>

#include "transport/transport.h"

namespace zef {
namespace {

// Natural order: the digit runs of two names compare as numbers.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i])) != 0;
        const bool db = std::isdigit(static_cast<unsigned char>(b[j])) != 0;
        if (da && db) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            std::string na = a.substr(i, ei - i);
            std::string nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

bool IsZefBridge(const SerialPortDescription& port) {
    if (!port.vendorId || !port.productId) return false;
    for (const UsbId& id : kZefUsbBridges)
        if (id.vendor == *port.vendorId && id.product == *port.productId) return true;
    return false;
}

// macOS lists each adapter twice: /dev/tty.X waits for carrier detect when
// opened, /dev/cu.X does not. Only the cu device is the amplifier's port.
bool HasCallOutTwin(const std::string& path, const std::vector<SerialPortDescription>& system) {
    constexpr std::string_view kDialIn = "/dev/tty.";
    if (path.rfind(kDialIn, 0) != 0) return false;
    const std::string twin = "/dev/cu." + path.substr(kDialIn.size());
    return std::any_of(system.begin(), system.end(),
                       [&](const SerialPortDescription& p) { return p.path == twin; });
}

}  // namespace

std::vector<std::string> ChooseSerialPorts(const std::vector<std::string>& registered,
                                           const std::vector<SerialPortDescription>& system) {
    std::vector<std::string> found;
    for (const SerialPortDescription& port : system)
        if (IsZefBridge(port) && !HasCallOutTwin(port.path, system)) found.push_back(port.path);
    std::sort(found.begin(), found.end(), NaturalLess);
    std::vector<std::string> ports;
    const auto add = [&ports](const std::string& path) {
        if (std::find(ports.begin(), ports.end(), path) == ports.end()) ports.push_back(path);
    };
    for (const std::string& path : registered) add(path);
    for (const std::string& path : found) add(path);
    if (ports.size() > static_cast<std::size_t>(kSerialPortCount)) ports.resize(kSerialPortCount);
    return ports;
}

std::vector<SerialPortDescription> SystemSerialPorts() {
    std::vector<SerialPortDescription> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortDescription d;
#ifdef _WIN32
        d.path = info.portName().toStdString();  // "COM7", as a user names it with --serial
#else
        d.path = info.systemLocation().toStdString();
#endif
        if (info.hasVendorIdentifier()) d.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) d.productId = info.productIdentifier();
        ports.push_back(std::move(d));
    }
    return ports;
}

SerialPortMap::SerialPortMap(Lister lister) : lister_(std::move(lister)) {}

SerialPortMap SerialPortMap::RegisteredOnly() {
    return SerialPortMap([] { return std::vector<SerialPortDescription>{}; });
}

void SerialPortMap::Register(const std::string& path) {
    if (std::find(registered_.begin(), registered_.end(), path) == registered_.end())
        registered_.push_back(path);
}

void SerialPortMap::Unregister(const std::string& path) {
    registered_.erase(std::remove(registered_.begin(), registered_.end(), path), registered_.end());
}

std::vector<std::string> SerialPortMap::Ports() const { return ChooseSerialPorts(registered_, lister_()); }

std::optional<std::string> SerialPortMap::PathOf(int number) const {
    if (number < 1 || number > kSerialPortCount) return std::nullopt;
    const auto ports = Ports();
    if (static_cast<std::size_t>(number) > ports.size()) return std::nullopt;
    return ports[static_cast<std::size_t>(number) - 1];
}

std::string SerialPortMap::DisplayName(int number) { return "COM" + std::to_string(number); }

}  // namespace zef
