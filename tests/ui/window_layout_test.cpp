// Where the windows open: every window fits a 1366 x 768 screen with nothing
// clipped, a kept geometry comes back and lands on the screen, the Window
// menu brings a lost window back, and message boxes belong to the window
// that asked.
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>
#include <memory>

#include "app/measure_context.h"
#include "ui/link_diagnostics_window.h"
#include "ui/autoeq_window.h"
#include "ui/eq_target_window.h"
#include "ui/fir_import_window.h"
#include "ui/fir_wizard.h"
#include "ui/fir_wizard_context.h"
#include "ui/output_eq_windows.h"
#include "ui/eq_fir_window.h"
#include "ui/qt_dialogs.h"
#include "ui/response_graph.h"
#include "ui/view_all_window.h"
#include "ui/tab_order.h"
#include "ui/window_geometry.h"
#include "ui/window_menu.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

constexpr QSize kSmallScreen(1366, 768);

TEST(WindowGeometryRules, ClampOntoScreen) {
    const ScreenRect screen{0, 0, 1366, 768};
    const struct {
        const char* what;
        ScreenRect frame;
        ScreenRect expected;
    } cases[] = {
        {"inside stays", {100, 50, 800, 600}, {100, 50, 800, 600}},
        {"off the right edge moves left", {1000, 50, 800, 600}, {566, 50, 800, 600}},
        {"off the bottom moves up", {100, 500, 800, 600}, {100, 168, 800, 600}},
        {"above and left of the screen", {-300, -40, 800, 600}, {0, 0, 800, 600}},
        {"from a second monitor far away", {3000, 1200, 800, 600}, {566, 168, 800, 600}},
        {"larger than the screen shrinks", {-10, -10, 2000, 1000}, {0, 0, 1366, 768}},
    };
    for (const auto& c : cases) {
        const ScreenRect r = ClampOntoScreen(c.frame, screen);
        EXPECT_EQ(r.x, c.expected.x) << c.what;
        EXPECT_EQ(r.y, c.expected.y) << c.what;
        EXPECT_EQ(r.width, c.expected.width) << c.what;
        EXPECT_EQ(r.height, c.expected.height) << c.what;
    }
    // A screen that does not start at 0, 0 (the second of two).
    const ScreenRect right = ClampOntoScreen({100, 100, 800, 600}, {1366, 0, 1920, 1080});
    EXPECT_EQ(right.x, 1366);
    EXPECT_EQ(right.y, 100);
}

TEST(WindowGeometryRules, TheLastFrequencyLabelIsNotCut) {
    const dsp::FrequencyGrid grid = dsp::FrequencyGrid::Nominal();
    QFont font;
    font.setPixelSize(10);  // the labels' font
    const int halfLabel = (QFontMetrics(font).horizontalAdvance("20k") + 1) / 2;
    for (const ResponseGraph::Scale scale : {ResponseGraph::Scale::Editor, ResponseGraph::Scale::ViewAll}) {
        ResponseGraph graph(grid);
        graph.setScale(scale);
        graph.resize(760, 300);
        EXPECT_LE(graph.plotArea().right() + halfLabel, graph.width() - 1) << static_cast<int>(scale);
    }
}

class WindowLayoutTest : public UiTest {
protected:
    void SetUp() override {
        AddSimDevice("Stage Left");
        StartEditor();
        ListAndConnect(1, hosts[0]);
    }
    void TearDown() override { SetWindowGeometryFile({}); }
};

// Controls made in an order that interleaves two frames: Tab would hop
// between them, and the audit says so until the order is set right.
TEST(TabOrder, AFrameLeftAndReEnteredIsFound) {
    QWidget window;
    auto* v = new QVBoxLayout(&window);
    auto* first = new QGroupBox("First", &window);
    auto* second = new QGroupBox("Second", &window);
    new QVBoxLayout(first);
    new QVBoxLayout(second);
    v->addWidget(first);
    v->addWidget(second);
    std::vector<QLineEdit*> boxes;
    for (QGroupBox* frame : {first, second, first, second}) {  // made interleaved
        boxes.push_back(new QLineEdit(frame));
        frame->layout()->addWidget(boxes.back());
    }
    window.show();
    const std::vector<QString> before = TabOrderProblems(window);
    ASSERT_EQ(before.size(), 2u);
    EXPECT_TRUE(before[0].contains("re-entered")) << before[0].toStdString();
    QWidget::setTabOrder(boxes[0], boxes[2]);
    QWidget::setTabOrder(boxes[2], boxes[1]);
    QWidget::setTabOrder(boxes[1], boxes[3]);
    EXPECT_TRUE(TabOrderProblems(window).empty());
}

TEST_F(WindowLayoutTest, EveryWindowFitsA1366By768ScreenAndTabGoesThroughItFrameByFrame) {
    const QSize room = kSmallScreen - QSize(kDecorationWidth, kDecorationHeight);
    ChannelEditorWindow& editor = main->ShowEditor(1);
    // The editor lives in the main window's area: what is left of the main
    // window on that screen once its menus, buttons and status line are drawn.
    main->showNormal();
    main->resize(room);
    QApplication::processEvents();
    const QSize area = main->mdiArea()->viewport()->size() + (main->size() - room);
    int filterIndex = 0;
    std::unique_ptr<audio::System> noCards;
    const MeasureContext measure = MeasureContextOf(*session);
    const struct {
        const char* what;
        std::function<QWidget*()> make;
        QSize room;
    } cases[] = {
        {"main window", [&]() -> QWidget* { return main.get(); }, room},
        {"device list", [&]() -> QWidget* { return list; }, area},
        {"channel editor", [&]() -> QWidget* { return &editor; }, area},
        {"output EQ/FIR editor", [&]() -> QWidget* { return &main->outputEqWindows().Open(1, 0); }, room},
        {"FIR wizard", [&]() -> QWidget* { return new FirWizardWindow(MakeFirWizardContext(measure, 1, 0)); },
         room},
        {"AutoEQ", [&]() -> QWidget* { return new AutoEqWindow(measure, 1, kOutput1); }, room},
        {"View All Graph", [&]() -> QWidget* { return new ViewAllGraphWindow(EditorContextOf(*session, 1)); },
         room},
        {"FIR import",
         [&]() -> QWidget* {
             return new FirImportWindow(EditorContextOf(*session, 1), EditorToolsOf(*session), 0, filterIndex);
         },
         room},
        {"EQ target", [&]() -> QWidget* { return new EqTargetWindow(EqTargetRecord{}); }, room},
        {"link diagnostics",
         [&]() -> QWidget* {
             return new LinkDiagnosticsWindow(session->model(), session->exchange().monitor(), dialogs, "");
         },
         room},
    };
    std::vector<std::unique_ptr<QWidget>> owned;
    for (const auto& c : cases) {
        QWidget* w = c.make();
        if (w->parent() == nullptr && w != main.get() && w != &editor && w != list) owned.emplace_back(w);
        const QSize minimum = w->minimumSizeHint().expandedTo(w->minimumSize());
        EXPECT_LE(minimum.width(), c.room.width()) << c.what;
        EXPECT_LE(minimum.height(), c.room.height()) << c.what;
        // Opened at its own size: not below its minimum, nothing clipped.
        if (w->isWindow()) {
            EXPECT_GE(w->width(), minimum.width()) << c.what;
            EXPECT_GE(w->height(), minimum.height()) << c.what;
        }
        w->show();
        for (const QString& problem : TabOrderProblems(*w)) ADD_FAILURE() << c.what << ": " << problem.toStdString();
    }
}

TEST_F(WindowLayoutTest, AKeptGeometryComesBackOnTheScreen) {
    SetWindowGeometryFile(QString::fromStdString((folder.path() / "windows.ini").string()));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* what;
        QRect kept;
        bool wholly;  // the kept geometry lies on the screen as it is
    } cases[] = {
        {"on the screen", QRect(screen.x() + 20, screen.y() + 60, 420, 300), true},
        {"off to the right", QRect(screen.right() + 400, screen.y() + 60, 420, 300), false},
        {"below and left", QRect(screen.x() - 900, screen.bottom() + 300, 420, 300), false},
    };
    for (const auto& c : cases) {
        {
            QWidget before;
            KeepWindowGeometry(&before, "Probe", QSize(300, 200));
            before.setGeometry(c.kept);
            before.show();
            QApplication::processEvents();
            before.hide();  // kept now
        }
        QWidget after;
        KeepWindowGeometry(&after, "Probe", QSize(300, 200));
        EXPECT_EQ(after.size(), c.kept.size()) << c.what;
        if (c.wholly) {
            EXPECT_EQ(after.pos(), c.kept.topLeft()) << c.what;
        }
        const QRect frame = after.geometry().adjusted(-kDecorationWidth / 2, -(kDecorationHeight - kDecorationWidth / 2),
                                                      kDecorationWidth / 2, kDecorationWidth / 2);
        EXPECT_TRUE(screen.contains(frame)) << c.what;
    }
}

TEST_F(WindowLayoutTest, TheWindowMenuBringsALostWindowBack) {
    main->ShowEditor(1);
    OutputEqWindow& eq = main->outputEqWindows().Open(1, 0);
    QMenu* menu = main->windowMenu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QStringList titles;
    for (QAction* a : menu->actions()) titles << a->text();
    EXPECT_TRUE(titles.contains("Device List")) << titles.join(", ").toStdString();
    EXPECT_TRUE(titles.contains(main->editor(1)->parentWidget()->windowTitle())) << titles.join(", ").toStdString();
    EXPECT_TRUE(titles.contains(eq.windowTitle())) << titles.join(", ").toStdString();
    // The device list, hidden behind the editor, comes to the front.
    for (QAction* a : menu->actions())
        if (a->text() == "Device List") a->trigger();
    ASSERT_NE(main->mdiArea()->activeSubWindow(), nullptr);
    EXPECT_EQ(main->mdiArea()->activeSubWindow()->widget(), list);
    // A minimised separate window is shown again.
    eq.showMinimized();
    emit menu->aboutToShow();
    for (QAction* a : menu->actions())
        if (a->text() == eq.windowTitle()) a->trigger();
    EXPECT_FALSE(eq.isMinimized());
    EXPECT_TRUE(eq.isVisible());
}

TEST_F(WindowLayoutTest, AMessageBoxBelongsToTheWindowThatAsked) {
    QtDialogs boxes(main.get());
    OutputEqWindow& eq = main->outputEqWindows().Open(1, 0);
    QWidget wizardLike;
    wizardLike.setWindowTitle("Another window");
    wizardLike.show();
    const struct {
        const char* what;
        QWidget* asking;
    } cases[] = {{"output EQ/FIR editor", &eq}, {"a separate window", &wizardLike}, {"main window", main.get()}};
    for (const auto& c : cases) {
        c.asking->activateWindow();
        ASSERT_TRUE(WaitFor([&] { return QApplication::activeWindow() == c.asking; }, 2000)) << c.what;
        QWidget* owner = nullptr;
        int titleRoom = 0;
        int boxWidth = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            owner = box->parentWidget();
            titleRoom = box->fontMetrics().horizontalAdvance(box->windowTitle());
            boxWidth = box->width();
            box->done(QMessageBox::Ok);
        });
        boxes.Message("Communication Error", "x", Icon::Exclamation);
        EXPECT_EQ(owner, c.asking) << c.what;
        // The title is not cut: the box is wider than its title text.
        EXPECT_GT(boxWidth, titleRoom) << c.what;
    }
}

TEST_F(WindowLayoutTest, AWithdrawnMessageClosesItself) {
    QtDialogs boxes(main.get());
    bool stillOpen = true;
    bool timedOut = false;
    QTimer safety;  // a box that never closes would hang the test
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            timedOut = true;
            box->close();
        }
    });
    safety.start(3000);
    QTimer::singleShot(0, [&] {
        boxes.Withdraw("Communication problem", "IP:127.0.0.9 disconnected");  // another one: stays
        QTimer::singleShot(50, [&] {
            stillOpen = QApplication::activeModalWidget() != nullptr;
            boxes.Withdraw("Communication problem", "IP:127.0.0.2 disconnected");
        });
    });
    boxes.Message("Communication problem", "IP:127.0.0.2 disconnected", Icon::Exclamation);
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
}  // namespace zef::test
