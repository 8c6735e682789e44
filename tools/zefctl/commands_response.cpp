// response: the summed response of one channel group as the editor draws it.
#include <QJsonArray>
#include <cstdio>
#include <memory>

#include "base/c_number.h"
#include "cli.h"
#include "dsp/fir.h"
#include "dsp/responses.h"
#include "files/preset_file.h"
#include "model/defaults.h"
#include "model/editor_sync.h"
#include "output.h"
#include "session.h"

namespace zefctl {
namespace {

struct GroupName {
    const char* name;
    const char* alias;
    int group;
};
constexpr GroupName kGroupNames[] = {
    {"inL", "L", zef::dsp::kGroupInputL},   {"inR", "R", zef::dsp::kGroupInputR},
    {"out1", "1", zef::dsp::kGroupOutput1}, {"out2", "2", zef::dsp::kGroupOutput2},
    {"sm", "SM", zef::dsp::kGroupMasking},
};

int GroupOf(const std::string& channel) {
    for (const GroupName& g : kGroupNames)
        if (channel == g.name || channel == g.alias) return g.group;
    Usage("bad channel '" + channel + "' (inL, inR, out1, out2, sm)");
}

// Everything the editor sums: bands, crossovers, and both outputs' FIR responses.
void ComputeAll(zef::dsp::ResponseStore& store, const zef::DeviceModel& device) {
    zef::dsp::UpdateAllResponses(store, device, kSlot);
    for (int o = 0; o < zef::dsp::kFirOutputs; ++o)
        if (zef::dsp::ComputeFirResponse(store, device, kSlot, o) != zef::kOk) Fail("FIR response failed");
}

void Print(Context& ctx, const std::string& channel, const zef::dsp::ResponseStore& store,
           const zef::dsp::Curve& curve) {
    const auto& grid = store.grid();
    if (ctx.options.json) {
        QJsonArray hz;
        QJsonArray db;
        for (std::size_t k = 1; k < zef::dsp::kGridPoints; ++k) {
            hz.append(grid[k]);
            db.append(curve[k]);
        }
        QJsonObject j;
        j["channel"] = Q(channel);
        j["freq_hz"] = hz;
        j["db"] = db;
        PrintJson(ctx.out, j);
        return;
    }
    if (ctx.options.csv) ctx.out << "freq_hz,db\n";
    for (std::size_t k = 1; k < zef::dsp::kGridPoints; ++k) {
        ctx.out << zef::CFixed(grid[k], 3) << ',' << zef::CFixed(curve[k], 6) << '\n';
    }
}

int Response(Context& ctx) {
    const Options& o = ctx.options;
    auto store = std::make_unique<zef::dsp::ResponseStore>();
    std::string channel;
    if (o.preset) {
        channel = Arg(ctx, 0, "CHANNEL");
        const int group = GroupOf(channel);
        const zef::PresetFileResult file = zef::LoadPresetFile(*o.preset);
        if (!file.ok()) {
            const zef::FileMessage m = zef::PresetFileErrorMessage(file, *o.preset);
            Fail(ConsoleDialogs::OneLine(m.title, m.text));
        }
        auto device = std::make_unique<zef::DeviceModel>();
        zef::ResetToDefaults(*device);
        zef::ApplyPresetFile(file.data, *device);
        zef::LoadEditorValues(*device);
        ComputeAll(*store, *device);
        Print(ctx, channel, *store, store->device(kSlot).group(group));
        return kExitOk;
    }
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    channel = Arg(ctx, next, "CHANNEL");
    const int group = GroupOf(channel);
    Session session(o);
    session.Connect(host, Session::Access::ReadOnly);
    session.Close();
    ComputeAll(*store, session.model.device(kSlot));
    Print(ctx, channel, *store, store->device(kSlot).group(group));
    return kExitOk;
}

}  // namespace

void AddResponseCommands(SubCommandTable& table) {
    table.push_back({"response", "response HOST|--preset FILE.zef CHANNEL [--csv]",
                     "the summed response of a channel (inL, inR, out1, out2, sm) as the editor draws it: "
                     "lines freq_hz,db for grid points 1..6826",
                     Response});
}

}  // namespace zefctl
