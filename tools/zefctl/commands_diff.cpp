// diff: what a device holds against a preset or project file.
#include <QJsonArray>

#include "cli.h"
#include "device_file.h"
#include "model/records.h"
#include "model/state_diff.h"
#include "output.h"
#include "session.h"

namespace zefctl {
namespace {

std::string FirText(const zef::DeviceModel& d, int output) {
    return std::to_string(zef::FirTapCount(d.preset, output)) + " taps \"" + zef::FirName(d.preset, output) + "\"";
}

QJsonObject FirJson(const zef::DeviceModel& d, int output) {
    QJsonObject j;
    j["taps"] = zef::FirTapCount(d.preset, output);
    j["name"] = Q(zef::FirName(d.preset, output));
    return j;
}

void PrintJsonDiff(Context& ctx, const zef::StateDiff& diff, const zef::DeviceModel& device,
                   const zef::DeviceModel& file) {
    QJsonArray parameters;
    for (const zef::ParameterValue& v : diff.parameters) {
        const zef::ParameterDescription& d = *v.parameter.description;
        QJsonObject p;
        p["name"] = Q(v.parameter.name);
        p["device"] = Q(ValueText(d, GetValue(device, v.parameter)));
        p["file"] = Q(ValueText(d, v.value));
        parameters.append(p);
    }
    QJsonArray firs;
    for (const int output : diff.firs) {
        QJsonObject f;
        f["output"] = output + 1;
        f["device"] = FirJson(device, output);
        f["file"] = FirJson(file, output);
        firs.append(f);
    }
    QJsonObject j;
    j["equal"] = diff.empty();
    j["parameters"] = parameters;
    j["firs"] = firs;
    PrintJson(ctx.out, j);
}

// "out1.eq.5.gain: device -3, file 0", one line each, in table order; then
// "out1.fir: device 384 taps "A", file 128 taps "B"" per differing FIR.
void PrintTextDiff(Context& ctx, const zef::StateDiff& diff, const zef::DeviceModel& device,
                   const zef::DeviceModel& file) {
    for (const zef::ParameterValue& v : diff.parameters) {
        const zef::ParameterDescription& d = *v.parameter.description;
        ctx.out << v.parameter.name << ": device " << ValueText(d, GetValue(device, v.parameter)) << ", file "
                << ValueText(d, v.value) << "\n";
    }
    for (const int output : diff.firs)
        ctx.out << "out" << output + 1 << ".fir: device " << FirText(device, output) << ", file "
                << FirText(file, output) << "\n";
    if (diff.empty()) ctx.out << "equal\n";
}

int Diff(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    const DeviceFile file = ReadDeviceFile(Arg(ctx, next, "FILE.prp|FILE.zef"), "diff");
    Session session(ctx.options);
    session.Connect(host, Session::Access::ReadOnly);
    session.Settle(false);
    const zef::DeviceModel& device = session.model.device(kSlot);
    const zef::DeviceModel target = TargetState(file, device, session.model.entry(kSlot).uniqueId);
    const zef::StateDiff diff = zef::DiffStates(device, target);
    if (ctx.options.json)
        PrintJsonDiff(ctx, diff, device, target);
    else
        PrintTextDiff(ctx, diff, device, target);
    return diff.empty() ? kExitOk : kExitFailed;
}

}  // namespace

void AddDiffCommands(SubCommandTable& table) {
    table.push_back({"diff", "diff HOST FILE.prp|FILE.zef",
                     "the parameters and FIRs in which the device differs from the file, by name and value; "
                     "exit 0 when equal, 1 when they differ",
                     Diff});
}

}  // namespace zefctl
