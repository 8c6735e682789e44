// Replies through the real exchange and the device reader: the device's side
// of the link is the fuzzer's byte stream (scripted_transport.h), over TCP or
// the serial line as the first byte says. A reply that is not the answer to
// its request is never taken for one, and a read that fails leaves the live
// model as it was.

#include "device/device_reader.h"
#include "device/device_exchange.h"
#include "fuzz_check.h"
#include "model/defaults.h"
#include "protocol/commands.h"
#include "scripted_transport.h"

namespace {

constexpr zef::DeviceSlot kSlot = 1;

void CheckReplied(const zef::ExchangeResult& r, const zef::Request& request) {
    if (r.replied()) FUZZ_CHECK(zef::CheckReply(request, r.reply()) == zef::ReplyFault::None);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool usb = (data[0] & 1) != 0;
    zef::fuzz::ScriptedTransport transport(FuzzBytes(data + 1, size - 1));
    zef::Model model;
    zef::LinkState link;
    zef::DeviceExchange exchange(model, link, transport);
    zef::RefreshEvents events;
    zef::DeviceReader reader(model, exchange, events);
    zef::DeviceEntry& entry = model.entry(kSlot);
    entry.inList = true;
    entry.interface = usb ? zef::kInterfaceUsb : zef::kInterfaceTcp;
    entry.ip = usb ? "" : "127.0.0.1";
    zef::DeviceModel& device = model.device(kSlot);
    zef::ResetToDefaults(device);

    exchange.IdentifyDevice(kSlot);

    entry.online = true;
    const zef::DeviceSettings settingsBefore = device.settings;
    const zef::PresetImage presetBefore = device.preset;
    const auto tapsBefore = device.firTaps;
    if (reader.ReadWholeDevice(kSlot) != zef::kOk) {
        // Both records come from one complete read, or neither changes.
        const bool kept = device.settings == settingsBefore && device.preset == presetBefore;
        const bool whole = device.settings == device.readSettings && device.preset == device.readPreset;
        FUZZ_CHECK(kept || whole);
        // Without both records no FIR is read.
        if (kept) FUZZ_CHECK(device.firTaps == tapsBefore);
    }
    FUZZ_CHECK(link.idle());

    for (const zef::Request& request : {zef::Request{zef::cmd::kStatusPoll, {}, {}},
                                        zef::Request{1, {2, 0, 0, 0, 0, 0, 0, 120}, {}},
                                        zef::ReadMemoryRequest(240, 78)}) {
        entry.online = true;
        CheckReplied(exchange.Transact(kSlot, request, zef::Reporting::Quiet), request);
        FUZZ_CHECK(!link.exchanging());
    }
    entry.online = true;
    entry.editorOpen = true;
    link.deviceChanged[kSlot] = true;
    reader.UpdateIfChanged(kSlot);
    FUZZ_CHECK(link.idle() && !link.sendsSuppressed());
    return 0;
}
