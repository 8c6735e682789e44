// The channel editor's other controls and the windows it opens, against a
// simulated amplifier: what the device holds afterwards, what the user is
// asked, and what the meters and graphs show.
#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "app/edit_actions.h"
#include "app/preset_actions.h"
#include "model/memory_map.h"
#include "model/tables.h"
#include "ui/band_graph.h"
#include "ui/channel_editor.h"
#include "ui/copy_window.h"
#include "ui/editor_button_bar.h"
#include "ui/eq_band_panel.h"
#include "ui/fir_plot.h"
#include "ui/meter_panel.h"
#include "ui/preset_windows.h"
#include "ui/response_graph.h"
#include "ui/segment_meter.h"
#include "ui/view_all_window.h"
#include "ui/xy_plot.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

class EditorWindowsTest : public UiTest {
protected:
    ChannelEditorWindow& Open(int devicesWanted = 1) {
        for (int i = 0; i < devicesWanted; ++i) AddSimDevice("Amp " + std::to_string(i + 1));
        StartEditor();
        for (int i = 0; i < devicesWanted; ++i) ListAndConnect(static_cast<DeviceSlot>(i + 1), hosts[i]);
        for (int i = devicesWanted; i >= 1; --i)
            editor = &ShowEditorWithoutTimers(static_cast<DeviceSlot>(i));
        for (zefsim::Device* d : devices) d->clearLog();
        dialogs.calls.clear();
        return *editor;
    }
    zefsim::Device& device() { return *devices[0]; }
    // The device's running program equals the editor's model of it, byte for byte.
    ::testing::AssertionResult DeviceHoldsTheModel() {
        std::array<std::uint8_t, kPresetSize> expected{};
        EncodePresetToDevice(session->model().device(1).preset, expected);
        const std::vector<std::uint8_t> held = device().memory(kPresetBaseAddress, kPresetSize);
        for (std::size_t i = 0; i < kPresetSize; ++i)
            if (held[i] != expected[i])
                return ::testing::AssertionFailure() << "preset byte " << i << ": device " << int(held[i])
                                                     << ", model " << int(expected[i]);
        return ::testing::AssertionSuccess();
    }
    NumberControl& Number(const std::string& name) { return NumberOf(*editor, name); }

    ChannelEditorWindow* editor = nullptr;
};

TEST_F(EditorWindowsTest, FlattenAsksAndYesZeroesEveryBandOfTheGroup) {
    Open();
    editor->SetPageChannel(4);  // "SM": 16 bands sent with command 5
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        dialogs.answers = {answer};
        editor->buttons()->ClickFlat();
        ASSERT_EQ(dialogs.calls.back().title, "EQ Flat");
        if (answer == Answer::No) {
            EXPECT_TRUE(device().frames().empty());
            continue;
        }
        EXPECT_EQ(CountCommand(device(), 5), 16);
        for (int b = 68; b < 84; ++b) EXPECT_EQ(session->model().device(1).values.bandGain[std::size_t(b)], 0) << b;
        EXPECT_TRUE(DeviceHoldsTheModel());
    }
}

TEST_F(EditorWindowsTest, FilterTypeMenuChangesTheSelectedBandOnly) {
    Open();
    editor->SetPageChannel(4);
    editor->bandPanel()->selectBand(70);
    const auto before = session->model().device(1).values.bandType;
    main->ShapeEqFilter(kBandNotch);  // the main window's "Filter Type" menu reaches the active editor
    const auto& after = session->model().device(1).values.bandType;
    EXPECT_EQ(after[70], kBandNotch);
    for (std::size_t b = 0; b < after.size(); ++b) {
        if (b == 70) continue;
        EXPECT_EQ(after[b], before[b]) << b;
    }
    EXPECT_EQ(CountCommand(device(), 5), 1);
    EXPECT_TRUE(DeviceHoldsTheModel());
}

TEST_F(EditorWindowsTest, DelayStepButtonsSendCoarseAndFineCounts) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    // The step buttons beside output 1's delay box.
    QWidget* frame = Number("out1.delay").parentWidget();
    auto* coarse = frame->findChild<QSpinBox*>("UpDownDelayA");
    auto* fine = frame->findChild<QSpinBox*>("UpDownDelayF");
    ASSERT_TRUE(coarse && fine);
    coarse->setValue(10);
    fine->setValue(24);
    EXPECT_EQ(device().memory(kPresetBaseAddress + pi::Delay(0), 3), (std::vector<std::uint8_t>{0, 10, 24}));
    EXPECT_EQ(Number("out1.delay").box()->text(), "10.499");  // 10 + 24 x 0.0208, shown to 1/1000
}

TEST_F(EditorWindowsTest, StoreWritesTheNameAndRecallOfAnEmptySlotChangesNothing) {
    Open();
    PresetActions actions(session->presets(), session->dialogs(), 1);
    StorePresetWindow store(actions, session->dialogs(), session->model().device(1));
    store.selector()->setCurrentIndex(1);
    store.nameBox()->setText("Evening");
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(store.ClickStore(), PresetResult::Done);
    const std::vector<std::uint8_t> name = device().memory(kPresetBaseAddress, 16);
    EXPECT_EQ(std::string(name.begin(), name.end()), "Evening         ");
    EXPECT_EQ(device().presetSlot(1).size(), kPresetSize);
    EXPECT_EQ(CountCommand(device(), 23), 1);
    const std::string status = editor->statusLabel()->text().toStdString();
    EXPECT_NE(status.find(" - program loaded: P02 Evening"), std::string::npos) << status;

    device().clearLog();
    dialogs.calls.clear();
    const auto modelBefore = session->model().device(1).preset;
    RecallPresetWindow read(actions, session->model().device(1));
    read.selector()->setCurrentIndex(2);  // never stored
    dialogs.answers = {Answer::Yes};
    EXPECT_NE(read.ClickRecall(), PresetResult::Done);
    ASSERT_FALSE(dialogs.messages().empty());
    EXPECT_EQ(dialogs.messages().back().text, "Preset empty");
    EXPECT_EQ(device().frames().size(), 1u);  // the recall command alone
    EXPECT_EQ(session->model().device(1).preset, modelBefore);
}

TEST_F(EditorWindowsTest, StoreAndRecallActOnTheSelectedRow) {
    Open();
    PresetActions actions(session->presets(), session->dialogs(), 1);
    // Selecting a row (as a click does) picks the slot; the slot box follows.
    StorePresetWindow store(actions, session->dialogs(), session->model().device(1));
    store.list()->setCurrentRow(2);
    EXPECT_EQ(store.selector()->currentIndex(), 2);
    store.nameBox()->setText("Late");
    dialogs.answers = {Answer::Yes};
    ASSERT_EQ(store.ClickStore(), PresetResult::Done);
    EXPECT_EQ(device().presetSlot(2).size(), kPresetSize);

    RecallPresetWindow read(actions, session->model().device(1));
    read.list()->setCurrentRow(2);
    device().clearLog();
    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(read.ClickRecall(), PresetResult::Done);
    const auto frames = device().frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames.front()[3], 24);  // recall
    EXPECT_EQ(frames.front()[4], 2);   // the third slot, the selected row
}

TEST_F(EditorWindowsTest, OutputCopyPutsOutput1IntoOutput2) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    NumberControl& hp = Number("out1.hp.freq");
    hp.box()->setText("250");
    hp.CommitText();
    const auto out1 = device().memory(kPresetBaseAddress + pi::HighPass(0), 3);
    ASSERT_NE(out1, device().memory(kPresetBaseAddress + pi::HighPass(1), 3));
    ChannelCopyWindow copy(session->writer(), 1, session->dialogs(), 1);
    EXPECT_EQ(copy.sources()->currentRow(), 0);
    EXPECT_EQ(copy.destinations()->currentRow(), 1);
    dialogs.answers = {Answer::Yes};
    copy.ClickCopy();
    EXPECT_EQ(device().memory(kPresetBaseAddress + pi::HighPass(1), 3), out1);
    EXPECT_TRUE(DeviceHoldsTheModel());
}

TEST_F(EditorWindowsTest, StatusPollDrivesMetersAndLampsAndOfflineFallsToTheMinimum) {
    Open();
    std::array<std::uint8_t, 18> bytes{};
    bytes.fill(0);
    for (int i = 12; i < 16; ++i) bytes[std::size_t(i)] = 30;  // no gain reduction
    bytes[0] = 42;                                               // input L: 12.2 dB, every segment
    bytes[1] = 30;                                               // input R: 0.2 dB, 0 dB and below
    bytes[6] = 36;                                               // SM generator: 6.2 dB
    bytes[12] = 24;                                              // output 1 compressor: 6 dB reduction
    bytes[16] = 0x01;                                            // signal on input L
    bytes[17] = 0x04;                                            // protection of output 1
    device().setStatusBytes(bytes);
    editor->StatusTick();
    EXPECT_EQ(editor->meters()->meter(MeterChannel::L, MeterKind::Signal)->litMask(), 0x1FF);
    EXPECT_EQ(editor->meters()->meter(MeterChannel::R, MeterKind::Signal)->litMask(), 0x1F8);  // all but +9, +6, +3
    EXPECT_EQ(editor->meters()->meter(MeterChannel::Out1, MeterKind::Reduction)->litMask(), 0x01F);  // 1, 2, 3, 4, 6 dB
    ASSERT_NE(editor->meters()->meter(MeterChannel::Sm, MeterKind::Signal), nullptr);
    EXPECT_EQ(editor->meters()->meter(MeterChannel::Sm, MeterKind::Signal)->litMask(), 0x1FE);  // all but +9
    EXPECT_EQ(editor->meters()->meter(MeterChannel::Out2, MeterKind::Signal)->litMask(), 0);
    EXPECT_TRUE(editor->meters()->lamp(Indicator::SignalL)->on());
    EXPECT_FALSE(editor->meters()->lamp(Indicator::SignalR)->on());
    EXPECT_TRUE(editor->meters()->lamp(Indicator::ProtectOut1)->on());
    EXPECT_EQ(editor->onlineLabel()->text(), "On-line");

    session->model().entry(1).online = false;
    editor->StatusTick();
    EXPECT_EQ(editor->meters()->meter(MeterChannel::L, MeterKind::Signal)->litMask(), 0);
    EXPECT_EQ(editor->meters()->meter(MeterChannel::Out1, MeterKind::Reduction)->litMask(), 0);
    EXPECT_FALSE(editor->meters()->lamp(Indicator::SignalL)->on());
    EXPECT_EQ(editor->onlineLabel()->text(), "Off-line");
}

TEST_F(EditorWindowsTest, LampsStandInTheRowOfTheirKindAndTheColumnOfTheirChannel) {
    Open();
    struct Row {
        Indicator indicator;
        const char* tip;
        QRgb lit;
        int row, column;
    };
    const QRgb green = qRgb(0, 220, 0), red = qRgb(255, 0, 0), amber = qRgb(255, 170, 0), pink = qRgb(255, 0, 255);
    const Row rows[] = {
        {Indicator::SignalL, "Signal L", green, 0, 0},
        {Indicator::SignalR, "Signal R", green, 0, 1},
        {Indicator::ClipL, "Clip L", red, 1, 0},
        {Indicator::ClipR, "Clip R", red, 1, 1},
        {Indicator::SignalOut1, "Signal out 1", green, 0, 3},
        {Indicator::SignalOut2, "Signal out 2", green, 0, 4},
        {Indicator::ClipOut1, "Clip out 1", red, 1, 3},
        {Indicator::ClipOut2, "Clip out 2", red, 1, 4},
        {Indicator::LimitOut1, "Limiter out 1", amber, 2, 3},
        {Indicator::LimitOut2, "Limiter out 2", amber, 2, 4},
        {Indicator::ProtectOut1, "Protection out 1", pink, 3, 3},
        {Indicator::ProtectOut2, "Protection out 2", pink, 3, 4},
    };
    for (const Row& r : rows) {
        Lamp* lamp = editor->meters()->lamp(r.indicator);
        ASSERT_NE(lamp, nullptr) << r.tip;
        EXPECT_EQ(lamp->toolTip(), r.tip);
        QGridLayout* grid = nullptr;
        for (QGridLayout* g : editor->meters()->findChildren<QGridLayout*>())
            if (g->indexOf(lamp) >= 0) grid = g;
        ASSERT_NE(grid, nullptr) << r.tip;
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(lamp), &row, &column, &rowSpan, &columnSpan);
        EXPECT_EQ(std::pair(row, column), std::pair(r.row, r.column)) << r.tip;
        lamp->setOn(true);
        EXPECT_EQ(lamp->grab().toImage().pixel(6, 6), r.lit) << r.tip;
        lamp->setOn(false);
    }
}

TEST_F(EditorWindowsTest, ZoomIsSharedByEveryEditor) {
    Open(2);
    ChannelEditorWindow* first = main->editor(1);
    ChannelEditorWindow* second = main->editor(2);
    ASSERT_TRUE(first && second);
    session->graphView().setZoom(2);  // +-45 dB
    session->graphView().setShiftStep(0);
    for (ChannelEditorWindow* e : {first, second}) {
        const dsp::GraphMapping m = e->graph()->mapping();
        EXPECT_NEAR(m.y(45), 0, 1e-6);
        EXPECT_NEAR(m.y(-45), e->graph()->plotArea().height(), 1e-6);
    }
}

TEST_F(EditorWindowsTest, CloseAsksAndNoKeepsTheWindow) {
    Open();
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(editor->parentWidget());
    ASSERT_NE(sub, nullptr);
    dialogs.answers = {Answer::No};
    sub->close();
    QApplication::processEvents();
    ASSERT_NE(main->editor(1), nullptr);
    ASSERT_FALSE(dialogs.calls.empty());
    EXPECT_EQ(dialogs.calls.back().title, "Close edit window");
    dialogs.answers = {Answer::Yes};
    sub->close();
    EXPECT_TRUE(WaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return main->editor(1) == nullptr;
        },
        2000));
}

TEST_F(EditorWindowsTest, LinkedInputsSendTheGainToBoth) {
    Open();
    auto* link = dynamic_cast<CheckControl*>(editor->control("device.link.inputs"));
    ASSERT_NE(link, nullptr);
    link->check()->click();
    NumberControl& gain = Number("inL.gain");
    gain.box()->setText("-6");
    gain.CommitText();
    EXPECT_EQ(device().memory(kPresetBaseAddress + pi::InputGain(0), 1),
              device().memory(kPresetBaseAddress + pi::InputGain(1), 1));
    EXPECT_EQ(device().memory(kPresetBaseAddress + pi::InputGain(1), 1)[0], 108);  // -6 dB
}

TEST_F(EditorWindowsTest, ASlowLinkBuildsNoBacklogAndEndsAtTheReleasedBand) {
    Open();
    editor->SetPageChannel(4);
    device().setReplyDelayMs(100);  // every exchange takes many pointer steps, even under a memory checker
    const dsp::GraphMapping m = editor->graph()->mapping();
    constexpr int kSteps = 60;
    editor->bandGraph().BandPressed(3, m.x(250), m.y(0));
    // Pointer steps every 5 ms, arriving while exchanges are in flight too.
    int step = 0;
    QTimer pointer;
    QObject::connect(&pointer, &QTimer::timeout, [&] {
        if (step == kSteps) return;
        ++step;
        editor->bandGraph().BandDragged(3, m.x(250 + 40 * step), m.y(-10 + step % 20));
    });
    pointer.start(5);
    ASSERT_TRUE(WaitFor([&] { return step == kSteps; }, 10000));
    pointer.stop();
    editor->bandGraph().BandReleased();
    const DeviceModel& d = session->model().device(1);
    const auto released = std::vector<std::uint8_t>(d.preset.bytes.begin() + pi::MaskingBand(2),
                                                     d.preset.bytes.begin() + pi::MaskingBand(2) + 5);
    ASSERT_TRUE(WaitFor(
        [&] { return device().memory(kPresetBaseAddress + pi::MaskingBand(2), 5) == released; }, 3000));
    // Steps that arrived while an exchange was in flight replaced the pending
    // send instead of queueing behind it; each send is one exchange at the
    // device (a frame, once more when its reply came too late).
    const SendCoalescer& sends = editor->coalescer();
    EXPECT_EQ(sends.posts(), kSteps);
    EXPECT_LT(sends.sends(), sends.posts());
    EXPECT_GE(CountCommand(device(), 5), sends.sends());
    EXPECT_LE(CountCommand(device(), 5), 2 * sends.sends());
    // Nothing is left queued behind the released value.
    device().clearLog();
    WaitFor([] { return false; }, 200);
    EXPECT_TRUE(device().frames().empty());
    EXPECT_TRUE(DeviceHoldsTheModel());
}

// Releasing a dragged band confirms it: the block holding the band (SM band 3, PI 510 at
// device 750: the preset block at 708) is read back after the last send.
TEST_F(EditorWindowsTest, ReleasingADraggedBandReadsItBack) {
    Open();
    editor->SetPageChannel(4);
    const dsp::GraphMapping m = editor->graph()->mapping();
    editor->bandGraph().BandPressed(3, m.x(250), m.y(0));
    for (int step = 1; step <= 5; ++step) editor->bandGraph().BandDragged(3, m.x(250 + 100 * step), m.y(step));
    ASSERT_TRUE(WaitFor([&] { return !editor->coalescer().pending(); }, 3000));
    device().clearLog();
    editor->bandGraph().BandDragged(3, m.x(900), m.y(6));
    editor->bandGraph().BandReleased();
    const auto frames = device().frames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[frames.size() - 2][3], cmd::kEqBand);
    EXPECT_EQ(frames.back(), (std::vector<std::uint8_t>{0xF0, 0x21, frames.back()[2], cmd::kReadMemory, 0x02, 0xC4, 78,
                                                       0, 0, 0, 0, 0, 0xF7}));
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(DeviceHoldsTheModel());
}

TEST_F(EditorWindowsTest, FirmwareUpdateFromTheSettingsMenuIsOnlyForUsb) {
    Open();
    editor->ChooseSettingsEntry(0);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "Firmware Update");
    EXPECT_EQ(dialogs.messages()[0].text, "Function available only in USB mode");
    EXPECT_TRUE(device().frames().empty());
}

// ---- widgets alone ----

class WidgetTest : public ::testing::Test {
protected:
    dsp::FrequencyGrid grid = dsp::FrequencyGrid::Nominal();
};

// The drawn row of a flat curve at `db` in the middle column, for each zoom and shift.
TEST_F(WidgetTest, AFlatCurveLiesWhereZoomAndShiftPutIt) {
    struct Case {
        int zoom, shift;
        double db;
    };
    const Case cases[] = {{0, 0, 0}, {0, 1, 0}, {0, 0, 10}, {1, 2, -20}, {3, 5, -100}, {2, 3, -50}};
    for (const Case& c : cases) {
        ResponseGraph g(grid);
        g.resize(600, 240);
        g.setView(c.zoom, c.shift);
        dsp::Curve flat{};
        flat.fill(c.db);
        g.setTrace(0, flat, QColor(255, 0, 255));
        QImage image(g.size(), QImage::Format_RGB32);
        g.render(&image);
        const QRect area = g.plotArea();
        const int column = area.left() + area.width() / 2 + 3;
        double sum = 0, weight = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            const QColor px = image.pixelColor(column, y);
            const double magenta = std::min(px.red(), px.blue()) - px.green();
            if (magenta > 60) sum += y * magenta, weight += magenta;
        }
        ASSERT_GT(weight, 0) << "zoom " << c.zoom << " shift " << c.shift;
        const double expected = area.top() + g.mapping().y(c.db);
        EXPECT_NEAR(sum / weight, expected, 1.0) << "zoom " << c.zoom << " shift " << c.shift << " dB " << c.db;
    }
    // One shift step raises the curve by a sixth of the height (5 dB at zoom 0).
    ResponseGraph g(grid);
    g.resize(600, 240);
    g.setView(0, 1);
    EXPECT_NEAR(g.mapping().y(0), g.plotArea().height() / 2.0 - g.plotArea().height() / 6.0, 1e-9);
}

TEST_F(WidgetTest, PlotReadoutFollowsThePointerInsideThePlotAndHidesOutsideIt) {
    XyPlot xy;
    xy.setAxes(PlotAxis{0, 10, false, "ms"}, PlotAxis{-1, 1, false, ""});
    FirPlot fir;
    FirPlot::Data data;
    for (int k = 0; k < 512; ++k) {
        data.hz.push_back(k * 46.875);
        data.values.push_back(-3.0);
    }
    data.range = fir::ValueRange{-90, 10, 10, "dB"};
    fir.setData(data);
    const auto move = [](QWidget& plot, QPoint at) {
        QMouseEvent event(QEvent::MouseMove, QPointF(at), plot.mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&plot, &event);
    };
    for (QWidget* plot : {static_cast<QWidget*>(&xy), static_cast<QWidget*>(&fir)}) {
        plot->resize(420, 240);
        plot->show();
    }
    const QRect xyArea = xy.plotArea(), firArea = fir.plotArea();
    const struct {
        ReadoutPlot* plot;
        QRect area;
        QString centre;  // the read-out at the plot area's centre
    } cases[] = {
        {&xy, xyArea, xy.readoutAt(xyArea.center())},
        {&fir, firArea, fir.ReadoutAt(firArea.center().x() - firArea.left())},
    };
    for (const auto& c : cases) {
        ASSERT_FALSE(c.centre.isEmpty());
        move(*c.plot, c.area.center());
        EXPECT_TRUE(c.plot->readoutVisible());
        EXPECT_EQ(c.plot->readoutText(), c.centre);
        const QLabel* label = c.plot->findChild<QLabel*>("LblReadout");
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(c.plot->rect().contains(label->geometry()));
        move(*c.plot, c.area.topLeft() - QPoint(3, 3));
        EXPECT_FALSE(c.plot->readoutVisible());
        move(*c.plot, c.area.bottomRight() - QPoint(2, 2));  // the label is pushed back inside
        EXPECT_TRUE(c.plot->rect().contains(label->geometry()));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(c.plot, &leave);
        EXPECT_FALSE(c.plot->readoutVisible());
    }
}

TEST_F(WidgetTest, MeterRepaintsOnlyTheSegmentsThatChange) {
    SegmentMeter meter(MeterKind::Signal, "L");
    meter.resize(20, 140);
    struct Step {
        double db;
        int repainted;  // segments invalidated by this level
    };
    const Step steps[] = {{0, 6}, {1, 0}, {3.5, 1}, {12, 2}, {-20, 9}, {-30, 0}};
    for (const Step& s : steps) {
        const int before = meter.segmentRepaints();
        meter.setLevel(s.db);
        EXPECT_EQ(meter.segmentRepaints() - before, s.repainted) << s.db << " dB";
    }
}

TEST_F(EditorWindowsTest, ViewAllReadoutFollowsThePressedPoint) {
    Open();
    ViewAllGraphWindow view(EditorContextOf(*session, 1));
    view.resize(760, 460);
    view.show();
    ResponseGraph* picture = view.picture();
    const QRect area = picture->plotArea();
    const double x = area.width() * std::log10(1000.0 / 20.0) / 3.0;
    const double y = area.height() / 2.0 - area.height() / 60.0 * 3.5;
    QTest::mousePress(picture, Qt::LeftButton, {}, area.topLeft() + QPoint(int(std::lround(x)), int(std::lround(y))));
    EXPECT_TRUE(picture->readoutVisible());
    const std::string text = picture->readoutText().toStdString();
    // One pixel is a few Hz and a tenth of a dB at this size.
    double db = 0, hz = 0;
    ASSERT_EQ(std::sscanf(text.c_str(), "%lfdB; %lfHz", &db, &hz), 2) << text;
    EXPECT_NEAR(db, 3.5, 0.15);
    EXPECT_NEAR(hz, 1000, 10);
    QTest::mouseRelease(picture, Qt::LeftButton, {}, area.topLeft() + QPoint(int(x), int(y)));
    EXPECT_FALSE(picture->readoutVisible());
}

}  // namespace
}  // namespace zef::test
