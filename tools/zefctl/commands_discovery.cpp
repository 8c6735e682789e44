// search, listen, identify.
#include <QCoreApplication>
#include <QTimer>
#include <cmath>

#include "cli.h"
#include "app/announcements.h"
#include "device/ip_range.h"
#include "app/search.h"
#include "output.h"
#include "transport/local_wait.h"
#include "session.h"

namespace zefctl {
namespace {

// "a.b.c.s-a.b.c.e" (or "a.b.c.s-e") as the eight range boxes.
zef::RangeBoxes RangeBoxesOf(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) Usage("--range wants START-END, e.g. 127.0.0.2-127.0.0.40");
    const auto start = zef::ParseDottedAddress(text.substr(0, dash));
    std::string endText = text.substr(dash + 1);
    if (endText.find('.') == std::string::npos && start)
        endText = std::to_string((*start)[0]) + "." + std::to_string((*start)[1]) + "." +
                  std::to_string((*start)[2]) + "." + endText;
    const auto end = zef::ParseDottedAddress(endText);
    if (!start || !end) Usage("bad range '" + text + "'");
    for (std::size_t i = 0; i < 3; ++i)
        if ((*start)[i] != (*end)[i]) Usage("a range covers one a.b.c.0/24 block: '" + text + "'");
    zef::RangeBoxes boxes;
    for (std::size_t i = 0; i < 4; ++i) {
        boxes[i] = std::to_string((*start)[i]);
        boxes[i + 4] = std::to_string((*end)[i]);
    }
    const zef::RangeBoxes valid = zef::ValidateRangeBoxes(boxes);
    if (valid != boxes) Usage("range '" + text + "' outside 1..223.x.x.1 .. 254");
    return valid;
}

int Search(Context& ctx) {
    const Options& o = ctx.options;
    if (o.usb == o.range.has_value()) Usage("search wants --usb or --range START-END");
    Session session(o);
    zef::SearchSettings settings;
    settings.loopbackIsNetwork = true;
    zef::DeviceSearch search(session.list, session.exchange, session.dialogs, settings);
    if (!search.Open()) Fail(session.dialogs.lastNote());
    if (o.usb) {
        if (!search.StartUsb()) session.CheckSerialPermission();
    } else {
        if (!search.StartTcp(RangeBoxesOf(*o.range))) Usage("bad range");
        search.WaitUntilDone(settings.completionMs + 1000);
    }
    search.Close();
    QJsonArray array;
    int found = 0;
    for (zef::DeviceSlot s = 1; s <= zef::kMaxListedDevices; ++s) {
        const zef::DeviceEntry& e = session.model.entry(s);
        if (!e.inList) continue;
        ++found;
        if (o.json) {
            array.append(EntryJson(e));
        } else {
            ctx.out << EntryLine(e) << "\n";
        }
    }
    if (o.json) {
        PrintJson(ctx.out, array);
    } else if (found == 0) {
        ctx.out << (o.usb ? "no device found on the USB serial ports" : "no device found in " + *o.range) << "\n";
    }
    return kExitOk;
}

int Listen(Context& ctx) {
    const Options& o = ctx.options;
    zef::QtTransport transport(zef::SerialPortMap::RegisteredOnly());
    auto listener = transport.NewAnnouncementListener();
    int count = 0;
    listener->SetHandler([&](const std::string& ip, const zef::Bytes& d, std::uint8_t) {
        const auto a = zef::ParseAnnouncement(d);
        if (!a) return;
        ++count;
        if (o.json) {
            QJsonObject j;
            j["ip"] = Q(ip);
            j["name"] = Q(a->name);
            j["uniqueId"] = Q(a->uniqueId);
            j["network"] = Q(zef::NetworkName(a->network));
            j["type"] = a->typeCode;
            PrintJson(ctx.out, j);
        } else {
            ctx.out << ip << "  " << a->name << "  " << a->uniqueId << "  " << zef::NetworkName(a->network)
                    << "  type " << int(a->typeCode) << "\n";
        }
        ctx.out.flush();
    });
    const std::uint16_t port = o.listenPort.value_or(zef::kDefaultAnnouncementPort);
    if (listener->Listen("", port) != zef::kTransportOk)
        Fail("cannot listen on UDP port " + std::to_string(port));
    zef::LocalWait::Pause(static_cast<int>(std::lround(o.seconds * 1000)));
    listener->Stop();
    if (!o.json) ctx.err << count << " announcement(s)\n";
    return kExitOk;
}

int Identify(Context& ctx) {
    const Options& o = ctx.options;
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    Session session(o);
    session.Identify(host);
    const zef::DeviceEntry& e = session.model.entry(kSlot);
    const int address = session.link.deviceAddress[kSlot];
    if (o.json) {
        QJsonObject j = EntryJson(e);
        j["address"] = address;
        PrintJson(ctx.out, j);
    } else {
        ctx.out << "name      " << e.name << "\nunique ID " << e.uniqueId << "\nnetwork   "
                << zef::NetworkName(e.network) << "\naddress   " << address << "\nboot      "
                << (e.type == zef::kTypeBootLoader ? "boot loader" : "application") << "\n";
    }
    session.Close();
    return kExitOk;
}

}  // namespace

void AddDiscoveryCommands(SubCommandTable& table) {
    table.push_back({"search", "search --usb | --range START-END",
                     "find devices on the serial ports or in an IPv4 range (e.g. 127.0.0.2-127.0.0.40)",
                     Search});
    table.push_back({"listen", "listen [--port N] [--seconds S]",
                     "print the devices' UDP announcements (default port 30303, 10 s)", Listen});
    table.push_back(
        {"identify", "identify HOST | --serial PATH", "name, unique ID and network of a device", Identify});
}

}  // namespace zefctl
