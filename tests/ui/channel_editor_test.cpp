// The channel editor against a simulated amplifier: what reaches the device
// (bytes at the simulator) for typed values, drags, bridge answers, what the
// graph draws, and a change made on the amplifier itself.
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "app/editor_actions.h"
#include "app/entry_rules.h"
#include "app/interface_lock.h"
#include "dsp/groups.h"
#include "model/memory_map.h"
#include "ui/channel_editor.h"
#include "ui/eq_band_panel.h"
#include "ui/graph_paths.h"
#include "ui/response_graph.h"
#include "ui/view_all_window.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

class EditorTest : public UiTest {
protected:
    ChannelEditorWindow& OpenEditor() {
        device = &AddSimDevice("Stage Left");
        StartEditor();
        ListAndConnect(1, hosts[0]);
        editor = &ShowEditorWithoutTimers(1);
        device->clearLog();
        return *editor;
    }
    NumberControl& Number(const std::string& name) { return NumberOf(*editor, name); }
    std::uint8_t Memory(std::uint32_t address) const { return device->memory(address, 1)[0]; }

    zefsim::Device* device = nullptr;
    ChannelEditorWindow* editor = nullptr;
};

TEST_F(EditorTest, TypedValuesAreClampedSnappedAndArriveAsTheSnappedCode) {
    OpenEditor();
    struct Case {
        const char* parameter;
        const char* typed;
        const char* shown;
        std::uint32_t address;  // device address of the code
        std::uint8_t code;
    };
    const Case cases[] = {
        {"out1.gain", "15", "12", kPresetBaseAddress + 493, 144},  // clamped to +12 dB
        {"inL.gain", "-7,3", "-7.5", kPresetBaseAddress + 16,
         105},  // comma read as the separator, snapped to 0.5 dB
        {"inR.gain", "-99", "-60", kPresetBaseAddress + 17, 0},
        {"out2.limiter.timea", "9", "5", kPresetBaseAddress + 491,
         49},  // clamped to the table's last entry, 5.0
    };
    for (const Case& c : cases) {
        NumberControl& control = Number(c.parameter);
        control.box()->clear();
        // Typed through the key filter: "," becomes the separator, Enter commits.
        QTest::keyClicks(control.box(), c.typed);
        QTest::keyClick(control.box(), Qt::Key_Return);
        EXPECT_EQ(control.box()->text().toStdString(), c.shown) << c.parameter;
        ASSERT_TRUE(WaitFor([&] { return Memory(c.address) == c.code; }, 2000))
            << c.parameter << " holds " << int(Memory(c.address));
    }
    // Typing 15 moves the gain fader to its top position.
    EXPECT_EQ(Number("out1.gain").fader()->value(), 1);
}

TEST_F(EditorTest, DelayTypedInMetresIsClampedAndEmptyIsRefused) {
    OpenEditor();
    auto* unit = dynamic_cast<OptionControl*>(editor->control("device.delayunit"));
    ASSERT_NE(unit, nullptr);
    unit->option(1)->click();  // "Distance"
    ASSERT_TRUE(WaitFor([&] { return Memory(207) == 1; }, 2000));
    NumberControl& delay = Number("out1.delay");
    delay.box()->setText("100");
    delay.CommitText();
    ASSERT_TRUE(WaitFor(
        [&] {
            return device->memory(kPresetBaseAddress + 461, 3) == std::vector<std::uint8_t>{0, 164, 48};
        },
        2000));
    EXPECT_EQ(delay.box()->text(), "56.099");

    device->clearLog();
    dialogs.calls.clear();
    delay.box()->setText("  ");
    delay.CommitText();
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].title, "Warning");
    EXPECT_EQ(dialogs.messages()[0].text, "  Incorrect value");
    EXPECT_TRUE(device->frames().empty());
}

TEST_F(EditorTest, FillingPagesAndRefreshingSendNothing) {
    OpenEditor();
    for (int page = 0; page < 4; ++page) {
        editor->SetPageTab(static_cast<EditorPage>(page));
        editor->RefreshAll();
    }
    editor->SetPageChannel(1);
    editor->SetPageChannel(3);
    editor->bandPanel()->selectBand(70);
    QApplication::processEvents();
    EXPECT_TRUE(device->frames().empty());
}

TEST_F(EditorTest, BridgeAnsweredNoSendsNothingAndYesRebuildsTheOutputs) {
    OpenEditor();
    auto* bridge = dynamic_cast<OptionControl*>(editor->control("device.bridge"));
    ASSERT_NE(bridge, nullptr);
    const int builds = editor->outputPageBuilds();
    dialogs.answers = {Answer::No};
    bridge->option(1)->click();
    QApplication::processEvents();
    EXPECT_TRUE(device->frames().empty());
    EXPECT_TRUE(bridge->option(0)->isChecked());
    EXPECT_EQ(editor->outputPageBuilds(), builds);
    ASSERT_EQ(dialogs.calls.size(), 1u);
    EXPECT_EQ(dialogs.calls[0].text, "Do you want to enable the Bridge Mode?");

    dialogs.answers = {Answer::Yes};
    bridge->option(1)->click();
    ASSERT_TRUE(WaitFor([&] { return CountCommand(*device, 18) == 1; }, 2000));
    EXPECT_EQ(Memory(213), 1);
    EXPECT_EQ(editor->outputPageBuilds(), builds + 1);
    EXPECT_EQ(editor->control("out2.gain"), nullptr);  // one bridged output shown
}

TEST_F(EditorTest, GraphDragSendsTheBandAndTheDeviceEndsAtTheReleasedValue) {
    OpenEditor();
    editor->SetPageTab(EditorPage::Masking);
    editor->resize(1000, 700);
    editor->show();
    QApplication::processEvents();
    ResponseGraph* graph = editor->graph();
    const auto& markers = graph->markers();
    ASSERT_EQ(markers.size(), 16u);
    const dsp::GraphMapping m = graph->mapping();
    const QPoint origin = graph->plotArea().topLeft();
    const auto at = [&](double hz, double db) {
        return origin + QPoint(static_cast<int>(std::lround(m.x(hz))), static_cast<int>(std::lround(m.y(db))));
    };
    // Band 3 of "SM" (editor band 70) at its own place.
    const ResponseGraph::Marker marker = markers[2];
    QTest::mousePress(graph, Qt::LeftButton, {}, at(marker.frequencyHz, marker.gainDb));
    EXPECT_TRUE(graph->readoutVisible());
    for (int step = 1; step <= 20; ++step) {
        QMouseEvent move(QEvent::MouseMove, at(marker.frequencyHz * (1 + 0.05 * step), 0.4 * step),
                         graph->mapToGlobal(QPointF(at(0, 0))), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(graph, &move);
    }
    const QPoint release = at(marker.frequencyHz * 2, 8);
    QMouseEvent last(QEvent::MouseMove, release, graph->mapToGlobal(QPointF(release)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(graph, &last);
    EXPECT_TRUE(graph->readoutText().startsWith("Freq="));
    QTest::mouseRelease(graph, Qt::LeftButton, {}, release);
    EXPECT_FALSE(graph->readoutVisible());

    const DeviceModel& d = session->model().device(1);
    const BandDrag expected = BandDragAt(m, release.x() - origin.x(), release.y() - origin.y());
    EXPECT_DOUBLE_EQ(d.values.bandFrequency[70], expected.frequencyHz);
    EXPECT_DOUBLE_EQ(d.values.bandGain[70], expected.gainDb);
    ASSERT_TRUE(WaitFor(
        [&] {
            return device->memory(kPresetBaseAddress + 500 + 10, 5) ==
                   std::vector<std::uint8_t>(d.preset.bytes.begin() + 510, d.preset.bytes.begin() + 515);
        },
        2000));
    const int sends = CountCommand(*device, 5);
    EXPECT_GE(sends, 1);
    EXPECT_LE(sends, 22);  // never more sends than pointer moves
    for (const auto& frame : device->frames())
        if (frame[3] == 5) {
            EXPECT_EQ(frame[5], 2) << "band of command 5";  // p2: band 3 of the channel
        }
}

// Switching an input's band block redraws its markers at once: three bands
// for the 3-band block, four for the other.
TEST_F(EditorTest, TheBandBlockSwitchShowsItsBandCountOnTheGraphAtOnce) {
    OpenEditor();
    editor->SetPageTab(EditorPage::Inputs);
    auto* block = dynamic_cast<CheckControl*>(editor->control("inL.eq.blockb"));
    ASSERT_NE(block, nullptr);
    const std::size_t before = editor->graph()->markers().size();
    ASSERT_EQ(before, block->check()->isChecked() ? 3u : 4u);
    for (int click = 0; click < 2; ++click) {
        block->check()->click();
        EXPECT_EQ(editor->graph()->markers().size(), block->check()->isChecked() ? 3u : 4u) << click;
    }
}

TEST_F(EditorTest, TheGraphDrawsAKnownBandWhereTheGeometrySays) {
    OpenEditor();
    editor->SetPageTab(EditorPage::Masking);
    editor->resize(1000, 700);
    editor->show();
    // One "SM" band: a bell at 1 kHz, +12 dB; the others are flat.
    editor->bandPanel()->selectBand(68);
    for (auto [name, text] : {std::pair{"sm.eq.1.freq", "1000"}, std::pair{"sm.eq.1.gain", "12"}}) {
        NumberControl& c = Number(name);
        c.box()->setText(text);
        c.CommitText();
    }
    QApplication::processEvents();
    ResponseGraph* graph = editor->graph();
    graph->setMarkers({});
    const QImage image = graph->grab().toImage();
    const dsp::GraphMapping m = graph->mapping();
    const QPoint origin = graph->plotArea().topLeft();
    // The curve's colour in the column of a frequency, nearest to the predicted row.
    const auto curveRow = [&](double hz) {
        const int x = origin.x() + static_cast<int>(std::lround(m.x(hz)));
        int best = -1;
        for (int y = origin.y(); y < origin.y() + graph->plotArea().height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > 180 && c.blue() > 180 && c.red() < 90) {
                best = y;
                break;
            }
        }
        return best;
    };
    const int peak = curveRow(1000);
    const int flat = curveRow(40);
    ASSERT_GE(peak, 0);
    ASSERT_GE(flat, 0);
    EXPECT_NEAR(peak, origin.y() + m.y(12), 3);
    EXPECT_NEAR(flat, origin.y() + m.y(0), 3);
    EXPECT_LT(peak, flat);  // louder is higher
}

TEST_F(EditorTest, AFrontPanelChangeReachesTheControlWithinOnePoll) {
    OpenEditor();
    device->frontPanelWrite(kPresetBaseAddress + 493, 100);  // output 1 gain: -10 dB
    editor->StatusTick();                              // one poll sees the changed address byte
    editor->updateTimer().start(10);
    ASSERT_TRUE(WaitFor([&] { return Number("out1.gain").box()->text() == "-10"; }, 3000));
    EXPECT_EQ(Number("out1.gain").fader()->value(), 145 - 100);
}

TEST_F(EditorTest, LockedEditorShowsValuesButSendsNothing) {
    OpenEditor();
    session->model().device(1).values.lock = 1;
    editor->RefreshAll();
    NumberControl& gain = Number("out1.gain");
    gain.box()->setText("3");
    gain.CommitText();
    QApplication::processEvents();
    EXPECT_TRUE(device->frames().empty());
    EXPECT_EQ(gain.box()->text(), "0");
    EXPECT_FALSE(editor->pages()->currentWidget()->isEnabled());
    EXPECT_TRUE(editor->pages()->tabBar()->isEnabled());  // pages can still be looked at
}

TEST_F(EditorTest, AnEditorOpensWithTheLockItsDataFolderKeeps) {
    // An earlier run of the program locked this device: its line in the data folder says so.
    device = &AddSimDevice("Stage Left");
    char uid[13];
    const auto& u = device->config().uid;
    std::snprintf(uid, sizeof uid, "%02X%02X%02X%02X%02X%02X", u[0], u[1], u[2], u[3], u[4], u[5]);
    {
        PasswordStore earlier(folder.path().string(), 1000);
        ASSERT_TRUE(earlier.Set(uid, "pw"));
        ASSERT_TRUE(earlier.SetLocked(uid, true));
    }
    StartEditor();
    ListAndConnect(1, hosts[0]);
    ASSERT_EQ(session->model().entry(1).uniqueId, uid);
    editor = &ShowEditorWithoutTimers(1);
    device->clearLog();
    EXPECT_EQ(session->model().device(1).values.lock, 1);
    Number("out1.gain").box()->setText("3");
    Number("out1.gain").CommitText();
    QApplication::processEvents();
    EXPECT_TRUE(device->frames().empty());
    EXPECT_FALSE(editor->pages()->currentWidget()->isEnabled());
}

TEST_F(EditorTest, ViewAllWithBothInputsDrawsOutputPlusBothInputs) {
    OpenEditor();
    // Make both inputs non-flat.
    for (const char* name : {"inL.eq.2.gain", "inR.eq.3.gain"}) {
        editor->SetPageChannel(name[2] == 'L' ? 0 : 1);
        editor->bandPanel()->selectBand(name[2] == 'L' ? 1 : 6);
        NumberControl& c = Number(name);
        c.box()->setText("6");
        c.CommitText();
    }
    ViewAllGraphWindow view(EditorContextOf(*session, 1));
    for (int g : {0, 1, 3, 4}) view.check(g)->setChecked(false);
    view.option(0, 3)->setChecked(true);
    ASSERT_EQ(view.picture()->traceCount(), 1u);
    const dsp::DeviceResponses* r = session->state().responses.find(1);
    ASSERT_NE(r, nullptr);
    const dsp::Curve& drawn = view.picture()->trace(0).curve;
    std::size_t checked = 0;
    for (std::size_t k = 100; k < dsp::kGridPoints; k += 400, ++checked)
        EXPECT_NEAR(drawn[k], r->group(2)[k] + r->group(0)[k] + r->group(1)[k], 1e-9);
    EXPECT_GT(checked, 10u);
    EXPECT_FALSE(view.option(1, 0)->isEnabled());  // output 2 is not ticked
    EXPECT_EQ(view.option(0, 3)->text(), "+ L+R");
}

TEST(GraphPaths, ColumnReductionKeepsPeaksAndOrder) {
    std::vector<dsp::PlotPoint> points;
    for (int i = 0; i < 1000; ++i) points.push_back({10.0 + i * 0.01, i == 500 ? -40.0 : (i == 700 ? 90.0 : 50.0)});
    const auto reduced = ColumnReducedPolyline(points);
    EXPECT_LT(reduced.size(), 50u);
    double lo = 1e9, hi = -1e9, lastX = -1;
    for (const QPointF& p : reduced) {
        lo = std::min(lo, p.y());
        hi = std::max(hi, p.y());
        EXPECT_GE(p.x(), lastX);
        lastX = p.x();
    }
    EXPECT_EQ(lo, -40.0);
    EXPECT_EQ(hi, 90.0);
    EXPECT_EQ(reduced.front().x(), points.front().x);
    EXPECT_EQ(reduced.back().x(), points.back().x);
}

}  // namespace
}  // namespace zef::test
