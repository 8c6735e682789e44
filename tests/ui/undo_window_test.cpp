// Undo, redo and A/B in the windows, against a simulated amplifier: the keys
// reach the editor's device even from a focused number box, the Edit menu
// names the step, and the device's bytes go back and forth.
#include <QAction>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <algorithm>

#include "model/memory_map.h"
#include "ui/band_graph.h"
#include "ui/eq_band_panel.h"
#include "ui/editor_button_bar.h"
#include "ui/response_graph.h"
#include "ui/undo_actions.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

class UndoWindowTest : public UiTest {
protected:
    void Open() {
        editor = &OpenQuietEditor(device);
        main->show();
        main->activateWindow();
        QApplication::setActiveWindow(main.get());
        editor->SetPageTab(EditorPage::Outputs);
        QApplication::processEvents();
    }
    std::uint8_t GainCode() const { return device->memory(kPresetBaseAddress + pi::OutputGain(0), 1)[0]; }
    // The out1 gain fader pressed at its top and released at its bottom (+12 dB, then -60 dB).
    void DragGain() {
        Fader* fader = NumberOf(*editor, "out1.gain").fader();
        const int x = fader->width() / 2;
        QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(x, 0));
        const QPoint end(x, fader->height() + 40);
        QMouseEvent move(QEvent::MouseMove, QPointF(end), fader->mapToGlobal(QPointF(end)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(fader, &move);
        QTest::mouseRelease(fader, Qt::LeftButton, {}, end);
    }
    // The keys pressed where the focus is, as a user presses them.
    void Keys(Qt::KeyboardModifiers modifiers) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : main.get(), Qt::Key_Z, modifiers);
        QApplication::processEvents();
    }
    std::string UndoText() const { return main->undoActions().undo()->text().toStdString(); }
    std::string RedoText() const { return main->undoActions().redo()->text().toStdString(); }

    zefsim::Device* device = nullptr;
    ChannelEditorWindow* editor = nullptr;
};

TEST_F(UndoWindowTest, TheKeysUndoAndRedoAFaderDragFromAFocusedNumberBox) {
    Open();
    const std::uint8_t before = GainCode();
    EXPECT_EQ(UndoText(), "Undo");
    EXPECT_FALSE(main->undoActions().undo()->isEnabled());
    DragGain();
    ASSERT_TRUE(WaitFor([&] { return GainCode() == 0; }, 2000));
    EXPECT_EQ(UndoText(), "Undo Out 1 gain") << "a drag is one step";

    QLineEdit* box = NumberOf(*editor, "out1.gain").box();
    box->setFocus();
    QApplication::processEvents();
    Keys(Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return GainCode() == before; }, 2000));
    EXPECT_EQ(box->text(), QString::number((before - 120) / 2.0)) << "the box shows the value undone";
    EXPECT_EQ(UndoText(), "Undo");
    EXPECT_EQ(RedoText(), "Redo Out 1 gain");

    Keys(Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(WaitFor([&] { return GainCode() == 0; }, 2000));
    EXPECT_EQ(NumberOf(*editor, "out1.gain").box()->text(), "-60");
    EXPECT_TRUE(dialogs.calls.empty());

    // Off-line the editor works on the model: the undo changes it, sends nothing and asks nothing.
    session->model().entry(1).online = false;
    device->clearLog();
    main->undoActions().Run(true);
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(UndoText(), "Undo");
    EXPECT_EQ(RedoText(), "Redo Out 1 gain");
    EXPECT_EQ(NumberOf(*editor, "out1.gain").box()->text(), QString::number((before - 120) / 2.0));
    EXPECT_TRUE(device->frames().empty());
    EXPECT_EQ(GainCode(), 0) << "the device keeps what it had";
}

TEST_F(UndoWindowTest, TheCompareButtonsSwitchTheDeviceBetweenTwoStates) {
    Open();
    EditorButtonBar& bar = *editor->buttons();
    const std::uint8_t a = GainCode();
    bar.ClickCopyAToB();
    bar.compareAction(EditState::B)->trigger();
    EXPECT_TRUE(bar.compareAction(EditState::B)->isChecked());
    EXPECT_FALSE(bar.compareAction(EditState::A)->isChecked());
    DragGain();
    ASSERT_TRUE(WaitFor([&] { return GainCode() == 0; }, 2000));
    editor->SetPageTab(EditorPage::Inputs);
    NumberControl& band = *editor->bandPanel()->gain();
    ASSERT_EQ(band.parameter().name, "inL.eq.1.gain");
    const double bandA = band.box()->text().toDouble();
    ASSERT_NE(bandA, 6);
    band.box()->setText("6");
    band.CommitText();

    bar.compareAction(EditState::A)->trigger();
    ASSERT_TRUE(WaitFor([&] { return GainCode() == a; }, 2000));
    EXPECT_EQ(NumberOf(*editor, "out1.gain").box()->text(), QString::number((a - 120) / 2.0)) << "the editor follows";
    EXPECT_TRUE(bar.compareAction(EditState::A)->isChecked());
    EXPECT_EQ(UndoText(), "Undo") << "the drag belongs to B";
    // B's curves of both inputs behind A's, faintly; B's band 1 of input L is 6 dB.
    const ResponseGraph& graph = *editor->graph();
    ASSERT_TRUE(editor->bandGraph().showsOtherState());
    ASSERT_EQ(graph.traceCount(), 4u);
    EXPECT_LT(graph.trace(0).colour.alpha(), 255);
    EXPECT_LT(graph.trace(1).colour.alpha(), 255);
    EXPECT_EQ(graph.trace(2).colour.alpha(), 255);
    EXPECT_EQ(graph.trace(3).curve, graph.trace(1).curve) << "input R is the same in both";
    double apart = 0;
    for (std::size_t k = 0; k < graph.trace(0).curve.size(); ++k)
        apart = std::max(apart, graph.trace(0).curve[k] - graph.trace(2).curve[k]);
    EXPECT_NEAR(apart, 6 - bandA, 0.05);

    bar.compareAction(EditState::B)->trigger();
    ASSERT_TRUE(WaitFor([&] { return GainCode() == 0; }, 2000));
    EXPECT_EQ(UndoText(), "Undo Input L EQ band 1 gain");
    bar.ClickCopyAToB();
    bar.compareAction(EditState::A)->trigger();
    EXPECT_FALSE(editor->bandGraph().showsOtherState()) << "B is a copy of A again";
    EXPECT_EQ(editor->graph()->traceCount(), 2u);
    EXPECT_TRUE(dialogs.calls.empty());
}

}  // namespace
}  // namespace zef::test
