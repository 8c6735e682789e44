#include "device/serial_fw_loader.h"

#include <algorithm>
#include <charconv>

#include "base/input_file.h"
#include "protocol/boot_protocol.h"

namespace zef {
namespace {

int CodeOfStatus(std::uint8_t status) {
    switch (status) {
        case boot::kWrongFile:
            return kFwWrongFile;
        case boot::kProtected:
            return kFwProtected;
        case boot::kEraseFailed:
            return kFwEraseFailed;
        case boot::kWriteFailed:
        case boot::kVerifyFailed:
        case boot::kSequence:
            return kFwWriteFailed;
        default:
            return kFwNotAvailable;
    }
}

}  // namespace

SerialFwLoader::SerialFwLoader(std::unique_ptr<SerialPort> port, FwLoaderTimeouts timeouts)
    : port_(std::move(port)), timeouts_(timeouts) {}

SerialFwLoader::~SerialFwLoader() = default;

std::optional<int> SerialFwLoader::PortNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0 || name[3] == '0')
        return std::nullopt;
    int n = 0;
    const char* end = name.data() + name.size();
    const auto [ptr, ec] = std::from_chars(name.data() + 3, end, n);
    if (ec != std::errc() || ptr != end || n < 1 || n > kSerialPortCount) return std::nullopt;
    return n;
}

void SerialFwLoader::Progress(const std::string& text, int percent) {
    if (handler_) handler_(kFwLoaded, text, percent);
}

int SerialFwLoader::Load(const std::string& path, const std::string& portName, int baud) {
    int code = kFwLoaded;
    const SfuParse parsed = ReadSfuFile(path);
    const auto number = PortNumber(portName);
    wrongFile_ = parsed.problem;
    if (!parsed.file) {
        code = kFwWrongFile;
    } else if (!number || port_->Open(*number, baud) != kTransportOk) {
        code = kFwNoDevice;
    } else {
        Progress(" Connecting", 0);
        code = Transfer(*parsed.file);
        port_->Close();
    }
    if (code != kFwLoaded) {
        if (handler_) handler_(code, code == kFwWrongFile ? FileProblemLine(path, wrongFile_) : "", 0);
    } else {
        Progress(" Firmware loaded", 100);
    }
    return code;
}

SerialFwLoader::Outcome SerialFwLoader::Exchange(const std::vector<std::uint8_t>& request,
                                                 std::uint8_t command, int timeoutMs,
                                                 std::optional<std::uint32_t> expectedValue) {
    Outcome last{kFwTimeout};
    for (int attempt = 0; attempt < std::max(1, timeouts_.attempts); ++attempt) {
        port_->Write(request);
        std::vector<std::uint8_t> bytes(boot::kReplySize);
        if (port_->Read(bytes, timeoutMs) != kTransportOk) {
            last = {kFwTimeout};
            continue;
        }
        const auto reply = boot::ParseReply(bytes);
        const bool intact = reply && reply->command == command && reply->status != boot::kBadChecksum &&
                            (!expectedValue || reply->status != boot::kOk || reply->value == *expectedValue);
        if (!intact) {
            last = {kFwChecksum};
            continue;
        }
        if (reply->status != boot::kOk) return {CodeOfStatus(reply->status), reply->status, reply->value};
        return {kFwLoaded, reply->status, reply->value};
    }
    return last;
}

int SerialFwLoader::Transfer(const SfuFile& file) {
    const SfuHeader& h = file.header;

    port_->Write(boot::EnterFrame());
    std::vector<std::uint8_t> echo(boot::kEnterFrameSize);
    if (port_->Read(echo, timeouts_.enterMs) == kTransportOk &&
        boot::ParseEnterReply(echo) == boot::EnterAnswer::Refused)
        return kFwNotAvailable;

    const Outcome hello = Exchange(boot::Request(boot::kHello, {}), boot::kHello, timeouts_.helloMs);
    if (hello.code == kFwTimeout) return kFwNoDevice;
    if (hello.code != kFwLoaded) return hello.code;
    const auto model = static_cast<std::uint16_t>(hello.value >> 16);
    const std::uint32_t capacity = (hello.value & 0xFFFF) * 1024u;
    if (model != h.model) {
        wrongFile_ = "made for model " + std::to_string(h.model) + ", the device is model " + std::to_string(model);
        return kFwWrongFile;
    }
    if (h.imageLength > capacity) {
        wrongFile_ = "its image of " + std::to_string(h.imageLength) + " bytes is larger than the device's flash (" +
                     std::to_string(capacity) + " bytes)";
        return kFwWrongFile;
    }

    Progress(" Erasing", 0);
    const Outcome erase = Exchange(boot::EraseRequest(h), boot::kErase, timeouts_.eraseMs, h.imageLength);
    if (erase.code == kFwWrongFile) wrongFile_ = "the device refused its header";
    if (erase.code != kFwLoaded) return erase.code;

    const std::span<const std::uint8_t> image(file.image);
    for (std::size_t offset = 0; offset < image.size(); offset += boot::kBlockSize) {
        const auto block = image.subspan(offset, std::min(boot::kBlockSize, image.size() - offset));
        const auto next = static_cast<std::uint32_t>(offset + block.size());
        const Outcome write = Exchange(boot::WriteRequest(static_cast<std::uint32_t>(offset), block),
                                       boot::kWrite, timeouts_.writeMs, next);
        if (write.code != kFwLoaded) return write.code;
        Progress(" Writing", static_cast<int>(std::uint64_t{next} * 100 / image.size()));
    }

    Progress(" Verifying", 100);
    const Outcome verify = Exchange(boot::Request(boot::kVerify, {}), boot::kVerify, timeouts_.verifyMs);
    if (verify.code != kFwLoaded) return verify.code;
    if (verify.value != h.imageCrc) return kFwWriteFailed;

    Progress(" Restarting", 100);
    return Exchange(boot::Request(boot::kRun, {}), boot::kRun, timeouts_.runMs).code;
}

}  // namespace zef
