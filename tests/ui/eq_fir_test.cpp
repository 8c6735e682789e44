// The output EQ/FIR editor, its mode window and the FIR import window against
// a simulated amplifier: what the device holds afterwards, what is drawn,
// and what the user is asked.
#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>

#include "app/entry_rules.h"
#include "dsp/demo_fir.h"
#include "dsp/fir.h"
#include "dsp/fir_coefficients.h"
#include "file_bytes.h"
#include "measure/fir_design_io.h"
#include "model/memory_map.h"
#include "model/records.h"
#include "ui/band_graph.h"
#include "ui/channel_editor.h"
#include "ui/copy_window.h"
#include "ui/editor_button_bar.h"
#include "ui/eq_band_panel.h"
#include "ui/eq_fir_window.h"
#include "ui/eq_mode_window.h"
#include "ui/fir_import_window.h"
#include "ui/fir_plot.h"
#include "ui/output_eq_windows.h"
#include "ui/response_graph.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

constexpr double kBinHz = 48000.0 / 16384.0;

std::vector<std::uint8_t> Bytes(const FirImage& image) { return {image.begin(), image.end()}; }

class EqFirTest : public UiTest {
protected:
    void Connect(LinkSettings link = FastLinkSettings()) {
        AddSimDevice("Amp 1");
        StartEditor(link);
        ListAndConnect(1, hosts[0]);
        ShowEditorWithoutTimers(1);
    }
    OutputEqWindow& OpenEq(int output = 0) {
        eq = &main->outputEqWindows().Open(1, output);
        sim().clearLog();
        dialogs.calls.clear();
        return *eq;
    }
    zefsim::Device& sim() { return *devices[0]; }
    DeviceModel& model() { return session->model().device(1); }
    // The mode window of device 1, `mode` clicked, the question answered `answer`.
    bool SwitchMode(int mode, Answer answer) {
        dialogs.answers = {answer};
        ModalDriver driver([mode](QWidget* w) {
            auto* window = qobject_cast<EqModeWindow*>(w);
            if (!window) return w->close(), void();
            window->ClickMode(mode);
            if (window->isVisible()) window->reject();
        });
        const bool switched = main->outputEqWindows().ShowEqMode(1);
        eq = main->outputEqWindows().editor();
        return switched;
    }
    std::string WriteFir(const std::string& name, const std::vector<double>& coefficients) {
        const std::string path = folder.file(name);
        EXPECT_TRUE(measure::WriteDesignedFirFile(path, coefficients));
        return path;
    }
    // The output's drawn curve at `hz`.
    double DrawnDb(double hz) const {
        return eq->graph()->trace(0).curve[static_cast<std::size_t>(std::lround(hz / kBinHz))];
    }
    ::testing::AssertionResult DeviceHoldsTheModel() {
        std::array<std::uint8_t, kPresetSize> expected{};
        EncodePresetToDevice(model().preset, expected);
        const std::vector<std::uint8_t> held = sim().memory(240, kPresetSize);
        for (std::size_t i = 0; i < kPresetSize; ++i)
            if (held[i] != expected[i])
                return ::testing::AssertionFailure() << "preset byte " << i << ": device " << int(held[i])
                                                     << ", model " << int(expected[i]);
        return ::testing::AssertionSuccess();
    }
    void Type(NumberControl* control, const std::string& text) {
        control->box()->setText(QString::fromStdString(text));
        control->CommitText();
    }

    OutputEqWindow* eq = nullptr;
    int filterIndex = 0;
};

// "Output EQ..." opens the editor on the output selected in the channel
// editor; a band dragged on its graph ends on the device at the released place.
TEST_F(EqFirTest, OpensFromTheChannelEditorAndDragsABand) {
    Connect();
    ChannelEditorWindow* channel = main->editor(1);
    channel->SetPageTab(EditorPage::Outputs);
    channel->SetPageChannel(3);
    auto* button = channel->findChild<QPushButton*>("BtnOutputEq");
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());
    button->click();
    eq = main->outputEqWindows().editor();
    ASSERT_NE(eq, nullptr);
    EXPECT_EQ(eq->output(), 1);
    EXPECT_EQ(eq->windowTitle().toStdString(),
              session->model().entry(1).name + " - IP=" + hosts[0] + " - Output Filter");

    sim().clearLog();
    const QRect plot = eq->graph()->plotArea();
    const int band = 38 + 2;  // output 2, band 3
    for (int step = 0; step <= 10; ++step)
        eq->bandGraph().BandDragged(3, plot.width() * (0.3 + 0.03 * step),
                                    plot.height() * (0.5 - 0.02 * step));
    const double x = plot.width() * 0.6, y = plot.height() * 0.25;
    eq->bandGraph().BandDragged(3, x, y);
    eq->bandGraph().BandReleased();
    ASSERT_TRUE(WaitFor([this] { return !eq->coalescer().pending(); }, 2000));
    const BandDrag released = BandDragAt(eq->graph()->mapping(), x, y);
    EXPECT_EQ(model().values.bandGain[band], released.gainDb);
    EXPECT_EQ(model().values.bandFrequency[band], released.frequencyHz);
    EXPECT_GE(CountCommand(sim(), 5), 1);
    EXPECT_TRUE(DeviceHoldsTheModel());
}

// An output copy made in the channel editor reaches an open output EQ/FIR
// editor: its markers and band boxes show the copied bands at once.
TEST_F(EqFirTest, AnOutputCopyUpdatesTheOpenOutputEditor) {
    AddSimDevice("Amp 1");
    StartEditor(FastLinkSettings());
    ListAndConnect(1, hosts[0]);
    ChannelEditorWindow& editor = ShowEditorWithoutTimers(1);
    editor.SetPageTab(EditorPage::Outputs);
    const std::string names[] = {"out1.eq.1.gain", "out1.eq.2.gain"};
    const double gains[] = {6.5, -4};
    {
        const LinkState::SuppressSends quiet(session->link());
        for (int i = 0; i < 2; ++i) session->writer().Set(1, *FindParameter(names[i]), gains[i]);
    }
    OpenEq(1);  // output 2 on show, its bands still flat
    QApplication::processEvents();
    ASSERT_EQ(eq->graph()->markers().at(0).gainDb, 0.0);
    dialogs.answers = {Answer::Yes};
    ModalDriver driver([](QWidget* w) {
        if (auto* copy = qobject_cast<ChannelCopyWindow*>(w)) {
            copy->sources()->setCurrentRow(0);
            copy->destinations()->setCurrentRow(1);
            copy->ClickCopy();
        }
        if (w->isVisible()) w->close();
    });
    editor.buttons()->ClickCopy(1);
    ASSERT_TRUE(WaitFor([&] { return model().values.bandGain[38] == gains[0]; }, 2000));  // output 2, band 1
    for (int i = 0; i < 2; ++i) EXPECT_EQ(eq->graph()->markers().at(static_cast<std::size_t>(i)).gainDb, gains[i]) << i;
    eq->bandPanel()->selectBand(38);
    EXPECT_EQ(eq->bandPanel()->gain()->box()->text().toDouble(), gains[0]);
}

// A band's gain fader dragged: the marker follows at once, before the
// coalesced send; the released position ends on the device.
TEST_F(EqFirTest, AGainFaderDragMovesTheMarkerBeforeTheSend) {
    Connect();
    OpenEq(0);
    QApplication::processEvents();
    Fader* fader = eq->bandPanel()->gain()->fader();
    const QPoint top(fader->width() - 1, fader->height() / 2);  // the right end: the highest gain
    QTest::mousePress(fader, Qt::LeftButton, {}, top);
    const double gain = model().values.bandGain[8];  // output 1, band 1
    EXPECT_GT(gain, 0.0);
    EXPECT_TRUE(eq->coalescer().pending()) << "the send waits for the coalescer";
    ASSERT_FALSE(eq->graph()->markers().empty());
    EXPECT_EQ(eq->graph()->markers()[0].gainDb, gain);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, top);
    ASSERT_TRUE(WaitFor([this] { return !eq->coalescer().pending(); }, 2000));
    EXPECT_GE(CountCommand(sim(), 5), 1);
    EXPECT_TRUE(DeviceHoldsTheModel());
}

// A locked device refuses the output editor's edits: a typed gain shows the
// model's value again, a dragged marker leaves its band alone, nothing is sent.
TEST_F(EqFirTest, ALockedDeviceRefusesTypedValuesAndDraggedMarkers) {
    Connect();
    OpenEq(0);
    model().values.lock = 1;
    eq->RefreshWindowEqFIR();
    const double gain = model().values.bandGain[8], frequency = model().values.bandFrequency[8];
    const QString shown = eq->bandPanel()->gain()->box()->text();
    Type(eq->bandPanel()->gain(), "6");
    const QRect plot = eq->graph()->plotArea();
    eq->bandGraph().BandPressed(1, plot.width() * 0.5, plot.height() * 0.5);
    eq->bandGraph().BandDragged(1, plot.width() * 0.8, plot.height() * 0.2);
    eq->bandGraph().BandReleased();
    QApplication::processEvents();
    EXPECT_EQ(eq->bandPanel()->gain()->box()->text(), shown);
    EXPECT_EQ(model().values.bandGain[8], gain);
    EXPECT_EQ(model().values.bandFrequency[8], frequency);
    EXPECT_FALSE(eq->coalescer().pending());
    EXPECT_TRUE(sim().frames().empty());
}

// Bridged, output 1 drives both sides: output 2's tab is hidden and cannot be
// chosen, also when the bridge comes on while output 2 is on show.
TEST_F(EqFirTest, BridgedThereIsNoOutput2ToEdit) {
    Connect();
    OpenEq(1);
    ASSERT_EQ(eq->output(), 1);
    model().settings[ds::kBridge] = 1;
    eq->RefreshWindowEqFIR();
    EXPECT_EQ(eq->output(), 0);
    EXPECT_TRUE(eq->tab(1)->isHidden());
    eq->SetPageTabChn(1);
    EXPECT_EQ(eq->output(), 0);
    model().settings[ds::kBridge] = 0;
    eq->RefreshWindowEqFIR();
    EXPECT_FALSE(eq->tab(1)->isHidden());
    eq->SetPageTabChn(1);
    EXPECT_EQ(eq->output(), 1);
}

// Bands 11..30 of an output drop out of the 10-band + FIR mode, keep their
// values on the device, and come back with the 30-band mode.
TEST_F(EqFirTest, TenBandModeHidesBands11To30AndKeepsThem) {
    Connect();
    OpenEq(0);
    const int band15 = 8 + 14;
    eq->bandPanel()->selectBand(band15);
    eq->MenuOutPeqFilter(0);  // bell
    Type(eq->bandPanel()->frequency(), "1000");
    const double flat = DrawnDb(1000);
    Type(eq->bandPanel()->gain(), "12");
    const double boosted = DrawnDb(1000);
    ASSERT_GT(boosted - flat, 6.0);
    EXPECT_EQ(eq->graph()->markers().size(), 30u);

    QPointer<OutputEqWindow> before = eq;
    sim().clearLog();
    ASSERT_TRUE(SwitchMode(1, Answer::Yes));
    EXPECT_TRUE(before.isNull() || !before->isVisible()) << "the editor closes before the switch";
    ASSERT_NE(eq, nullptr) << "and opens again in the new mode";
    EXPECT_EQ(CountCommand(sim(), 31), 1);
    EXPECT_EQ(sim().memory(240 + 116, 1)[0], 1);
    EXPECT_EQ(eq->visibleBands(), 10);
    EXPECT_EQ(eq->graph()->markers().size(), 10u);
    eq->firBypass()->check()->click();  // whatever FIR the device holds, out of the sum
    EXPECT_NEAR(DrawnDb(1000), flat, 1e-6) << "band 15 is not summed";
    EXPECT_EQ(model().values.bandGain[band15], 12);
    EXPECT_TRUE(DeviceHoldsTheModel());

    ASSERT_TRUE(SwitchMode(0, Answer::Yes));
    EXPECT_EQ(sim().memory(240 + 116, 1)[0], 0);
    EXPECT_EQ(eq->visibleBands(), 30);
    EXPECT_NEAR(DrawnDb(1000), boosted, 1e-6);
    EXPECT_TRUE(DeviceHoldsTheModel());
}

TEST_F(EqFirTest, ChoosingTheActiveModeOrNoChangesNothing) {
    Connect();
    for (int mode : {0, 1}) {
        if (mode == 1) {
            ASSERT_TRUE(SwitchMode(1, Answer::Yes));
        }
        OpenEq(0);
        QPointer<OutputEqWindow> open = eq;
        EXPECT_FALSE(SwitchMode(mode, Answer::Yes)) << mode;
        EXPECT_TRUE(dialogs.calls.empty()) << "the active mode asks nothing";
        EXPECT_FALSE(SwitchMode(1 - mode, Answer::No)) << mode;
        ASSERT_EQ(dialogs.calls.size(), 1u);
        EXPECT_EQ(dialogs.calls[0].title, "Apply");
        EXPECT_EQ(SplitQuestion(dialogs.calls[0].text).first, "Are you sure?");
        EXPECT_FALSE(SplitQuestion(dialogs.calls[0].text).second.empty());
        EXPECT_TRUE(sim().frames().empty()) << mode;
        EXPECT_EQ(sim().memory(240 + 116, 1)[0], mode);
        EXPECT_TRUE(open && open->isVisible()) << "a declined switch leaves the editor open";
    }
}

// FIR bypass of output o is bit o of PI 418 at the device and takes the FIR
// magnitude out of the drawn sum.
TEST_F(EqFirTest, FirBypassFlipsItsBitAndLeavesTheSum) {
    Connect();
    ASSERT_TRUE(SwitchMode(1, Answer::Yes));
    const fir::StoredFir bandPass = fir::MakeStoredFir("bp", dsp::BandPassFir(384, 1000, 9000));
    for (int o : {0, 1}) {
        model().firTaps[static_cast<std::size_t>(o)] = TapsFromFirImage(bandPass.image);
        SetFirTapCount(model().preset, o, 384);
    }
    for (int o : {0, 1}) {
        OpenEq(o);
        eq->SetPageTabChn(o);
        ASSERT_FALSE(eq->firBypass()->check()->isChecked());
        const double withFir = DrawnDb(40);
        const double passBand = DrawnDb(3000);
        eq->firBypass()->check()->click();
        EXPECT_EQ(sim().memory(240 + 418, 1)[0], 1 << o) << o;
        EXPECT_GT(DrawnDb(40) - withFir, 20.0) << "the band-pass' stop band leaves the curve";
        EXPECT_NEAR(DrawnDb(3000), passBand, 0.1);
        eq->firBypass()->check()->click();
        EXPECT_EQ(sim().memory(240 + 418, 1)[0], 0) << o;
        EXPECT_NEAR(DrawnDb(40), withFir, 1e-9);
        EXPECT_EQ(CountCommand(sim(), 30), 2);
    }
}

// The import window's store: name, 24 coefficient blocks, the tap counts of
// both slots and the activation, byte for byte at the simulator; with the
// outputs linked the other slot gets the same.
TEST_F(EqFirTest, ImportedFirLandsByteExactInTheDevice) {
    Connect();
    struct Case {
        int slot;
        int taps;
        bool linked;
    };
    for (const Case c : {Case{0, 384, false}, Case{1, 200, false}, Case{0, 300, true}}) {
        model().outputsLinked = c.linked ? 1 : 0;
        const std::vector<double> coefficients = dsp::BandPassFir(c.taps, 200, 8000);
        dialogs.files = {WriteFir("Long Loudspeaker Name " + std::to_string(c.taps) + ".txt", coefficients)};
        sim().clearLog();
        FirImportWindow window(EditorContextOf(*session, 1), EditorToolsOf(*session), c.slot, filterIndex);
        window.ClickLoad();
        ASSERT_TRUE(window.storeButton()->isVisibleTo(&window));
        window.ClickStore();
        ASSERT_EQ(window.result(), QDialog::Accepted);

        const std::vector<std::uint8_t> image = Bytes(fir::QuantiseFir(coefficients));
        std::vector<int> written = {c.slot};
        if (c.linked) written.push_back(1 - c.slot);
        for (int s : written) {
            EXPECT_EQ(sim().memory(4096 + 1152 * static_cast<std::uint32_t>(s), 1152), image) << s;
            const std::vector<std::uint8_t> name = sim().memory(659 + 16 * static_cast<std::uint32_t>(s), 16);
            EXPECT_EQ(std::string(name.begin(), name.end()), "Long Loudspea   ");
            const std::vector<std::uint8_t> counts = sim().memory(691, 4);
            EXPECT_EQ(counts[static_cast<std::size_t>(s)], c.taps >> 8) << s;
            EXPECT_EQ(counts[2 + static_cast<std::size_t>(s)], c.taps & 0xFF) << s;
        }
        const auto activations = FramesWithCode(sim(), 29);
        ASSERT_EQ(activations.size(), written.size());
        EXPECT_EQ(activations[0][4], c.slot + 2);
        EXPECT_EQ(CountCommand(sim(), 21), static_cast<int>(26 * written.size()));
    }
}

TEST_F(EqFirTest, StoreFailingHalfWaySaysFirNotUpdatedAndStaysOpen) {
    LinkSettings link = FastLinkSettings();
    link.replies.memory = 200;
    Connect(link);
    dialogs.files = {WriteFir("bp.txt", dsp::BandPassFir(384, 200, 8000))};
    FirImportWindow window(EditorContextOf(*session, 1), EditorToolsOf(*session), 0, filterIndex);
    window.show();
    window.ClickLoad();
    QObject::connect(window.progress(), &QProgressBar::valueChanged, [this](int v) {
        if (v == 10) sim().setSilent(true);
    });
    dialogs.calls.clear();
    window.ClickStore();
    sim().setSilent(false);
    bool said = false;
    for (const auto& m : dialogs.messages())
        said |= m.title == "Store FIR to Device" && m.text == "FIR not updated" && m.icon == Icon::Critical;
    EXPECT_TRUE(said);
    EXPECT_NE(window.result(), QDialog::Accepted);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.progress()->isVisible());
    EXPECT_EQ(CountCommand(sim(), 29), 0) << "nothing activated";
    // The loaded FIR is still not stored: closing asks, No keeps the window.
    dialogs.answers = {Answer::No};
    window.reject();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(dialogs.calls.back().title, "Exit - FIR not imported");
}

TEST_F(EqFirTest, ImportErrorsKeepTheEarlierFir) {
    Connect();
    FirImportWindow window(EditorContextOf(*session, 1), EditorToolsOf(*session), 0, filterIndex);
    // Before a load the window shows the FIR the output holds, with nothing to store.
    EXPECT_TRUE(window.viewFrame()->isVisibleTo(&window));
    EXPECT_FALSE(window.storeButton()->isVisibleTo(&window));
    EXPECT_EQ(window.windowTitle(), "Import FIR");
    dialogs.files = {WriteFir("good.txt", dsp::BandPassFir(384, 200, 8000))};
    window.ClickLoad();
    const QString title = window.windowTitle();
    EXPECT_EQ(title, "Imported FIR - good - Taps = 384");
    EXPECT_EQ(window.tapsLabel()->text(), "Filter FIR with 384 taps.");
    struct Case {
        std::vector<double> values;
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {std::vector<double>(385, 0.01), "Wrong File, max num of Taps should be 384", "has more than 384 values"},
        {{0.5, 4.0, 0.5}, "Wrong File, coefficients out of range (<=-4 or >=+4)",
         "value 2, \"4\", is not between -4 and +4"}};
    for (const Case& c : cases) {
        dialogs.calls.clear();
        const std::string path = WriteFir("bad.txt", c.values);
        dialogs.files = {path};
        window.ClickLoad();
        ASSERT_EQ(dialogs.messages().size(), 1u);
        EXPECT_EQ(dialogs.messages()[0].title, " Error");
        EXPECT_EQ(dialogs.messages()[0].text, std::string(c.text) + "\r\n" + path + ": " + c.problem);
        EXPECT_EQ(dialogs.messages()[0].icon, Icon::Exclamation);
        EXPECT_EQ(window.windowTitle(), title);
        EXPECT_EQ(window.importer().taps(), 384);
    }
    dialogs.answers = {Answer::Yes};
    window.show();
    window.reject();
    EXPECT_FALSE(window.isVisible()) << "Yes closes an unstored window";
}

// The export writes the tap count's number of lines, each the tap's coefficient.
TEST_F(EqFirTest, SaveWritesOneLinePerTap) {
    Connect();
    ASSERT_TRUE(SwitchMode(1, Answer::Yes));
    const std::vector<double> coefficients = dsp::BandPassFir(256, 300, 5000);
    const fir::StoredFir stored = fir::MakeStoredFir("x", coefficients);
    model().firTaps[1] = TapsFromFirImage(stored.image);
    SetFirTapCount(model().preset, 1, 256);
    OpenEq(1);
    const std::string path = folder.file("out2.txt");
    dialogs.files = {path};
    eq->ClickFirMenu(2);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].kind, "save");
    EXPECT_EQ(dialogs.calls[0].text.rfind("FIR (*.txt)|*.txt\n", 0), 0u);
    const std::string s = ReadFileText(path);
    std::size_t lines = 0, at = 0;
    for (std::size_t crlf; (crlf = s.find("\r\n", at)) != std::string::npos; at = crlf + 2, ++lines)
        // Read back and quantised, each line gives its tap word again.
        EXPECT_EQ(dsp::CoefficientToTap(std::stod(s.substr(at, crlf - at))), model().firTaps[1][lines])
            << lines;
    EXPECT_EQ(lines, 256u);
    EXPECT_EQ(at, s.size());
    dialogs.files = {std::nullopt};
    eq->ClickFirMenu(2);  // cancelled: nothing written, nothing said
    EXPECT_TRUE(dialogs.messages().empty());
}

// The group-delay view of a pure delay, rendered: the curve lies at the row
// the axis predicts (2 ms for 96 samples, 0 ms with the latency removed), the
// magnitude view at 0 dB.
TEST_F(EqFirTest, FirViewsDrawAtThePredictedRows) {
    Connect();
    std::vector<double> impulse(200, 0.0);
    impulse[96] = 1.0;
    dialogs.files = {WriteFir("delay.txt", impulse)};
    FirImportWindow window(EditorContextOf(*session, 1), EditorToolsOf(*session), 0, filterIndex);
    window.ClickLoad();
    window.resize(760, 540);
    window.show();
    QApplication::processEvents();
    FirPlot& plot = *window.plot();
    struct Case {
        fir::FirView view;
        bool removeLatency;
        double value;
    };
    for (const Case c :
         {Case{fir::FirView::GroupDelay, false, 2.0}, Case{fir::FirView::GroupDelay, true, 0.0},
          Case{fir::FirView::Magnitude, false, 0.0}}) {
        window.viewOption(c.view)->setChecked(true);
        window.removeLatency()->setChecked(c.removeLatency);
        window.UpdatePlot();
        QImage image(plot.size(), QImage::Format_ARGB32);
        plot.render(&image);
        const QRect area = plot.plotArea();
        const int x = area.left() + static_cast<int>(plot.mapping().x(1000));
        const int expected = area.top() + static_cast<int>(std::lround(plot.mapping().y(c.value)));
        // The row most strongly in the curve's magenta (an antialiased hairline may share two rows).
        int found = -1, strongest = 120;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QColor px = image.pixelColor(x, y);
            const int strength = std::min(px.red(), px.blue()) - px.green();
            if (strength > strongest) strongest = strength, found = y;
        }
        EXPECT_NEAR(found, expected, 1) << static_cast<int>(c.view) << " " << c.removeLatency;
        EXPECT_EQ(plot.ReadoutAt(plot.mapping().x(1000)).toStdString(),
                  fir::FirReadout(c.view, c.value, 341 * kBinHz, false));
    }
}

}  // namespace
}  // namespace zef::test
