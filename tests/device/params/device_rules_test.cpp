// The pure parts of the device layer: the rules for preset names.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "device/presets.h"

namespace zef::test {
namespace {

TEST(Presets, NameRules) {
    const std::pair<std::string, bool> allowed[] = {{"Main <L> (2)-_+=.", true}, {"", true},
                                                    {"Caf\xC3\xA9", true},     // Windows-1252 has it
                                                    {"\xE2\x82\xAC 5", true},  // the euro sign too (0x80)
                                                    {"\xE5\x90\x8D", false},     {"a\x80", false}};
    for (const auto& [text, ok] : allowed) EXPECT_EQ(PresetNameAllowed(text), ok) << text;
    EXPECT_EQ(PaddedPresetName("Vox1"), "Vox1            ");
    EXPECT_EQ(PaddedPresetName("ABCDEFGHIJKLMNOPQ"), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(PaddedPresetName(""), std::string(16, ' '));
    // Counted in the device's characters: an umlaut is one of sixteen.
    EXPECT_EQ(PaddedPresetName("B\xC3\xBChne"), "B\xC3\xBChne           ");
    EXPECT_EQ(PaddedPresetName("\xC3\xBC" + std::string(16, 'x')), "\xC3\xBC" + std::string(15, 'x'));
    EXPECT_EQ(PresetSlotRow(0, "Main"), "01: Main");
    EXPECT_EQ(PresetSlotRow(2, "Vox1            "), "03: Vox1            ");
}

}  // namespace
}  // namespace zef::test
