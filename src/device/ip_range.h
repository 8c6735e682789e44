#pragma once
// The IPv4 range of a network search: the eight range boxes of the search
// window (start octets in boxes 0..3, end octets in boxes 4..7) and the list
// of addresses a range stands for.
//
// A range is a.b.c.s .. a.b.c.e: the end's first three octets always mirror
// the start's, so a search covers at most one /24 block (254 hosts).

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "files/init_config.h"
#include "model/device_model.h"

namespace zef {

using RangeBoxes = std::array<std::string, 8>;

// Applies the rules the boxes obey after every change, to all eight boxes:
// text that is not a whole number is cleared; box 0 is held to 1..223,
// boxes 1 and 2 to 0..255, boxes 3 and 7 to 1..254 (a value below the limit
// becomes the limit, above it the other limit); numbers are written without
// leading zeros; boxes 0..2 are copied into boxes 4..6; an end octet (box 7)
// below the start octet (box 3) takes the start's value. Empty boxes stay empty.
RangeBoxes ValidateRangeBoxes(const RangeBoxes& boxes);

struct IpRange {
    std::array<int, 4> start{};
    std::array<int, 4> end{};
    bool operator==(const IpRange&) const = default;
};

// The range held by validated boxes; nullopt while any box is empty or not a number.
std::optional<IpRange> RangeFromBoxes(const RangeBoxes& boxes);
// The boxes showing a range (e.g. from init.cfg); zero fields show as "0",
// and the result is passed through ValidateRangeBoxes.
RangeBoxes BoxesFromRange(const IpRange& range);

IpRange RangeFromConfig(const InitConfig& config);
void StoreRange(InitConfig& config, const IpRange& range);

// Dotted text of four octets.
std::string DottedAddress(const std::array<int, 4>& octets);

// Parses "a.b.c.d" with every octet 0..255.
std::optional<std::array<int, 4>> ParseDottedAddress(const std::string& text);

inline constexpr std::size_t kMaxSearchAddresses = 256;

// Every address a.b.c.k for k = start..end of the range, in order, except
// the addresses of listed entries that are on-line; at most 256.
std::vector<std::string> SearchAddresses(const IpRange& range, const Model& model);

}  // namespace zef
