// net: the amplifier's own network settings (LAN, WLAN client, access point).
#include <charconv>
#include <functional>
#include <sstream>

#include "cli.h"
#include "app/network_setup.h"
#include "output.h"
#include "session.h"

namespace zefctl {
namespace {

using zef::SetupPage;
using zef::SetupPageValues;

struct PageName {
    const char* name;
    SetupPage page;
};
constexpr PageName kPages[] = {
    {"lan", SetupPage::Lan}, {"wlan", SetupPage::Wlan}, {"ap", SetupPage::AccessPoint}};

// A KEY=VALUE setting: the pages that have it and how it changes the page values.
struct Setting {
    const char* key;
    bool lan, wlan, ap;
    std::function<void(SetupPageValues&, const std::string&)> apply;
};

std::uint8_t Choice(const std::string& value, const char* key, const char* off, const char* on) {
    if (value == off) return 0;
    if (value == on) return 1;
    Usage(std::string("bad ") + key + " '" + value + "' (" + off + " or " + on + ")");
}

// "a.b.c.d" into the four octet boxes as typed; the pages' own check decides what is correct.
void Octets(SetupPageValues& v, zef::OctetRow row, const std::string& value) {
    std::array<std::string, 4> boxes{};
    std::size_t start = 0;
    for (std::size_t k = 0; k < 4 && start <= value.size(); ++k) {
        const auto dot = k < 3 ? value.find('.', start) : std::string::npos;
        if (dot == std::string::npos) {
            boxes[k] = value.substr(start);  // the last box takes the rest, dots and all
            start = value.size() + 1;
        } else {
            boxes[k] = value.substr(start, dot - start);
            start = dot + 1;
        }
    }
    v.octets[static_cast<std::size_t>(row)] = boxes;
}

std::string Text(const std::string& value, const char* key) {
    if (value.size() > zef::kNetworkTextMax) Usage(std::string(key) + " has at most 32 characters");
    return value;
}

const std::vector<Setting>& Settings() {
    static const std::vector<Setting> table = {
        {"enable", false, true, true,
         [](SetupPageValues& v, const std::string& s) { v.enable = Choice(s, "enable", "0", "1"); }},
        {"mode", true, true, false,
         [](SetupPageValues& v, const std::string& s) { v.mode = Choice(s, "mode", "dhcp", "static"); }},
        {"ip", true, true, true,
         [](SetupPageValues& v, const std::string& s) { Octets(v, zef::kRowAddress, s); }},
        {"mask", true, true, true,
         [](SetupPageValues& v, const std::string& s) { Octets(v, zef::kRowMask, s); }},
        {"gateway", true, true, true,
         [](SetupPageValues& v, const std::string& s) { Octets(v, zef::kRowGateway, s); }},
        {"ssid", false, true, true,
         [](SetupPageValues& v, const std::string& s) { v.ssid = Text(s, "ssid"); }},
        {"security", false, true, true,
         [](SetupPageValues& v, const std::string& s) {
             v.security = Choice(s, "security", "open", "wpa2");
         }},
        {"key", false, true, true, [](SetupPageValues& v, const std::string& s) { v.key = Text(s, "key"); }},
        {"channel", false, false, true,
         [](SetupPageValues& v, const std::string& s) {
             int n = 0;
             const auto r = std::from_chars(s.data(), s.data() + s.size(), n);
             if (r.ec != std::errc() || r.ptr != s.data() + s.size() || n < zef::kApChannelMin ||
                 n > zef::kApChannelMax)
                 Usage("bad channel '" + s + "' (1..13)");
             v.channel = n;
         }},
    };
    return table;
}

bool PageHas(const Setting& s, SetupPage page) {
    return page == SetupPage::Lan ? s.lan : page == SetupPage::Wlan ? s.wlan : s.ap;
}

std::string Address(const std::array<std::string, 4>& octets) {
    return octets[0] + "." + octets[1] + "." + octets[2] + "." + octets[3];
}

void PrintPage(Context& ctx, const char* name, SetupPage page, const SetupPageValues& v) {
    const bool wifi = page != SetupPage::Lan;
    if (ctx.options.json) {
        QJsonObject j;
        j["page"] = name;
        j["written"] = true;
        if (wifi) j["enable"] = v.enable != 0;
        if (page != SetupPage::AccessPoint) j["mode"] = v.mode ? "static" : "dhcp";
        j["ip"] = Q(Address(v.octets[0]));
        j["mask"] = Q(Address(v.octets[1]));
        j["gateway"] = Q(Address(v.octets[2]));
        if (wifi) {
            j["ssid"] = Q(v.ssid);
            j["security"] = v.security ? "wpa2" : "open";
        }
        if (page == SetupPage::AccessPoint) j["channel"] = v.channel;
        PrintJson(ctx.out, j);
        return;
    }
    std::ostringstream s;
    s << name << ":";
    if (wifi) s << " enable=" << int(v.enable);
    if (page != SetupPage::AccessPoint) s << " mode=" << (v.mode ? "static" : "dhcp");
    s << " ip=" << Address(v.octets[0]) << " mask=" << Address(v.octets[1])
      << " gateway=" << Address(v.octets[2]);
    if (wifi) s << " ssid=" << v.ssid << " security=" << (v.security ? "wpa2" : "open");
    if (page == SetupPage::AccessPoint) s << " channel=" << v.channel;
    ctx.out << s.str() << "\nwritten; the device uses the new settings after it restarts\n";
}

int Net(Context& ctx) {
    std::size_t next = 0;
    const std::string host = HostArg(ctx, next);
    const std::string& pageName = Arg(ctx, next, "lan|wlan|ap");
    const PageName* page = nullptr;
    for (const PageName& p : kPages)
        if (pageName == p.name) page = &p;
    if (!page) Usage("unknown page '" + pageName + "' (lan, wlan or ap)");

    // Check every KEY=VALUE before the device is contacted.
    std::vector<std::pair<const Setting*, std::string>> changes;
    for (std::size_t i = next + 1; i < ctx.options.args.size(); ++i) {
        const std::string& a = ctx.options.args[i];
        const auto eq = a.find('=');
        const std::string key = a.substr(0, eq);
        const Setting* found = nullptr;
        for (const Setting& s : Settings())
            if (key == s.key) found = &s;
        if (eq == std::string::npos || !found) Usage("expected KEY=VALUE, not '" + a + "' (see zefctl help)");
        if (!PageHas(*found, page->page)) Usage(std::string(page->name) + " has no " + key);
        SetupPageValues probe;
        found->apply(probe, a.substr(eq + 1));
        changes.emplace_back(found, a.substr(eq + 1));
    }

    Session session(ctx.options);
    session.Connect(host);
    SetupPageValues values = zef::InitPagePar(page->page, session.model.device(kSlot).settings);
    for (const auto& [setting, value] : changes) setting->apply(values, value);
    zef::NetworkSetup setup(session.model, session.exchange, session.dialogs, kSlot);
    switch (setup.Apply(page->page, values)) {
        case zef::ApplyResult::Written:
            PrintPage(ctx, page->name, page->page, values);
            return kExitOk;
        case zef::ApplyResult::WriteFailed:
            session.Check(zef::kFailed, "writing the settings");
            break;
        default:
            break;
    }
    Fail(session.dialogs.lastNote());
}

}  // namespace

void AddNetworkCommands(SubCommandTable& table) {
    table.push_back(
        {"net", "net HOST lan|wlan|ap [KEY=VALUE ...] [--yes]",
         "change the device's own network settings; keys: enable=0|1, mode=dhcp|static, ip=, mask=, "
         "gateway= (a.b.c.d), ssid=, security=open|wpa2, key=, channel=1..13; keys not given keep "
         "the device's values; --yes confirms that they apply after a restart",
         Net});
}

}  // namespace zefctl
