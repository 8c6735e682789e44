#include "files/project_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <random>

#include "files/binary_io.h"
#include "base/input_file.h"
#include "temp_folder.h"

namespace zef {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Fill(DeviceModel& d, unsigned seed) {
    for (std::size_t i = 0; i < kSettingsSize; ++i) d.settings[i] = static_cast<std::uint8_t>(i * 3 + seed);
    for (std::size_t i = 0; i < kPresetSize; ++i) d.preset[i] = static_cast<std::uint8_t>(i * 5 + seed);
    for (std::size_t o = 0; o < 2; ++o)
        for (std::size_t t = 0; t < kFirTapCount; ++t)
            d.firTaps[o][t] = static_cast<std::uint32_t>((t * 65599u + o * 31u + seed) & 0xFFFFFF);
    d.eqTarget.leading = static_cast<std::int16_t>(-seed);
    for (std::size_t i = 0; i < 10; ++i) {
        d.eqTarget.sectionCode[i] = static_cast<std::int16_t>(seed + i);
        d.eqTarget.frequency[i] = 125.0 * static_cast<double>(i + 1) + seed;
        d.eqTarget.q[i] = 0.7 + 0.01 * static_cast<double>(i);
        d.eqTarget.gainDb[i] = -3.5 + static_cast<double>(i);
    }
    d.eqTarget.flag = static_cast<std::int16_t>(seed % 2);
}

void List(Model& m, DeviceSlot slot, const std::string& name) {
    DeviceEntry& e = m.entry(slot);
    e.inList = true;
    e.online = slot % 2 == 0;
    e.editorOpen = slot == 4;
    e.interface = slot == 1 ? kInterfaceUsb : kInterfaceTcp;
    e.deviceId = static_cast<std::int16_t>(slot * 10);
    e.ip = slot == 1 ? "" : "127.0.0." + std::to_string(slot);
    e.network = slot == 1 ? kNetworkUsb : kNetworkLan;
    e.type = slot == 9 ? kTypeBootLoader : 0;
    e.name = name;
    e.uniqueId = "00A1B2C3D4" + std::to_string(10 + slot);
    e.standby = static_cast<std::int16_t>(slot % 2);
    Fill(m.device(slot), static_cast<unsigned>(slot));
}

std::unique_ptr<Model> ThreeDevices() {
    auto m = std::make_unique<Model>();
    List(*m, 1, "Stage left");
    List(*m, 4, "ZEF-4.260");
    List(*m, 9, "Sub");
    m->windowValueA = 1234;
    m->windowValueB = -77;
    return m;
}

// Everything a project load could touch, for every slot, as bytes.
Bytes Snapshot(const Model& m) {
    Bytes out = *EncodeProject(CaptureProject(m));
    for (DeviceSlot s = 0; s < kSlotCount; ++s) {
        const DeviceModel& d = m.device(s);
        out.insert(out.end(), d.settings.bytes.begin(), d.settings.bytes.end());
        out.insert(out.end(), d.preset.bytes.begin(), d.preset.bytes.end());
        for (const auto& o : d.firTaps)
            for (std::uint32_t t : o)
                for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(t >> (8 * k)));
        const auto* eq = reinterpret_cast<const std::uint8_t*>(d.eqTarget.frequency.data());
        out.insert(out.end(), eq, eq + sizeof(double) * 10);
    }
    return out;
}

std::int16_t I16(const Bytes& b, std::size_t at) { return static_cast<std::int16_t>(b[at] | b[at + 1] << 8); }
std::int32_t I32(const Bytes& b, std::size_t at) {
    return static_cast<std::int32_t>(std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 |
                                     std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24);
}
double F64(const Bytes& b, std::size_t at) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | b[at + static_cast<std::size_t>(i)];
    return std::bit_cast<double>(v);
}

TEST(ProjectFile, DeviceEntryIsWrittenFieldByField) {
    auto m = std::make_unique<Model>();
    DeviceEntry& e = m->entry(1);
    e = {true, kInterfaceTcp, false, 7, "127.0.0.5", kNetworkLan, true, 255, "Amp", "0A0B0C0D0E0F", 1};
    const Bytes file = *EncodeProject(CaptureProject(*m));
    // clang-format off
    const Bytes expected = {
        53, 0,                                              // marker
        0xFF, 0xFF, 2, 0, 0, 0, 7, 0,                       // Online, Interface, EditorOpen, DeviceId
        9, 0, '1', '2', '7', '.', '0', '.', '0', '.', '5',  // Ip
        2, 0, 0xFF, 0xFF, 255,                              // Network, InList, Type
        3, 0, 'A', 'm', 'p',                                // Name
        12, 0, '0', 'A', '0', 'B', '0', 'C', '0', 'D', '0', 'E', '0', 'F',  // UniqueId
        1, 0,                                               // Standby
    };
    // clang-format on
    ASSERT_GE(file.size(), expected.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected);
    // Slot 2, a cleared entry: DeviceId = 2, empty texts, Interface 2, Standby 1.
    const Bytes cleared = {0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(expected.size()),
                    file.begin() + static_cast<std::ptrdiff_t>(expected.size() + cleared.size())),
              cleared);
}

TEST(ProjectFile, ThreeListedDevicesGiveThreeBlocksInSlotOrder) {
    const auto m = ThreeDevices();
    const Bytes file = *EncodeProject(CaptureProject(*m));

    // 21 fixed bytes per entry plus its three texts.
    std::size_t header = 2;
    for (DeviceSlot s = 1; s <= 32; ++s) {
        const DeviceEntry& e = m->entry(s);
        header += 21 + e.ip.size() + e.name.size() + e.uniqueId.size();
    }
    EXPECT_EQ(I32(file, header), 1234);
    EXPECT_EQ(I32(file, header + 4), -77);
    const std::size_t blockSize = 240 + 624 + 2 * 384 * 4 + 264;
    ASSERT_EQ(file.size(), header + 8 + 3 * blockSize);

    const DeviceSlot order[] = {1, 4, 9};
    for (std::size_t b = 0; b < 3; ++b) {
        SCOPED_TRACE(order[b]);
        const DeviceModel& d = m->device(order[b]);
        const std::size_t at = header + 8 + b * blockSize;
        EXPECT_EQ(std::memcmp(&file[at], d.settings.bytes.data(), 240), 0);
        EXPECT_EQ(std::memcmp(&file[at + 240], d.preset.bytes.data(), 624), 0);
        EXPECT_EQ(I32(file, at + 864), static_cast<std::int32_t>(d.firTaps[0][0]));
        EXPECT_EQ(I32(file, at + 864 + 4 * 383), static_cast<std::int32_t>(d.firTaps[0][383]));
        EXPECT_EQ(I32(file, at + 864 + 1536), static_cast<std::int32_t>(d.firTaps[1][0]));
        const std::size_t eq = at + 864 + 3072;
        EXPECT_EQ(I16(file, eq), d.eqTarget.leading);
        EXPECT_EQ(I16(file, eq + 2 + 2 * 9), d.eqTarget.sectionCode[9]);
        EXPECT_EQ(F64(file, eq + 22), d.eqTarget.frequency[0]);
        EXPECT_EQ(F64(file, eq + 22 + 80), d.eqTarget.q[0]);
        EXPECT_EQ(F64(file, eq + 22 + 160 + 72), d.eqTarget.gainDb[9]);
        EXPECT_EQ(I16(file, eq + 262), d.eqTarget.flag);
    }
}

TEST(ProjectFile, SaveThenLoadRestoresListWindowValuesAndListedDevices) {
    test::TempFolder dir;
    const auto saved = ThreeDevices();
    const std::string path = dir.file("show.prp");
    ASSERT_TRUE(SaveProject(path, *saved));

    auto loaded = std::make_unique<Model>();
    List(*loaded, 7, "old entry");  // not in the file: replaced by the file's cleared entry
    Fill(loaded->device(2), 99);    // a slot the file does not list keeps its device data

    const LoadProjectResult r = LoadProject(path, *loaded);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.errorCode, 0);
    for (DeviceSlot s = 1; s <= 32; ++s) {
        SCOPED_TRACE(s);
        const DeviceEntry& a = saved->entry(s);
        const DeviceEntry& b = loaded->entry(s);
        EXPECT_EQ(std::tie(a.online, a.interface, a.editorOpen, a.deviceId, a.ip, a.network, a.inList, a.type,
                           a.name, a.uniqueId, a.standby),
                  std::tie(b.online, b.interface, b.editorOpen, b.deviceId, b.ip, b.network, b.inList, b.type,
                           b.name, b.uniqueId, b.standby));
    }
    for (DeviceSlot s : {1, 4, 9}) {
        EXPECT_EQ(loaded->device(s).settings, saved->device(s).settings);
        EXPECT_EQ(loaded->device(s).preset, saved->device(s).preset);
        EXPECT_EQ(loaded->device(s).firTaps, saved->device(s).firTaps);
        EXPECT_EQ(loaded->device(s).eqTarget, saved->device(s).eqTarget);
    }
    EXPECT_EQ(loaded->device(2).preset[10], static_cast<std::uint8_t>(10 * 5 + 99));
    EXPECT_EQ(loaded->windowValueA, 1234);
    EXPECT_EQ(loaded->windowValueB, -77);

    // Saving what was loaded writes the same bytes again.
    ASSERT_TRUE(SaveProject(dir.file("again.prp"), *loaded));
    EXPECT_EQ(ReadWholeFile(dir.file("again.prp"), 1 << 20).bytes, ReadWholeFile(path, 1 << 20).bytes);
}

TEST(ProjectFile, TruncatedAtEveryLengthIsRefusedAndChangesNothing) {
    test::TempFolder dir;
    auto source = std::make_unique<Model>();
    List(*source, 2, "A");
    List(*source, 32, "B");
    const Bytes file = *EncodeProject(CaptureProject(*source));
    const std::string path = dir.file("cut.prp");

    auto target = ThreeDevices();
    const Bytes before = Snapshot(*target);
    const auto reference = ThreeDevices();
    // The parts a partial load would reach first: the list, the window values
    // and the two slots the file lists.
    auto untouched = [&] {
        for (DeviceSlot s = 1; s <= 32; ++s)
            if (target->entry(s).inList != reference->entry(s).inList ||
                target->entry(s).name != reference->entry(s).name)
                return false;
        return target->windowValueA == reference->windowValueA &&
               target->device(2).settings == reference->device(2).settings &&
               target->device(2).preset == reference->device(2).preset &&
               target->device(32).firTaps == reference->device(32).firTaps &&
               target->device(32).eqTarget == reference->device(32).eqTarget;
    };
    for (std::size_t n = 0; n < file.size(); ++n) {
        const ProjectReadResult read = DecodeProject(std::span(file).first(n));
        ASSERT_FALSE(read.status.ok) << n;
        ASSERT_EQ(read.status.errorCode, kErrorPastEndOfFile) << n;
        // Through the file as well, at a spread of lengths (disk writes are slow).
        if (n % 37 != 0 && n + 3 < file.size()) continue;
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(n));
        const LoadProjectResult r = LoadProject(path, *target);
        ASSERT_FALSE(r.ok) << n;
        ASSERT_EQ(r.errorCode, kErrorPastEndOfFile) << n;
        ASSERT_TRUE(untouched()) << n;
    }
    EXPECT_EQ(Snapshot(*target), before);
    ASSERT_TRUE(WriteFileAtomic(path, file));
    EXPECT_TRUE(LoadProject(path, *target).ok);
}

TEST(ProjectFile, RefusedFilesReportTheirErrorAndMessage) {
    test::TempFolder dir;
    Bytes preset(3698, 0);
    preset[0] = 83;
    ASSERT_TRUE(WriteFileAtomic(dir.file("preset.prp"), preset));
    Bytes project = *EncodeProject(CaptureProject(*ThreeDevices()));
    project.push_back(0);
    ASSERT_TRUE(WriteFileAtomic(dir.file("appended.prp"), project));
    project.resize(project.size() + (1u << 20) - 1, 0);
    ASSERT_TRUE(WriteFileAtomic(dir.file("mebibyte.prp"), project));
    project.resize(1000);
    ASSERT_TRUE(WriteFileAtomic(dir.file("cut.prp"), project));

    struct Case {
        const char* what;
        std::string path;
        int code;
        const char* title;
        const char* text;     // the first line
        const char* problem;  // after the path on the second
    };
    const Case cases[] = {
        {"missing", dir.file("missing.prp"), 53, " Error", " File not found. Try again.", "no such file"},
        {"preset file", dir.file("preset.prp"), 250, " Error", "Wrong format file",
         "starts with 83, not with 53 as a project does"},
        {"a folder", dir.path().string(), kErrorFileAccess, "Error", "Can't load project",
         "is a directory, not a file"},
        {"cut", dir.file("cut.prp"), kErrorPastEndOfFile, "Error", "Can't load project",
         "ends after 1000 bytes, inside the data of the device in slot 1"},
        {"1 byte appended", dir.file("appended.prp"), kErrorTrailingBytes, "Error", "Can't load project",
         "has 1 byte after the data of its last device"},
        {"1 MiB appended", dir.file("mebibyte.prp"), kErrorTrailingBytes, "Error", "Can't load project",
         "has 1048576 bytes after the data of its last device"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto m = ThreeDevices();
        const Bytes before = Snapshot(*m);
        const LoadProjectResult r = LoadProject(c.path, *m);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.errorCode, c.code);
        const FileMessage msg = LoadProjectErrorMessage(r, c.path);
        EXPECT_EQ(msg.title, c.title);
        EXPECT_EQ(msg.text, std::string(c.text) + "\r\n" + c.path + ": " + c.problem);
        EXPECT_EQ(Snapshot(*m), before);
    }
}

TEST(ProjectFile, RandomBytesNeverCrashTheLoader) {
    std::mt19937 rng(99);
    for (int round = 0; round < 400; ++round) {
        Bytes b(rng() % 3000);
        for (auto& x : b) x = static_cast<std::uint8_t>(rng() % (round % 3 == 0 ? 4 : 256));
        if (b.size() >= 2) b[0] = 53, b[1] = 0;
        const ProjectReadResult r = DecodeProject(b);
        if (r.status.ok) {
            // Whatever was accepted encodes to the prefix it was read from.
            const Bytes again = *EncodeProject(r.image);
            ASSERT_LE(again.size(), b.size());
        }
    }
}

TEST(ProjectFile, SaveFailsForAnUnwritablePathOrAnOverlongText) {
    test::TempFolder dir;
    auto m = ThreeDevices();
    EXPECT_FALSE(SaveProject(dir.file("none/x.prp"), *m));
    m->entry(4).name.assign(70000, 'n');
    EXPECT_FALSE(SaveProject(dir.file("x.prp"), *m));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace zef
