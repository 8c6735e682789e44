// zefctl: the command-line controller of ZEF amplifiers.
#include <QCoreApplication>
#include <iostream>

#include "cli.h"
#include "program_info.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("zefctl");
    zefctl::SubCommandTable table;
    for (auto add : {zefctl::AddDiscoveryCommands, zefctl::AddParameterCommands, zefctl::AddFileCommands,
                     zefctl::AddResponseCommands, zefctl::AddNetworkCommands, zefctl::AddFirmwareCommands,
                     zefctl::AddAudioCommands, zefctl::AddMeasureCommands, zefctl::AddDesignCommands,
                     zefctl::AddMonitorCommands, zefctl::AddDiffCommands})
        add(table);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (const auto answered = zefctl::AnswerProgramInfo(table, args, std::cout)) return *answered;
    return zefctl::RunCli(table, args, std::cout, std::cerr);
}
