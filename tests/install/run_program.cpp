#include "run_program.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <sstream>

namespace zef::test {

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, int timeoutMs,
                      const std::string& workingFolder, const std::vector<std::string>& environment) {
    QProcess p;
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (const std::string& e : environment) {
        const auto eq = e.find('=');
        env.insert(QString::fromStdString(e.substr(0, eq)), QString::fromStdString(e.substr(eq + 1)));
    }
    p.setProcessEnvironment(env);
    if (!workingFolder.empty()) p.setWorkingDirectory(QString::fromStdString(workingFolder));
    p.start(QString::fromStdString(program), list);
    ProgramRun run;
    if (!p.waitForStarted(10000)) return run;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        run.err = "timed out";
        return run;
    }
    run.out = p.readAllStandardOutput().toStdString();
    run.err = p.readAllStandardError().toStdString();
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace zef::test
