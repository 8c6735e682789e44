#include "files/project_file.h"

#include "base/cp1252.h"
#include "model/editor_sync.h"
#include "model/records.h"

#include "files/binary_io.h"
#include "base/input_file.h"
#include "files/eq_target.h"

namespace zef {

namespace {

constexpr std::uint32_t kTapMask = 0xFFFFFF;

DeviceSlot SlotOf(std::size_t index) { return static_cast<DeviceSlot>(index + 1); }

std::int16_t BoolWord(bool v) { return v ? std::int16_t{-1} : std::int16_t{0}; }

void WriteEntry(ByteWriter& w, const DeviceEntry& e) {
    w.i16(BoolWord(e.online));
    w.i16(e.interface);
    w.i16(BoolWord(e.editorOpen));
    w.i16(e.deviceId);
    w.text(e.ip);
    w.i16(e.network);
    w.i16(BoolWord(e.inList));
    w.u8(e.type);
    w.text(DeviceBytes(e.name));  // Windows-1252 in the file, UTF-8 in the program
    w.text(e.uniqueId);
    w.i16(e.standby);
}

DeviceEntry ReadEntry(ByteReader& r) {
    DeviceEntry e;
    e.online = r.i16() != 0;
    e.interface = r.i16();
    e.editorOpen = r.i16() != 0;
    e.deviceId = r.i16();
    e.ip = r.text();
    e.network = r.i16();
    e.inList = r.i16() != 0;
    e.type = r.u8();
    e.name = Cp1252ToUtf8(r.text());
    e.uniqueId = r.text();
    e.standby = r.i16();
    return e;
}

void WriteBlock(ByteWriter& w, const ProjectDeviceBlock& b) {
    w.bytes(b.settings.bytes);
    w.bytes(b.preset.bytes);
    for (const auto& output : b.firTaps)
        for (std::uint32_t tap : output) w.i32(static_cast<std::int32_t>(tap & kTapMask));
    WriteEqTargetRecord(w, b.eqTarget);
}

ProjectDeviceBlock ReadBlock(ByteReader& r) {
    ProjectDeviceBlock b;
    r.bytes(b.settings.bytes);
    r.bytes(b.preset.bytes);
    for (auto& output : b.firTaps)
        for (std::uint32_t& tap : output) tap = static_cast<std::uint32_t>(r.i32()) & kTapMask;
    b.eqTarget = ReadEqTargetRecord(r);
    return b;
}

ProjectReadResult Failed(int code, std::string problem) {
    ProjectReadResult result;
    result.status = {false, code, std::move(problem)};
    return result;
}

std::string EndsInside(std::size_t size, const std::string& where) {
    return "ends after " + ByteCountText(size) + ", inside " + where;
}

}  // namespace

ProjectImage CaptureProject(const Model& model) {
    ProjectImage image;
    for (std::size_t i = 0; i < image.entries.size(); ++i) {
        const DeviceSlot slot = SlotOf(i);
        image.entries[i] = model.entry(slot);
        if (!image.entries[i].inList) continue;
        const DeviceModel& d = model.device(slot);
        image.blocks[i] = ProjectDeviceBlock{d.settings, d.preset, d.firTaps, d.eqTarget};
    }
    image.windowValueA = model.windowValueA;
    image.windowValueB = model.windowValueB;
    return image;
}

std::optional<std::vector<std::uint8_t>> EncodeProject(const ProjectImage& image) {
    ByteWriter w;
    w.i16(kProjectFileMarker);
    for (const DeviceEntry& e : image.entries) WriteEntry(w, e);
    w.i32(image.windowValueA);
    w.i32(image.windowValueB);
    for (std::size_t i = 0; i < image.entries.size(); ++i) {
        if (!image.entries[i].inList) continue;
        WriteBlock(w, image.blocks[i] ? *image.blocks[i] : ProjectDeviceBlock{});
    }
    if (!w.ok()) return std::nullopt;
    return w.data();
}

ProjectReadResult DecodeProject(std::span<const std::uint8_t> bytes) {
    ByteReader r(bytes);
    const std::int16_t marker = r.i16();
    if (!r.ok()) return Failed(kErrorPastEndOfFile, EndsInside(bytes.size(), "the marker"));
    if (marker != kProjectFileMarker)
        return Failed(kErrorWrongMarker, "starts with " + std::to_string(marker) + ", not with 53 as a project does");

    ProjectReadResult result;
    ProjectImage& image = result.image;
    for (DeviceEntry& e : image.entries) e = ReadEntry(r);
    image.windowValueA = r.i32();
    image.windowValueB = r.i32();
    if (!r.ok()) return Failed(kErrorPastEndOfFile, EndsInside(bytes.size(), "the device list"));
    for (std::size_t i = 0; i < image.entries.size(); ++i) {
        if (!image.entries[i].inList) continue;
        if (r.remaining() < kProjectDeviceBlockSize)
            return Failed(kErrorPastEndOfFile,
                          EndsInside(bytes.size(), "the data of the device in slot " + std::to_string(i + 1)));
        image.blocks[i] = ReadBlock(r);
    }
    if (r.remaining() != 0)
        return Failed(kErrorTrailingBytes,
                      "has " + ByteCountText(r.remaining()) + " after the data of its last device");
    result.status = {true, 0, {}};
    return result;
}

ProjectReadResult ReadProjectFile(const std::string& path) {
    FileBytes file = ReadWholeFile(path, kMaxDataFileBytes);
    switch (file.error) {
        case FileReadError::None:
            return DecodeProject(file.bytes);
        case FileReadError::NotFound:
            return Failed(kErrorFileNotFound, file.problem);
        case FileReadError::NotRegular:
        case FileReadError::Unreadable:
        case FileReadError::TooLarge:
            break;
    }
    return Failed(kErrorFileAccess, file.problem);
}

void ApplyProject(const ProjectImage& image, Model& model) {
    for (std::size_t i = 0; i < image.entries.size(); ++i) {
        const DeviceSlot slot = SlotOf(i);
        model.entry(slot) = image.entries[i];
        if (!image.entries[i].inList || !image.blocks[i]) continue;
        const ProjectDeviceBlock& b = *image.blocks[i];
        DeviceModel& d = model.device(slot);
        d.settings = b.settings;
        d.preset = b.preset;
        d.firTaps = b.firTaps;
        d.eqTarget = b.eqTarget;
        // An editor opened on the project (off-line) shows these records.
        FollowRecords(d);
    }
    model.windowValueA = image.windowValueA;
    model.windowValueB = image.windowValueB;
}

bool SaveProject(const std::string& path, const Model& model) {
    const auto bytes = EncodeProject(CaptureProject(model));
    return bytes && WriteFileAtomic(path, *bytes);
}

LoadProjectResult LoadProject(const std::string& path, Model& model) {
    ProjectReadResult read = ReadProjectFile(path);
    if (read.status.ok) ApplyProject(read.image, model);
    return read.status;
}

FileMessage LoadProjectErrorMessage(const LoadProjectResult& result, const std::string& path) {
    const std::string line = "\r\n" + FileProblemLine(path, result.problem);
    switch (result.errorCode) {
        case kErrorFileNotFound:
            return {kFileErrorTitle, kFileNotFoundText + line};
        case kErrorWrongMarker:
            return {kFileErrorTitle, kProjectWrongFormatText + line};
        default:
            return {kProjectErrorTitle, kProjectLoadFailedText + line};
    }
}

}  // namespace zef
