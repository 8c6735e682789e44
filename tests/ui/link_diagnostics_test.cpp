// The link diagnostics window on a connected simulated amplifier: its row,
// the live refresh, the traffic table and saving it.
#include <QPushButton>
#include <QTableWidget>
#include <fstream>

#include "app/link_diagnostics.h"
#include "protocol/commands.h"
#include "ui/link_diagnostics_window.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

QString Cell(const QTableWidget* t, int row, int column) {
    const QTableWidgetItem* item = t->item(row, column);
    return item ? item->text() : QString();
}

int Column(const std::vector<std::string>& headers, const std::string& name) {
    return static_cast<int>(std::find(headers.begin(), headers.end(), name) - headers.begin());
}

TEST_F(UiTest, LinkDiagnosticsShowTheDeviceLiveAndSaveItsFrames) {
    AddSimDevice("Stage Left");
    StartEditor();
    ListAndConnect(1, hosts[0]);
    list->ClickDiagnostics();
    LinkDiagnosticsWindow* w = list->diagnostics();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->objectName(), "FrmLinkDiagnostics");

    const int row = w->rowOf(1);
    ASSERT_GE(row, 0);
    const int exchangesColumn = Column(FigureHeaders(), "Exchanges");
    EXPECT_EQ(Cell(w->figures(), row, 0), "Stage Left");
    EXPECT_EQ(Cell(w->figures(), row, 1), QString::fromStdString(hosts[0]));
    EXPECT_EQ(Cell(w->figures(), row, 2), "On-line");
    const LinkMonitor& monitor = session->exchange().monitor();
    EXPECT_EQ(Cell(w->figures(), row, exchangesColumn).toULongLong(), monitor.Figures(1).exchanges);
    EXPECT_EQ(w->selectedSlot(), 1);

    // An exchange made now shows within the refresh period, without a click.
    const std::uint64_t before = monitor.Figures(1).exchanges;
    ASSERT_TRUE(session->exchange().Transact(1, Request{cmd::kStatusPoll, {}, {}}, Reporting::Quiet).replied());
    EXPECT_TRUE(WaitFor([&] { return Cell(w->figures(), row, exchangesColumn).toULongLong() == before + 1; },
                        4 * LinkDiagnosticsWindow::kRefreshMs));
    const int last = w->traffic()->rowCount() - 1;
    ASSERT_GE(last, 1);
    EXPECT_EQ(Cell(w->traffic(), last, 1), "<-");
    EXPECT_EQ(Cell(w->traffic(), last, 2), "status (22)");
    EXPECT_EQ(Cell(w->traffic(), last, 5), "ok");

    // Saved under the name typed, with ".txt" added: one line per frame shown.
    const std::string path = folder.file("frames");
    dialogs.files.push_back(path);
    const std::vector<TrafficRecord> shown = monitor.Traffic(1);
    w->ClickSave();
    std::ifstream in(path + ".txt");
    ASSERT_TRUE(in.good()) << "saved as " << path << ".txt";
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), shown.size());
    EXPECT_EQ(lines.back(), FormatTrafficRecord(shown.back()));
    EXPECT_TRUE(dialogs.messages().empty());
}

}  // namespace
}  // namespace zef::test
