// zefsim: simulated ZEF-4.260 amplifiers on TCP, pseudo-terminals and UDP announcements.

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iostream>
#include <string>

#include "bootloader.h"
#include "build_version.h"
#include "cli.h"
#include "rig_cli.h"
#include "simulator.h"

namespace {

std::atomic<bool> stopRequested{false};

void onSignal(int) { stopRequested = true; }

}  // namespace

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

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

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

    bool stdinOpen = true;
    std::string pending;
    while (!stopRequested) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&p, stdinOpen ? 1 : 0, 200);
        if (ready <= 0 || !(p.revents & (POLLIN | POLLHUP))) continue;
        char buf[1024];
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            stdinOpen = false;  // keep serving until a signal arrives
            continue;
        }
        pending.append(buf, static_cast<std::size_t>(n));
        for (auto eol = pending.find('\n'); eol != std::string::npos; eol = pending.find('\n')) {
            const auto result = zefsim::runControl(sim, pending.substr(0, eol));
            pending.erase(0, eol + 1);
            std::cout << result.output << std::flush;
            if (result.quit) stopRequested = true;
        }
    }
    rigs.clear();
    sim.stop();
    return 0;
}
