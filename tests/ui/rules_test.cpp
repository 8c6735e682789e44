// The pure rules of the windows: screen checks, file filters, message texts,
// the command line and the data folder.
#include <gtest/gtest.h>

#include <QDir>

#include "app/editor_options.h"
#include "ui/qt_dialogs.h"
#include "ui/screen_rules.h"
#include "ui_fixture.h"

namespace zef::test {
namespace {

TEST(ScreenRules, ScaleWarningsAndSplashSize) {
    struct Case {
        double dpi;
        int width, height;
        double scale;
        bool tooBig, belowMinimum;
    };
    const Case cases[] = {
        {96, 1024, 768, 1.0, false, false},  {96, 1023, 768, 1.0, true, false},
        {96, 1024, 767, 1.0, true, false},   {120, 1280, 960, 1.25, false, false},
        {120, 1279, 960, 1.25, true, false}, {120, 1280, 959, 1.25, true, false},
        {120, 1024, 768, 1.25, true, false}, {96, 800, 600, 1.0, true, false},
        {96, 799, 600, 1.0, true, true},     {96, 800, 599, 1.0, true, true},
        {144, 1920, 1080, 1.5, true, false}, {144, 1536, 1152, 1.5, false, false},
        {0, 1024, 768, 1.0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dpi << " dpi " << c.width << "x" << c.height);
        const ScreenCheck r = CheckScreen(c.dpi, c.width, c.height);
        EXPECT_DOUBLE_EQ(r.scale, c.scale);
        EXPECT_EQ(r.editorTooBig, c.tooBig);
        EXPECT_EQ(r.belowMinimum, c.belowMinimum);
        // 14655 x 3075 twips at 96 dpi; dividing by the scale keeps the pixel size.
        EXPECT_EQ(r.splashWidth, 977);
        EXPECT_EQ(r.splashHeight, 205);
    }
}

TEST(QtDialogsText, FileFiltersInQtForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"Fw Update(*.Sfu)|*.sfu", "Fw Update (*.Sfu *.sfu)"},
        {"file project (*.Prp)|*.prp", "file project (*.Prp *.prp)"},
        {"file preset (*.zef)|*.zef", "file preset (*.zef)"},
        {"Text (*.txt)|*.txt|Comma separated (*.csv)|*.csv;*.CSV",
         "Text (*.txt);;Comma separated (*.csv *.CSV)"},
        {"Impulse|*.irw", "Impulse (*.irw)"},
        {"All (*.*)", "All (*.*)"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(QtFileFilter(in).toStdString(), out) << in;
}

TEST(QtDialogsText, LineBreaks) {
    EXPECT_EQ(QtMessageText("Connection will be closed.\r\nCommand Timeout Expired.").toStdString(),
              "Connection will be closed.\nCommand Timeout Expired.");
    EXPECT_EQ(QtMessageText("a\rb\nc").toStdString(), "a\nb\nc");
    EXPECT_EQ(QtMessageText("               Are you sure ? ").toStdString(),
              "               Are you sure ? ");
}

TEST(EditorCommandLine, OptionsAndErrors) {
    const ParsedOptions ok =
        ParseEditorOptions({"--data", "/tmp/x", "--loopback-lan", "--announce-port", "40000", "--device-port",
                            "10001", "--serial", "/tmp/a", "--serial", "/tmp/b", "--rig",
                            "127.0.0.1:30400", "--rig", "127.0.0.5:30401", "--log", "/tmp/t.log"});
    ASSERT_EQ(ok.error, "");
    EXPECT_EQ(ok.options.dataFolder, "/tmp/x");
    EXPECT_TRUE(ok.options.loopbackLan);
    EXPECT_EQ(ok.options.announcePort, 40000);
    EXPECT_EQ(ok.options.devicePort, 10001);
    EXPECT_EQ(ok.options.serialPaths, (std::vector<std::string>{"/tmp/a", "/tmp/b"}));
    EXPECT_EQ(ok.options.rigs, (std::vector<std::string>{"127.0.0.1:30400", "127.0.0.5:30401"}));
    EXPECT_EQ(ok.options.logFile, "/tmp/t.log");

    const ParsedOptions defaults = ParseEditorOptions({});
    EXPECT_EQ(defaults.error, "");
    EXPECT_EQ(defaults.options.announcePort, kDefaultAnnouncementPort);
    EXPECT_EQ(defaults.options.devicePort, 1001);
    EXPECT_FALSE(defaults.options.loopbackLan);

    const std::vector<std::vector<std::string>> bad = {
        {"--device-port", "0"},
        {"--device-port", "65536"},
        {"--announce-port", "12x"},
        {"--data"},
        {"--data", ""},
        {"--log"},
        {"--log", ""},
        {"--frobnicate"},
        {"--shots", "out"},  // screenshots are zefshots' work
        {"--rig", "192.0.2.5:30400"},
        {"--rig", "127.0.0.1"},
        {"--rig"},
    };
    for (const auto& args : bad) EXPECT_NE(ParseEditorOptions(args).error, "") << args[0];
}

TEST(ScreenRules, AKeptWindowPositionIsUsedOnlyOnAScreen) {
    const std::vector<ScreenRect> two = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const struct {
        int left, top;
        bool used;
    } cases[] = {
        {0, 0, false},       // never kept
        {100, 50, true},     // first screen
        {2000, 900, true},   // second screen
        {3190, 10, false},   // title bar beyond the right edge
        {-300, 20, false},   // left of every screen
        {100, 1075, false},  // below the first screen
        {-30, 5, true},      // partly off, title bar still visible
    };
    for (const auto& c : cases)
        EXPECT_EQ(RestorablePosition(c.left, c.top, two), c.used) << c.left << "," << c.top;
    EXPECT_FALSE(RestorablePosition(100, 50, {}));
}

TEST(EditorDataFolder, CreatedWithItsDataFolders) {
    TempFolder temp;
    const std::string target = temp.path().string() + "/nested/zef";
    const auto folder = PrepareDataFolder(target);
    ASSERT_TRUE(folder.has_value());
    for (const char* sub : kDataSubfolders)
        EXPECT_TRUE(QDir(QString::fromStdString(*folder + "/" + sub)).exists()) << sub;
    // A file where the folder should be cannot become the data folder.
    const std::string file = temp.path().string() + "/plain";
    ASSERT_TRUE(QFile(QString::fromStdString(file)).open(QIODevice::WriteOnly));
    EXPECT_FALSE(PrepareDataFolder(file).has_value());
}

}  // namespace
}  // namespace zef::test
