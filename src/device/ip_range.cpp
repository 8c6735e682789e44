#include "device/ip_range.h"

#include <algorithm>
#include <string_view>

namespace zef {
namespace {

struct Limits {
    int low;
    int high;
};
// Limits of the start octets; the end octets use the same per position.
constexpr std::array<Limits, 4> kOctetLimits = {{{1, 223}, {0, 255}, {0, 255}, {1, 254}}};

// A whole non-negative number (blanks around it allowed); large values saturate.
std::optional<long> WholeNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return std::nullopt;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = std::min(value * 10 + (c - '0'), 1000000L);
    }
    return value;
}

}  // namespace

RangeBoxes ValidateRangeBoxes(const RangeBoxes& boxes) {
    RangeBoxes out;
    std::array<std::optional<long>, 8> values;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        values[i] = WholeNumber(boxes[i]);
        if (!values[i]) continue;  // non-numeric or empty: cleared
        const Limits lim = kOctetLimits[i % 4];
        values[i] = std::clamp<long>(*values[i], lim.low, lim.high);
    }
    for (std::size_t i = 0; i < 3; ++i) values[i + 4] = values[i];
    if (values[3] && values[7] && *values[7] < *values[3]) values[7] = values[3];
    for (std::size_t i = 0; i < boxes.size(); ++i)
        out[i] = values[i] ? std::to_string(*values[i]) : std::string();
    return out;
}

std::optional<IpRange> RangeFromBoxes(const RangeBoxes& boxes) {
    IpRange range;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto v = WholeNumber(boxes[i]);
        if (!v || *v > 255) return std::nullopt;
        (i < 4 ? range.start[i] : range.end[i - 4]) = static_cast<int>(*v);
    }
    return range;
}

RangeBoxes BoxesFromRange(const IpRange& range) {
    RangeBoxes boxes;
    for (std::size_t i = 0; i < 4; ++i) {
        boxes[i] = std::to_string(range.start[i]);
        boxes[i + 4] = std::to_string(range.end[i]);
    }
    return ValidateRangeBoxes(boxes);
}

IpRange RangeFromConfig(const InitConfig& config) {
    IpRange range;
    for (std::size_t i = 0; i < 4; ++i) {
        range.start[i] = config.rangeStart[i];
        range.end[i] = config.rangeEnd[i];
    }
    return range;
}

void StoreRange(InitConfig& config, const IpRange& range) {
    for (std::size_t i = 0; i < 4; ++i) {
        config.rangeStart[i] = static_cast<std::int16_t>(range.start[i]);
        config.rangeEnd[i] = static_cast<std::int16_t>(range.end[i]);
    }
}

std::string DottedAddress(const std::array<int, 4>& octets) {
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) +
           "." + std::to_string(octets[3]);
}

std::optional<std::array<int, 4>> ParseDottedAddress(const std::string& text) {
    std::array<int, 4> octets{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t dot = i < 3 ? text.find('.', pos) : text.size();
        if (dot == std::string::npos || dot == pos || dot - pos > 3) return std::nullopt;
        const auto v = WholeNumber(std::string_view(text).substr(pos, dot - pos));
        if (!v || *v > 255 || text[pos] == ' ') return std::nullopt;
        octets[i] = static_cast<int>(*v);
        pos = dot + 1;
    }
    return octets;
}

std::vector<std::string> SearchAddresses(const IpRange& range, const Model& model) {
    std::vector<std::string> list;
    std::array<int, 4> octets = range.start;
    for (int k = range.start[3]; k <= range.end[3] && list.size() < kMaxSearchAddresses; ++k) {
        octets[3] = k;
        const std::string address = DottedAddress(octets);
        bool onlineListed = false;
        for (DeviceSlot s = 1; s <= kMaxListedDevices; ++s) {
            const DeviceEntry& e = model.entry(s);
            if (e.inList && e.online && e.ip == address) onlineListed = true;
        }
        if (!onlineListed) list.push_back(address);
    }
    return list;
}

}  // namespace zef
