// dump, load, preset store|recall|save, demo, fir import.
#include <algorithm>
#include <charconv>

#include "cli.h"
#include "device_file.h"
#include "files/fir_import.h"
#include "device/fir_store.h"
#include "model/demo_program.h"
#include "model/editor_sync.h"
#include "model/validation.h"
#include "files/preset_file.h"
#include "device/presets.h"
#include "files/project_file.h"
#include "output.h"
#include "session.h"
#include "app/preset_actions.h"

namespace zefctl {
namespace {

int WholeNumber(const std::string& text, int low, int high, const char* what) {
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < low || v > high)
        Usage(std::string("bad ") + what + " '" + text + "' (" + std::to_string(low) + ".." +
              std::to_string(high) + ")");
    return v;
}

void Done(Context& ctx, const std::string& what, const std::string& detail) {
    if (ctx.options.json) {
        QJsonObject j;
        j["done"] = Q(what);
        j["detail"] = Q(detail);
        PrintJson(ctx.out, j);
    } else {
        ctx.out << what << (detail.empty() ? "" : ": ") << detail << "\n";
    }
}

int Dump(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    const std::string& path = Arg(ctx, next, "FILE.prp");
    Session session(ctx.options);
    session.Connect(host, Session::Access::ReadOnly);
    session.Settle(false);
    session.model.entry(kSlot).online = false;  // a file holds no connection
    if (!zef::SaveProject(path, session.model)) Fail("cannot write " + path);
    session.model.entry(kSlot).online = true;
    // The file holds what the device holds, an illegal value included; loading it will refuse that.
    if (const auto illegal = zef::ValidateDeviceModel(session.model.device(kSlot)))
        ctx.err << "zefctl: warning: the device holds an illegal value, " << illegal->Text() << "; " << path
                << " keeps it and loading it will refuse it\n";
    Done(ctx, "saved", path);
    return kExitOk;
}

int Load(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    const DeviceFile file = ReadDeviceFile(Arg(ctx, next, "FILE.prp|FILE.zef"), "load");
    Session session(ctx.options);
    session.Connect(host);
    const zef::DeviceModel target =
        TargetState(file, session.model.device(kSlot), session.model.entry(kSlot).uniqueId);
    if (HasFlag(ctx, "--diff-only")) {
        const DiffSent sent = SendDifferences(session, target, "load " + file.path);
        session.Settle(true);
        Done(ctx, "loaded", file.path + " (" + std::to_string(sent.parameters) + " parameters, " +
                                std::to_string(sent.firs) + " FIRs differed)");
        return kExitOk;
    }
    session.model.device(kSlot) = target;
    const std::string what = "load " + file.path;
    if (file.isPreset)
        session.Check(zef::LoadPresetIntoDevice(session.exchange, session.model, kSlot), what);
    else
        session.Check(zef::LoadWholeDevice(session.reader, session.exchange, session.model, kSlot), what);
    session.Settle(true);
    Done(ctx, "loaded", file.path);
    return kExitOk;
}

// The device's running program and both FIRs as a preset file, as the
// editor's save-preset button writes it.
int SavePreset(Context& ctx, const std::string& host, const std::string& path) {
    Session session(ctx.options);
    session.Connect(host, Session::Access::ReadOnly);
    session.Settle(false);
    if (!zef::SavePresetFile(path, session.model.device(kSlot))) Fail(path + ": cannot be written");
    Done(ctx, "saved", path);
    return kExitOk;
}

// A demonstration program (crossovers, EQ bands, delay, limiter) written
// into the device's running program, as loading a preset file does.
int Demo(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    const std::string& which = Arg(ctx, next, "main|tower");
    if (which != "main" && which != "tower") Usage("demo HOST main|tower");
    Session session(ctx.options);
    session.Connect(host);
    zef::DeviceModel& d = session.model.device(kSlot);
    zef::ApplyDemoProgram(d, which == "main" ? zef::DemoProgram::MainSystem : zef::DemoProgram::DelayTower);
    session.Check(zef::LoadPresetIntoDevice(session.exchange, session.model, kSlot), "demo " + which);
    session.Settle(true);
    Done(ctx, "loaded", zef::PresetName(d.preset));
    return kExitOk;
}

int Preset(Context& ctx) {
    const std::string& action = Arg(ctx, 0, "store|recall|save");
    if (action != "store" && action != "recall" && action != "save")
        Usage("preset store|recall HOST SLOT [NAME], or preset save HOST FILE.zef");
    Options shifted = ctx.options;
    shifted.args.erase(shifted.args.begin());
    Context inner{shifted, ctx.out, ctx.err};
    std::size_t next = 0;
    const std::string host = HostArg(inner, next);
    if (action == "save") return SavePreset(inner, host, Arg(inner, next, "FILE"));
    const int slot = WholeNumber(Arg(inner, next, "SLOT"), 1, 3, "preset slot");
    std::string name;
    if (action == "store") name = Arg(inner, next + 1, "NAME");
    Session session(ctx.options);
    session.Connect(host);
    zef::Presets presets(session.model, session.exchange, session.reader, session.events);
    zef::PresetActions actions(presets, session.dialogs, kSlot);
    const zef::PresetResult r = action == "store" ? actions.Store(slot - 1, name) : actions.Recall(slot - 1);
    if (r != zef::PresetResult::Done) {
        const std::string note = session.dialogs.lastNote();
        Fail("preset " + action + (note.empty() ? " failed" : ": " + note) + session.DeadlineNote());
    }
    // What the slot received is the running preset: it must be the model's.
    if (action == "store") session.Check(zef::VerifyStoredPreset(session.exchange, session.model, kSlot), "preset store");
    session.Settle(true);
    Done(ctx, action == "store" ? "stored" : "recalled",
         "P0" + std::to_string(slot) + " " + zef::PresetName(session.model.device(kSlot).preset));
    return kExitOk;
}

int Fir(Context& ctx) {
    const std::string& action = Arg(ctx, 0, "import");
    if (action != "import") Usage("fir import HOST OUT FILE");
    Options shifted = ctx.options;
    shifted.args.erase(shifted.args.begin());
    Context inner{shifted, ctx.out, ctx.err};
    std::size_t next = 0;
    const std::string host = HostArg(inner, next);
    const int output = WholeNumber(Arg(inner, next, "OUT"), 1, 2, "output");
    const std::string& path = Arg(inner, next + 1, "FILE");
    const zef::fir::FirImportResult file = zef::fir::ImportFirFile(path, false);
    if (!file.ok()) Fail(ConsoleDialogs::OneLine("", zef::fir::FirImportMessage(file, path)));
    if (!file.note.empty()) ctx.err << "zefctl: " << path << ": " << file.note << "\n";
    Session session(ctx.options);
    session.Connect(host);
    const zef::fir::StoredFir fir = zef::fir::MakeStoredFir(file.name, file.coefficients);
    // Linked outputs take the same FIR, as in the editor.
    int partner = -1;
    session.Check(zef::StoreFirVerified(session.exchange, session.model, kSlot, output - 1, fir, partner), "fir import");
    session.Settle(true);
    Done(ctx, "stored",
         std::to_string(file.coefficients.size()) + " taps \"" + file.name + "\" on out" + std::to_string(output) +
             (partner >= 0 ? " and out" + std::to_string(partner + 1) + " (linked)" : ""));
    return kExitOk;
}

}  // namespace

void AddFileCommands(SubCommandTable& table) {
    table.push_back({"dump", "dump HOST FILE.prp", "read the whole device into a project file", Dump});
    table.push_back({"load", "load HOST FILE.prp|FILE.zef [--diff-only]",
                     "write a project's device state or a preset file into the device; --diff-only sends "
                     "only the parameters and FIRs that differ, read back",
                     Load,
                     {{"--diff-only", false}}});
    table.push_back({"preset", "preset store|recall HOST SLOT [NAME] | preset save HOST FILE.zef",
                     "store the running program into slot 1..3 under NAME, recall a slot (asks: --yes), "
                     "or save it with both FIRs as a preset file",
                     Preset});
    table.push_back({"demo", "demo HOST main|tower",
                     "write a demonstration program (two-way system, or a delayed fill) into the device", Demo});
    table.push_back(
        {"fir", "fir import HOST OUT FILE", "import a .txt/.csv FIR file into output 1 or 2", Fir});
}

}  // namespace zefctl
