// The layers of src/ depend only downward: a file may include headers of its
// own layer and of the layers listed for it below, nothing else. The core
// layers know no Qt, and only the window layer uses Qt's widgets. The
// simulator keeps its own view of the device: it uses none of the editor's
// protocol, model or device code. The screenshot renderer (tools/shots) sits
// on the windows, like the editor's main(). The tests of the pure layers keep
// to the same rules as the code they test, so a test that needs a higher
// layer lives with the tests of that layer.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct Rule {
    std::set<std::string> may;  // layers whose headers the folder may include
    enum { NoQt, QtCore, QtWidgets } qt;
};

const std::map<std::string, Rule>& Rules() {
    static const std::map<std::string, Rule> rules = {
        {"src/base", {{}, Rule::NoQt}},
        {"src/protocol", {{"base"}, Rule::NoQt}},
        {"src/model", {{"base", "protocol"}, Rule::NoQt}},
        {"src/dsp", {{"base", "protocol", "model"}, Rule::NoQt}},
        {"src/files", {{"base", "protocol", "model", "dsp"}, Rule::NoQt}},
        {"src/transport", {{"base", "protocol"}, Rule::QtCore}},
        {"src/device", {{"base", "protocol", "model", "dsp", "files", "transport"}, Rule::QtCore}},
        {"src/audio", {{"base"}, Rule::NoQt}},
        {"src/measure", {{"base", "audio", "model", "dsp", "files"}, Rule::NoQt}},
        {"src/remote", {{"base", "protocol", "model", "dsp", "files", "transport", "device"}, Rule::QtCore}},
        {"src/app",
         {{"base", "protocol", "model", "dsp", "files", "transport", "device", "audio", "measure", "remote"},
          Rule::QtCore}},
        {"src/ui",
         {{"base", "protocol", "model", "dsp", "files", "transport", "device", "audio", "measure", "remote", "app"},
          Rule::QtWidgets}},
        {"src/main",
         {{"base", "protocol", "model", "dsp", "files", "transport", "device", "audio", "measure", "remote",
           "app", "ui"},
          Rule::QtWidgets}},
        {"tools/zefsim", {{"base", "dsp", "audio"}, Rule::QtCore}},
        {"tests/base", {{}, Rule::NoQt}},
        {"tests/protocol", {{"base"}, Rule::NoQt}},
        {"tests/model", {{"base", "protocol"}, Rule::NoQt}},
        {"tests/dsp", {{"base", "protocol", "model"}, Rule::NoQt}},
        {"tools/zefctl",
         {{"base", "protocol", "model", "dsp", "files", "transport", "device", "audio", "measure", "remote", "app"},
          Rule::QtCore}},
        {"tools/zefd",
         {{"base", "protocol", "model", "dsp", "files", "transport", "device", "audio", "measure", "remote", "app"},
          Rule::QtCore}},
        {"tools/shots",
         {{"base", "protocol", "model", "dsp", "files", "transport", "device", "audio", "measure", "app", "ui"},
          Rule::QtWidgets}},
    };
    return rules;
}

const std::set<std::string>& Layers() {
    static const std::set<std::string> layers = {"base",    "protocol", "model",  "dsp", "files",
                                                 "transport", "device", "audio", "measure", "remote",
                                                 "app",     "ui",       "main"};
    return layers;
}

// Everything outside Qt Core, Network, SerialPort, HttpServer and WebSockets counts as a widget header.
bool IsWidgetsHeader(const std::string& h) {
    static const std::set<std::string> core = {"QObject", "QTimer", "QString", "QByteArray", "QStringList",
                                               "QCoreApplication", "QEventLoop", "QElapsedTimer", "QLocale",
                                               "QStandardPaths", "QDir", "QFile", "QFileInfo", "QJsonObject",
                                               "QJsonArray", "QJsonDocument", "QHostAddress", "QTcpSocket",
                                               "QTcpServer", "QUdpSocket", "QNetworkInterface", "QSerialPort",
                                               "QSerialPortInfo", "QAbstractSocket", "QPointer", "QThread",
                                               "QProcess", "QSocketNotifier", "QMetaObject", "QVariant",
                                               "QDeadlineTimer", "QNetworkDatagram", "QCryptographicHash",
                                               "QPasswordDigestor", "QRandomGenerator", "QSaveFile", "QTextStream",
                                               "QUrl", "QUrlQuery", "QAbstractHttpServer", "QHttpServerRequest",
                                               "QHttpServerResponder", "QWebSocket", "QWebSocketServer", "QJsonValue",
                                               "QCommandLineParser", "QNetworkAccessManager", "QNetworkProxy",
                                               "QNetworkReply", "QNetworkRequest"};
    return core.count(h) == 0;
}

// Every violation of the rules under `root`, one line each.
std::vector<std::string> Violations(const fs::path& root) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<std::string> found;
    for (const auto& [folder, rule] : Rules()) {
        const fs::path dir = root / folder;
        if (!fs::exists(dir)) continue;
        const std::string own = fs::path(folder).filename().string();
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".h" && ext != ".cpp") continue;
            std::ifstream in(entry.path());
            std::string line;
            int number = 0;
            while (std::getline(in, line)) {
                ++number;
                std::smatch m;
                if (!std::regex_search(line, m, include)) continue;
                const std::string target = m[2];
                const std::string where = fs::relative(entry.path(), root).string() + ":" + std::to_string(number);
                if (m[1] == "\"") {
                    const auto slash = target.find('/');
                    if (slash == std::string::npos) continue;  // a header of the same folder
                    const std::string layer = target.substr(0, slash);
                    if (Layers().count(layer) == 0 || layer == own) continue;
                    if (rule.may.count(layer) == 0) found.push_back(where + " includes " + target);
                } else if (target.rfind("Q", 0) == 0 && target.find('/') == std::string::npos &&
                           target.find('.') == std::string::npos) {
                    if (rule.qt == Rule::NoQt || (rule.qt == Rule::QtCore && IsWidgetsHeader(target)))
                        found.push_back(where + " includes <" + target + ">");
                }
            }
        }
    }
    return found;
}

TEST(Layering, EveryIncludePointsDownward) {
    const std::vector<std::string> violations = Violations(ZEF_SOURCE_DIR);
    std::string text;
    for (const auto& v : violations) text += v + "\n";
    EXPECT_TRUE(violations.empty()) << text;
}

TEST(Layering, AnUpwardIncludeIsFound) {
    // The check itself: a model file that reaches into the device layer, a
    // protocol file that uses Qt, a device file with a widget and a model
    // test that includes the device layer are found; downward and
    // same-folder includes are not.
    zef::test::TempFolder folder;
    const fs::path root = folder.path();
    fs::create_directories(root / "src/model");
    fs::create_directories(root / "src/protocol");
    fs::create_directories(root / "src/device");
    fs::create_directories(root / "tests/model/sub");
    std::ofstream(root / "src/model/a.cpp") << "#include \"model/b.h\"\n#include \"base/check.h\"\n"
                                               "#include \"b.h\"\n#include \"device/senders.h\"\n";
    std::ofstream(root / "src/protocol/c.h") << "#include <vector>\n#include <QString>\n";
    std::ofstream(root / "src/device/d.cpp") << "#include <QTimer>\n#include <QWidget>\n#include \"app/x.h\"\n";
    std::ofstream(root / "tests/model/sub/e_test.cpp")
        << "#include \"model/a.h\"\n#include \"temp_folder.h\"\n"
           "#include \"device/linking.h\"\n";
    const std::vector<std::string> v = Violations(root);
    const std::set<std::string> got(v.begin(), v.end());
    const std::set<std::string> expected = {
        "src/model/a.cpp:4 includes device/senders.h",
        "src/protocol/c.h:2 includes <QString>",
        "src/device/d.cpp:2 includes <QWidget>",
        "src/device/d.cpp:3 includes app/x.h",
        "tests/model/sub/e_test.cpp:3 includes device/linking.h",
    };
    EXPECT_EQ(got, expected);
}

}  // namespace
