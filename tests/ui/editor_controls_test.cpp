// The channel editor's faders, Q steps, delay unit, interface lock and preset
// files, against a simulated amplifier: the bytes the device ends with.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <filesystem>

#include "app/interface_lock.h"
#include "file_bytes.h"
#include "model/memory_map.h"
#include "model/tables.h"
#include "ui/channel_editor.h"
#include "ui/editor_button_bar.h"
#include "ui/eq_band_panel.h"
#include "ui/lock_windows.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

constexpr std::uint8_t kZeroDbGainCode = 120;  // -60 dB + 120 half-dB steps

class EditorControlsTest : public UiTest {
protected:
    void Open() {
        device = &AddSimDevice("Amp");
        StartEditor();
        ListAndConnect(1, hosts[0]);
        editor = &ShowEditorWithoutTimers(1);
        editor->resize(1000, 700);
        device->clearLog();
        dialogs.calls.clear();
    }
    NumberControl& Number(const std::string& name) { return NumberOf(*editor, name); }
    void Type(NumberControl& c, const char* text) {
        c.box()->setText(text);
        c.CommitText();
    }
    std::uint8_t OutputGainCode() const {
        return device->memory(kPresetBaseAddress + pi::OutputGain(0), 1)[0];
    }
    static void Drag(QWidget* w, QPoint to) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), w->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }

    zefsim::Device* device = nullptr;
    ChannelEditorWindow* editor = nullptr;
};

TEST_F(EditorControlsTest, FaderDraggedSendsEachPositionAndEndsWhereReleased) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    QApplication::processEvents();
    Fader* fader = Number("out1.gain").fader();
    ASSERT_NE(fader, nullptr);
    const int x = fader->width() / 2;
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(x, 0));  // the top: +12 dB
    ASSERT_TRUE(WaitFor([&] { return OutputGainCode() == 144; }, 2000));
    EXPECT_EQ(Number("out1.gain").box()->text(), "12");
    for (int y = 0; y <= fader->height(); y += fader->height() / 8) Drag(fader, QPoint(x, y));
    Drag(fader, QPoint(x, fader->height() + 40));  // below the groove: clamped to -60 dB
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(x, fader->height() + 40));
    ASSERT_TRUE(WaitFor([&] { return OutputGainCode() == 0; }, 2000));
    EXPECT_EQ(Number("out1.gain").box()->text(), "-60");
    EXPECT_GE(CountCommand(*device, 1), 2);  // sent while moving, not only at the end
}

TEST_F(EditorControlsTest, DoubleClickedFadersGoToZeroDecibels) {
    Open();
    struct Case {
        EditorPage page;
        const char* parameter;
    };
    const Case cases[] = {{EditorPage::Outputs, "out1.gain"}, {EditorPage::Masking, "sm.eq.2.gain"}};
    for (const Case& c : cases) {
        editor->SetPageTab(c.page);
        if (c.page == EditorPage::Masking) editor->bandPanel()->selectBand(69);
        QApplication::processEvents();
        NumberControl& control = Number(c.parameter);
        Type(control, "6");
        ASSERT_EQ(control.box()->text(), "6") << c.parameter;
        QTest::mouseDClick(control.fader(), Qt::LeftButton, {}, QPoint(control.fader()->width() / 2, 3));
        EXPECT_EQ(control.box()->text(), "0") << c.parameter;
        EXPECT_EQ(GetValue(session->model().device(1), control.parameter()), 0.0) << c.parameter;
    }
    ASSERT_TRUE(WaitFor([&] { return OutputGainCode() == kZeroDbGainCode; }, 2000));
    const auto& preset = session->model().device(1).preset.bytes;
    const std::size_t band = pi::MaskingBand(1);
    EXPECT_EQ(device->memory(kPresetBaseAddress + band, 5),
              std::vector<std::uint8_t>(preset.begin() + band, preset.begin() + band + 5));
}

TEST_F(EditorControlsTest, QStepsThroughItsTableAndStopsAtTheEnds) {
    Open();
    editor->SetPageChannel(4);
    editor->bandPanel()->selectBand(68);
    EqBandPanel& panel = *editor->bandPanel();
    for (const int direction : {+1, -1}) {
        for (std::size_t i = 0; i < kEqQ.size(); ++i) panel.StepQ(direction);
        const double end = direction > 0 ? kEqQ.back() : kEqQ.front();
        EXPECT_DOUBLE_EQ(session->model().device(1).values.bandQ[68], end);
        device->clearLog();
        panel.StepQ(direction);  // already at the end: nothing changes, nothing is sent
        EXPECT_TRUE(device->frames().empty());
    }
    // One step up from the first entry is the second entry.
    panel.StepQ(+1);
    EXPECT_DOUBLE_EQ(session->model().device(1).values.bandQ[68], kEqQ[1]);
    EXPECT_EQ(CountCommand(*device, 5), 1);
}

TEST_F(EditorControlsTest, GateCaptionsNameTheTimesTheyEdit) {
    Open();
    // Time B (17 positions) is the attack, time A (26 positions) the release.
    const struct {
        const char* name;
        const char* caption;
        int positions;
    } rows[] = {{"inL.gate.timeb", "Attack ms", 17}, {"inL.gate.timea", "Release ms", 26}};
    for (const auto& r : rows) {
        NumberControl& c = Number(r.name);
        EXPECT_EQ(c.caption()->text().toStdString(), r.caption) << r.name;
        EXPECT_EQ(c.fader()->maximum() - c.fader()->minimum() + 1, r.positions) << r.name;
    }
}

TEST_F(EditorControlsTest, TheSelectedOptionClickedAgainAsksAndSendsNothing) {
    Open();
    for (const char* name : {"device.bridge", "device.delayunit", "device.noise.option"}) {
        auto* options = dynamic_cast<OptionControl*>(editor->control(name));
        ASSERT_NE(options, nullptr) << name;
        const int selected = static_cast<int>(std::lround(GetValue(session->model().device(1), options->parameter())));
        options->option(selected)->click();
        EXPECT_TRUE(dialogs.calls.empty()) << name;
        EXPECT_TRUE(device->frames().empty()) << name;
    }
    // Another option still goes through (the bridge asks first).
    dialogs.answers = {Answer::No};
    dynamic_cast<OptionControl*>(editor->control("device.bridge"))->option(1)->click();
    EXPECT_EQ(dialogs.calls.size(), 1u);
}

TEST_F(EditorControlsTest, DelayUnitRetitlesTheFrameAndKeepsTheDelay) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    Type(Number("out1.delay"), "10");
    const auto delay = device->memory(kPresetBaseAddress + pi::Delay(0), 3);
    auto* frame = editor->findChild<QGroupBox*>("FrameDelay");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->title(), "Delay [ ms ]");
    auto* unit = dynamic_cast<OptionControl*>(editor->control("device.delayunit"));
    ASSERT_NE(unit, nullptr);
    unit->option(1)->click();
    ASSERT_TRUE(WaitFor([&] { return device->memory(207, 1)[0] == 1; }, 2000));
    EXPECT_EQ(frame->title(), "Delay [ m ]");
    EXPECT_EQ(device->memory(kPresetBaseAddress + pi::Delay(0), 3), delay);
    EXPECT_NEAR(Number("out1.delay").box()->text().toDouble(), 3.4, 0.002);  // 10 ms at 0.34 m per ms
}

TEST_F(EditorControlsTest, LockNeedsThePasswordAndBlocksEverySend) {
    Open();
    const std::string uid = session->model().entry(1).uniqueId;
    ASSERT_TRUE(session->passwords().Set(uid, "stage"));
    // Each lock window gets the password `typed` and OK (a fresh driver each
    // time: the windows may reuse one address).
    const auto lockWith = [&](const std::string& typed) {
        ModalDriver driver([&](QWidget* modal) {
            if (auto* lock = qobject_cast<LockDialog*>(modal)) {
                lock->password()->setText(QString::fromStdString(typed));
                lock->ClickOk();
            }
            modal->close();
        });
        editor->buttons()->ClickLock();
    };
    lockWith("stage");
    ASSERT_TRUE(editor->locked());
    EXPECT_TRUE(editor->buttons()->passwordLabel()->styleSheet().contains("255,0,0"));
    editor->SetPageTab(EditorPage::Outputs);
    Type(Number("out1.gain"), "-20");
    EXPECT_TRUE(device->frames().empty());

    lockWith("wrong");
    EXPECT_TRUE(editor->locked());
    ASSERT_FALSE(dialogs.messages().empty());
    EXPECT_EQ(dialogs.messages().back().text, kWrongPasswordText);

    lockWith("stage");
    EXPECT_FALSE(editor->locked());
    EXPECT_TRUE(editor->buttons()->passwordLabel()->styleSheet().contains("192,192,192"));
    Type(Number("out1.gain"), "-20");
    EXPECT_TRUE(WaitFor([&] { return OutputGainCode() == 80; }, 2000));
    // Only a salted key is on disk, never the password.
    const std::string text = ReadFileText(session->passwords().path());
    EXPECT_NE(text.find(uid), std::string::npos);
    EXPECT_EQ(text.find("stage"), std::string::npos);
}

TEST_F(EditorControlsTest, PresetFileSavedAndLoadedBackRestoresTheDevice) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    Type(Number("out1.gain"), "-4");
    Type(Number("out1.hp.freq"), "120");
    const auto saved = device->memory(kPresetBaseAddress, kPresetSize);
    const std::string path = folder.file("show.zef");
    dialogs.files = {path};
    editor->buttons()->ClickSavePresetFile();
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 3698u);

    Type(Number("out1.gain"), "-30");
    Type(Number("out1.hp.freq"), "500");
    ASSERT_NE(device->memory(kPresetBaseAddress, kPresetSize), saved);
    dialogs.files = {path};
    dialogs.defaultAnswer = Answer::Yes;
    editor->buttons()->ClickLoadPresetFile();
    ASSERT_TRUE(WaitFor([&] { return device->memory(kPresetBaseAddress, kPresetSize) == saved; }, 3000));
    EXPECT_EQ(Number("out1.gain").box()->text(), "-4");
    EXPECT_EQ(Number("out1.hp.freq").box()->text(), "120");
}

}  // namespace
}  // namespace zef::test
