// A project opened without its amplifier: its device opens in the channel
// editor and the output editor off-line, says so in their titles and in the
// device list, and an edit there changes the model and sends nothing (a
// simulated amplifier listens at the listed address and logs any frame).
#include <QFontMetrics>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

#include "app/main_actions.h"
#include "app/output_eq_actions.h"
#include "files/project_file.h"
#include "model/defaults.h"
#include "model/parameters.h"
#include "model/status_text.h"
#include "ui/eq_fir_window.h"
#include "ui/output_eq_windows.h"
#include "ui/undo_actions.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

class OfflineEditorTest : public UiTest {
protected:
    // A project listing the simulated amplifier in slot 1, saved and loaded again.
    void LoadProject() {
        DeviceEntry& e = session->model().entry(1);
        e = ClearedEntry(1);
        e.inList = true;
        e.interface = kInterfaceTcp;
        e.network = kNetworkLan;
        e.ip = hosts[0];
        e.name = "Stage Left";
        ResetToDefaults(session->model().device(1));
        ASSERT_EQ(session->writer().Set(1, *FindParameter("out1.gain"), -12), kOk);
        const std::string path = folder.file("show.prp");
        dialogs.files = {path};
        ASSERT_TRUE(MainActions(*session).SaveProjectFile());
        // What a fresh start holds before the project is loaded.
        ResetToDefaults(session->model().device(1));
        session->list().ClearSlot(1);
        dialogs.files = {path};
        main->ClickLoadProject();
        ASSERT_TRUE(session->model().entry(1).inList);
        dialogs.calls.clear();
    }
    double Gain() { return GetValue(session->model().device(1), *FindParameter("out1.gain")); }
};

TEST_F(OfflineEditorTest, AProjectsDeviceIsEditedOffLineOnItsModelAlone) {
    zefsim::Device& device = AddSimDevice("Amp");
    StartEditor();
    ASSERT_NO_FATAL_FAILURE(LoadProject());
    device.clearLog();

    // Opened from the list, the user declines to connect: the editor opens off-line.
    dialogs.answers = {Answer::No};
    list->OpenDevice(1);
    ASSERT_NE(main->editor(1), nullptr);
    ChannelEditorWindow& editor = ShowEditorWithoutTimers(1);
    const std::string offline = std::string("Stage Left - IP=") + hosts[0] + kOfflineTitleSuffix;
    EXPECT_EQ(editor.windowTitle().toStdString(), offline);
    EXPECT_EQ(editor.parentWidget()->windowTitle().toStdString(), offline);
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus).toStdString(), kStatusOfflineEditing);
    QFont bold = list->table()->font();
    bold.setBold(true);
    EXPECT_GT(list->table()->columnWidth(DeviceListWindow::kColStatus),
              QFontMetrics(bold).horizontalAdvance(kStatusOfflineEditing))
        << "the status is not cut";
    OutputEqWindow& eq = main->outputEqWindows().Open(1, 0);
    EXPECT_EQ(eq.windowTitle().toStdString(), std::string("Stage Left - IP=") + hosts[0] + " - Output Filter" +
                                                  kOfflineTitleSuffix);

    // The controls show the project's values; an edit reaches the model, and undo takes it back there.
    NumberControl& gain = NumberOf(editor, "out1.gain");
    EXPECT_EQ(gain.box()->text(), "-12");
    const double before = Gain();
    EXPECT_EQ(before, -12);
    gain.box()->clear();
    QTest::keyClicks(gain.box(), "-20");
    QTest::keyClick(gain.box(), Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Gain() == -20; }, 2000)) << Gain();
    main->undoActions().Run(true);
    EXPECT_EQ(Gain(), before);
    EXPECT_EQ(gain.box()->text(), QString::number(before));

    ASSERT_EQ(dialogs.calls.size(), 1u) << "only the question to connect; no error box";
    EXPECT_EQ(dialogs.calls[0].kind, "ask");
    QApplication::processEvents();
    EXPECT_TRUE(device.frames().empty()) << "nothing was sent";

    // Once on-line the titles and the list say so.
    session->model().entry(1).online = true;
    session->list().RowChanged(1);
    EXPECT_EQ(editor.windowTitle().toStdString(), EditorStatusPrefix(session->model().entry(1)));
    EXPECT_EQ(eq.windowTitle().toStdString(), OutputEditorTitle(session->model().entry(1)));
    EXPECT_EQ(list->cellText(1, DeviceListWindow::kColStatus).toStdString(), kStatusOnline);
    session->model().entry(1).online = false;
}

}  // namespace
}  // namespace zef::test
