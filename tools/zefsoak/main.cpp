// zefsoak: the fault soak. Random zefctl operations (identify, get, set,
// dump, load, preset store and recall, FIR import) run against simulated
// amplifiers — three on loopback TCP, one on a pseudo-terminal — while
// faults are injected (a reply dropped, garbled, cut short, late by up to
// 12 s or naming another command; one bit flipped or one byte replaced in
// a reply or in a request; replies delayed, the device silent, the
// connection cut). After each operation the device is checked:
//   success  the device holds exactly what the operation said it did (and a
//            dump, get or set printed the device's values);
//   failure  every byte is as before or as the operation meant (a write
//            stopped part-way), and input the device must refuse changed
//            nothing at all.
// A spoilt request can make the device do something nobody sent (another
// command, another address): the bytes it wrote are the line's doing and
// may stay (zefsim records them; the device tests check that zefctl puts
// back what it had read), but no output may show a value the device does
// not hold. Anything else is a silent corruption. Prints operations,
// successes, failures, faults, the longest operation and the corruptions;
// exits non-zero when there was a corruption or an operation overran the
// deadline.
//
// usage: zefsoak [--minutes M] [--seed N] [--zefctl PATH]

#include <QCoreApplication>
#include <QProcess>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "base/c_number.h"
#include "operations.h"
#include "protocol/announcement.h"
#include "simulator.h"
#include "zefctl/cli.h"

namespace zefsoak {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using Fault = zefsim::Device::ArmedFault;

// zefctl's own deadline per operation, and what process start-up may add.
constexpr auto kDeadline = std::chrono::duration<double>(zefctl::kDefaultTimeoutSeconds);
constexpr auto kStartupGrace = 5s;

struct Stats {
    std::mutex mutex;
    long operations = 0, succeeded = 0, failed = 0, refused = 0, corruptions = 0, overran = 0, crashed = 0;
    long spoiltActedOn = 0, spoiltChanged = 0, lineBytes = 0;
    std::map<std::string, long> faults;
    std::map<std::string, long> perOperation;
    double longest = 0;
    std::string longestWhat;
};

struct Run {
    std::string exe;
    int exitCode = -1;  // -1: crashed or killed
    std::string out, err;
    double seconds = 0;
};

Run RunZefctl(const std::string& exe, const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    QProcess p;
    const auto start = Clock::now();
    p.start(QString::fromStdString(exe), list);
    Run r;
    const auto bound = std::chrono::duration_cast<std::chrono::milliseconds>(kDeadline + 30s);
    if (!p.waitForFinished(static_cast<int>(bound.count()))) {
        p.kill();
        p.waitForFinished(5000);
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
    }
    r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

// A fault for one operation: armed on the device at once, or applied by a
// timer at a random moment while zefctl runs. `quietUntil` is when no late
// reply of it can still be on its way.
struct FaultPlan {
    std::string name;  // "" = none
    std::chrono::milliseconds at{0}, window{0}, amount{0};
};

FaultPlan ChooseFault(std::mt19937& r, bool serial) {
    auto ms = [&r](int lo, int hi) { return std::chrono::milliseconds(std::uniform_int_distribution<int>(lo, hi)(r)); };
    static const char* kinds[] = {"",        "",        "",           "drop",        "garbage",
                                  "short",   "late",    "wrong command", "delay",     "silent",
                                  "cut",     "reply bit", "reply byte", "request bit", "request byte"};
    FaultPlan f;
    f.name = kinds[std::uniform_int_distribution<int>(0, static_cast<int>(std::size(kinds)) - 1)(r)];
    if (f.name == "cut" && serial) f.name = "garbage";  // a serial line has no connection to cut
    f.at = ms(0, 30);  // the frame index for armed faults
    if (f.name == "late") f.amount = ms(500, 12000);
    if (f.name == "delay" || f.name == "silent" || f.name == "cut") {
        f.at = ms(0, 3000);
        f.window = ms(500, 12000);
        f.amount = ms(500, 12000);
    }
    return f;
}

void Arm(zefsim::Device& d, const FaultPlan& f) {
    const int index = static_cast<int>(f.at.count());
    const int late = static_cast<int>(f.amount.count());
    if (f.name == "drop") d.armFault(Fault::Drop, index);
    if (f.name == "garbage") d.armFault(Fault::Garbage, index);
    if (f.name == "short") d.armFault(Fault::Short, index);
    if (f.name == "late") d.armFault(Fault::Late, index, late);
    if (f.name == "wrong command") d.armFault(Fault::WrongCommand, index);
    if (f.name == "reply bit") d.armFault(Fault::FlipReplyBit, index);
    if (f.name == "reply byte") d.armFault(Fault::ReplyByte, index);
    if (f.name == "request bit") d.armFault(Fault::FlipRequestBit, index);
    if (f.name == "request byte") d.armFault(Fault::RequestByte, index);
}

class Worker {
public:
    Worker(zefsim::Device& device, Target target, std::uint32_t seed, const std::string& exe, Stats& stats)
        : device_(device), target_(std::move(target)), random_(seed), exe_(exe), stats_(stats) {}

    void Loop(Clock::time_point end) {
        while (Clock::now() < end) One();
    }

private:
    void One() {
        const Image before = Capture(device_);
        device_.clearLog();  // spoilt requests are counted per operation
        const Operation op = RandomOperation(target_, before, random_, target_.host.empty());
        const FaultPlan fault = ChooseFault(random_, target_.host.empty());
        std::atomic<bool> done{false};
        std::thread timed;
        Arm(device_, fault);
        if (fault.name == "delay" || fault.name == "silent" || fault.name == "cut") {
            timed = std::thread([this, fault, &done] { Timed(fault, done); });
        }
        const Run run = RunZefctl(exe_, op.args);
        done = true;
        if (timed.joinable()) timed.join();
        device_.disarmFault();
        device_.setReplyDelayMs(0);
        device_.setSilent(false);
        // Late replies of this operation still on the line must not meet the next one.
        std::this_thread::sleep_for(fault.name == "late" || fault.name == "delay" ? fault.amount + 200ms : 50ms);
        Check(op, fault, run, before, Capture(device_));
    }

    void Timed(const FaultPlan& f, std::atomic<bool>& done) {
        const auto start = Clock::now();
        auto waitUntil = [&done](Clock::time_point t) {
            while (!done && Clock::now() < t) std::this_thread::sleep_for(5ms);
            return !done;
        };
        if (!waitUntil(start + f.at)) return;
        if (f.name == "cut") {
            device_.cutConnections();
            return;
        }
        if (f.name == "delay") device_.setReplyDelayMs(static_cast<int>(f.amount.count()));
        if (f.name == "silent") device_.setSilent(true);
        waitUntil(start + f.at + f.window);
        device_.setReplyDelayMs(0);
        device_.setSilent(false);
    }

    void Check(const Operation& op, const FaultPlan& fault, const Run& run, const Image& before, const Image& after) {
        const LineChanges line = ChangesByTheLine(device_.alteredRequests());
        std::optional<std::string> corruption;
        if (run.exitCode == 0) {
            if (op.mustFail) corruption = "succeeded on input it had to refuse";
            if (!corruption) corruption = Difference(after, op.target, line);
            if (!corruption && op.checkOutput) corruption = op.checkOutput(run.out, after);
        } else if (run.exitCode > 0) {
            corruption = op.mustFail ? Difference(after, before, line) : OutsideEither(after, before, op.target, line);
            if (!corruption && !op.writes.empty() && std::filesystem::exists(op.writes))
                corruption = "failed, but wrote " + op.writes;
        }
        std::lock_guard lock(stats_.mutex);
        stats_.spoiltActedOn += static_cast<long>(line.acted);
        stats_.spoiltChanged += static_cast<long>(line.requests);
        stats_.lineBytes += static_cast<long>(line.bytes.size());
        ++stats_.operations;
        ++stats_.perOperation[op.name];
        if (!fault.name.empty()) ++stats_.faults[fault.name];
        if (run.exitCode == 0) ++stats_.succeeded;
        if (run.exitCode > 0) ++stats_.failed;
        if (run.exitCode > 0 && op.mustFail) ++stats_.refused;
        if (run.exitCode < 0) {
            ++stats_.crashed;
            std::cerr << "zefsoak: zefctl crashed or hung: " << Describe(op) << "\n" << run.err;
        }
        const std::string where = target_.host.empty() ? "serial" : target_.host;
        if (run.seconds > stats_.longest) {
            stats_.longest = run.seconds;
            stats_.longestWhat = op.name + " on " + where + (fault.name.empty() ? "" : ", fault " + fault.name);
        }
        if (std::chrono::duration<double>(run.seconds) > kDeadline + kStartupGrace) {
            ++stats_.overran;
            std::cerr << "zefsoak: over the deadline (" << run.seconds << " s): " << Describe(op) << "\n";
        }
        if (corruption) {
            ++stats_.corruptions;
            std::cerr << "zefsoak: SILENT CORRUPTION on " << where << ": " << Describe(op) << " (fault "
                      << (fault.name.empty() ? "none" : fault.name) << ", exit " << run.exitCode
                      << "): " << *corruption << "\nzefctl said: " << run.out << run.err << "\n";
        }
    }

    static std::string Describe(const Operation& op) {
        std::string s = "zefctl";
        for (const auto& a : op.args) s += " " + a;
        return s;
    }

    zefsim::Device& device_;
    Target target_;
    std::mt19937 random_;
    std::string exe_;
    Stats& stats_;
};

int Main(int argc, char** argv) {
    double minutes = 10;
    std::uint32_t seed = static_cast<std::uint32_t>(std::random_device{}());
    std::string exe = ZEFCTL_PATH;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        const std::optional<double> number = zef::ParseCNumber(argv[i + 1]);
        if (a == "--minutes" && number && *number >= 0)
            minutes = *number;
        else if (a == "--seed") seed = static_cast<std::uint32_t>(std::stoul(argv[i + 1]));
        else if (a == "--zefctl") exe = argv[i + 1];
        else {
            std::cerr << "usage: zefsoak [--minutes M] [--seed N] [--zefctl PATH]\n";
            return 2;
        }
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zefsoak-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);

    zefsim::Simulator sim;
    std::vector<Target> targets;
    std::vector<zefsim::Device*> devices;
    for (int i = 0; i < 4; ++i) {
        zefsim::DeviceConfig config;
        config.name = "Soak " + std::to_string(i + 1);
        zefsim::Device& d = sim.addDevice(config);
        Target t;
        t.folder = (folder / ("device" + std::to_string(i + 1))).string();
        std::filesystem::create_directories(t.folder);
        t.uniqueId = zef::UniqueIdText(d.uid());
        if (i < 3) {
            t.host = "127.0.0." + std::to_string(11 + i);
            t.port = std::to_string(sim.listenTcp(d, t.host, 0));
        } else {
            t.serial = (folder / "ttyZEF-soak").string();
            sim.openSerial(d, t.serial);
        }
        targets.push_back(t);
        devices.push_back(&d);
    }
    sim.start();
    std::printf(
        "zefsoak: %s minutes, 3 devices on TCP and 1 on a pseudo-terminal, seed %u, zefctl deadline %s s\n",
        zef::CFixed(minutes, 1).c_str(), seed, zef::CFixed(kDeadline.count(), 0).c_str());
    std::fflush(stdout);

    Stats stats;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(minutes * 60));
    std::vector<std::unique_ptr<Worker>> workers;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        workers.push_back(std::make_unique<Worker>(*devices[i], targets[i], seed + static_cast<std::uint32_t>(i), exe, stats));
        threads.emplace_back([&w = *workers.back(), end] { w.Loop(end); });
    }
    for (auto& t : threads) t.join();
    sim.stop();
    std::filesystem::remove_all(folder);

    long faults = 0;
    std::string faultList;
    for (const auto& [name, n] : stats.faults) {
        faults += n;
        faultList += (faultList.empty() ? "" : ", ") + name + " " + std::to_string(n);
    }
    std::string opList;
    for (const auto& [name, n] : stats.perOperation) opList += (opList.empty() ? "" : ", ") + name + " " + std::to_string(n);
    std::printf("operations          %ld (%s)\n", stats.operations, opList.c_str());
    std::printf("  succeeded         %ld\n", stats.succeeded);
    std::printf("  failed            %ld (of them refused illegal or empty input: %ld)\n", stats.failed, stats.refused);
    std::printf("  crashed or hung   %ld\n", stats.crashed);
    std::printf("faults injected     %ld (%s)\n", faults, faultList.c_str());
    std::printf("spoilt requests     %ld acted on by a device, %ld of them changed it (%ld bytes)\n",
                stats.spoiltActedOn, stats.spoiltChanged, stats.lineBytes);
    std::printf("longest operation   %s s (%s)\n", zef::CFixed(stats.longest, 1).c_str(),
                stats.longestWhat.c_str());
    std::printf("over the deadline   %ld\n", stats.overran);
    std::printf("silent corruptions  %ld\n", stats.corruptions);
    return stats.corruptions == 0 && stats.overran == 0 && stats.crashed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace zefsoak

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return zefsoak::Main(argc, argv);
}
