// A project edited without its amplifier, then meeting it over loopback TCP:
// sending it leaves the device holding the project's bytes and sends only
// what differs, taking the device's settings leaves the model holding the
// device's, and a declined or refused connect writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "app/connect_actions.h"
#include "device/connection.h"
#include "device/fir_store.h"
#include "device/readback.h"
#include "device/verified_writes.h"
#include "devices_fixture.h"
#include "files/project_file.h"
#include "model/defaults.h"
#include "model/editor_sync.h"
#include "model/memory_map.h"
#include "protocol/commands.h"
#include "sim_network.h"

namespace zef::test {
namespace {

constexpr DeviceSlot kSlot = 1;

// The simulator's memory as the device image: settings and preset, then both FIRs.
DeviceMemory SimImage(const zefsim::Device& d) {
    DeviceMemory image{};
    const auto main = d.memory(0, kDeviceMemorySize);
    const auto firs = d.memory(kFirBaseAddress, 2 * kFirImageSize);
    std::copy(main.begin(), main.end(), image.begin());
    std::copy(firs.begin(), firs.end(), image.begin() + kDeviceMemorySize);
    return image;
}

// Frames that change the device: anything but identify, memory reads, the status poll and goodbye.
int WriteFrames(const zefsim::Device& d) {
    const auto frames = d.frames();
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), [](const std::vector<std::uint8_t>& f) {
        const std::uint8_t code = f[3];
        return code != cmd::kIdentify && code != cmd::kReadMemory && code != cmd::kStatusPoll && code != cmd::kClose;
    }));
}

// Image indices where `a` and `b` differ within `scope`.
std::size_t Differing(const DeviceMemory& a, const DeviceMemory& b, const MemoryScope& scope) {
    return (Changed(a, b) & scope).count();
}

class OfflineProjectTest : public DevicesTest {
protected:
    void SetUp() override {
        StartNetwork({{"127.0.0.2", Config("Stage Left", 0x31)}});
        ListNetworkEntry(kSlot, "127.0.0.2", UidText(0x31), kNetworkLan);
        reader = std::make_unique<DeviceReader>(model, *exchange, refresh);
        connection = std::make_unique<Connection>(list, *exchange, *reader, ConnectSettings{true, 500});
        writer = std::make_unique<ParameterWriter>(model, *exchange, NoResponseObserver(),
                                                   fir::MakeFirWriter(*exchange, model));
        connect = std::make_unique<ConnectActions>(*connection, dialogs, *writer);
        ResetToDefaults(model.device(kSlot));
        LoadEditorValues(model.device(kSlot));
    }
    zefsim::Device& device() { return net.device(0); }
    DeviceModel& dm() { return model.device(kSlot); }

    // Edits of every kind made in the editor while the device is off-line: parameters
    // through the writer, a FIR, FIR import's store, and the program's name.
    void EditOffline() {
        ASSERT_FALSE(model.entry(kSlot).online);
        ASSERT_EQ(writer->Set(kSlot, *FindParameter("out1.gain"), -9), kOk);
        ASSERT_EQ(writer->Set(kSlot, *FindParameter("out2.eq.5.gain"), 4.5), kOk);
        ASSERT_EQ(writer->Set(kSlot, *FindParameter("inL.mute"), 1), kOk);
        DeviceModel fir = dm();
        for (std::size_t t = 0; t < kFirTapCount; ++t) fir.firTaps[1][t] = static_cast<std::uint32_t>(t * 7919 + 3);
        ASSERT_EQ(writer->SetFir(kSlot, 1, fir), kOk);
        int partner = -1;
        const WriteReport imported =
            StoreFirVerified(*exchange, model, kSlot, 0, fir::MakeStoredFir("Imported", std::vector<double>(64, 0.01)), partner);
        ASSERT_TRUE(imported.ok()) << imported.Text();
        const std::string name = "Offline show";
        for (std::size_t i = 0; i < 16; ++i) dm().preset[i] = static_cast<std::uint8_t>(i < name.size() ? name[i] : ' ');
        EXPECT_TRUE(device().frames().empty()) << "an off-line edit reaches the model only";
    }

    // The model saved as a project file and read back: what the user sends on site.
    DeviceModel SavedProject() {
        const std::string path = folder.file("show.prp");
        EXPECT_TRUE(SaveProject(path, model));
        const ProjectReadResult read = ReadProjectFile(path);
        EXPECT_TRUE(read.status.ok) << read.status.problem;
        DeviceModel d;
        if (!read.image.blocks[kSlot - 1]) {
            ADD_FAILURE() << "the project lists no block for slot 1";
            return d;
        }
        const ProjectDeviceBlock& block = *read.image.blocks[kSlot - 1];  // index 0 is slot 1
        d.settings = block.settings;
        d.preset = block.preset;
        d.firTaps = block.firTaps;
        return d;
    }

    RefreshEvents refresh;
    std::unique_ptr<DeviceReader> reader;
    std::unique_ptr<Connection> connection;
    std::unique_ptr<ParameterWriter> writer;
    std::unique_ptr<ConnectActions> connect;
};

TEST_F(OfflineProjectTest, SentToTheDeviceItLeavesTheDeviceHoldingTheProjectByteForByte) {
    ASSERT_NO_FATAL_FAILURE(EditOffline());
    const DeviceMemory project = ImageOf(SavedProject());
    const DeviceMemory own = SimImage(device());
    ASSERT_GT(Differing(own, project, EditableMemory()), 0u);

    ASSERT_TRUE(connect->ConnectOne(kSlot, ConnectMode::Load)) << ::testing::PrintToString(MessageTexts());
    EXPECT_TRUE(dialogs.calls.empty());
    const DeviceMemory sent = SimImage(device());
    EXPECT_EQ(Differing(sent, project, EditableMemory()), 0u) << "state, preset, names and FIRs are the project's";
    EXPECT_EQ(Differing(sent, own, ~EditableMemory()), 0u) << "identity, firmware and network stay the device's";
    EXPECT_EQ(Differing(ImageOf(dm()), project, EditableMemory()), 0u) << "the model keeps the project";
    EXPECT_GT(WriteFrames(device()), 0);

    // Only differences are sent: the same project again finds nothing to write.
    connection->Disconnect(kSlot);
    device().clearLog();
    ASSERT_TRUE(connect->ConnectOne(kSlot, ConnectMode::Load));
    EXPECT_EQ(WriteFrames(device()), 0);
    EXPECT_FALSE(device().frames().empty()) << "the device was read to find the differences";
}

TEST_F(OfflineProjectTest, TakingTheDevicesSettingsLeavesTheModelHoldingItsMemory) {
    ASSERT_NO_FATAL_FAILURE(EditOffline());
    ASSERT_TRUE(connect->ConnectOne(kSlot, ConnectMode::Read));
    EXPECT_EQ(WriteFrames(device()), 0);
    EXPECT_EQ(Differing(ImageOf(dm()), SimImage(device()), WholeMemory()), 0u);
    EXPECT_TRUE(model.entry(kSlot).online);
}

TEST_F(OfflineProjectTest, ADeclinedQuestionSendsNothing) {
    const struct {
        const char* what;
        Answer connectNow;
        std::optional<ConnectMode> choice;
        OpenOutcome outcome;
    } cases[] = {
        {"not connected now: the editor opens off-line", Answer::No, ConnectMode::Load, OpenOutcome::EditorOpened},
        {"the connect dialog cancelled", Answer::Yes, std::nullopt, OpenOutcome::Cancelled},
    };
    ASSERT_NO_FATAL_FAILURE(EditOffline());
    const DeviceMemory project = ImageOf(dm());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        device().clearLog();
        dialogs.answers = {c.connectNow};
        connect->view.chooseMode = [&](DeviceSlot) { return c.choice; };
        EXPECT_EQ(connect->OpenDevice(kSlot), c.outcome);
        EXPECT_TRUE(device().frames().empty()) << "no frame reached the device";
        EXPECT_FALSE(model.entry(kSlot).online);
        EXPECT_EQ(ImageOf(dm()), project);
    }
}

TEST_F(OfflineProjectTest, ALoadThatMayNotWriteLeavesDeviceAndProjectAsTheyWere) {
    const struct {
        const char* what;
        std::function<void()> setUp;
        std::string problem;
    } cases[] = {
        {"an illegal value in the project", [this] { dm().preset[pi::OutputBand(0, 0)] = 9; },
         "refused: preset byte "},
        {"another device at the listed address", [this] { model.entry(kSlot).uniqueId = UidText(0x77); },
         OtherDeviceText(UidText(0x77), UidText(0x31))},
    };
    ASSERT_NO_FATAL_FAILURE(EditOffline());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.setUp();
        const DeviceMemory project = ImageOf(dm());
        const DeviceMemory own = SimImage(device());
        dialogs.calls.clear();
        device().clearLog();
        EXPECT_FALSE(connect->ConnectOne(kSlot, ConnectMode::Load));
        EXPECT_EQ(WriteFrames(device()), 0);
        EXPECT_EQ(SimImage(device()), own);
        EXPECT_EQ(ImageOf(dm()), project) << "the slot keeps the project";
        EXPECT_FALSE(model.entry(kSlot).online);
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].text.rfind(LoadProblemText(c.problem), 0), 0u) << dialogs.calls[0].text;
        ResetToDefaults(dm());
        model.entry(kSlot).uniqueId = UidText(0x31);
    }
}

}  // namespace
}  // namespace zef::test
