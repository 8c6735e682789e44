// The FIR wizard window against a simulated amplifier and an in-process
// virtual rig at full speed: a whole run (measure, design, store, verify)
// and the window's own rules (refusals, entry boxes, closing).
#include "ui/fir_wizard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "app/calibration_store.h"
#include "app/wizard_texts.h"
#include "audio/wav_file.h"
#include "measure/fir_design.h"
#include "measure/measurement_exports.h"
#include "measure/sweep_analysis.h"
#include "audio/audio_system.h"
#include "dsp/fir_coefficients.h"
#include "model/memory_map.h"
#include "mic_response.h"
#include "rig.h"
#include "ui/calibration_dialog.h"
#include "ui/fir_wizard_calculate.h"
#include "ui/fir_wizard_house.h"
#include "ui/fir_wizard_compare.h"
#include "ui/fir_wizard_measure.h"
#include "ui/fir_wizard_run.h"
#include "ui/fir_wizard_wiring.h"
#include "ui/wizard_widgets.h"
#include "ui/xy_plot.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

// Spread of a levelled curve over [low, high] Hz: the RMS of its dB values
// at 48 log-spaced frequencies (nearest grid points).
double SpreadDb(const dsp::Curve& db, double low, double high) {
    double sum = 0, sq = 0;
    const int n = 48;
    for (int i = 0; i < n; ++i) {
        const double f = low * std::pow(high / low, i / (n - 1.0));
        const double v = db[static_cast<std::size_t>(std::lround(f / dsp::kGridStepHz))];
        sum += v;
        sq += v * v;
    }
    const double mean = sum / n;
    return std::sqrt(std::max(0.0, sq / n - mean * mean));
}

class WizardTest : public UiTest {
protected:
    // `positions`: the rig's microphone positions, one per stream it serves in turn.
    void Open(bool withRig, std::vector<zefsim::RoomResponse> positions = {}) {
        device = &AddSimDevice("Stage Left");
        // Output 1 in the 10-band + FIR mode, EQ and FIR on; output 2 silent.
        device->setMemory(kPresetBaseAddress + pi::kEqMode, {1});
        device->setMemory(kPresetBaseAddress + pi::kFirBypass, {0});
        device->setMemory(kPresetBaseAddress + pi::kOutputEqBypass, {0});  // the FIR plays with the EQ
        device->setMemory(kPresetBaseAddress + pi::kOutputMute,
                          {0x02});  // output 2 muted: the mic hears both
        // -15 dB on output 1: at 0 dB the sweep would clip the rig's microphone.
        device->setMemory(kPresetBaseAddress + pi::OutputGain(0), {90});
        StartEditor();
        ListAndConnect(1, hosts[0]);
        std::vector<std::string> rigs;
        if (withRig) {
            zefsim::RigConfig config;
            config.fast = true;
            config.latencyMs = 20;
            if (!positions.empty()) {
                config.room = positions.front();
                config.morePositions.assign(positions.begin() + 1, positions.end());
            }
            rig = std::make_unique<zefsim::Rig>(*device, config);
            rigs.push_back(rig->endpoint());
        }
        std::string error;
        audio = audio::MakeAudioSystem({rigs, false}, error);  // the rig alone, or no card at all
        ASSERT_TRUE(audio) << error;
        wizard = std::make_unique<FirWizardWindow>(
            MakeFirWizardContext(MeasureContextOf(*session), 1, 0, audio.get()));
        wizard->show();
    }
    template <class T>
    T* Find(const char* name) {
        T* w = wizard->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void ChooseCard(const char* devices, const char* outputs, const char* inputs) {
        Find<QComboBox>(devices)->setCurrentIndex(1);
        Find<QComboBox>(outputs)->setCurrentIndex(1);  // card output 1 feeds the amplifier's input L
        Find<QComboBox>(inputs)->setCurrentIndex(1);   // the microphone
    }
    // Ticks the conditions and the geometry and turns to the wiring page.
    bool TurnToTheWiringPage() {
        for (int i = 0; i < 3; ++i)
            Find<QCheckBox>(("CheckCondition" + std::to_string(i)).c_str())->setChecked(true);
        wizard->ClickNext();
        Find<QCheckBox>("CheckGeometry")->setChecked(true);
        wizard->ClickNext();
        return wizard->page() == FirWizardWindow::kWiring;
    }
    bool RunToEnd() {
        return WaitFor([&] { return wizard->run().measurement().running() == wizard::Action::None; }, 90000);
    }

    zefsim::Device* device = nullptr;
    std::unique_ptr<zefsim::Rig> rig;
    std::unique_ptr<audio::System> audio;
    std::unique_ptr<FirWizardWindow> wizard;
};

TEST_F(WizardTest, MeasureDesignStoreAndVerifyThroughTheRig) {
    Open(true);
    ASSERT_TRUE(TurnToTheWiringPage());
    EXPECT_FALSE(Find<QPushButton>("BtnNext")->isEnabled());
    ChooseCard("DevCombo", "OutChCombo", "InpChCombo");
    EXPECT_TRUE(Find<QPushButton>("BtnTest")->isEnabled());
    Find<Stepper>("LblRoomDecay")->step(-1);  // 1 s of room decay
    wizard->ClickNext();

    wizard->measurePage().ClickMeasure();
    ASSERT_EQ(wizard->run().measurement().running(), wizard::Action::Measure);
    EXPECT_EQ(wizard->run().timeoutTimer().interval(), 40000);
    EXPECT_EQ(Find<QPushButton>("BtnMeasureIR")->text(), "Measuring IR....");
    ASSERT_TRUE(RunToEnd());
    ASSERT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
    ASSERT_FALSE(wizard->run().state.ir.empty());
    EXPECT_TRUE(Find<QPushButton>("BtnNext")->isEnabled());
    wizard->ClickNext();
    EXPECT_EQ(Find<XyPlot>("GraphIRFIRTime")->legend(), QStringList{"IR"});

    wizard->ClickNext();
    ASSERT_EQ(wizard->page(), FirWizardWindow::kCalculate);
    wizard->run().state.settings.firMode = 1;
    wizard->run().state.settings.windowStep =
        0;  // 2.0 ms: the direct sound without the room's first reflection
    wizard->run().state.settings.minFrequency = 500;
    wizard->run().state.settings.maxFrequency = 16000;
    wizard->calculatePage().ShowSettings();
    wizard->calculatePage().ClickCalculate();
    ASSERT_TRUE(wizard->run().design().designed());
    EXPECT_EQ(Find<XyPlot>("GraphIRFIRFreqCalc")->legend(), (QStringList{"IR", "FIR", "IRxFIR", "Target"}));
    Find<QCheckBox>("CheckMagnPhase")->setChecked(true);
    EXPECT_EQ(Find<XyPlot>("GraphIRFIRFreqCalc")->legend().size(), 8);
    wizard->ClickNext();
    ASSERT_EQ(wizard->page(), FirWizardWindow::kCompare);

    // Store: the FIR lands byte for byte in the amplifier's FIR memory of
    // output 1, under the wizard's name, with its tap count.
    dialogs.answers = {Answer::Yes};
    device->clearLog();
    wizard->comparePage().ClickStore();
    ASSERT_TRUE(wizard->run().design().stored());
    const FirImage image = fir::QuantiseFir(wizard->run().design().coefficients());
    EXPECT_EQ(device->memory(4096, 1152), std::vector<std::uint8_t>(image.begin(), image.end()));
    const QDate today = QDate::currentDate();
    const std::string name = wizard::WizardFirName(0, today.day(), today.month(), today.year());
    const std::vector<std::uint8_t> stored = device->memory(kPresetBaseAddress + pi::kFirNames, 16);  // 659
    EXPECT_EQ(std::string(stored.begin(), stored.end()), name + std::string(16 - name.size(), ' '));
    const std::vector<std::uint8_t> taps = device->memory(691, 4);  // high s0, high s1, low s0, low s1
    EXPECT_EQ(taps[0], 0x01);
    EXPECT_EQ(taps[2], 0x80);
    EXPECT_EQ(CountCommand(*device, 29), 1);

    // Verify with the same card: flatter in the corrected range.
    ASSERT_EQ(Find<QComboBox>("DevListVerify")->currentIndex(), 1);
    Find<QComboBox>("OutChListVerify")->setCurrentIndex(1);
    Find<QComboBox>("InpChListVerify")->setCurrentIndex(1);
    wizard->comparePage().ClickVerify();
    ASSERT_EQ(wizard->run().measurement().running(), wizard::Action::Verify);
    EXPECT_EQ(wizard->run().timeoutTimer().interval(), 50000);
    ASSERT_TRUE(RunToEnd());
    ASSERT_TRUE(wizard->run().design().after().has_value());
    const double before = SpreadDb(wizard->run().design().before()->db, 500, 16000);
    const double after = SpreadDb(wizard->run().design().after()->db, 500, 16000);
    std::printf("[ figure ] verified spread 500 Hz..16 kHz: before %.2f dB, after %.2f dB\n", before, after);
    RecordProperty("spread_before_db", std::to_string(before));
    RecordProperty("spread_after_db", std::to_string(after));
    EXPECT_LT(after, before * 0.6);
    const QStringList legend = Find<XyPlot>("GraphIRFIRFreqVerify")->legend();
    EXPECT_TRUE(legend.contains("Before Correction") && legend.contains("After Correction"));
}

// A measured response's level over [low, high] Hz: the mean of its curve's dB.
double MeanDb(const FrequencyCurve& curve, double low, double high) {
    double sum = 0;
    int n = 0;
    for (const CurvePoint& p : curve.points)
        if (p.hz >= low && p.hz <= high) sum += p.db, ++n;
    return n ? sum / n : NAN;
}

TEST_F(WizardTest, AKeptCardCalibrationLowersTheMeasuredResponseAndTheSavesReadBack) {
    Open(true);
    ASSERT_TRUE(TurnToTheWiringPage());
    ChooseCard("DevCombo", "OutChCombo", "InpChCombo");
    Find<Stepper>("LblRoomDecay")->step(-1);
    auto* button = Find<CalibrationButton>("BtnCalibration");
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->text(), kCalibrationCaption);
    wizard->ClickNext();
    EXPECT_FALSE(wizard->measurePage().saveWavButton()->isEnabled()) << "nothing measured yet";
    wizard->measurePage().ClickMeasure();
    ASSERT_TRUE(RunToEnd());
    ASSERT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
    const std::vector<double> plain = wizard->run().measurement().ir();

    // The saves: a name typed without an extension gets the filter's.
    ASSERT_TRUE(wizard->measurePage().saveWavButton()->isEnabled());
    dialogs.files = {folder.file("ir"), folder.file("response")};
    wizard->measurePage().ClickSaveWav();
    wizard->measurePage().ClickSaveResponse();
    audio::WavData wav;
    ASSERT_EQ(audio::ReadWav(folder.file("ir.wav"), wav), "");
    ASSERT_EQ(wav.samples.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); i += 97) EXPECT_NEAR(wav.samples[i], plain[i], 1e-6) << i;
    FrequencyCurve saved;
    ASSERT_EQ(ReadFrequencyCurve(folder.file("response.txt"), saved), "");
    const FrequencyCurve plainCurve = measure::ResponseCurve(plain, measure::kPreDelaySamples, 48000);
    ASSERT_TRUE(saved.hasPhase);
    ASSERT_EQ(saved.points.size(), plainCurve.points.size());
    for (std::size_t i = 0; i < saved.points.size(); i += 23) {
        EXPECT_NEAR(saved.points[i].db, plainCurve.points[i].db, 1e-3);
        EXPECT_NEAR(saved.points[i].phaseDeg, plainCurve.points[i].phaseDeg, 1e-2);
    }

    // A card that raises everything by 6 dB, kept for this input through the dialog.
    const std::string cardName = Find<QComboBox>("DevCombo")->currentText().toStdString();
    std::ofstream(folder.file("card.txt")) << "* loopback\n20 6\n20000 6\n";
    std::ofstream(folder.file("bad.txt")) << "20 6\n20000\n";
    CalibrationStore store(session->dataFolder());
    CalibrationDialog dialog(store, dialogs, cardName, 0);
    dialogs.files = {folder.file("bad.txt"), folder.file("card.txt")};
    dialog.Browse(CalibrationDialog::kCard);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("bad.txt line 2"), std::string::npos) << dialogs.messages()[0].text;
    EXPECT_TRUE(dialog.files().empty()) << "a refused file changes nothing";
    dialog.Browse(CalibrationDialog::kCard);
    EXPECT_EQ(dialog.files().card, folder.file("card.txt"));
    ASSERT_TRUE(dialog.ClickOk());
    button->SetInput(cardName, 0);
    EXPECT_EQ(button->text(), "Calibrated: card.txt");
    dialogs.calls.clear();

    wizard->measurePage().ClickMeasure();
    ASSERT_TRUE(RunToEnd());
    ASSERT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
    const FrequencyCurve calibrated =
        measure::ResponseCurve(wizard->run().measurement().ir(), measure::kPreDelaySamples, 48000);
    for (const auto& [low, high] : {std::pair{200.0, 1000.0}, {1000.0, 5000.0}, {5000.0, 15000.0}}) {
        EXPECT_NEAR(MeanDb(calibrated, low, high) - MeanDb(plainCurve, low, high), -6.0, 0.3) << low << " Hz";
    }
}

// The built-in room heard through a microphone with a bump (dB > 0) or a dip at `hz`.
zefsim::RoomResponse RoomWith(double hz, double db) {
    FrequencyCurve c;
    c.points = {{hz / 2, 0, 0}, {hz, db, 0}, {hz * 2, 0, 0}};
    return zefsim::ThroughMicrophone(zefsim::BuiltInRoom(), zefsim::MicFilter([c](double f) { return c.DbAt(f); }));
}

// The wizard on the measuring page, the rig's microphone at two positions:
// a 6 dB bump at 200 Hz, then a 6 dB dip at 2 kHz.
class WizardPositionsTest : public WizardTest {
protected:
    bool OpenOnTwoPositions() {
        Open(true, {RoomWith(200, 6), RoomWith(2000, -6)});
        if (!TurnToTheWiringPage()) return false;
        ChooseCard("DevCombo", "OutChCombo", "InpChCombo");
        Find<Stepper>("LblRoomDecay")->step(-1);
        wizard->ClickNext();
        return wizard->page() == FirWizardWindow::kMeasure;
    }
};

TEST_F(WizardPositionsTest, TwoPositionsAskToMoveTheMicrophoneAndTheDesignCorrectsBoth) {
    ASSERT_TRUE(OpenOnTwoPositions());
    FirWizardMeasurePage& page = wizard->measurePage();
    page.positionsBox()->setValue(2);
    dialogs.answers = {Answer::Ok};
    QString seriesWhileAsked;
    dialogs.whileAsking = [&] { seriesWhileAsked = Find<QLabel>("LblSeries")->text(); };
    page.ClickMeasure();
    ASSERT_TRUE(WaitFor([&] { return page.Complete(); }, 90000)) << (dialogs.calls.empty() ? "" : dialogs.calls.back().text);
    ASSERT_TRUE(dialogs.messages().empty()) << dialogs.messages()[0].text;
    std::vector<std::string> asked;
    for (const auto& call : dialogs.calls)
        if (call.kind == "ask") asked.push_back(call.text);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("Move the microphone to position 2"), std::string::npos) << asked[0];
    EXPECT_EQ(seriesWhileAsked, "Waiting for the microphone at position 2 of 2");

    // The main position is the first one, the second stands beside it; each
    // heard its own room.
    const wizard::WizardState& st = wizard->run().state;
    ASSERT_EQ(st.morePositions.size(), 1u);
    const FrequencyCurve first = measure::ResponseCurve(st.ir, measure::kPreDelaySamples, 48000);
    const FrequencyCurve second = measure::ResponseCurve(st.morePositions[0], measure::kPreDelaySamples, 48000);
    EXPECT_NEAR(MeanDb(first, 180, 220) - MeanDb(second, 180, 220), 6.0, 1.5);
    EXPECT_NEAR(MeanDb(first, 1800, 2200) - MeanDb(second, 1800, 2200), 6.0, 1.5);
    EXPECT_TRUE(Find<QLabel>("LblSeries")->text().startsWith("Spread over 2 positions")) << Find<QLabel>("LblSeries")->text().toStdString();

    // The design takes both: in the magnitude mode a design of the first
    // position alone is another FIR.
    wizard::DesignSettings settings = st.settings;
    settings.firMode = 1;
    ASSERT_TRUE(wizard->run().design().Calculate(st.ir, settings, st.target, st.morePositions));
    const std::vector<double> both = wizard->run().design().coefficients();
    ASSERT_TRUE(wizard->run().design().Calculate(st.ir, settings, st.target));
    EXPECT_NE(both, wizard->run().design().coefficients());

    // A single measurement afterwards is one position again.
    page.positionsBox()->setValue(1);
    page.ClickMeasure();
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(wizard->run().state.morePositions.empty());
}

TEST_F(WizardPositionsTest, CancelWhenAskedToMoveKeepsNothingOfTheSeries) {
    ASSERT_TRUE(OpenOnTwoPositions());
    FirWizardMeasurePage& page = wizard->measurePage();
    page.positionsBox()->setValue(3);
    page.sweepsBox()->setValue(2);
    dialogs.answers = {Answer::Cancel};
    page.ClickMeasure();
    ASSERT_TRUE(WaitFor([&] { return !dialogs.calls.empty(); }, 90000));
    ASSERT_TRUE(RunToEnd());
    QTest::qWait(100);
    EXPECT_EQ(dialogs.calls.size(), 1u) << "asked once, after position 1's two sweeps";
    EXPECT_NE(dialogs.calls[0].text.find("Position 1 of 3 is measured"), std::string::npos) << dialogs.calls[0].text;
    EXPECT_FALSE(page.Complete());
    EXPECT_TRUE(wizard->run().state.ir.empty());
    EXPECT_EQ(wizard->run().measurement().running(), wizard::Action::None);
}

TEST_F(WizardTest, AHouseCurveShapesTheTargetAndScalingKeepsTheFirInTheHeadroom) {
    Open(false);
    wizard->run().SetImpulseResponse([] {
        std::vector<double> ir(4800, 0.0);
        ir[480] = 1.0;
        ir[500] = -0.9;  // a comb: the magnitude mode boosts its notches
        return ir;
    }());
    auto& run = wizard->run();
    run.state.settings.firMode = 1;
    run.state.settings.minFrequency = 500;
    FirHouseControls& house = *wizard->calculatePage().house();
    wizard->calculatePage().ShowSettings();
    EXPECT_TRUE(house.browseButton()->isVisibleTo(&house));

    wizard->calculatePage().ClickCalculate();
    ASSERT_TRUE(run.design().designed());
    const dsp::Curve flatTarget = run.design().curves().target.db;
    const double unscaled = run.design().worstCaseGainDb();
    ASSERT_FALSE(std::isnan(unscaled));
    EXPECT_EQ(house.worstCaseLabel()->text().toStdString(), WorstCaseText(unscaled));

    std::ofstream(folder.file("house.txt")) << "20 0\n1000 0\n8000 -6\n20000 -6\n";
    std::ofstream(folder.file("bad.txt")) << "20 0\n1000 x\n";
    dialogs.calls.clear();
    dialogs.files = {folder.file("bad.txt")};
    house.Browse();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].text.find("line 2"), std::string::npos);
    EXPECT_TRUE(run.design().house().empty());
    ASSERT_TRUE(house.ChooseHouse(folder.file("house.txt")));
    EXPECT_EQ(house.houseLabel()->text(), "house.txt");
    house.fitCheck()->setChecked(true);
    wizard->calculatePage().ClickCalculate();
    const dsp::Curve& shaped = run.design().curves().target.db;
    const auto at = [](const dsp::Curve& c, double hz) { return c[static_cast<std::size_t>(std::lround(hz / dsp::kGridStepHz))]; };
    // The house curve falls 6 dB from 1 kHz to 8 kHz; the flat target does not.
    EXPECT_NEAR((at(shaped, 1000) - at(shaped, 8000)) - (at(flatTarget, 1000) - at(flatTarget, 8000)), 6.0, 0.5);
    EXPECT_LE(run.design().worstCaseGainDb(), measure::kFirHeadroomDb + 0.01);
    EXPECT_NE(house.worstCaseLabel()->text().toStdString().find("within the headroom"), std::string::npos);
}

TEST_F(WizardTest, RefusalsEntryBoxesAndClosing) {
    Open(false);
    // No card: the lists are empty, "Test" says what is missing and nothing runs.
    EXPECT_EQ(Find<QComboBox>("DevCombo")->count(), 1);
    wizard->GoTo(FirWizardWindow::kWiring);
    EXPECT_FALSE(Find<QPushButton>("BtnNext")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("BtnTest")->isEnabled());
    wizard->wiringPage().ClickTest();
    wizard->measurePage().ClickMeasure();
    ASSERT_EQ(dialogs.messages().size(), 2u);
    EXPECT_EQ(dialogs.messages()[0].title, "Test MIC");
    EXPECT_EQ(dialogs.messages()[1].title, "Measure IR");
    EXPECT_EQ(dialogs.messages()[1].text, "Please set all ASIO parameters");
    EXPECT_FALSE(wizard->run().progressTimer().isActive());

    // The frequency boxes take digits only and clamp on Enter; a change
    // starts the blink of "Calculate FIR".
    wizard->GoTo(FirWizardWindow::kCalculate);
    QLineEdit* maxBox = Find<QLineEdit>("MaxFreqText");
    maxBox->clear();
    QTest::keyClicks(maxBox, "2x5.0-00");
    EXPECT_EQ(maxBox->text(), "25000");
    QTest::keyClick(maxBox, Qt::Key_Return);
    EXPECT_EQ(maxBox->text(), "20000");
    EXPECT_EQ(wizard->run().state.settings.maxFrequency, 20000);
    EXPECT_TRUE(wizard->run().blinkTimer().isActive());
    wizard->run().state.settings.windowStep = 0;
    QLineEdit* minBox = Find<QLineEdit>("MinFreqText");
    minBox->setText("100");
    QTest::keyClick(minBox, Qt::Key_Return);
    EXPECT_EQ(wizard->run().state.settings.minFrequency, 500);
    Find<Stepper>("LblUpdownWinLen")->step(+1);
    EXPECT_EQ(Find<Stepper>("LblUpdownWinLen")->text(), "2.1 ms");
    Find<Stepper>("LblModeFir")->step(-1);
    EXPECT_EQ(Find<Stepper>("LblModeFir")->text(), "Phase Only");
    EXPECT_FALSE(Find<QPushButton>("ImgEqTarget")->isVisible());
    // The smoothing threshold and its caption show in "Magn + Phase" only.
    QLabel* thresholdCaption = nullptr;
    for (QLabel* label : wizard->findChildren<QLabel*>())
        if (label->text() == "Threshold") thresholdCaption = label;
    ASSERT_NE(thresholdCaption, nullptr);
    for (const int step : {0, +1, -1}) {
        Find<Stepper>("LblModeFir")->step(step);
        const bool magnitudeAndPhase = Find<Stepper>("LblModeFir")->text() == "Magn + Phase";
        EXPECT_EQ(Find<Stepper>("LblSmoothThr")->isVisible(), magnitudeAndPhase);
        EXPECT_EQ(thresholdCaption->isVisible(), magnitudeAndPhase) << step;
    }

    // Closing: Cancel keeps the window, Yes keeps the wizard's state for the device.
    const std::string kept = wizard::KeptStatePath(session->dataFolder(), session->model(), 1);
    wizard->run().state.settings.precision = 9;
    wizard->run().SetImpulseResponse({0.0, 1.0, 0.25});
    dialogs.answers = {Answer::Cancel, Answer::Yes};
    EXPECT_FALSE(wizard->close());
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_TRUE(wizard->close());
    EXPECT_EQ(dialogs.calls.back().title, "Wizard Exit");
    EXPECT_EQ(dialogs.calls.back().buttons, Buttons::YesNoCancel);
    FirWizardWindow again(MakeFirWizardContext(MeasureContextOf(*session), 1, 0, audio.get()));
    EXPECT_EQ(again.run().state.settings.precision, 9);
    EXPECT_EQ(again.run().state.ir, (std::vector<double>{0.0, 1.0, 8192.0 / 32767}));
}

// The card and its channels are the user's for the session, whichever
// device's wizard chose them; Yes on closing keeps the design settings even
// before there is an impulse response.
TEST_F(WizardTest, TheCardChannelsAndDesignSettingsOutliveTheWindow) {
    Open(true);
    auto* outputs = Find<QComboBox>("OutChCombo");
    Find<QComboBox>("DevCombo")->setCurrentIndex(1);
    ASSERT_GE(outputs->count(), 3) << "the rig offers at least two outputs";
    outputs->setCurrentIndex(2);
    Find<QComboBox>("InpChCombo")->setCurrentIndex(1);
    wizard->run().state.settings.precision = 9;
    ASSERT_TRUE(wizard->run().state.ir.empty());
    dialogs.answers = {Answer::Yes};
    ASSERT_TRUE(wizard->close());
    wizard.reset();

    for (DeviceSlot slot : {DeviceSlot{1}, DeviceSlot{2}}) {
        SCOPED_TRACE(slot);
        FirWizardWindow again(MakeFirWizardContext(MeasureContextOf(*session), slot, 0, audio.get()));
        for (const char* list : {"DevCombo", "DevListVerify"}) {
            auto* box = again.findChild<QComboBox*>(list);
            ASSERT_NE(box, nullptr) << list;
            EXPECT_EQ(box->currentIndex(), 1) << list;
        }
        EXPECT_EQ(again.findChild<QComboBox*>("OutChCombo")->currentIndex(), 2);
        EXPECT_EQ(again.findChild<QComboBox*>("InpChCombo")->currentIndex(), 1);
        EXPECT_TRUE(again.findChild<QPushButton*>("BtnTest")->isEnabled());
        if (slot == 1) {
            EXPECT_EQ(again.run().state.settings.precision, 9);
            EXPECT_TRUE(again.run().state.ir.empty()) << "a state kept without an IR reads back without one";
        }
        dialogs.answers = {Answer::No};
        again.close();
    }
}

// A mic test that reaches full scale says so while it runs and holds the
// wizard on its page until a test at a lower level is clean.
TEST_F(WizardTest, AClippedMicTestIsSaidAndHoldsTheWizardUntilACleanOne) {
    Open(true);
    ASSERT_TRUE(TurnToTheWiringPage());
    ChooseCard("DevCombo", "OutChCombo", "InpChCombo");
    const struct {
        int gainCode;  // output 1: dB = code / 2 - 60
        bool clips;
    } steps[] = {{132, true}, {90, false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.gainCode);
        device->setMemory(kPresetBaseAddress + pi::OutputGain(0), {static_cast<std::uint8_t>(step.gainCode)});
        wizard->wiringPage().ClickTest();
        ASSERT_TRUE(RunToEnd());
        const QString status = Find<QLabel>("MeasureStatusLbl")->text();
        EXPECT_EQ(status.contains("clips"), step.clips) << status.toStdString();
        EXPECT_EQ(Find<QPushButton>("BtnNext")->isEnabled(), !step.clips);
        const double peak = Find<QLabel>("PeakValueLbl")->text().toDouble();
        if (step.clips)
            EXPECT_GT(peak, -0.1);
        else
            EXPECT_LT(peak, -1.0);
    }
}

}  // namespace
}  // namespace zef::test
