#include "ctl_fixture.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <fstream>
#include <QStringList>
#include <sstream>

#include "sim_link.h"

namespace zef::test {

CtlResult RunZefctl(const std::vector<std::string>& args, const std::string& configFolder, CtlLimits limits,
                    const Environment& environment) {
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    list << "--config" << QString::fromStdString(configFolder);
    // No zefd is asked: a zefd running on this machine must not take the
    // tests' devices (a test that wants one writes its own remote.conf).
    const std::filesystem::path remoteConf = std::filesystem::path(configFolder) / "remote.conf";
    if (!std::filesystem::exists(remoteConf)) std::ofstream(remoteConf) << "zefd off\n";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(DataHome(configFolder)));
    for (const auto& [name, value] : environment)
        env.insert(QString::fromStdString(name), QString::fromStdString(value));
    p.setProcessEnvironment(env);
#if defined(__SANITIZE_ADDRESS__)
    limits.addressSpaceKiB = 0;
#endif
    if (limits.addressSpaceKiB != 0) {
        // sh -c 'ulimit -v N && exec "$@"' sh zefctl args...
        list.prepend(ZEFCTL_PATH);
        list.prepend("sh");
        list.prepend(QString("ulimit -v %1 && exec \"$@\"").arg(limits.addressSpaceKiB));
        list.prepend("-c");
        p.start("/bin/sh", list);
    } else {
        p.start(ZEFCTL_PATH, list);
    }
    CtlResult r;
    if (!p.waitForFinished(limits.timeoutMs)) {
        p.kill();
        p.waitForFinished(1000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

std::string DataHome(const std::string& configFolder) {
    return (std::filesystem::path(configFolder) / "data-home").string();
}

std::string EditorDataFolder(const std::string& configFolder) {
    const std::filesystem::path folder = std::filesystem::path(DataHome(configFolder)) / "zef-editor";
    std::filesystem::create_directories(folder);
    return folder.string();
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

CtlResult CtlTest::Run(std::vector<std::string> args, CtlLimits limits) {
    args.insert(args.begin(), {"--port", Port()});
    return RunZefctl(args, folder.path(), limits, environment);
}

std::vector<std::vector<std::uint8_t>> CtlTest::FramesWithCode(std::size_t device, std::uint8_t code) {
    return test::FramesWithCode(dev(device), code);
}

}  // namespace zef::test
