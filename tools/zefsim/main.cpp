// zefsim: simulated ZEF-4.260 amplifiers on TCP, pseudo-terminals and UDP announcements.

#include <chrono>
#include <iostream>
#include <string>

#include "base/stop_requests.h"
#include "bootloader.h"
#include "build_version.h"
#include "cli.h"
#include "rig_cli.h"
#include "simulator.h"
#include "stdin_lines.h"

int main(int argc, char** argv) {
    zefsim::Options options;
    zefsim::RigOptions rigOptions;
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        rigOptions = zefsim::takeRigOptions(args);
        options = zefsim::parseOptions(args);
    } catch (const std::exception& e) {
        std::cerr << "zefsim: " << e.what() << "\n(try zefsim --help)\n";
        return 2;
    }
    if (options.help) {
        std::cout << zefsim::usage() << zefsim::rigUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "zefsim " << zef::kBuildVersion << "\n";
        return 0;
    }

    zef::WatchStopRequests();
    zef::IgnoreBrokenPipes();

    zefsim::Simulator sim;
    std::vector<std::unique_ptr<zefsim::Rig>> rigs;
    try {
        for (const auto& plan : options.devices) {
            zefsim::Device& d = sim.addDevice(plan.config);
            d.setMeterAnimation(options.meters);
            zefsim::installBootloader(d);
            for (const zefsim::Corruption& c : plan.corruptions) d.armCorruption(c);
            d.setNoisePercent(plan.noisePercent);
            if (plan.tcp) {
                sim.listenTcp(d, plan.tcp->first, plan.tcp->second,
                              options.allowRemote ? zefsim::Simulator::Remote::Allowed : zefsim::Simulator::Remote::Refused);
                if (options.announce) sim.announceTo(d, options.announce->first, options.announce->second);
            }
            if (plan.serial) sim.openSerial(d, *plan.serial);
        }
        rigs = zefsim::startRigs(sim, rigOptions);
    } catch (const std::exception& e) {
        std::cerr << "zefsim: " << e.what() << "\n";
        return 1;
    }
    sim.setAnnounceIntervalMs(options.announce ? options.announceIntervalMs : 0);
    sim.start();

    std::cout << "zefsim: " << sim.deviceCount() << " device(s); type help for the control commands\n";
    for (std::size_t i = 0; i < sim.deviceCount(); ++i) std::cout << zefsim::describeDevice(sim, i);
    for (std::size_t i = 0; i < rigs.size(); ++i) std::cout << zefsim::describeRig(*rigs[i], rigOptions.rigs[i]);
    std::cout << std::flush;

    // Control commands until a stop request or "quit"; after the end of the
    // input the simulator keeps serving until a stop request.
    zefsim::StdinLines input;
    bool quit = false;
    while (!quit && !zef::StopRequested()) {
        const auto line = input.Next(std::chrono::milliseconds(200));
        if (!line) continue;
        const auto result = zefsim::runControl(sim, *line);
        std::cout << result.output << std::flush;
        quit = result.quit;
    }
    rigs.clear();
    sim.stop();
    return 0;
}
