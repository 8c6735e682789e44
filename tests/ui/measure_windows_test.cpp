// The analyser's pieces without a device: the bar scale, the level frames and
// "RTA Settings" over a scripted card list.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include "app/measure_session.h"
#include "audio/device_manager.h"
#include "dsp/graph.h"
#include "ui/analyser_frames.h"
#include "ui/analyser_view.h"
#include "ui/card_chooser.h"
#include "ui/rta_settings_window.h"

namespace zef::test {
namespace {

TEST(AnalyserScale, FourteenLabelsFollowZoomAndShift) {
    struct Case {
        RtaScale scale;
        int top, second, last;
    };
    for (const Case& c :
         {Case{{1, 0}, 0, -10, -130}, Case{{0, 1}, -10, -15, -75}, Case{{2, 2}, -20, -40, -280}}) {
        const auto labels = c.scale.labels();
        EXPECT_EQ(labels.size(), 14u);
        EXPECT_EQ(labels[0], c.top);
        EXPECT_EQ(labels[1], c.second);
        EXPECT_EQ(labels[13], c.last);
        // A label's value sits at its row: 13 rows over the height.
        EXPECT_NEAR(c.scale.y(labels[5], 260.0), 100.0, 1e-9);
    }
    const RtaScale s{1, 0};
    EXPECT_EQ(s.y(+12, 260), 0.0);     // above the top: clamped
    EXPECT_EQ(s.y(-500, 260), 260.0);  // below the bottom: no bar
    // Bars sit on their third-octave edges and never overlap.
    const dsp::GraphMapping m = dsp::GraphMapping::Editor(900, 300, 0, 0);
    for (std::size_t b = 0; b + 1 < kAnalyserBandCount; ++b) {
        const BarSpan here = BandBarSpan(m, b), next = BandBarSpan(m, b + 1);
        EXPECT_LT(here.left, here.right) << b;
        EXPECT_LE(here.right, next.left + 1e-6) << b;
    }
    EXPECT_LE(BandBarSpan(m, 29).right, 900.0);
}

TEST(AnalyserFrames, LevelShownAsDbuAndMarkerMoves) {
    NoiseGenFrame frame;
    frame.resize(400, 80);
    std::vector<int> reported;
    frame.levelChanged = [&](int v) { reported.push_back(v); };
    frame.setLevel(80);
    EXPECT_EQ(frame.levelBox()->value(), 0);
    const double atTop = frame.track()->markerX();
    frame.setLevel(0);
    EXPECT_EQ(frame.levelBox()->value(), -80);
    EXPECT_LT(frame.track()->markerX(), atTop);
    EXPECT_TRUE(reported.empty());    // setLevel is quiet
    frame.levelBox()->setValue(-10);  // as the user would
    EXPECT_EQ(reported, std::vector<int>{70});
    EXPECT_EQ(frame.level(), 70);

    MicLevelFrame mic;
    mic.setLevel(-12.34);
    EXPECT_EQ(mic.readout()->text(), "-12.3 dBFS");
    mic.setLevel(-100);
    EXPECT_EQ(mic.readout()->text(), "");
}

// Card 0 usable with two inputs, card 1 not usable.
class ScriptedCards final : public AudioDeviceManager {
public:
    std::vector<std::string> DriverNames() override { return {"Card A", "Card B"}; }
    bool IsUsable(int device) override { return device == 0; }
    int InputCount(int device) override { return device == 0 ? 2 : 0; }
    int OutputCount(int) override { return 0; }
    std::vector<std::string> InputNames(int device) override {
        return device == 0 ? std::vector<std::string>{"Mic 1", "Mic 2"} : std::vector<std::string>{};
    }
    std::vector<std::string> OutputNames(int) override { return {}; }
    void OpenControlPanel(int device) override { panels.push_back(device); }
    std::vector<int> panels;
};

TEST(RtaSettings, EnableOfferedOnlyWithCardAndInput) {
    ScriptedCards cards;
    MeasureSettings settings;
    AnalyserSettingsWindow w(cards, settings);
    w.show();
    int enabled = 0;
    w.enable = [&] { ++enabled; };
    struct Case {
        int card, input;
        bool offered;
        int inputsListed;
    };
    const Case cases[] = {
        {-1, -1, false, 0},  // nothing chosen
        {0, -1, false, 2},   // a card, no input
        {1, 0, false, 0},    // a card that cannot be used lists no input
        {0, 1, true, 2},
    };
    for (const Case& c : cases) {
        w.chooser()->select(c.card, c.input);
        EXPECT_EQ(w.enableButton()->isVisible(), c.offered) << c.card << "/" << c.input;
        EXPECT_EQ(w.chooser()->controlPanel()->isVisible(), c.offered) << c.card << "/" << c.input;
        EXPECT_EQ(w.chooser()->inputs()->count(), c.inputsListed) << c.card;
    }
    EXPECT_EQ(w.chooser()->cards()->itemText(0), " Select ASIO card");
    EXPECT_EQ(w.windowTitle(), "RTA Settings");

    w.chooser()->controlPanel()->click();
    EXPECT_EQ(cards.panels, std::vector<int>{0});
    w.enableButton()->click();
    EXPECT_EQ(enabled, 1);
    EXPECT_EQ(settings.card, 0);
    EXPECT_EQ(settings.input, 1);
    EXPECT_TRUE(settings.rtaEnabled);
    EXPECT_EQ(w.result(), QDialog::Accepted);
}

TEST(RtaSettings, CancelChangesNothingAndTheLastChoiceComesBack) {
    ScriptedCards cards;
    MeasureSettings settings;
    settings.card = 0;
    settings.input = 1;
    {
        AnalyserSettingsWindow w(cards, settings);
        EXPECT_EQ(w.chooser()->card(), 0);
        EXPECT_EQ(w.chooser()->input(), 1);
        w.chooser()->select(0, 0);
        w.cancelButton()->click();
        EXPECT_EQ(w.result(), QDialog::Rejected);
    }
    EXPECT_EQ(settings.input, 1);
    EXPECT_FALSE(settings.rtaEnabled);
}

}  // namespace
}  // namespace zef::test
