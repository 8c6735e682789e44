// The AutoEQ wizard and the output analyser against a simulated amplifier
// whose pink noise plays into the virtual rig's room (at full speed): what the
// device holds after each way a run ends, the bands Apply writes, the close
// question, the announcement that closes the wizard, and the verification
// hearing the room in the same measuring state as the fit.
#include "ui/autoeq_window.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QApplication>
#include <QProgressBar>
#include <QTest>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QDoubleSpinBox>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "app/autoeq_apply.h"
#include "app/calibration_store.h"
#include "app/texts.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "protocol/commands.h"
#include "mic_response.h"
#include "rig.h"
#include "sim_link.h"
#include "room.h"
#include "ui/analyser_frames.h"
#include "ui/analyser_panel.h"
#include "ui/analyser_view.h"
#include "measure/measurement_exports.h"
#include "measure/band_levels.h"
#include "files/frequency_curve.h"
#include "ui/calibration_dialog.h"
#include "ui/card_chooser.h"
#include "ui/target_chooser.h"
#include "ui/eq_fir_window.h"
#include "ui/main_window.h"
#include "ui/measure_buttons.h"
#include "ui/output_eq_windows.h"
#include "ui/rta_settings_window.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

using Phase = AutoEqWizard::Phase;
using Memory = std::vector<std::uint8_t>;

// Output 1's band k in the device's memory, which keeps one output's 30
// records together (the model's record interleaves the two outputs).
std::size_t BandAddress(int k) {
    return kPresetBaseAddress + pi::kOutputEq + 5 * static_cast<std::size_t>(k);
}

class AutoEqWindowTest : public UiTest {
protected:
    void SetUp() override {
        device = &AddSimDevice("Stage Left");
        other = &AddSimDevice("Stage Right");
        // Power-on: generator off, both outputs playing.
        device->setMemory(ds::kNoiseOn, {0});
        device->setMemory(kPresetBaseAddress + pi::kOutputMute, {0});
        zefsim::RigConfig config;
        config.fast = true;
        config.latencyMs = 30;
        ConfigureRig(config);
        rig = std::make_unique<zefsim::Rig>(*device, config);
        options.rigs = {rig->endpoint()};
        StartEditor();
        ListAndConnect(1, hosts[0]);
        std::string error;
        audio::System* system = session->audio(error);
        ASSERT_NE(system, nullptr) << error;
        const auto cards = system->Devices();
        for (std::size_t i = 0; i < cards.size(); ++i)
            if (cards[i].hostApi == "rig") card = static_cast<int>(i);
        ASSERT_GE(card, 0);
        MeasureSettings& s = session->measure().settings();
        s.card = card;
        s.input = 0;        // the microphone
        s.noiseLevel = 70;  // -10 dBu
        s.minBand = 4;      // 63 Hz: the loudspeaker rolls off below
        s.maxBand = 29;
        s.gainChoice = 5;
    }

    // A fixture may hear other rooms or several microphone positions.
    virtual void ConfigureRig(zefsim::RigConfig&) {}

    static AutoEqTimings Fast(double averageSeconds = 3.0, int timeoutMs = 25000) {
        AutoEqTimings t;
        t.timeoutMs = timeoutMs;
        t.engine.averageSeconds = averageSeconds;
        return t;
    }
    Memory Snapshot() const { return device->memory(0, kDeviceMemorySize); }
    static bool RunToResult(AutoEqWindow& w) {
        w.ClickStart();
        return WaitFor([&] { return w.wizard().phase() != Phase::Running; }, 40000) &&
               w.wizard().phase() == Phase::Result;
    }

    zefsim::Device* device = nullptr;
    zefsim::Device* other = nullptr;
    std::unique_ptr<zefsim::Rig> rig;
    int card = -1;
};

TEST_F(AutoEqWindowTest, StartApplyVerifyFlattensTheRoomAndApplyWritesTheBandsByteExact) {
    AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
    w.show();
    w.ShowPage(AutoEqWindow::kRun);
    EXPECT_EQ(w.windowTitle(), "AUTOEQ Wizard");
    EXPECT_EQ(w.outputLabel()->text(), "AUTOEQ - Output 1");
    EXPECT_EQ(w.rangeBox(0)->itemText(0), "25 Hz");
    EXPECT_EQ(w.rangeBox(1)->itemText(29), "20000 Hz");
    const Memory before = Snapshot();
    device->clearLog();

    w.ClickStart();
    EXPECT_EQ(w.progressLabel()->text(), "Measuring Response ...");
    EXPECT_FALSE(w.startButton()->isEnabled());
    auto* progress = w.findChild<QProgressBar*>("ProgressAutoEq");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_TRUE(WaitFor([&] { return progress->value() > 0; }, 5000)) << "the run shows how far it is";
    // The measuring state went out: generator on at -10 dBu, output 2 muted.
    ASSERT_TRUE(WaitFor([&] { return device->memory(ds::kNoiseOn, 1)[0] == 1; }, 2000));
    EXPECT_EQ(device->memory(ds::kNoiseLevel, 1)[0], 70);
    EXPECT_EQ(device->memory(kPresetBaseAddress + pi::kOutputMute, 1)[0], 0x02);
    ASSERT_TRUE(WaitFor([&] { return w.wizard().phase() != Phase::Running; }, 40000));
    ASSERT_EQ(w.wizard().phase(), Phase::Result) << (dialogs.calls.empty() ? "" : dialogs.calls[0].text);
    EXPECT_EQ(Snapshot(), before);  // the run ended: the device is as it was
    EXPECT_TRUE(w.applyButton()->isVisible());
    // Verify measures what was applied: not offered before Apply.
    EXPECT_FALSE(w.verifyButton()->isVisible());
    w.wizard().ToggleVerify();
    EXPECT_EQ(w.wizard().live(), AutoEqWizard::Live::Off);
    EXPECT_EQ(Snapshot(), before);
    const double measured = w.wizard().measuredDeviationDb();
    EXPECT_GT(measured, 1.5);  // the built-in room is not flat
    ASSERT_EQ(w.view()->traceCount(), 2u);
    ASSERT_EQ(w.view()->legend().size(), 4u) << "each curve, the bars and the frequency axis are named";
    EXPECT_EQ(w.view()->legend()[0].colour, w.view()->trace(0).colour);
    EXPECT_EQ(w.view()->legend()[1].colour, w.view()->trace(1).colour);

    w.ClickApply();
    EXPECT_EQ(w.wizard().phase(), Phase::Applied);
    const Memory applied = Snapshot();
    const AutoEqResult& r = w.wizard().result();
    const auto& preset = session->model().device(1).preset.bytes;
    int changed = 0;
    for (int k = 0; k < 30; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        const bool fitted = k >= 4;
        const int hz = fitted ? r.frequencyHz[kk] : measure::kAutoEqBandHz[kk];
        const Memory expected = {static_cast<std::uint8_t>(fitted ? r.filterType[kk] : 0),
                                 static_cast<std::uint8_t>(hz >> 8), static_cast<std::uint8_t>(hz & 0xFF),
                                 static_cast<std::uint8_t>(fitted ? r.qIndex[kk] : kEqQUnityCode),
                                 static_cast<std::uint8_t>(fitted ? r.gainCode[kk] : 30)};
        const std::size_t a = BandAddress(k);
        EXPECT_EQ(Memory(applied.begin() + a, applied.begin() + a + 5), expected) << "band " << k;
        const std::size_t m = pi::OutputBand(0, k);
        EXPECT_EQ(Memory(preset.begin() + m, preset.begin() + m + 5), expected) << "model band " << k;
        changed += expected[4] != 30;
    }
    EXPECT_GT(changed, 10);
    for (std::size_t a = 0; a < kDeviceMemorySize; ++a) {
        if (a < BandAddress(0) || a >= BandAddress(30)) {
            EXPECT_EQ(applied[a], before[a]) << "address " << a;
        }
    }

    EXPECT_TRUE(w.verifyButton()->isVisible());
    w.ClickVerify();
    EXPECT_EQ(w.verifyButton()->text(), "Stop");
    // Verifying is the measuring state again: generator on, output 2 muted,
    // output 1's EQ bypassed.
    EXPECT_EQ(device->memory(ds::kNoiseOn, 1)[0], 1);
    EXPECT_EQ(device->memory(kPresetBaseAddress + pi::kOutputMute, 1)[0], 0x02);
    EXPECT_EQ(device->memory(kPresetBaseAddress + pi::kOutputEqBypass, 1)[0] & 0x01, 0x01);
    ASSERT_TRUE(WaitFor([&] { return w.wizard().verifiedSpectra() >= 100; }, 30000));
    const double verified = w.wizard().verifiedDeviationDb();
    std::printf(
        "AutoEQ on the virtual rig, bands 63 Hz..20 kHz: measured %.2f dB rms, verified %.2f dB rms\n",
        measured, verified);
    RecordProperty("measured_rms_db", std::to_string(measured));
    RecordProperty("verified_rms_db", std::to_string(verified));
    // The same state as the fit's measurement: the same room, EQ bypassed.
    EXPECT_NEAR(verified, measured, 0.5 * measured);
    w.ClickVerify();
    EXPECT_EQ(w.verifyButton()->text(), "Verify");
    EXPECT_EQ(Snapshot(), applied);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(AutoEqWindowTest, EveryFailedRunShowsItsMessageReturnsToTheSettingsAndRestoresTheDevice) {
    struct Case {
        const char* name;
        AutoEqTimings timings;
        int noiseLevel;
        double roomGain;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        // The fit would take 20 s: the time-out comes first.
        {"time-out", Fast(20.0, 600), 70, 1.0, "AutoEQ", "Time-Out, Asio card problem"},
        // 0 dBu into a room 30 dB louder: the microphone clips.
        {"too high", Fast(), 80, 31.6, "AUTOEQ",
         "Mic input level to high. Please decrease the PinkNoise level or the MIC input gain"},
        {"too low", Fast(), 0, 1.0, "AUTOEQ",
         "Mic input level to low. Please increase the PinkNoise level or the MIC input gain"},
    };
    for (const Case& c : cases) {
        zefsim::RoomResponse room = zefsim::BuiltInRoom();
        for (auto& out : room.output)
            for (double& s : out) s *= c.roomGain;
        rig->setRoom(room);
        session->measure().settings().noiseLevel = c.noiseLevel;
        dialogs.calls.clear();
        AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, c.timings);
        w.show();
        w.ShowPage(AutoEqWindow::kRun);
        const Memory before = Snapshot();
        w.ClickStart();
        ASSERT_TRUE(WaitFor([&] { return w.wizard().phase() != Phase::Running; }, 30000)) << c.name;
        EXPECT_EQ(w.wizard().phase(), Phase::Settings) << c.name;
        EXPECT_EQ(w.page(), AutoEqWindow::kCard) << c.name;
        ASSERT_EQ(dialogs.messages().size(), 1u) << c.name;
        EXPECT_EQ(dialogs.messages()[0].title, c.title) << c.name;
        EXPECT_EQ(dialogs.messages()[0].text, c.text) << c.name;
        EXPECT_FALSE(w.wizard().measuring()) << c.name;
        EXPECT_EQ(Snapshot(), before) << c.name;
    }
}

TEST_F(AutoEqWindowTest, InTheTenBandPlusFirModeStartExplainsAndSendsNothing) {
    session->model().device(1).preset[pi::kEqMode] = 1;
    dialogs.calls.clear();
    AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
    w.show();
    // Said on the first page, whose Next is off.
    EXPECT_TRUE(w.findChild<QLabel*>("LabelModeRefusal")->isVisible());
    QPushButton* next = nullptr;
    for (QPushButton* b : w.findChildren<QPushButton*>())
        if (b->text() == "Next" && b->isVisible()) next = b;
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->isEnabled());
    w.ShowPage(AutoEqWindow::kRun);
    const Memory before = Snapshot();
    w.ClickStart();
    EXPECT_EQ(w.wizard().phase(), Phase::Settings);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("10 PEQ + FIR"), std::string::npos);
    EXPECT_FALSE(w.wizard().measuring());
    EXPECT_EQ(Snapshot(), before);
}

// From 25 Hz the room's loudspeaker has rolled off: those bands are left
// alone, the window says which and why, and the rest still fit.
TEST_F(AutoEqWindowTest, BandsBelowTheRollOffAreLeftAloneAndTheWindowSaysWhy) {
    session->measure().settings().minBand = 0;
    AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
    w.show();
    w.ShowPage(AutoEqWindow::kRun);
    ASSERT_TRUE(RunToResult(w)) << (dialogs.calls.empty() ? "" : dialogs.calls[0].text);
    const QString shown = w.findChild<QLabel*>("LabelDeviation")->text();
    EXPECT_TRUE(shown.contains("25 Hz:")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("not corrected - below the loudspeaker's low roll-off")) << shown.toStdString();
    EXPECT_EQ(w.wizard().result().gainCode[0], 30) << "25 Hz keeps a flat filter (code 30 = 0 dB)";
}

TEST_F(AutoEqWindowTest, ACalibratedRunWithATiltTargetMovesTheLevelsAndTheFitAndSavesTheLevels) {
    // The fitted EQ at the band centres 63 Hz..16 kHz.
    const auto bandEq = [](AutoEqWindow& w) {
        std::vector<double> eq;
        for (int b = 4; b <= 28; ++b)
            eq.push_back(w.wizard().overallEq()[static_cast<std::size_t>(
                std::lround(measure::kAutoEqBandHz[static_cast<std::size_t>(b)] / dsp::kGridStepHz))]);
        return eq;
    };
    BandSpectrum plain{};
    std::vector<double> plainEq;
    {
        AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
        w.show();
        EXPECT_EQ(w.chooser()->calibration()->text(), kCalibrationCaption);
        w.ShowPage(AutoEqWindow::kRun);
        ASSERT_TRUE(RunToResult(w)) << (dialogs.calls.empty() ? "" : dialogs.calls[0].text);
        EXPECT_EQ(w.view()->traceCount(), 2u) << "a flat target draws no line";
        plain = w.wizard().result().levelsDb;
        plainEq = bandEq(w);
    }
    AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
    const std::string cardName = w.chooser()->cardName();
    ASSERT_FALSE(cardName.empty());
    std::ofstream(folder.file("card.txt")) << "20 6\n20000 6\n";
    ASSERT_EQ(CalibrationStore(session->dataFolder()).Set(cardName, 0, {"", folder.file("card.txt")}), "");
    AutoEqWindow again(MeasureContextOf(*session), 1, kOutput1, Fast());
    EXPECT_EQ(again.chooser()->calibration()->text(), "Calibrated: card.txt");
    again.show();
    again.ShowPage(AutoEqWindow::kRun);
    TargetChooser& target = *again.targetChooser();
    target.kindBox()->setCurrentIndex(1);
    target.tiltBox()->setValue(-0.5);
    EXPECT_EQ(session->measure().settings().target.kind, MeasureTarget::Kind::Tilt) << "the choice is remembered";
    EXPECT_DOUBLE_EQ(session->measure().settings().target.tiltDbPerOctave, -0.5);
    ASSERT_TRUE(RunToResult(again)) << (dialogs.calls.empty() ? "" : dialogs.calls[0].text);

    // Every band measured 6 dB lower (the noise of two runs apart).
    const BandSpectrum& calibrated = again.wizard().result().levelsDb;
    double mean = 0;
    for (int b = 4; b < 30; ++b) {
        const std::size_t k = static_cast<std::size_t>(b);
        EXPECT_NEAR(calibrated[k] - plain[k], -6.0, 1.0) << "band " << b;
        mean += (calibrated[k] - plain[k]) / 26;
    }
    EXPECT_NEAR(mean, -6.0, 0.25);
    // The fit aims at the tilt: the change of the fitted EQ from the flat
    // run's falls by 0.5 dB per octave (a least-squares line over the bands).
    const std::vector<double> tiltedEq = bandEq(again);
    double sxy = 0, sxx = 0, meanChange = 0;
    for (std::size_t i = 0; i < tiltedEq.size(); ++i) meanChange += (tiltedEq[i] - plainEq[i]) / tiltedEq.size();
    for (std::size_t i = 0; i < tiltedEq.size(); ++i) {
        const double octave = (static_cast<double>(i) - 12) / 3;  // 1 kHz is the 13th band
        sxy += octave * (tiltedEq[i] - plainEq[i] - meanChange);
        sxx += octave * octave;
    }
    EXPECT_NEAR(sxy / sxx, -0.5, 0.2);
    ASSERT_EQ(again.view()->traceCount(), 3u);
    EXPECT_EQ(again.view()->legend()[0].text, kTargetLegend);
    EXPECT_NEAR(again.wizard().targetShape()[4] - again.wizard().targetShape()[28], 4.0, 0.05);

    // Save Levels: CSV, read back by the same reader.
    dialogs.files = {folder.file("levels")};
    ASSERT_TRUE(again.ClickSaveLevels());
    BandSpectrum read{};
    ASSERT_EQ(measure::ReadBandLevelsCsv(folder.file("levels.csv"), read), "");
    for (std::size_t k = 0; k < kAnalyserBandCount; ++k) EXPECT_NEAR(read[k], calibrated[k], 0.006) << k;
}

TEST_F(AutoEqWindowTest, ATargetFileThatDoesNotReadIsRefusedAndTheChoiceStays) {
    AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
    TargetChooser& target = *w.targetChooser();
    std::ofstream(folder.file("bad.txt")) << "100 1\n50 2\n";
    dialogs.files = {folder.file("bad.txt")};
    target.kindBox()->setCurrentIndex(2);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("line 2"), std::string::npos) << dialogs.messages()[0].text;
    EXPECT_EQ(session->measure().settings().target.kind, MeasureTarget::Kind::Flat);
    EXPECT_EQ(target.kindBox()->currentIndex(), 0);
    // A kept calibration whose file was spoilt since stops the run before the device is touched.
    std::ofstream(folder.file("mic.txt")) << "20 1\n";
    ASSERT_EQ(CalibrationStore(session->dataFolder()).Set(w.chooser()->cardName(), 0, {folder.file("mic.txt"), ""}), "");
    std::ofstream(folder.file("mic.txt")) << "20 1\nx\n";
    const Memory before = Snapshot();
    w.ClickStart();
    EXPECT_EQ(w.wizard().phase(), Phase::Settings);
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_NE(dialogs.messages()[1].text.find("Calibration: "), std::string::npos) << dialogs.messages()[1].text;
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(AutoEqWindowTest, ClosingAfterAResultAsksAndOnlyYesWritesTheBands) {
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        auto* w = new AutoEqWindow(MeasureContextOf(*session), 1, kOutput1, Fast(2.0));
        w->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<AutoEqWindow> alive(w);
        w->show();
        ASSERT_TRUE(RunToResult(*w));
        const Memory before = Snapshot();
        dialogs.calls.clear();
        dialogs.answers = {answer};
        if (answer == Answer::No) {  // Esc leaves as Exit does
            QApplication::setActiveWindow(w);
            QTest::keyClick(w, Qt::Key_Escape);
        } else {
            w->findChild<QPushButton*>("LabelExitRun")->click();
        }
        ASSERT_TRUE(WaitFor([&] { return alive.isNull(); }, 2000));
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].kind, "ask");
        EXPECT_EQ(dialogs.calls[0].title, "Close AUTOEQ wizard");
        EXPECT_EQ(dialogs.calls[0].text, "Do you want to apply AutoEq filters?");
        const Memory after = Snapshot();
        if (answer == Answer::No) {
            EXPECT_EQ(after, before);
        } else {
            EXPECT_NE(Memory(after.begin() + BandAddress(0), after.begin() + BandAddress(30)),
                      Memory(before.begin() + BandAddress(0), before.begin() + BandAddress(30)));
        }
        EXPECT_FALSE(session->measure().autoEqOpen());
    }
}

TEST_F(AutoEqWindowTest, AnAnnouncementWhileTheWizardIsOpenAsksToCloseItAndYesRestoresTheDevice) {
    const Memory before = Snapshot();
    QPointer<AutoEqWindow> w = OpenAutoEq(MeasureContextOf(*session), 1, kOutput1);
    ASSERT_TRUE(session->measure().autoEqOpen());
    w->ShowPage(AutoEqWindow::kCard);
    w->ClickMicTest();  // the generator plays while the level is tested
    ASSERT_TRUE(w->wizard().measuring());
    ASSERT_TRUE(WaitFor([&] { return w->wizard().micLevelDb() > -60; }, 10000));
    EXPECT_NE(Snapshot(), before);

    sim.announceTo(*other, "127.0.0.1", session->announcePort());
    dialogs.answers = {Answer::Yes};
    ModalDriver driver(ConnectOrClose);
    sim.announceNow(*other);
    ASSERT_TRUE(WaitFor([&] { return w.isNull(); }, 10000));
    ASSERT_FALSE(dialogs.calls.empty());
    const std::string& text = dialogs.calls[0].text;
    EXPECT_EQ(text.rfind("Found Stage Right@127.0.0.", 0), 0u) << text;
    const std::string variant =
        "\r\nThe system must close the AUTOEQ wizard to connect\r\nDo you want to continue?";
    ASSERT_GE(text.size(), variant.size());
    EXPECT_EQ(text.substr(text.size() - variant.size()), variant);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(session->measure().autoEqOpen());
}

TEST_F(AutoEqWindowTest, TheAnalyserPlaysTheGeneratorMutesTheOtherOutputAndRestoresOnStopAndClose) {
    auto panel = std::make_unique<AnalyserPanel>(MeasureContextOf(*session), 1, kOutput2);
    Memory before = Snapshot();
    before[ds::kNoiseLevel] = 70;  // the level last chosen stays, the generator goes off
    panel->settingsShown = [&](AnalyserSettingsWindow& s) {
        s.chooser()->select(card, 0);
        ASSERT_TRUE(s.enableButton()->isVisibleTo(&s));
        s.ClickEnable();
    };
    for (int round = 0; round < 2; ++round) {
        panel->ClickRtaEnable();
        ASSERT_TRUE(panel->rta().running());
        EXPECT_TRUE(panel->enableButton()->isChecked());
        EXPECT_EQ(device->memory(ds::kNoiseOn, 1)[0], 1);
        EXPECT_EQ(device->memory(ds::kNoiseLevel, 1)[0], 70);
        EXPECT_EQ(device->memory(kPresetBaseAddress + pi::kOutputMute, 1)[0], 0x01);  // output 1
        ASSERT_TRUE(WaitFor([&] { return panel->view()->levels()[16] > -80; }, 10000));
        panel->noiseFrame()->levelBox()->setValue(-20);
        EXPECT_EQ(device->memory(ds::kNoiseLevel, 1)[0], 60);
        EXPECT_EQ(session->measure().settings().noiseLevel, 60);
        panel->noiseFrame()->levelBox()->setValue(-10);
        if (round == 0) {
            panel->ClickRtaEnable();  // off
            EXPECT_FALSE(panel->rta().running());
        } else {
            panel.reset();  // closing the editor stops it
        }
        EXPECT_EQ(Snapshot(), before) << "round " << round;
    }
    EXPECT_TRUE(dialogs.messages().empty());
}

// The level control sends at once whether or not a measurement runs, never
// switches the noise on by itself, and the level chosen during a run is the
// one the device keeps afterwards.
TEST_F(AutoEqWindowTest, EveryLevelControlSendsTheLevelAndTheDeviceKeepsTheLastOneChosen) {
    AutoEqWindow wizard(MeasureContextOf(*session), 1, kOutput1, Fast());
    auto panel = std::make_unique<AnalyserPanel>(MeasureContextOf(*session), 1, kOutput2);
    panel->settingsShown = [&](AnalyserSettingsWindow& s) {
        s.chooser()->select(card, 0);
        s.ClickEnable();
    };
    const struct {
        const char* name;
        NoiseGenFrame* frame;
    } hosts[] = {{"AutoEQ settings page", wizard.noiseFrame()}, {"analyser panel", panel->noiseFrame()}};
    int dbu = -30;
    for (const auto& h : hosts) {
        SCOPED_TRACE(h.name);
        h.frame->levelBox()->setValue(dbu);
        EXPECT_EQ(device->memory(ds::kNoiseLevel, 1)[0], 80 + dbu);
        EXPECT_EQ(device->memory(ds::kNoiseOn, 1)[0], 0) << "a level change switched the generator on";
        EXPECT_EQ(session->model().device(1).settings[ds::kNoiseLevel], 80 + dbu);
        dbu -= 5;
    }
    panel->ClickRtaEnable();
    ASSERT_TRUE(panel->rta().running());
    EXPECT_EQ(device->memory(ds::kNoiseOn, 1)[0], 1);
    panel->noiseFrame()->levelBox()->setValue(-25);
    EXPECT_EQ(device->memory(ds::kNoiseLevel, 1)[0], 55);
    panel->ClickRtaEnable();  // off: the generator off again, at the level last chosen
    EXPECT_EQ(device->memory(ds::kNoiseOn, 1)[0], 0);
    EXPECT_EQ(device->memory(ds::kNoiseLevel, 1)[0], 55);
    EXPECT_TRUE(dialogs.messages().empty());
}

TEST_F(AutoEqWindowTest, TheAnalyserScaleIsTheSameInEveryPanelAndEveryShowing) {
    auto first = std::make_unique<AnalyserPanel>(MeasureContextOf(*session), 1, kOutput1);
    first->findChild<QSpinBox*>("UpDownZoomRta")->setValue(2);
    first->findChild<QSpinBox*>("UpDownShiftRta")->setValue(4);
    first.reset();
    for (ChannelCode output : {kOutput1, kOutput2}) {
        AnalyserPanel again(MeasureContextOf(*session), 1, output);
        EXPECT_EQ(again.findChild<QSpinBox*>("UpDownZoomRta")->value(), 2);
        EXPECT_EQ(again.findChild<QSpinBox*>("UpDownShiftRta")->value(), 4);
        EXPECT_EQ(again.view()->rtaScale().zoom, 2);
        EXPECT_EQ(again.view()->rtaScale().shift, 4);
    }
}

TEST_F(AutoEqWindowTest, AnalyserViewSwitchesItselfOffWhenItsSettingsAreCancelledOrTheStartFails) {
    OutputEqWindow& eq = main->outputEqWindows().Open(1, 0);
    QPushButton* view = eq.measureButtons()->rtaButton();
    EXPECT_EQ(view->text(), "Analyser View");
    enum class Then { Cancel, Refused, Start };
    const struct {
        const char* name;
        Then then;
    } cases[] = {{"cancel", Then::Cancel}, {"refused start", Then::Refused}, {"started", Then::Start}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.calls.clear();
        QString panelCaption;
        ModalDriver driver([&](QWidget* w) {
            auto* settings = qobject_cast<AnalyserSettingsWindow*>(w);
            if (!settings) return w->close(), void();
            if (c.then == Then::Cancel) return settings->cancelButton()->click();
            settings->chooser()->select(card, 0);
            if (c.then == Then::Start) return settings->ClickEnable();
            session->measure().settings().input = 99;  // the card has no such input
            settings->enable();
            settings->accept();
        });
        view->click();
        session->measure().settings().input = 0;
        const bool runs = c.then == Then::Start;
        EXPECT_EQ(view->isChecked(), runs);
        EXPECT_EQ(eq.graphStack()->currentIndex(), runs ? 1 : 0);
        EXPECT_EQ(device->memory(ds::kNoiseOn, 1)[0], runs ? 1 : 0);
        EXPECT_EQ(dialogs.messages().empty(), c.then != Then::Refused);
        if (runs) {
            auto* panel = eq.analyserPage()->findChild<AnalyserPanel*>();
            ASSERT_NE(panel, nullptr);
            EXPECT_EQ(panel->enableButton()->text(), "Stop RTA");
            EXPECT_TRUE(panel->enableButton()->isChecked());
            view->click();  // off: the analyser stops and the device is restored
            EXPECT_EQ(device->memory(ds::kNoiseOn, 1)[0], 0);
        }
    }
}

// Two microphone positions: the built-in room with a 4 dB bump at 200 Hz at
// the first, a 4 dB dip at 800 Hz at the second.
class AutoEqPositionsTest : public AutoEqWindowTest {
protected:
    void ConfigureRig(zefsim::RigConfig& config) override {
        const auto heardWith = [](double hz, double db) {
            FrequencyCurve c;
            c.points = {{hz / 2, 0, 0}, {hz, db, 0}, {hz * 2, 0, 0}};
            return zefsim::ThroughMicrophone(zefsim::BuiltInRoom(),
                                             zefsim::MicFilter([c](double f) { return c.DbAt(f); }));
        };
        config.room = heardWith(200, 4);
        config.morePositions = {heardWith(800, -4)};
    }
    static constexpr std::size_t k200Hz = 9, k800Hz = 15, k5kHz = 23;
};

TEST_F(AutoEqPositionsTest, TwoPositionsAskToMoveTheMicrophoneAndTheFitIsOfTheirPowerAverage) {
    AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
    w.show();
    w.ShowPage(AutoEqWindow::kRun);
    w.positionsBox()->setValue(2);
    dialogs.answers = {Answer::Ok};
    // While the question is open nothing is measured, and the window says what it waits for.
    QString statusWhileAsked;
    bool barWhileAsked = true;
    dialogs.whileAsking = [&] {
        statusWhileAsked = w.findChild<QLabel*>("LabelProgress")->text();
        barWhileAsked = w.findChild<QProgressBar*>("ProgressAutoEq")->isVisible();
    };
    ASSERT_TRUE(RunToResult(w)) << (dialogs.calls.empty() ? "" : dialogs.calls.back().text);

    std::vector<std::string> asked;
    for (const auto& call : dialogs.calls)
        if (call.kind == "ask") asked.push_back(call.text);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("Position 1 of 2 is measured. Move the microphone to position 2"), std::string::npos)
        << asked[0];
    EXPECT_EQ(statusWhileAsked, "Waiting for the microphone at position 2 of 2");
    EXPECT_FALSE(barWhileAsked);

    const std::vector<BandSpectrum>& at = w.wizard().positionLevels();
    ASSERT_EQ(at.size(), 2u);
    // Each position heard its own room: the bump and the dip where they were put.
    EXPECT_NEAR(at[0][k200Hz] - at[1][k200Hz], 4.0, 1.0);
    EXPECT_NEAR(at[1][k800Hz] - at[0][k800Hz], -4.0, 1.0);
    EXPECT_NEAR(at[0][k5kHz], at[1][k5kHz], 0.5);
    // The fit is of the power average, and the spread is kept per band.
    const BandSpectrum average = measure::PowerAverage(at);
    for (std::size_t b = 0; b < kAnalyserBandCount; ++b) {
        EXPECT_NEAR(w.wizard().result().levelsDb[b], average[b], 1e-9) << "band " << b;
        EXPECT_NEAR(w.wizard().spread()[b], std::abs(at[0][b] - at[1][b]), 1e-9) << "band " << b;
    }
    EXPECT_TRUE(w.findChild<QLabel*>("LabelDeviation")->text().contains("Spread over 2 positions"));
}

TEST_F(AutoEqPositionsTest, CancelWhenAskedToMoveEndsTheRunAndRestoresTheDevice) {
    AutoEqWindow w(MeasureContextOf(*session), 1, kOutput1, Fast());
    w.show();
    w.ShowPage(AutoEqWindow::kRun);
    w.positionsBox()->setValue(3);
    const Memory before = Snapshot();
    dialogs.answers = {Answer::Cancel};
    w.ClickStart();
    ASSERT_TRUE(WaitFor([&] { return w.wizard().phase() != Phase::Running; }, 40000));
    EXPECT_EQ(w.wizard().phase(), Phase::Settings);
    EXPECT_TRUE(w.wizard().positionLevels().empty());
    EXPECT_TRUE(w.startButton()->isEnabled());
    EXPECT_TRUE(dialogs.messages().empty()) << "Cancel is the user's choice, not an error";
    EXPECT_TRUE(WaitFor([&] { return Snapshot() == before; }, 2000)) << "the measuring state is left";
}

}  // namespace
}  // namespace zef::test
