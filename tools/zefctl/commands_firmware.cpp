// firmware: load a .sfu file into a device on a serial port; make-sfu: make one.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>

#include "cli.h"
#include "app/firmware_update.h"
#include "output.h"
#include "device/serial_fw_loader.h"
#include "base/input_file.h"
#include "files/sfu_file.h"
#include "session.h"

namespace zefctl {
namespace {

// The window's status line and progress bar, redrawn in place on the terminal:
//   [##############----------------]  45%  Status: Writing
class TerminalView final : public zef::FirmwareUpdateView {
public:
    explicit TerminalView(std::ostream& out) : out_(out) {}
    ~TerminalView() override { Finish(); }

    void ShowDevice(const std::string&, const std::string&) override {}
    void ShowFile(const std::string&) override {}
    void ShowStatus(const std::string& text) override {
        status_ = text;
        Draw();
    }
    void ShowProgress(std::optional<int> percent) override {
        percent_ = percent;
        Draw();
    }
    void CloseWindow() override {}

    // Ends the line the bar is drawn on.
    void Finish() {
        if (drawn_) out_ << "\n" << std::flush;
        drawn_ = false;
    }

private:
    void Draw() {
        constexpr int kWidth = 30;
        const int filled = percent_ ? *percent_ * kWidth / 100 : 0;
        char percent[8] = "     ";
        if (percent_) std::snprintf(percent, sizeof percent, "%4d%%", *percent_);
        std::string line = "\r[" + std::string(static_cast<std::size_t>(filled), '#') +
                           std::string(static_cast<std::size_t>(kWidth - filled), '-') + "] " + percent +
                           "  " + status_;
        if (line == lastLine_) return;
        lastLine_ = line;
        const std::size_t width = line.size();
        line.append(lastWidth_ > width ? lastWidth_ - width : 0, ' ');
        lastWidth_ = width;
        out_ << line << std::flush;
        drawn_ = true;
    }

    std::ostream& out_;
    std::string status_ = zef::kFwStatusLabel;
    std::optional<int> percent_;
    std::string lastLine_;
    std::size_t lastWidth_ = 0;
    bool drawn_ = false;
};

std::string VersionText(const zef::SfuHeader& h) {
    return std::to_string(h.major) + "." + std::to_string(h.minor) + "." + std::to_string(h.patch);
}

zef::SfuHeader ParseVersion(const std::string& text) {
    zef::SfuHeader h;
    std::array<std::uint8_t*, 3> parts = {&h.major, &h.minor, &h.patch};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        unsigned v = 0;
        const auto r = std::from_chars(p, end, v);
        const bool last = i + 1 == parts.size();
        if (r.ec != std::errc() || v > 255 || (last ? r.ptr != end : (r.ptr == end || *r.ptr != '.')))
            Usage("bad version '" + text + "' (X.Y.Z, each 0..255)");
        *parts[i] = static_cast<std::uint8_t>(v);
        p = r.ptr + (last ? 0 : 1);
    }
    return h;
}

int Firmware(Context& ctx) {
    if (!ctx.options.serial) Usage("firmware needs --serial PATH (the device's serial port)");
    const std::string& path = Arg(ctx, 0, "FILE.sfu");
    Session session(ctx.options);
    session.link.serialPortNumber = 1;  // --serial PATH is port 1
    TerminalView view(ctx.err);
    zef::SerialFwLoader loader(std::make_unique<zef::QtSerialPort>(session.transport.serialPorts()));
    zef::FirmwareUpdate update(session.model, session.exchange, session.transport.serial(), session.dialogs,
                               loader, view, kSlot);
    update.Load();
    update.SetFile(path);
    const auto result = update.Start();
    view.Finish();
    if (result != zef::kFwLoaded) Fail(session.dialogs.lastNote());
    const zef::SfuParse file = zef::ReadSfuFile(path);
    const std::string version = file.file ? VersionText(file.file->header) : "?";
    if (ctx.options.json) {
        QJsonObject j;
        j["loaded"] = Q(path);
        j["version"] = Q(version);
        PrintJson(ctx.out, j);
    } else {
        ctx.out << "firmware " << version << " loaded from " << path << "\n";
    }
    return kExitOk;
}

int MakeSfu(Context& ctx) {
    const std::string& rawPath = Arg(ctx, 0, "RAW");
    const std::string& outPath = Arg(ctx, 1, "OUT.sfu");
    zef::SfuHeader header = ParseVersion(ctx.options.version.value_or("2.0.0"));
    const zef::FileBytes raw = zef::ReadWholeFile(rawPath, zef::kSfuMaxImage);
    const std::vector<std::uint8_t>& image = raw.bytes;
    if (raw.error != zef::FileReadError::None && raw.error != zef::FileReadError::TooLarge)
        Fail(zef::FileProblemLine(rawPath, raw.problem));
    if (image.empty())
        Fail(rawPath + ": a firmware image has 1 to " + std::to_string(zef::kSfuMaxImage) + " bytes");
    const std::vector<std::uint8_t> file = zef::BuildSfu(header, image);
    if (!zef::WriteFileAtomically(outPath, file)) Fail("cannot write " + outPath);
    header = zef::ParseSfu(file).file->header;
    char crc[16];
    std::snprintf(crc, sizeof crc, "0x%08X", static_cast<unsigned>(header.imageCrc));
    if (ctx.options.json) {
        QJsonObject j;
        j["file"] = Q(outPath);
        j["model"] = header.model;
        j["version"] = Q(VersionText(header));
        j["bytes"] = static_cast<double>(header.imageLength);
        j["crc32"] = crc;
        PrintJson(ctx.out, j);
    } else {
        ctx.out << outPath << ": model " << header.model << ", firmware " << VersionText(header) << ", "
                << header.imageLength << " bytes, CRC-32 " << crc << "\n";
    }
    return kExitOk;
}

}  // namespace

void AddFirmwareCommands(SubCommandTable& table) {
    table.push_back({"firmware", "firmware --serial PATH FILE.sfu",
                     "load a firmware file into the device on serial port PATH, with a progress bar",
                     Firmware});
    table.push_back({"make-sfu", "make-sfu RAW OUT.sfu [--version X.Y.Z]",
                     "make a firmware file for the ZEF-4.260 from a raw image (default version 2.0.0)",
                     MakeSfu});
}

}  // namespace zefctl
