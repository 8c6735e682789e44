#include "device/parameter_writer.h"

#include <algorithm>
#include <span>
#include <utility>
#include <vector>

#include "base/check.h"
#include "device/memory_transfer.h"
#include "model/memory_map.h"
#include "model/state_diff.h"
#include "protocol/commands.h"

namespace zef {
namespace {

constexpr unsigned Bit(ParamChannel c) { return 1u << static_cast<unsigned>(c); }

bool Valid(const Parameter& p, double value) {
    const ParameterDescription& d = *p.description;
    return (d.channels & Bit(p.target.channel)) != 0 && value >= d.min - 1e-9 && value <= d.max + 1e-9;
}

void AddOnce(Transmissions& into, const Transmissions& more) {
    for (const Transmission& t : more)
        if (std::find(into.begin(), into.end(), t) == into.end()) into.push_back(t);
}

// The responses a batch changed, each once.
struct Effects {
    std::vector<std::pair<ResponseEffect, ParamTarget>> list;
    void Add(ResponseEffect effect, const ParamTarget& target) {
        if (effect == ResponseEffect::None) return;
        const std::pair<ResponseEffect, ParamTarget> e{effect, target};
        if (std::find(list.begin(), list.end(), e) == list.end()) list.push_back(e);
    }
};

// Keeps the first failure; later sends still run (they send nothing once
// the device is off-line).
Status First(Status so_far, Status next) { return so_far != kOk ? so_far : next; }

}  // namespace

ParameterWriter::ParameterWriter(Model& model, Exchange& exchange, ResponseObserver& responses, FirWriter firWriter)
    : model_(model), exchange_(exchange), responses_(responses), firWriter_(std::move(firWriter)) {}

Status ParameterWriter::Set(DeviceSlot device, const Parameter& p, double value) {
    const ParameterValue one{p, value};
    return Set(device, std::span<const ParameterValue>(&one, 1));
}

Status ParameterWriter::Set(DeviceSlot device, std::span<const ParameterValue> values) {
    for (const ParameterValue& v : values)
        if (!ZEF_CHECK(v.parameter.description && Valid(v.parameter, v.value) && "a value the parameter can take"))
            return kFailed;
    DeviceModel& d = model_.device(device);
    const DeviceMemory before = ImageOf(d);
    Effects effects;
    for (const ParameterValue& v : values) {
        const ParameterDescription& description = *v.parameter.description;
        description.access->set(description, d, v.parameter.target, v.value);
        effects.Add(description.response, v.parameter.target);
    }
    model_.entry(device).standby = d.settings[ds::kStandby] != 0 ? 1 : 0;

    // The partners follow the edited channels' records as they are now.
    std::vector<std::pair<const LinkRule*, ParamTarget>> partners;
    for (const ParameterValue& v : values) {
        const LinkRule* rule = LinkRuleOf(v.parameter.description->link);
        const ParamTarget& t = v.parameter.target;
        if (!rule || !PairLinked(d, t.channel)) continue;
        const std::pair<const LinkRule*, ParamTarget> partner{rule, PartnerOf(t)};
        if (std::find(partners.begin(), partners.end(), partner) != partners.end()) continue;
        partners.push_back(partner);
        rule->copy(d, t, partner.second);
        effects.Add(rule->response, partner.second);
    }
    for (const auto& [effect, target] : effects.list) Notify(device, effect, target);
    NoteChanges(device, before);

    Transmissions all;
    for (const ParameterValue& v : values) AddOnce(all, v.parameter.description->send(d, v.parameter.target));
    for (const auto& [rule, partner] : partners) AddOnce(all, rule->send(d, partner));
    for (const Transmission& t : all)
        if (const Status s = Transmit(device, t); s != kOk) return s;
    return kOk;
}

Status ParameterWriter::SetFir(DeviceSlot device, int output, const DeviceModel& source) {
    if (!ZEF_CHECK(output == 0 || output == 1)) return kFailed;
    DeviceModel& d = model_.device(device);
    const DeviceMemory before = ImageOf(d);
    CopyFir(source, d, output);
    responses_.FirChanged(device, output);
    NoteChanges(device, before);
    return Transmit(device, Transmission::FirOf(output));
}

void ParameterWriter::Notify(DeviceSlot device, ResponseEffect effect, const ParamTarget& t) {
    const auto group = [&] { return static_cast<int>(t.channel); };
    const auto crossover = [&](CrossoverSide side) { return CrossoverFilter(CodeOf(t.channel), side); };
    switch (effect) {
        case ResponseEffect::None: break;
        case ResponseEffect::Band: responses_.BandChanged(device, BandIndexOf(t)); break;
        case ResponseEffect::HighPass: responses_.CrossoverChanged(device, crossover(CrossoverSide::HighPass)); break;
        case ResponseEffect::LowPass: responses_.CrossoverChanged(device, crossover(CrossoverSide::LowPass)); break;
        case ResponseEffect::Crossovers:
            responses_.CrossoverChanged(device, crossover(CrossoverSide::HighPass));
            responses_.CrossoverChanged(device, crossover(CrossoverSide::LowPass));
            break;
        case ResponseEffect::GroupSum: responses_.GroupChanged(device, group()); break;
        case ResponseEffect::GroupBands: responses_.GroupBandsChanged(device, group()); break;
        case ResponseEffect::OutputSums:
            responses_.GroupChanged(device, kOutput1);
            responses_.GroupChanged(device, kOutput2);
            break;
        case ResponseEffect::Fir: responses_.FirChanged(device, ChannelIndex(t)); break;
    }
}

Status ParameterWriter::Transmit(DeviceSlot device, const Transmission& t) {
    const DeviceModel& d = model_.device(device);
    switch (t.kind) {
        case Transmission::Kind::Command:
            return exchange_.SendCommandFrame(device, t.command.code, t.command.p);
        case Transmission::Kind::SettingsBytes:
            if (!ZEF_CHECK(t.count >= 1 && t.count <= kMaxBlockWrite && t.offset + t.count <= kSettingsSize))
                return kFailed;
            return WriteMemoryBlock(exchange_, device, t.offset,
                                    std::span<const std::uint8_t>(d.settings.bytes.data() + t.offset, t.count));
        case Transmission::Kind::PresetBytes:
            if (const Status written = WritePresetRange(exchange_, model_, device, t.offset, t.count); written != kOk)
                return written;
            return exchange_.SendCommandFrame(device, cmd::kActivateSettings, CommandParams{});
        case Transmission::Kind::Fir:
            return ZEF_CHECK(firWriter_ && "a writer that copies FIRs has a FIR writer") && firWriter_(device, t.offset)
                       ? kOk
                       : kFailed;
    }
    return kFailed;
}

Status ParameterWriter::Copy(DeviceSlot device, ChannelCode source, ChannelCode destination) {
    if (!ZEF_CHECK(source != destination && IsInputChannel(source) == IsInputChannel(destination))) return kFailed;
    DeviceModel& d = model_.device(device);
    const DeviceMemory before = ImageOf(d);
    const ParamTarget from{ChannelOfCode(source), 0};
    const ParamTarget to{ChannelOfCode(destination), 0};
    const auto groups = ChannelCopyGroups(IsOutputChannel(source));
    for (const LinkGroup g : groups) LinkRuleOf(g)->copy(d, from, to);
    NoteChanges(device, before);
    Status status = kOk;
    for (const LinkGroup g : groups)
        for (const Transmission& t : LinkRuleOf(g)->send(d, to)) status = First(status, Transmit(device, t));
    for (const LinkGroup g : groups) Notify(device, LinkRuleOf(g)->response, to);
    return status;
}

bool ParameterWriter::Reaches(DeviceSlot device) const {
    return ExchangesReach(exchange_.link(), model_.entry(device));
}

void ParameterWriter::NoteChanges(DeviceSlot device, const DeviceMemory& before) {
    if (Reaches(device)) pending_[SlotIndex(device)] |= Changed(before, ImageOf(model_.device(device)));
}

Confirmation ParameterWriter::Confirm(DeviceSlot device) {
    MemoryScope& changed = pending_[SlotIndex(device)];
    const DeviceMemory expected = ImageOf(model_.device(device));
    LinkState& link = exchange_.link();
    const bool whole = DoubtsPending(link, device) && !link.deviceChanged[SlotIndex(device)];
    const MemoryScope scope = whole ? EditableMemory() | changed : changed;
    Confirmation c;
    c.device = expected;
    if (Reaches(device) && scope.any()) {
        c = ConfirmMemory(exchange_, device, expected, scope);
        if (whole && c.report.ok()) SettleDoubts(link, device);
    }
    changed.reset();
    return c;
}

}  // namespace zef
