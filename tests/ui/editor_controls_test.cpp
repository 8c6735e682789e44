// The channel editor's faders, Q steps, delay unit, interface lock and preset
// files, against a simulated amplifier: the bytes the device ends with.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <functional>

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
    void Open() { editor = &OpenQuietEditor(device); }
    NumberControl& Number(const std::string& name) { return NumberOf(*editor, name); }
    void Type(NumberControl& c, const char* text) {
        c.box()->setText(text);
        c.CommitText();
    }
    std::uint8_t OutputGainCode() const {
        return device->memory(kPresetBaseAddress + pi::OutputGain(0), 1)[0];
    }
    // The faders shown on each page in turn, with their controls.
    static constexpr EditorPage kPages[] = {EditorPage::Inputs, EditorPage::Outputs, EditorPage::Masking,
                                            EditorPage::Device};
    // Calls check(fader, its number control) for every fader shown on every
    // page, traced with the parameter's name; returns how many it checked.
    int ForEachShownFader(const std::function<void(Fader*, NumberControl*)>& check) {
        int checked = 0;
        for (const EditorPage page : kPages) {
            editor->SetPageTab(page);
            QApplication::processEvents();
            for (Fader* fader : editor->findChildren<Fader*>()) {
                if (!fader->isVisible()) continue;
                auto* control = qobject_cast<NumberControl*>(fader->parentWidget());
                if (control == nullptr) {
                    ADD_FAILURE() << "a fader outside a number control";
                    continue;
                }
                SCOPED_TRACE(control->parameter().name);
                check(fader, control);
                ++checked;
            }
        }
        return checked;
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

// Every fader of every page: a press towards the right of a horizontal
// fader, or the top of a vertical one, shows and sends a larger value than a
// press at the other end, whichever way the fader's positions run.
TEST_F(EditorControlsTest, EveryFaderRisesTowardsTheRightOrTheTop) {
    Open();
    const int checked = ForEachShownFader([&](Fader* fader, NumberControl* control) {
        const bool vertical = fader->orientation() == Qt::Vertical;
        const QPoint low = vertical ? QPoint(fader->width() / 2, fader->height() - 1) : QPoint(0, fader->height() / 2);
        const QPoint high = vertical ? QPoint(fader->width() / 2, 0) : QPoint(fader->width() - 1, fader->height() / 2);
        struct Seen {
            double shown;
            double model;
        };
        const auto pressAt = [&](QPoint at) {
            device->clearLog();
            QTest::mousePress(fader, Qt::LeftButton, {}, at);
            QTest::mouseRelease(fader, Qt::LeftButton, {}, at);
            QApplication::processEvents();
            return Seen{control->box()->text().section(':', 0, 0).toDouble(),
                        GetValue(session->model().device(1), control->parameter())};
        };
        const Seen atLow = pressAt(low);
        const Seen atHigh = pressAt(high);
        EXPECT_FALSE(device->frames().empty());
        EXPECT_GT(atHigh.shown, atLow.shown);
        EXPECT_GT(atHigh.model, atLow.model);
    });
    EXPECT_GE(checked, 8);  // gains, EQ gain, gate, compressor, limiter, masking and noise levels
}

// Every check box of every page: its caption is orange (#FF8000) while on,
// light grey (#C0C0C0) while off, whether the model or the user set it.
TEST_F(EditorControlsTest, CheckBoxCaptionsAreColouredByTheirState) {
    Open();
    const auto colourMatches = [](const QCheckBox& check) {
        const QColor expected = check.isChecked() ? QColor(0xFF, 0x80, 0x00) : QColor(0xC0, 0xC0, 0xC0);
        return check.palette().color(QPalette::WindowText) == expected;
    };
    int flipped = 0;
    for (const EditorPage page : kPages) {
        editor->SetPageTab(page);
        QApplication::processEvents();
        for (CheckControl* control : editor->findChildren<CheckControl*>()) {
            if (!control->isVisible() || !control->check()->isEnabled()) continue;
            SCOPED_TRACE(control->parameter().name);
            QCheckBox& check = *control->check();
            EXPECT_TRUE(colourMatches(check));
            const bool before = check.isChecked();
            check.click();
            QApplication::processEvents();
            EXPECT_TRUE(colourMatches(check));
            if (check.isChecked() != before) ++flipped;
        }
    }
    EXPECT_GE(flipped, 4);
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

TEST_F(EditorControlsTest, DynamicsCaptionsCarryTheirUnitsAndTheRatioReadsAsARatio) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    const struct {
        const char* name;
        const char* caption;
    } rows[] = {{"out1.comp.timea", "Attack ms"},         {"out1.comp.timeb", "Release ms"},
                {"out1.comp.gain", "Make-up dB"},         {"out1.limiter.threshold", "Threshold V"},
                {"out1.limiter.timea", "Attack ms"},      {"out1.limiter.timeb", "Release ms"}};
    for (const auto& r : rows) EXPECT_EQ(Number(r.name).caption()->text().toStdString(), r.caption) << r.name;

    NumberControl& ratio = Number("out1.comp.ratio");
    const double held = GetValue(session->model().device(1), ratio.parameter());
    EXPECT_EQ(ratio.box()->text(), QString::number(held) + ":1");
    const double typed = held == 8 ? 6 : 8;
    Type(ratio, QString::number(typed).toUtf8().constData());  // typed without ":1"
    EXPECT_EQ(GetValue(session->model().device(1), ratio.parameter()), typed);
    EXPECT_EQ(ratio.box()->text(), QString::number(typed) + ":1");
    Type(ratio, (QString::number(held) + ":1").toUtf8().constData());  // entered as shown
    EXPECT_EQ(GetValue(session->model().device(1), ratio.parameter()), held);
}

// The dynamic filter's values step by one with their up/down arrows, the
// device following each step, and stop at 0 and 100.
TEST_F(EditorControlsTest, DynamicFilterValuesStepWithUpDownInsideTheirRange) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    const struct {
        const char* name;
        std::size_t offset;  // in the output's dynamic filter group
    } values[] = {{"out1.dynfilter.value1", 1}, {"out1.dynfilter.value2", 2}};
    for (const auto& v : values) {
        SCOPED_TRACE(v.name);
        NumberControl& c = Number(v.name);
        ASSERT_NE(c.up(), nullptr);
        ASSERT_NE(c.down(), nullptr);
        const auto held = [&] { return device->memory(kPresetBaseAddress + pi::DynamicFilter(0) + v.offset, 1)[0]; };
        const struct {
            const char* start;
            bool up;
            int expected;
        } steps[] = {{"99", true, 100}, {"100", true, 100}, {"0", false, 0}, {"0", true, 1}, {"50", false, 49}};
        for (const auto& s : steps) {
            Type(c, s.start);
            (s.up ? c.up() : c.down())->click();
            ASSERT_TRUE(WaitFor([&] { return held() == s.expected; }, 2000)) << s.start << (s.up ? " up" : " down");
            EXPECT_EQ(c.box()->text().toInt(), s.expected);
        }
    }
}

// Each noise option's caption says whether it leaves the generator on or
// off, and the device agrees after the click.
TEST_F(EditorControlsTest, NoiseOptionCaptionsSayWhatEachDoes) {
    Open();
    editor->SetPageTab(EditorPage::Masking);
    auto* options = dynamic_cast<OptionControl*>(editor->control("device.noise.option"));
    ASSERT_NE(options, nullptr);
    const int selected = static_cast<int>(std::lround(GetValue(session->model().device(1), options->parameter())));
    for (int step = 1; step <= 3; ++step) {
        const int i = (selected + step) % 3;
        const QString caption = options->option(i)->text();
        SCOPED_TRACE(caption.toStdString());
        const bool saysOff = caption.contains("off", Qt::CaseInsensitive);
        ASSERT_NE(saysOff, caption.contains(" on", Qt::CaseInsensitive));
        options->option(i)->click();
        ASSERT_TRUE(WaitFor([&] { return device->memory(208, 1)[0] == (saysOff ? 0 : 1); }, 2000));
    }
}

// A high-pass set above the low-pass is kept as typed, and the user is told
// the output passes nothing; an open crossover says nothing.
TEST_F(EditorControlsTest, AHighPassAboveTheLowPassIsKeptAndSaidSo) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    Type(Number("out1.lp.freq"), "20000");
    const struct {
        const char* box;
        const char* typed;
        double hp, lp;  // what the output then holds
        bool warned;
    } steps[] = {{"out1.hp.freq", "20", 20, 20000, false},
                 {"out1.lp.freq", "2000", 20, 2000, false},
                 {"out1.hp.freq", "5000", 5000, 2000, true},
                 {"out1.lp.freq", "1000", 5000, 1000, true},
                 {"out1.lp.freq", "8000", 5000, 8000, false}};
    for (const auto& st : steps) {
        SCOPED_TRACE(std::string(st.box) + " " + st.typed);
        dialogs.calls.clear();
        Type(Number(st.box), st.typed);
        const DeviceModel& d = session->model().device(1);
        EXPECT_EQ(GetValue(d, Number("out1.hp.freq").parameter()), st.hp);
        EXPECT_EQ(GetValue(d, Number("out1.lp.freq").parameter()), st.lp);
        ASSERT_EQ(dialogs.messages().size(), st.warned ? 1u : 0u);
        if (st.warned) {
            EXPECT_EQ(dialogs.messages()[0].title, "Crossover");
            EXPECT_NE(dialogs.messages()[0].text.find("passes nothing"), std::string::npos);
        }
    }
}

// The number boxes filter typed characters only: Ctrl+A selects, Home and
// End move, Tab and Shift+Tab move the focus, and none of them changes the
// text (the delay box used to take them for blanks).
TEST_F(EditorControlsTest, NumberBoxesFilterTypedCharactersOnly) {
    Open();
    editor->SetPageTab(EditorPage::Outputs);
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor));
    for (const char* name : {"out1.gain", "out1.delay", "out1.hp.freq", "out1.comp.level"}) {
        SCOPED_TRACE(name);
        QLineEdit* box = Number(name).box();
        box->setFocus();
        box->setText("12");
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(box->selectedText(), "12");
        QTest::keyClick(box, Qt::Key_Home);
        EXPECT_EQ(box->cursorPosition(), 0);
        QTest::keyClick(box, Qt::Key_End);
        EXPECT_EQ(box->cursorPosition(), 2);
        QTest::keyClick(box, Qt::Key_Tab);
        EXPECT_FALSE(box->hasFocus());
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_FALSE(box->hasFocus());
        EXPECT_EQ(box->text(), "12");
    }
    QLineEdit* gain = Number("out1.gain").box();
    gain->setText("12");
    gain->setFocus();
    QTest::keyClick(gain, Qt::Key_X);  // a typed character is still filtered
    EXPECT_EQ(gain->text(), "12");
    EXPECT_TRUE(device->frames().empty());
}

// Tab goes left to right and top to bottom inside each fader's control: a
// horizontal fader, then the box to its right; a vertical fader's box, then
// the fader below it.
TEST_F(EditorControlsTest, TabInsideAFadersControlFollowsTheEye) {
    Open();
    const auto nextTabStop = [](QWidget* from) {
        QWidget* w = from->nextInFocusChain();
        while (w != from && !((w->focusPolicy() & Qt::TabFocus) && w->isVisible())) w = w->nextInFocusChain();
        return w;
    };
    const int checked = ForEachShownFader([&](Fader* fader, NumberControl* control) {
        QWidget* first = fader->orientation() == Qt::Horizontal ? static_cast<QWidget*>(fader) : control->box();
        QWidget* second = first == fader ? static_cast<QWidget*>(control->box()) : fader;
        EXPECT_EQ(nextTabStop(first), second);
        const QPoint a = first->mapTo(editor, QPoint(0, 0));
        const QPoint b = second->mapTo(editor, QPoint(0, 0));
        EXPECT_TRUE(b.x() > a.x() || b.y() > a.y());
    });
    EXPECT_GE(checked, 8);
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

TEST_F(EditorControlsTest, LockWithoutAPasswordSaysSoBeforeAskingForOne) {
    Open();
    int asked = 0;
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<LockDialog*>(modal)) ++asked;
        modal->close();
    });
    editor->buttons()->ClickLock();
    EXPECT_EQ(asked, 0);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0].text, kNoPasswordText);
    EXPECT_FALSE(editor->locked());
}

TEST_F(EditorControlsTest, LockNeedsThePasswordAndBlocksEverySend) {
    Open();
    const std::string uid = session->model().entry(1).uniqueId;
    ASSERT_TRUE(session->passwords().Set(uid, "stage"));
    // The buttons that change the device are disabled while locked; the others stay.
    const struct {
        const char* button;
        bool changesDevice;
    } buttons[] = {{"Load", true},      {"Store", true},    {"Recall", true}, {"Default", true},
                   {"Settings", true},  {"Save", false},    {"View All", false}, {"Version", false},
                   {"Lock", false},     {"Pwd", false}};
    const auto buttonsShow = [&](bool locked) {
        for (const auto& b : buttons) {
            QWidget* w = editor->buttons()->button(b.button);
            if (!w) return ::testing::AssertionFailure() << "no button " << b.button;
            if (w->isEnabled() != (!locked || !b.changesDevice))
                return ::testing::AssertionFailure() << b.button << (w->isEnabled() ? " enabled" : " disabled");
        }
        return ::testing::AssertionSuccess();
    };
    EXPECT_TRUE(buttonsShow(false));
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
    EXPECT_TRUE(buttonsShow(true));
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
    EXPECT_TRUE(buttonsShow(false));
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
