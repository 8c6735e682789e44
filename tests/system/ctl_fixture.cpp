#include "ctl_fixture.h"

#include <QProcess>
#include <QStringList>
#include <sstream>

#include "sim_link.h"

namespace zef::test {

CtlResult RunZefctl(const std::vector<std::string>& args, const std::string& configFolder) {
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    list << "--config" << QString::fromStdString(configFolder);
    QProcess p;
    p.start(ZEFCTL_PATH, list);
    CtlResult r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(1000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

void CtlTest::Start(const std::vector<zefsim::DeviceConfig>& configs) {
    std::vector<std::pair<std::string, zefsim::DeviceConfig>> plan;
    for (std::size_t i = 0; i < configs.size(); ++i)
        plan.push_back({"127.0.0." + std::to_string(i + 2), configs[i]});
    net.Start(plan);
}

CtlResult CtlTest::Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--port", Port()});
    return RunZefctl(args, folder.path());
}

std::vector<std::vector<std::uint8_t>> CtlTest::FramesWithCode(std::size_t device, std::uint8_t code) {
    return test::FramesWithCode(dev(device), code);
}

}  // namespace zef::test
