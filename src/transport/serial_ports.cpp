#include "transport/serial_ports.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

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

std::vector<std::string> SystemPorts(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) found.push_back(name);
    }
    std::sort(found.begin(), found.end(), NaturalLess);
    for (auto& name : found) name = (std::filesystem::path(folder) / name).string();
    return found;
}

}  // namespace

SerialPortMap::SerialPortMap(std::string deviceFolder, bool includeSystemPorts)
    : deviceFolder_(std::move(deviceFolder)), includeSystemPorts_(includeSystemPorts) {}

void SerialPortMap::Register(const std::string& path) {
    if (std::find(registered_.begin(), registered_.end(), path) == registered_.end())
        registered_.push_back(path);
}

void SerialPortMap::Unregister(const std::string& path) {
    registered_.erase(std::remove(registered_.begin(), registered_.end(), path), registered_.end());
}

std::vector<std::string> SerialPortMap::Ports() const {
    std::vector<std::string> ports = registered_;
    if (includeSystemPorts_) {
        for (auto& path : SystemPorts(deviceFolder_))
            if (std::find(ports.begin(), ports.end(), path) == ports.end()) ports.push_back(path);
    }
    if (ports.size() > static_cast<std::size_t>(kSerialPortCount)) ports.resize(kSerialPortCount);
    return ports;
}

std::optional<std::string> SerialPortMap::PathOf(int number) const {
#ifdef _WIN32
    if (number < 1 || number > kSerialPortCount) return std::nullopt;
    return DisplayName(number);
#else
    if (number < 1 || number > kSerialPortCount) return std::nullopt;
    const auto ports = Ports();
    if (static_cast<std::size_t>(number) > ports.size()) return std::nullopt;
    return ports[static_cast<std::size_t>(number) - 1];
#endif
}

std::string SerialPortMap::DisplayName(int number) { return "COM" + std::to_string(number); }

}  // namespace zef
