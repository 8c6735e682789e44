#include "operations.h"

#include <cstdio>
#include <filesystem>

#include "base/c_number.h"
#include "device/fir_store.h"
#include "device/parameter_writer.h"
#include "files/binary_io.h"
#include "files/fir_import.h"
#include "files/preset_file.h"
#include "files/project_file.h"
#include "model/memory_map.h"
#include "model/parameters.h"
#include "protocol/announcement.h"

namespace zefsoak {
namespace {

constexpr zef::DeviceSlot kSlot = 1;

// zefctl's arguments: `before` words, the device (HOST or --serial PATH), `after` words.
std::vector<std::string> Cmd(const Target& t, std::vector<std::string> before, const std::vector<std::string>& after) {
    if (t.host.empty()) {
        before.insert(before.begin(), {"--serial", t.serial});
    } else {
        before.insert(before.begin(), {"--port", t.port});
        before.push_back(t.host);
    }
    before.insert(before.end(), after.begin(), after.end());
    return before;
}

int Uniform(std::mt19937& r, int low, int high) { return std::uniform_int_distribution<int>(low, high)(r); }

// A parameter zefctl sets without asking (the bridge asks first).
zef::Parameter RandomParameter(std::mt19937& r) {
    static const std::vector<zef::Parameter> all = [] {
        std::vector<zef::Parameter> ps;
        for (const zef::Parameter& p : zef::AllParameters())
            if (p.description->id != zef::ParamId::Bridge) ps.push_back(p);
        return ps;
    }();
    return all[static_cast<std::size_t>(Uniform(r, 0, static_cast<int>(all.size()) - 1))];
}

std::string RandomValueText(const zef::ParameterDescription& description, std::mt19937& r) {
    if (description.kind != zef::ValueKind::Number)
        return std::to_string(Uniform(r, int(description.min), int(description.max)));
    return zef::CFixed(std::uniform_real_distribution<double>(description.min, description.max)(r), 2);
}

std::string ValueLine(const zef::Parameter& p, const zef::DeviceModel& d) {
    const std::string text = zef::ValueText(*p.description, zef::GetValue(d, p));
    return p.name + " = " + text + (p.description->unit.empty() ? "" : " ") +
           std::string(p.description->unit) + "\n";
}

// The editor's parameter writer over the image: what a set would store.
struct Editor {
    explicit Editor(ReadModel& rm)
        : writer(rm.model, rm.exchange, zef::NoResponseObserver(), zef::fir::MakeFirWriter(rm.exchange, rm.model)) {}
    zef::ParameterWriter writer;
};

std::string Name(std::mt19937& r, int length) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string name;
    for (int i = 0; i < length; ++i) name += letters[Uniform(r, 0, static_cast<int>(sizeof letters) - 2)];
    return name;
}

Operation Identify(const Target& t, const Image& before) {
    Operation op{"identify", Cmd(t, {"identify"}, {}), before};
    const std::string uid = t.uniqueId;
    op.checkOutput = [uid](const std::string& out, const Image&) -> std::optional<std::string> {
        if (out.find(uid) == std::string::npos) return "identify printed no unique ID " + uid + ": " + out;
        return std::nullopt;
    };
    return op;
}

Operation Get(const Target& t, const Image& before, std::mt19937& r) {
    const zef::Parameter p = RandomParameter(r);
    ReadModel rm(before);
    const std::string expected = ValueLine(p, rm.device());
    Operation op{"get", Cmd(t, {"get"}, {p.name}), before};
    op.checkOutput = [expected, p](const std::string& out, const Image& after) -> std::optional<std::string> {
        if (out == expected) return std::nullopt;
        ReadModel now(after);
        if (out == ValueLine(p, now.device())) return std::nullopt;
        return "get printed '" + out + "', the device holds '" + expected + "'";
    };
    return op;
}

Operation Set(const Target& t, const Image& before, std::mt19937& r) {
    const zef::Parameter p = RandomParameter(r);
    const std::string text = RandomValueText(*p.description, r);
    ReadModel rm(before);
    Editor editor(rm);
    const auto value = zef::ParseValue(*p.description, text);
    if (value) editor.writer.Set(1, p, *value);
    const std::string line = ValueLine(p, rm.device());
    Operation op{"set", Cmd(t, {"set"}, {p.name, text}), Written(before, rm.device(), true)};
    op.checkOutput = [line](const std::string& out, const Image&) -> std::optional<std::string> {
        if (out != line) return "set printed '" + out + "', expected '" + line + "'";
        return std::nullopt;
    };
    return op;
}

Operation Dump(const Target& t, const Image& before) {
    const std::string path = t.folder + "/dump.prp";
    std::filesystem::remove(path);
    Operation op{"dump", Cmd(t, {"dump"}, {path}), before};
    op.writes = path;
    auto expected = std::make_shared<ReadModel>(before);
    op.checkOutput = [path, expected](const std::string&, const Image& after) -> std::optional<std::string> {
        const zef::ProjectReadResult file = zef::ReadProjectFile(path);
        if (!file.status.ok || !file.image.blocks[0]) return "dump wrote no readable project";
        const zef::ProjectDeviceBlock& b = *file.image.blocks[0];
        const auto differs = [&b](const zef::DeviceModel& d) -> std::optional<std::string> {
            if (!(b.settings == d.settings)) return "dump: settings differ from the device";
            if (!(b.preset == d.preset)) return "dump: preset differs from the device";
            if (b.firTaps != d.firTaps) return "dump: FIR differs from the device";
            return std::nullopt;
        };
        const auto problem = differs(expected->device());
        if (!problem) return std::nullopt;
        ReadModel now(after);
        return differs(now.device()) ? problem : std::nullopt;
    };
    return op;
}

// A model the device could hold: the device's own, changed through the
// editor's parameter writer and a new FIR; now and then one illegal byte.
std::shared_ptr<ReadModel> LoadModel(const Image& before, std::mt19937& r, bool& illegal) {
    auto rm = std::make_shared<ReadModel>(before);
    Editor editor(*rm);
    for (int i = Uniform(r, 1, 6); i > 0; --i) {
        const zef::Parameter p = RandomParameter(r);
        if (p.description->id == zef::ParamId::LinkInputs || p.description->id == zef::ParamId::LinkOutputs)
            continue;
        if (const auto v = zef::ParseValue(*p.description, RandomValueText(*p.description, r)))
            editor.writer.Set(1, p, *v);
    }
    auto& taps = rm->device().firTaps[static_cast<std::size_t>(Uniform(r, 0, 1))];
    for (int i = Uniform(r, 1, 20); i > 0; --i)
        taps[static_cast<std::size_t>(Uniform(r, 0, 383))] = static_cast<std::uint32_t>(Uniform(r, 0, 0xFFFFFF));
    illegal = Uniform(r, 0, 9) == 0;
    if (illegal) rm->device().preset[zef::pi::OutputBand(Uniform(r, 0, 1), Uniform(r, 0, 29))] = 9;
    return rm;
}

Operation LoadProject(const Target& t, const Image& before, std::mt19937& r) {
    bool illegal = false;
    auto rm = LoadModel(before, r, illegal);
    zef::DeviceEntry& e = rm->model.entry(kSlot);
    e.uniqueId = t.uniqueId;
    e.online = false;
    const std::string path = t.folder + "/load.prp";
    zef::SaveProject(path, rm->model);
    Operation op{"load .prp", Cmd(t, {"load"}, {path}), Written(before, rm->device(), true)};
    op.mustFail = illegal;
    return op;
}

Operation LoadPreset(const Target& t, const Image& before, std::mt19937& r) {
    bool illegal = false;
    auto rm = LoadModel(before, r, illegal);
    const std::string path = t.folder + "/load.zef";
    zef::SavePresetFile(path, rm->device());
    Operation op{"load .zef", Cmd(t, {"load"}, {path}), Written(before, rm->device(), false)};
    op.mustFail = illegal;
    return op;
}

Operation Store(const Target& t, const Image& before, std::mt19937& r) {
    const int slot = Uniform(r, 0, 2);
    const std::string name = Name(r, Uniform(r, 1, 16));
    Image target = before;
    std::string padded = name;
    padded.resize(16, ' ');
    std::copy(padded.begin(), padded.end(), target.memory.begin() + zef::kPresetBaseAddress);
    target.memory[zef::ds::kLoadedPreset] = static_cast<std::uint8_t>((before.memory[zef::ds::kLoadedPreset] & 0x80) | slot);
    auto& stored = target.presetSlots[static_cast<std::size_t>(slot)];
    stored.assign(target.memory.begin() + zef::kPresetBaseAddress, target.memory.end());
    stored.insert(stored.end(), target.fir.begin(), target.fir.end());
    return {"preset store", Cmd(t, {"preset", "store"}, {std::to_string(slot + 1), name}), target};
}

Operation Recall(const Target& t, const Image& before, std::mt19937& r) {
    const int slot = Uniform(r, 0, 2);
    Operation op{"preset recall", Cmd(t, {"--yes", "preset", "recall"}, {std::to_string(slot + 1)}), before};
    const auto& stored = before.presetSlots[static_cast<std::size_t>(slot)];
    if (stored.empty()) {
        op.mustFail = true;  // "Preset empty"
        return op;
    }
    std::copy_n(stored.begin(), zef::kPresetSize, op.target.memory.begin() + zef::kPresetBaseAddress);
    std::copy(stored.begin() + zef::kPresetSize, stored.end(), op.target.fir.begin());
    op.target.memory[zef::ds::kLoadedPreset] =
        static_cast<std::uint8_t>((before.memory[zef::ds::kLoadedPreset] & 0x80) | slot);
    return op;
}

Operation FirImport(const Target& t, const Image& before, std::mt19937& r) {
    const int output = Uniform(r, 0, 1);
    const int count = Uniform(r, 1, 384);
    std::string text;
    std::uniform_real_distribution<double> c(-1.0, 1.0);
    for (int i = 0; i < count; ++i) text += zef::CFixed(c(r), 6) + "\r\n";
    const std::string path = t.folder + "/soak-fir-" + std::to_string(count) + ".txt";
    zef::WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    ReadModel rm(before);
    const zef::fir::FirImportResult file = zef::fir::ImportFirFile(path, false);
    if (file.ok()) {
        const zef::fir::StoredFir fir = zef::fir::MakeStoredFir(file.name, file.coefficients);
        zef::fir::StoreExternalFIR(rm.exchange, rm.model, kSlot, output, fir);
        bool ok = true;
        zef::fir::LinkUpdateExternalFIR(rm.exchange, rm.model, kSlot, output, fir, ok);
    }
    return {"fir import", Cmd(t, {"fir", "import"}, {std::to_string(output + 1), path}),
            Written(before, rm.device(), false)};
}

}  // namespace

Operation RandomOperation(const Target& t, const Image& before, std::mt19937& random, int) {
    switch (Uniform(random, 0, 11)) {
        case 0:
            return Identify(t, before);
        case 1:
        case 2:
            return Get(t, before, random);
        case 3:
        case 4:
        case 5:
            return Set(t, before, random);
        case 6:
            return Dump(t, before);
        case 7:
            return LoadProject(t, before, random);
        case 8:
            return LoadPreset(t, before, random);
        case 9:
            return Store(t, before, random);
        case 10:
            return Recall(t, before, random);
        default:
            return FirImport(t, before, random);
    }
}

}  // namespace zefsoak
