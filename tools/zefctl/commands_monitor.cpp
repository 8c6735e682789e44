// monitor: live status, meters, protection lamps, standby and the link's
// figures of one or more devices. On a terminal the picture is redrawn in
// place; otherwise each round prints one line per device; with --json one
// object per round. --count N and --seconds S end it (whichever comes first);
// every wait of the link is bounded by --timeout per round.

#include <chrono>
#include <cmath>
#include <iostream>
#include <sstream>

#include "model/meter_readings.h"
#include "base/c_number.h"
#include "base/terminal.h"
#include "cli.h"
#include "device/link_monitor.h"
#include "output.h"
#include "protocol/commands.h"
#include "session.h"
#include "transport/local_wait.h"

namespace zefctl {
namespace {

using zef::DeviceSlot;
using zef::Indicator;
using zef::LinkFigures;
using zef::StatusReading;

constexpr int kDefaultIntervalMs = 500;
constexpr std::array<const char*, 7> kLevelNames = {"inL", "inR", "out1", "out2", "volt1", "volt2", "sm"};
constexpr std::array<const char*, 4> kReductionNames = {"comp1", "comp2", "lim1", "lim2"};

struct Watched {
    DeviceSlot slot = 0;
    std::string host;
    std::optional<StatusReading> reading;  // from the last poll that answered
};

// One status poll; a device that is off-line is identified again first.
void Poll(Session& session, Watched& w) {
    zef::DeviceEntry& e = session.model.entry(w.slot);
    if (!e.online) {
        try {
            session.Identify(w.host, w.slot);
        } catch (const CliError&) {
            w.reading.reset();
            return;
        }
    }
    const zef::ExchangeResult r =
        session.exchange.Transact(w.slot, zef::Request{zef::cmd::kStatusPoll, {}, {}}, zef::Reporting::Quiet);
    const std::optional<zef::StatusReply> status = r.replied() ? zef::DecodeStatus(r.reply()) : std::nullopt;
    if (!status) {
        w.reading.reset();
        return;
    }
    w.reading = zef::DecodeStatusReading(std::span<const std::uint8_t, 18>(status->levels), status->flags, true);
}

std::string Ms(const std::optional<double>& ms) { return ms ? zef::CFixed(*ms, 3) : "-"; }

QJsonObject FiguresJson(const LinkFigures& f) {
    QJsonObject o;
    o["exchanges"] = static_cast<double>(f.exchanges);
    o["bytesOut"] = static_cast<double>(f.bytesOut);
    o["bytesIn"] = static_cast<double>(f.bytesIn);
    o["retries"] = static_cast<double>(f.retries);
    o["timeouts"] = static_cast<double>(f.timeouts);
    o["garbled"] = static_cast<double>(f.garbled);
    o["late"] = static_cast<double>(f.late);
    o["reconnects"] = static_cast<double>(f.reconnects);
    o["rttMedianMs"] = f.medianMs ? QJsonValue(*f.medianMs) : QJsonValue();
    o["rttP99Ms"] = f.p99Ms ? QJsonValue(*f.p99Ms) : QJsonValue();
    o["lastError"] = Q(f.lastError);
    o["lastErrorTime"] = f.lastErrorTime ? QJsonValue(Q(zef::ClockText(*f.lastErrorTime))) : QJsonValue();
    return o;
}

QJsonObject DeviceJson(const Session& s, const Watched& w) {
    const zef::DeviceEntry& e = s.model.entry(w.slot);
    QJsonObject o;
    o["host"] = Q(w.host);
    o["name"] = Q(e.name);
    o["online"] = w.reading.has_value();
    if (w.reading) {
        const StatusReading& r = *w.reading;
        o["standby"] = r.standby;
        o["alert"] = r.alert;
        QJsonObject levels;
        for (std::size_t i = 0; i < kLevelNames.size(); ++i) levels[kLevelNames[i]] = r.levels[i];
        for (std::size_t i = 0; i < kReductionNames.size(); ++i) levels[kReductionNames[i]] = r.reductions[i];
        o["levelsDb"] = levels;
        o["protect"] = QJsonArray{r.lit(Indicator::ProtectOut1), r.lit(Indicator::ProtectOut2)};
        o["limit"] = QJsonArray{r.lit(Indicator::LimitOut1), r.lit(Indicator::LimitOut2)};
        o["clip"] = QJsonArray{r.lit(Indicator::ClipL), r.lit(Indicator::ClipR), r.lit(Indicator::ClipOut1),
                               r.lit(Indicator::ClipOut2)};
    }
    o["link"] = FiguresJson(s.exchange.monitor().Figures(w.slot));
    return o;
}

std::string Lamp(bool on, const char* name) { return std::string(name) + (on ? " ON " : " -- "); }

std::string StatusText(const Watched& w) {
    if (!w.reading) return "off-line";
    const StatusReading& r = *w.reading;
    return std::string("on-line  standby ") + (r.standby ? "on" : "off") + "  alert " + (r.alert ? "ON" : "off") +
           "  " + Lamp(r.lit(Indicator::ProtectOut1), "protect1") + Lamp(r.lit(Indicator::ProtectOut2), "protect2") +
           Lamp(r.lit(Indicator::LimitOut1), "limit1") + Lamp(r.lit(Indicator::LimitOut2), "limit2");
}

template <std::size_t N, typename Values>
std::string Readings(const std::array<const char*, N>& names, const Values& values) {
    std::ostringstream s;
    for (std::size_t i = 0; i < N; ++i) s << names[i] << " " << zef::CFixed(values[i], 1) << "  ";
    return s.str();
}

std::string LevelsText(const StatusReading& r) {
    return Readings(kLevelNames, r.levels) + Readings(kReductionNames, r.reductions);
}

std::string TrafficText(const LinkFigures& f) {
    std::ostringstream s;
    s << "exchanges " << f.exchanges << "  out " << f.bytesOut << " B  in " << f.bytesIn << " B  rtt median "
      << Ms(f.medianMs) << " ms  p99 " << Ms(f.p99Ms) << " ms";
    return s.str();
}

std::string FaultsText(const LinkFigures& f) {
    std::ostringstream s;
    s << "retries " << f.retries << "  time-outs " << f.timeouts << "  garbled " << f.garbled << "  late " << f.late
      << "  reconnects " << f.reconnects;
    return s.str();
}

std::string FiguresText(const LinkFigures& f) { return TrafficText(f) + "  " + FaultsText(f); }

std::string LastErrorText(const LinkFigures& f) {
    if (f.lastError.empty()) return "none";
    return zef::ClockText(*f.lastErrorTime) + " " + f.lastError;
}

// The terminal picture: a block of lines per device.
std::vector<std::string> Picture(const Session& s, const std::vector<Watched>& watched, int round) {
    std::vector<std::string> lines{"zefctl monitor  round " + std::to_string(round) + "  " +
                                   zef::ClockText(std::chrono::system_clock::now())};
    for (const Watched& w : watched) {
        const LinkFigures f = s.exchange.monitor().Figures(w.slot);
        lines.push_back(w.host + "  " + s.model.entry(w.slot).name + "  " + StatusText(w));
        lines.push_back("  levels dB  " + (w.reading ? Readings(kLevelNames, w.reading->levels) : std::string("-")));
        lines.push_back("  reduction  " + (w.reading ? Readings(kReductionNames, w.reading->reductions) : std::string("-")));
        lines.push_back("  link       " + TrafficText(f));
        lines.push_back("             " + FaultsText(f));
        lines.push_back("  last error " + LastErrorText(f));
    }
    return lines;
}

// One plain line per device, for logs and pipes.
std::string PlainLine(const Session& s, const Watched& w) {
    const LinkFigures f = s.exchange.monitor().Figures(w.slot);
    return zef::ClockText(std::chrono::system_clock::now()) + "  " + w.host + "  " + StatusText(w) + "  " +
           (w.reading ? LevelsText(*w.reading) : std::string()) + FiguresText(f) + "  last error " +
           LastErrorText(f);
}

class Printer {
public:
    explicit Printer(Context& ctx) : ctx_(ctx), terminal_(&ctx.out == &std::cout && zef::terminal::StdoutIsTerminal()) {}

    void Print(const Session& s, const std::vector<Watched>& watched, int round) {
        if (ctx_.options.json) {
            QJsonArray devices;
            for (const Watched& w : watched) devices.append(DeviceJson(s, w));
            QJsonObject o;
            o["round"] = round;
            o["time"] = Q(zef::ClockText(std::chrono::system_clock::now()));
            o["devices"] = devices;
            PrintJson(ctx_.out, o);
        } else if (terminal_) {
            // Home and clear, as `watch` does: right however the terminal wraps long lines.
            ctx_.out << "\033[H\033[J";
            for (const std::string& line : Picture(s, watched, round)) ctx_.out << line << "\n";
        } else {
            for (const Watched& w : watched) ctx_.out << PlainLine(s, w) << "\n";
        }
        ctx_.out.flush();
    }

private:
    Context& ctx_;
    bool terminal_;
};

int Monitor(Context& ctx) {
    const Options& o = ctx.options;
    if (o.args.empty()) Usage("missing HOST");
    if (o.args.size() >= static_cast<std::size_t>(zef::kSlotCount)) Usage("too many hosts");
    const int count = NamedInt(ctx, "--count", 0, 1, 1000000000);
    const int intervalMs = NamedInt(ctx, "--interval", kDefaultIntervalMs, 50, 60000);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::llround(o.seconds * 1000));
    const auto timeout = std::chrono::milliseconds(std::llround(o.timeout * 1000));

    Session session(o);
    std::vector<Watched> watched;
    for (std::size_t i = 0; i < o.args.size(); ++i) {
        watched.push_back({static_cast<DeviceSlot>(i + 1), o.args[i], std::nullopt});
        session.Identify(o.args[i], watched.back().slot);  // a host that does not answer at the start is an error
    }
    Printer printer(ctx);
    for (int round = 1;; ++round) {
        const auto started = std::chrono::steady_clock::now();
        session.exchange.SetDeadline(started + timeout);
        for (Watched& w : watched) Poll(session, w);
        printer.Print(session, watched, round);
        const auto now = std::chrono::steady_clock::now();
        if ((count > 0 && round >= count) || now >= end) break;
        const auto next = std::min(started + std::chrono::milliseconds(intervalMs), end);
        zef::LocalWait::Pause(static_cast<int>(
            std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count())));
    }
    session.Close();
    return kExitOk;
}

}  // namespace

void AddMonitorCommands(SubCommandTable& table) {
    table.push_back({"monitor", "monitor HOST [HOST...] [--count N] [--seconds S] [--interval MS]",
                     "live status, meters, protection lamps, standby and link figures of each device, redrawn in "
                     "place on a terminal (one line per device otherwise; --json one object per round); ends "
                     "after N rounds or S seconds (default 10), a round every MS ms (default 500)",
                     Monitor,
                     {{"--count"}, {"--interval"}}});
}

}  // namespace zefctl
