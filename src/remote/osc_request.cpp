#include "osc_request.h"

namespace zef::remote {

namespace {

QJsonValue JsonOf(const OscArg& a) {
    if (const auto* i = std::get_if<std::int64_t>(&a)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&a)) return *d;
    if (const auto* s = std::get_if<std::string>(&a)) return QString::fromStdString(*s);
    return std::get<bool>(a);
}

std::variant<OscCall, ApiError> OneText(OscCall::Kind kind, const OscMessage& m) {
    if (m.args.size() != 1 || !std::holds_alternative<std::string>(m.args[0]))
        return BadRequest(m.path + " takes one string");
    OscCall c;
    c.kind = kind;
    c.text = std::get<std::string>(m.args[0]);
    return c;
}

std::variant<OscCall, ApiError> Recall(const std::string& device, const OscMessage& m) {
    const auto* n = m.args.size() == 1 ? std::get_if<std::int64_t>(&m.args[0]) : nullptr;
    if (!n || *n < 1 || *n > 3) return BadValue(m.path + " takes a preset number 1..3");
    OscCall c;
    c.call.route = RouteId::RecallPreset;
    c.call.writes = true;
    c.call.device = device;
    c.call.presetSlot = static_cast<int>(*n) - 1;
    return c;
}

}  // namespace

std::variant<OscCall, ApiError> ParseOscRequest(const OscMessage& m) {
    static constexpr std::string_view kRoot = "/zef/";
    if (m.path.rfind(kRoot, 0) != 0) return NotFound("OSC addresses start with /zef/");
    const std::string rest = m.path.substr(kRoot.size());
    if (rest == "auth") return OneText(OscCall::Kind::Auth, m);
    if (rest == "subscribe") return OneText(OscCall::Kind::Subscribe, m);
    if (rest == "unsubscribe") return OneText(OscCall::Kind::Unsubscribe, m);
    const auto slash = rest.find('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == rest.size())
        return NotFound("nothing answers at " + m.path);
    const std::string device = rest.substr(0, slash);
    const std::string name = rest.substr(slash + 1);
    if (name == "recall") return Recall(device, m);
    const auto p = FindParameter(name);
    if (!p) return UnknownParameter(name);
    OscCall c;
    c.call.device = device;
    c.call.parameter = p;
    if (m.args.empty()) {
        c.call.route = RouteId::GetParameter;
        return c;
    }
    if (m.args.size() != 1) return BadValue(m.path + " takes one value");
    auto v = ValueFromJson(*p, JsonOf(m.args[0]));
    if (auto* e = std::get_if<ApiError>(&v)) return *e;
    c.call.route = RouteId::SetParameter;
    c.call.writes = true;
    c.call.values.push_back({*p, std::get<double>(v)});
    return c;
}

OscArg OscValue(const Parameter& p, double value) {
    const QJsonValue v = ValueToJson(p, value);
    if (v.isString()) return v.toString().toStdString();
    return v.toDouble();
}

}  // namespace zef::remote
