// Legal values: every rule refuses the first code past its range and names
// the field; the default program, bytes the editor only copies and the
// values at the ends of each range pass.

#include <gtest/gtest.h>

#include "model/defaults.h"
#include "model/memory_map.h"
#include "model/validation.h"

namespace zef {
namespace {

struct Bad {
    std::size_t offset;
    std::uint8_t value;
    const char* text;          // the whole refusal
    bool belowIsLegal = true;  // value - 1 ends the range
};

TEST(Validation, FirstBadPresetFieldIsNamed) {
    const Bad rows[] = {
        {pi::OutputBand(0, 0), 8, "preset byte 118 (output 1 band 1 type) is 8; legal 0..7"},
        {pi::OutputBand(1, 29) + 3, 101, "preset byte 416 (output 2 band 30 Q code) is 101; legal 0..100"},
        {pi::OutputBand(0, 1) + 4, 61, "preset byte 132 (output 1 band 2 gain code) is 61; legal 0..60 (+128 when bypassed)"},
        {pi::InputBandB(1, 2) + 1, 0x4E, "preset byte 96 (input R block B band 3 frequency) is 20128; legal 20..20000"},
        {pi::MaskingBand(15) + 1, 0x50, "preset byte 576 (SM band 16 frequency) is 20512; legal 20..20000", false},
        {pi::InputGain(1), 145, "preset byte 17 (input R gain) is 145; legal 0..144"},
        {pi::Gate(0) + pi::kGateTimeA, 26, "preset byte 23 (input L gate time A) is 26; legal 0..25"},
        {pi::kInputMute, 4, "preset byte 18 (input mute mask) is 4; legal 0..3"},
        {pi::HighPass(1), 9, "preset byte 107 (output 2 high-pass slope) is 9; legal 0..8"},
        {pi::Delay(0) + 2, 49, "preset byte 463 (output 1 delay fine count) is 49; legal 0..48"},
        {pi::Compressor(1) + pi::kCompGain, 241, "preset byte 480 (output 2 compressor gain) is 241; legal 0..240"},
        {pi::Limiter(0) + pi::kLimTimeB, 41, "preset byte 488 (output 1 limiter time B) is 41; legal 0..40"},
        {pi::Limiter(1) + pi::kLimThreshold, 151,
         "preset byte 490 (output 2 limiter threshold) is 151; legal 0..150 (capped by the load impedance)"},
        {pi::kMaskingLevel, 81, "preset byte 580 (masking level) is 81; legal 0..80"},
        {pi::DynamicFilter(1) + 2, 101, "preset byte 460 (output 2 dynamic filter value 2) is 101; legal 0..100"},
    };
    const DeviceSettings settings = DefaultSettings();
    ASSERT_EQ(ValidatePreset(DefaultPreset(), settings), std::nullopt);
    for (const Bad& row : rows) {
        SCOPED_TRACE(row.text);
        PresetImage p = DefaultPreset();
        p[row.offset] = row.value;
        const auto v = ValidatePreset(p, settings);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->Text(), row.text);
        // One below is legal again (the range's end belongs to it).
        p[row.offset] = static_cast<std::uint8_t>(row.value - 1);
        if (row.belowIsLegal) {
            EXPECT_EQ(ValidatePreset(p, settings), std::nullopt);
        }
    }
}

TEST(Validation, PairsCapsAndCounts) {
    const DeviceSettings settings = DefaultSettings();
    PresetImage p = DefaultPreset();
    // Routing: output 1's bytes (100, 102) must form one of the four pairs.
    p[pi::Routing(0, 1)] = 152;
    auto v = ValidatePreset(p, settings);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->offset, pi::Routing(0, 0));
    p[pi::Routing(0, 0)] = 152;
    EXPECT_EQ(ValidatePreset(p, settings), std::nullopt);

    // A bridged amplifier at the lowest impedance (output 1's entry counts
    // for both) caps the threshold at 100 positions: codes 51..150.
    DeviceSettings bridged = settings;
    bridged[ds::kBridge] = 1;
    bridged[ds::Impedance(0)] = 3;
    p[pi::Limiter(0) + pi::kLimThreshold] = 60;
    p[pi::Limiter(1) + pi::kLimThreshold] = 50;
    v = ValidatePreset(p, bridged);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->Text(), "preset byte 490 (output 2 limiter threshold) is 50; legal 51..150 (capped by the load impedance)");
    p[pi::Limiter(1) + pi::kLimThreshold] = 51;
    EXPECT_EQ(ValidatePreset(p, bridged), std::nullopt);

    for (const std::uint16_t count : {0, 385}) {
        PresetImage q = DefaultPreset();
        q[pi::FirTapsHigh(1)] = static_cast<std::uint8_t>(count >> 8);
        q[pi::FirTapsLow(1)] = static_cast<std::uint8_t>(count & 0xFF);
        v = ValidatePreset(q, settings);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->Text(), "preset byte 452 (output 2 FIR tap count, bytes 452 and 454) is " +
                                 std::to_string(count) + "; legal 1..384");
    }
}

TEST(Validation, CopiedBytesNamesAndFlagsStayFree) {
    const DeviceSettings settings = DefaultSettings();
    PresetImage p = DefaultPreset();
    for (std::size_t i = 0; i < pi::kCopied583Size; ++i) p[pi::kCopied583 + i] = 0xFF;
    for (std::size_t i = 0; i < pi::kNameSize; ++i) p[pi::kName + i] = 0xE9;
    for (std::size_t i = 0; i < 32; ++i) p[pi::kFirNames + i] = 0x80;
    p[pi::kEqMode] = 7;
    p[pi::OutputBand(0, 4) + 4] = 128 + 60;  // bypassed, +15 dB
    EXPECT_EQ(ValidatePreset(p, settings), std::nullopt);

    DeviceSettings s = settings;
    for (std::size_t i = 0; i < kSettingsSize; ++i)
        if (i < 205 || i > 217) s[i] = 0xA5;
    s[ds::kBridge] = 200;
    EXPECT_EQ(ValidateSettings(s), std::nullopt);
    s[ds::Impedance(1)] = 4;
    ASSERT_TRUE(ValidateSettings(s));
    EXPECT_EQ(ValidateSettings(s)->Text(), "settings byte 216 (output 2 load impedance) is 4; legal 0..3");
}

TEST(Validation, FirWordsAreTwentyFourBits) {
    FirTapWords taps{};
    taps[0] = 0xFFFFFF;
    EXPECT_EQ(ValidateFir(taps, 0), std::nullopt);
    taps[383] = 0x1000000;
    const auto v = ValidateFir(taps, 1);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->Text(), "output 2 FIR tap 383 (tap word) is 16777216; legal 0..16777215 (24 bits)");

    DeviceModel d;
    ResetToDefaults(d);
    EXPECT_EQ(ValidateDeviceModel(d), std::nullopt);
    d.firTaps[0][10] = 0x2000000;
    EXPECT_EQ(ValidatePresetAndFirs(d)->offset, 10u);
}

// A byte outside its range is the illegal value of the parameters kept in
// it, of no other: a band's other fields, its neighbours and the other
// channel read as they are.
TEST(Validation, AnIllegalByteIsTheIllegalValueOfItsParameter) {
    DeviceModel legal;
    ResetToDefaults(legal);
    for (const Parameter& p : AllParameters()) EXPECT_FALSE(IllegalValueOf(legal, p)) << p.name;
    const struct {
        bool settings;
        std::size_t offset;
        std::uint8_t value;
        const char* illegal;
        std::vector<const char*> legalOnes;
    } cases[] = {
        {false, pi::OutputBand(0, 0), 9, "out1.eq.1.type", {"out1.eq.1.gain", "out1.eq.1.freq", "out1.eq.2.type"}},
        {false, pi::OutputBand(1, 3) + 1, 0x75, "out2.eq.4.freq", {"out2.eq.4.type", "out1.eq.4.freq"}},
        {false, pi::OutputGain(0), 200, "out1.gain", {"out2.gain", "inL.gain"}},
        {true, ds::kStandby, 2, "device.standby", {"device.sleep"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.illegal);
        DeviceModel d = legal;
        if (c.settings) {
            d.settings[c.offset] = c.value;
        } else {
            d.preset[c.offset] = c.value;
        }
        const auto v = IllegalValueOf(d, *FindParameter(c.illegal));
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->record, c.settings ? "settings" : "preset");
        for (const char* name : c.legalOnes) EXPECT_FALSE(IllegalValueOf(d, *FindParameter(name))) << name;
    }
}

}  // namespace
}  // namespace zef
