// params, get, set, standby.
#include <cstdio>

#include "cli.h"
#include "output.h"
#include "app/edit_actions.h"
#include "model/editor_sync.h"
#include "model/parameters.h"
#include "model/validation.h"
#include "model/value_kinds.h"
#include "session.h"

namespace zefctl {
namespace {

using zef::AllParameters;
using zef::FindParameter;
using zef::GetValue;
using zef::Parameter;
using zef::ParseValue;
using zef::RangeText;
using zef::ValueKind;
using zef::ValueText;

Parameter NamedParameter(const std::string& name) {
    const auto p = FindParameter(name);
    if (!p) Usage("unknown parameter '" + name + "' (zefctl params lists them)");
    return *p;
}

double ParsedValue(const Parameter& p, const std::string& text) {
    const auto v = ParseValue(*p.description, text);
    if (!v) Usage("bad value '" + text + "' for " + p.name + " (" + RangeText(*p.description) + ")");
    return *v;
}

void PrintValue(Context& ctx, const Parameter& p, double value) {
    const std::string text = ValueText(*p.description, value);
    if (ctx.options.json) {
        QJsonObject j;
        j["name"] = Q(p.name);
        if (p.description->kind == ValueKind::Number) {
            j["value"] = value;
        } else {
            j["value"] = Q(text);
        }
        j["unit"] = Q(std::string(p.description->unit));
        PrintJson(ctx.out, j);
    } else {
        ctx.out << p.name << " = " << text << (p.description->unit.empty() ? "" : " ") << p.description->unit
                << "\n";
    }
}

int Params(Context& ctx) {
    QJsonArray array;
    for (const Parameter& p : AllParameters()) {
        if (ctx.options.json) {
            QJsonObject j;
            j["name"] = Q(p.name);
            j["kind"] = Q(std::string(zef::ValueKindName(p.description->kind)));
            j["range"] = Q(RangeText(*p.description));
            j["unit"] = Q(std::string(p.description->unit));
            if (p.description->kind == ValueKind::Number) {
                j["min"] = p.description->min;
                j["max"] = p.description->max;
            }
            array.append(j);
        } else {
            char line[128];
            std::snprintf(line, sizeof line, "%-24s %s", p.name.c_str(), RangeText(*p.description).c_str());
            ctx.out << line << "\n";
        }
    }
    if (ctx.options.json) PrintJson(ctx.out, array);
    return kExitOk;
}

// A value the device holds outside the parameter's legal codes: shown as
// illegal (the editor values would show the nearest legal one), exit 1.
int PrintIllegal(Context& ctx, const Parameter& p, const zef::Violation& v) {
    if (ctx.options.json) {
        QJsonObject j;
        j["name"] = Q(p.name);
        j["illegal"] = Q(v.Text());
        PrintJson(ctx.out, j);
    } else {
        ctx.out << p.name << " = illegal: " << v.Text() << "\n";
    }
    return kExitFailed;
}

int Get(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    const Parameter p = NamedParameter(Arg(ctx, next, "PARAM"));
    Session session(ctx.options);
    session.Connect(host, Session::Access::ReadOnly);
    session.Settle(false);
    const zef::DeviceModel& device = session.model.device(kSlot);
    if (const auto illegal = zef::IllegalValueOf(device, p)) return PrintIllegal(ctx, p, *illegal);
    PrintValue(ctx, p, GetValue(device, p));
    return kExitOk;
}

// The device must hold what was set: read back (sent once more when it
// differs); a device that holds another value fails the command, naming both.
void ConfirmSet(Session& session, const Parameter& p) {
    const zef::Confirmation c = session.writer.Confirm(kSlot);
    if (c.report.outcome == zef::WriteOutcome::Mismatch) {
        zef::DeviceModel held = session.model.device(kSlot);
        zef::StoreMemory(c.device, held);
        zef::LoadEditorValues(held);
        const auto text = [&](const zef::DeviceModel& d) {
            const std::string unit(p.description->unit);
            return ValueText(*p.description, GetValue(d, p)) + (unit.empty() ? "" : " " + unit);
        };
        Fail("set " + p.name + ": the device holds " + text(held) + ", not " + text(session.model.device(kSlot)) +
             " (" + c.report.detail + ")");
    }
    session.Check(c.report, "set " + p.name);
}

int SetNamed(Context& ctx, const std::string& host, const std::string& name, const std::string& valueText) {
    const Parameter p = NamedParameter(name);
    const double value = ParsedValue(p, valueText);
    Session session(ctx.options);
    session.Connect(host);
    zef::Status status = zef::kOk;
    if (p.description->id == zef::ParamId::Bridge) {
        // The editor asks before it switches the bridge mode; --yes answers.
        const zef::Confirmed c = zef::SendBridgeAsked(session.writer, kSlot, session.dialogs, value != 0);
        status = c == zef::Confirmed::Sent ? zef::kOk : zef::kFailed;
    } else {
        status = session.writer.Set(kSlot, p, value);
    }
    session.Check(status, "set " + p.name);
    ConfirmSet(session, p);
    session.Settle(true);
    PrintValue(ctx, p, GetValue(session.model.device(kSlot), p));
    return kExitOk;
}

int Set(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    return SetNamed(ctx, host, Arg(ctx, next, "PARAM"), Arg(ctx, next + 1, "VALUE"));
}

int Standby(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    return SetNamed(ctx, host, "device.standby", Arg(ctx, next, "on|off"));
}

}  // namespace

void AddParameterCommands(SubCommandTable& table) {
    table.push_back({"params", "params", "every parameter name with its range and unit", Params});
    table.push_back({"get", "get HOST PARAM", "read the device and print one parameter", Get});
    table.push_back({"set", "set HOST PARAM VALUE",
                     "read the device, store the value (snapped as the editor snaps it) and send it", Set});
    table.push_back({"standby", "standby HOST on|off", "switch the device's standby", Standby});
}

}  // namespace zefctl
