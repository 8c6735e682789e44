// Device lists: the real sound cards (none on a test machine), the merged list of cards and
// rigs, and the measurement windows' managers over it.

#include <gtest/gtest.h>

#include "audio/audio_system.h"
#include "audio/merged_system.h"
#include "audio/portaudio_system.h"
#include "audio/system_device_manager.h"

namespace zef::audio {
namespace {

TEST(PortAudio, ListsTheCardsThereAreAndRefusesOneThatIsNot) {
    PortAudioSystem cards;
    EXPECT_EQ(cards.InitError(), "");
    const auto list = cards.Devices();  // empty on a machine without sound cards
    for (const DeviceInfo& d : list) {
        EXPECT_FALSE(d.name.empty());
        EXPECT_EQ(d.name.rfind(d.hostApi + ": ", 0), 0u) << d.name;
        if (d.usable) {
            EXPECT_FALSE(d.inputNames.empty() && d.outputNames.empty()) << d.name;
        }
    }
    EXPECT_EQ(cards.Devices().size(), list.size());  // a second look finds the same
    std::string error;
    const int missing = int(list.size());
    EXPECT_EQ(cards.Open(
                  missing, [](const float*, float*, std::size_t) {}, error),
              nullptr);
    EXPECT_EQ(error.rfind("there is no sound card number " + std::to_string(missing + 1) + " (", 0), 0u)
        << error;
    error.clear();
    EXPECT_EQ(cards.Open(
                  -1, [](const float*, float*, std::size_t) {}, error),
              nullptr);
    EXPECT_FALSE(error.empty());
    cards.OpenControlPanel(missing);  // nothing to open: nothing happens
}

// A backend with fixed devices that remembers what was opened.
class FakeSystem : public System {
public:
    explicit FakeSystem(std::vector<DeviceInfo> devices) : devices_(std::move(devices)) {}
    std::vector<DeviceInfo> Devices() override {
        ++listed;
        return devices_;
    }
    std::unique_ptr<Stream> Open(int device, Callback, std::string& error) override {
        opened.push_back(device);
        error = "fake " + std::to_string(device);
        return nullptr;
    }
    void OpenControlPanel(int device) override { panels.push_back(device); }

    std::vector<int> opened, panels;
    int listed = 0;

private:
    std::vector<DeviceInfo> devices_;
};

DeviceInfo Card(std::string name, int inputs, int outputs, bool usable = true, bool panel = false) {
    DeviceInfo d;
    d.name = std::move(name);
    for (int i = 0; i < inputs; ++i) d.inputNames.push_back("In " + std::to_string(i + 1));
    for (int i = 0; i < outputs; ++i) d.outputNames.push_back("Out " + std::to_string(i + 1));
    d.usable = usable;
    d.hasControlPanel = panel;
    return d;
}

struct Merged {
    Merged() {
        auto a = std::make_unique<FakeSystem>(
            std::vector<DeviceInfo>{Card("A0", 2, 2, true, true), Card("A1", 0, 8)});
        auto b = std::make_unique<FakeSystem>(std::vector<DeviceInfo>{Card("B0", 2, 2, false)});
        first = a.get();
        second = b.get();
        std::vector<std::unique_ptr<System>> systems;
        systems.push_back(std::move(a));
        systems.push_back(std::move(b));
        system = std::make_unique<MergedSystem>(std::move(systems));
    }
    FakeSystem* first;
    FakeSystem* second;
    std::unique_ptr<MergedSystem> system;
};

TEST(MergedSystem, NumbersDevicesInListOrderAndOpensThemWhereTheyCameFrom) {
    Merged m;
    const auto list = m.system->Devices();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2].name, "B0");
    std::string error;
    EXPECT_EQ(m.system->Open(2, {}, error), nullptr);
    EXPECT_EQ(error, "fake 0");  // the second system's own device 0
    m.system->Open(1, {}, error);
    EXPECT_EQ(m.first->opened, std::vector<int>{1});
    EXPECT_EQ(m.second->opened, std::vector<int>{0});
    m.system->OpenControlPanel(0);
    EXPECT_EQ(m.first->panels, std::vector<int>{0});
    EXPECT_EQ(m.system->Open(3, {}, error), nullptr);
    EXPECT_EQ(error, "there is no sound card number 4 (3 are listed)");
}

TEST(DeviceManagers, TheInputListHidesOutputsAndKeepsTheNumbering) {
    struct Row {
        int device;
        bool usableAll, usableInputs;
        int inputs, outputsAll;
    };
    const Row rows[] = {
        {0, true, true, 2, 2},    {1, true, false, 0, 8},   // outputs only: of no use to an analyser
        {2, false, false, 2, 2},  {3, false, false, 0, 0},  // beyond the list
        {-1, false, false, 0, 0},
    };
    Merged m;
    auto all = MakeDeviceManager(*m.system);
    auto inputs = MakeInputDeviceManager(*m.system);
    EXPECT_EQ(all->DriverNames(), (std::vector<std::string>{"A0", "A1", "B0"}));
    EXPECT_EQ(inputs->DriverNames(), all->DriverNames());
    for (const Row& r : rows) {
        SCOPED_TRACE(r.device);
        EXPECT_EQ(all->IsUsable(r.device), r.usableAll);
        EXPECT_EQ(inputs->IsUsable(r.device), r.usableInputs);
        EXPECT_EQ(all->InputCount(r.device), r.inputs);
        EXPECT_EQ(inputs->InputCount(r.device), r.inputs);
        EXPECT_EQ(all->OutputCount(r.device), r.outputsAll);
        EXPECT_EQ(inputs->OutputCount(r.device), 0);
        EXPECT_TRUE(inputs->OutputNames(r.device).empty());
    }
    EXPECT_EQ(all->InputNames(0), (std::vector<std::string>{"In 1", "In 2"}));
    all->OpenControlPanel(1);  // no panel there
    all->OpenControlPanel(0);
    EXPECT_EQ(m.first->panels, std::vector<int>{0});
}

TEST(DeviceManagers, QueriesReadTheListOnceUntilTheNamesAreAskedAgain) {
    Merged m;
    auto manager = MakeDeviceManager(*m.system);
    EXPECT_TRUE(manager->IsUsable(0));  // reads the list on first need
    manager->InputNames(2);
    manager->OutputCount(1);
    EXPECT_EQ(m.first->listed, 1);
    manager->DriverNames();
    EXPECT_EQ(m.first->listed, 2);
}

TEST(AudioSystem, RigsFollowTheCardsAndBadEndpointsAreRefused) {
    std::string error;
    auto system = MakeAudioSystem({{"127.0.0.1:9", "localhost:9"}, false}, error);
    ASSERT_NE(system, nullptr) << error;
    const auto list = system->Devices();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "ZEF virtual rig (127.0.0.1:9)");
    EXPECT_EQ(list[1].name, "ZEF virtual rig (localhost:9)");
    EXPECT_FALSE(list[0].usable);  // nobody serves there

    EXPECT_EQ(MakeAudioSystem({{"127.0.0.1:9", "203.0.113.5:9"}, false}, error), nullptr);
    EXPECT_NE(error.find("203.0.113.5"), std::string::npos) << error;

    auto withCards = MakeAudioSystem({{}, true}, error);
    ASSERT_NE(withCards, nullptr);
    EXPECT_EQ(withCards->Devices().size(), PortAudioSystem().Devices().size());
}

}  // namespace
}  // namespace zef::audio
