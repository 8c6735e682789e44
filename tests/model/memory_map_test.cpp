#include "model/memory_map.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "model/records.h"
#include "model/tables.h"

namespace zef {
namespace {

void ExpectTiles(std::span<const MemoryField> fields, std::size_t recordSize) {
    std::size_t next = 0;
    std::set<std::string_view> names;
    for (const MemoryField& f : fields) {
        EXPECT_EQ(f.offset, next) << f.name;
        EXPECT_GT(f.size, 0) << f.name;
        EXPECT_TRUE(names.insert(f.name).second) << "duplicate " << f.name;
        next = f.offset + std::size_t{f.size};
    }
    EXPECT_EQ(next, recordSize);
}

TEST(MemoryMap, FieldTablesCoverEachRecordExactlyOnce) {
    ExpectTiles(SettingsFields(), kSettingsSize);
    ExpectTiles(PresetFields(), kPresetSize);
    EXPECT_EQ(SettingsFieldAt(ds::kApChannel)->name, "apChannel");
    EXPECT_EQ(PresetFieldAt(pi::OutputBand(1, 29) + 4)->name, "outputEq");
    EXPECT_EQ(SettingsFieldAt(kSettingsSize), nullptr);
    EXPECT_EQ(PresetFieldAt(kPresetSize), nullptr);
}

TEST(MemoryMap, TwoDimensionalArraysAreFieldsOfTheirOwn) {
    for (const Array2D& arr : kPresetArrays2D) {
        const MemoryField* f = PresetFieldAt(arr.base);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->name, arr.name);
        EXPECT_EQ(f->offset, arr.base);
        EXPECT_EQ(f->size, arr.size());
    }
}

TEST(MemoryMap, RoutingElementsByHand) {
    const Array2D& routing = kPresetArrays2D[2];
    ASSERT_EQ(routing.name, "routing");
    // (output 2, source 0) and (output 1, source 1).
    EXPECT_EQ(pi::Routing(1, 0), 101u);
    EXPECT_EQ(routing.deviceOffset(1, 0), 102u);
    EXPECT_EQ(pi::Routing(0, 1), 102u);
    EXPECT_EQ(routing.deviceOffset(0, 1), 101u);

    PresetImage record;
    record[101] = 0xAA;
    record[102] = 0xBB;
    std::array<std::uint8_t, kPresetSize> device{};
    EncodePresetToDevice(record, device);
    EXPECT_EQ(device[102], 0xAA);
    EXPECT_EQ(device[101], 0xBB);
}

TEST(MemoryMap, DeviceOrderKeepsEachChannelTogether) {
    PresetImage record;
    SetFirName(record, 1, "ABCDEFGHIJKLMNOP");
    const BandRecord band{kBandNotch, 0x1234, 7, 0x9E};
    band.writeTo(record, pi::OutputBand(1, 0));
    band.writeTo(record, pi::InputBandA(1, 0));
    band.writeTo(record, pi::InputBandB(0, 2));

    std::array<std::uint8_t, kPresetSize> device{};
    EncodePresetToDevice(record, device);
    // Output 2's FIR name is the 16 bytes at device address 659 + 16.
    EXPECT_EQ(
        std::string(device.begin() + (675 - kPresetBaseAddress), device.begin() + (691 - kPresetBaseAddress)),
        "ABCDEFGHIJKLMNOP");
    PresetImage probe;
    probe.bytes = device;
    EXPECT_EQ(BandRecord::readFrom(probe, pi::kOutputEq + 5 * 30), band);  // after output 1's 30 bands
    EXPECT_EQ(BandRecord::readFrom(probe, pi::kInputBlockA + 5 * 4), band);
    EXPECT_EQ(BandRecord::readFrom(probe, pi::kInputBlockB + 5 * 2), band);
}

TEST(MemoryMap, RecordAndDeviceOrderRoundTripRandomImages) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int trial = 0; trial < 200; ++trial) {
        PresetImage record;
        std::array<std::uint8_t, kPresetSize> device{};
        for (auto& b : record.bytes) b = static_cast<std::uint8_t>(byte(rng));
        for (auto& b : device) b = static_cast<std::uint8_t>(byte(rng));

        std::array<std::uint8_t, kPresetSize> encoded{};
        EncodePresetToDevice(record, encoded);
        PresetImage decoded;
        DecodePresetFromDevice(encoded, decoded);
        ASSERT_EQ(decoded, record);

        PresetImage fromDevice;
        DecodePresetFromDevice(device, fromDevice);
        EncodePresetToDevice(fromDevice, encoded);
        ASSERT_EQ(encoded, device);

        // Bytes outside the 2-D arrays stay where they are.
        EncodePresetToDevice(record, encoded);
        for (std::size_t i = 0; i < kPresetSize; ++i) {
            const MemoryField* f = PresetFieldAt(i);
            bool twoD = false;
            for (const Array2D& arr : kPresetArrays2D) twoD = twoD || arr.name == f->name;
            if (!twoD) {
                ASSERT_EQ(encoded[i], record[i]) << "offset " << i;
            }
        }
    }
}

}  // namespace
}  // namespace zef
