#pragma once
// The five channel groups of a device and the runs of equaliser bands they
// own (band numbering of EditorValues):
//
//   group  name  bands    colour (r, g, b)
//     0    "L"    0..3    255,   0,   0
//     1    "R"    4..7      0, 255,   0
//     2    "1"    8..37   255,   0, 255
//     3    "2"   38..67   255, 255,   0
//     4    "SM"  68..83     0, 255, 255

#include <array>
#include <cstdint>
#include <string_view>

namespace zef::dsp {

inline constexpr int kGroupInputL = 0;
inline constexpr int kGroupInputR = 1;
inline constexpr int kGroupOutput1 = 2;
inline constexpr int kGroupOutput2 = 3;
inline constexpr int kGroupMasking = 4;
inline constexpr int kGroups = 5;
inline constexpr int kBands = 84;
inline constexpr int kCrossovers = 4;
inline constexpr int kFirOutputs = 2;

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

struct GroupInfo {
    std::string_view name;
    int firstBand;
    int bandCount;
    Rgb colour;
};

inline constexpr std::array<GroupInfo, kGroups> kGroupInfo = {{
    {"L", 0, 4, {255, 0, 0}},
    {"R", 4, 4, {0, 255, 0}},
    {"1", 8, 30, {255, 0, 255}},
    {"2", 38, 30, {255, 255, 0}},
    {"SM", 68, 16, {0, 255, 255}},
}};

// The bands of an output that stay active in the 10-band + FIR mode.
inline constexpr int kFirModeOutputBands = 10;

inline constexpr bool IsInputGroup(int group) { return group == kGroupInputL || group == kGroupInputR; }
inline constexpr bool IsOutputGroup(int group) { return group == kGroupOutput1 || group == kGroupOutput2; }

// The group that owns band 0..83.
inline int GroupOfBand(int band) {
    if (!ZEF_CHECK(band >= 0 && band < kBands)) return 0;
    int group = kGroups - 1;
    while (band < kGroupInfo[static_cast<std::size_t>(group)].firstBand) --group;
    return group;
}

// The output group of crossover filter 0..3 (filter n belongs to output n/2).
inline int GroupOfCrossover(int filter) {
    if (!ZEF_CHECK(filter >= 0 && filter < kCrossovers)) filter = 0;
    return kGroupOutput1 + filter / 2;
}

// Groups whose curves an editor graph shows for a selected group: both inputs
// (L first) for an input, the group alone otherwise.
struct GroupList {
    std::array<int, 2> groups{};
    int count = 0;
    bool operator==(const GroupList&) const = default;
};
constexpr GroupList GroupsDrawnFor(int selectedGroup) {
    if (IsInputGroup(selectedGroup)) return {{kGroupInputL, kGroupInputR}, 2};
    return {{selectedGroup, 0}, 1};
}

}  // namespace zef::dsp
