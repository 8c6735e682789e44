#include "api_request.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <charconv>
#include <cmath>
#include <sstream>

namespace zef::remote {

namespace {

constexpr Route kRoutes[] = {
    {"GET", "/", RouteId::WebRemote, false, "the web remote"},
    {"GET", "/openapi.json", RouteId::OpenApi, false, "this API's OpenAPI description"},
    {"GET", "/api/v1/parameters", RouteId::Parameters, false, "every parameter with its kind, range and unit"},
    {"GET", "/api/v1/devices", RouteId::Devices, false, "the held devices and their state"},
    {"GET", "/api/v1/devices/{device}", RouteId::Device, false, "one device's state, meters and status"},
    {"GET", "/api/v1/devices/{device}/parameters", RouteId::Dump, false, "every parameter's value"},
    {"POST", "/api/v1/devices/{device}/parameters", RouteId::Batch, true, "several values as one step"},
    {"GET", "/api/v1/devices/{device}/parameters/{param}", RouteId::GetParameter, false, "one value"},
    {"PUT", "/api/v1/devices/{device}/parameters/{param}", RouteId::SetParameter, true, "set one value"},
    {"PUT", "/api/v1/devices/{device}/standby", RouteId::Standby, true, "switch standby"},
    {"GET", "/api/v1/devices/{device}/presets", RouteId::Presets, false, "the three preset names"},
    {"PUT", "/api/v1/devices/{device}/presets/{preset}", RouteId::StorePreset, true, "store the running preset"},
    {"POST", "/api/v1/devices/{device}/presets/{preset}/recall", RouteId::RecallPreset, true, "recall a preset"},
    {"POST", "/api/v1/devices/{device}/release", RouteId::Release, true, "let the device go"},
    {"POST", "/api/v1/devices/{device}/take", RouteId::Take, true, "take a released device back"},
    {"GET", "/api/v1/devices/{device}/link", RouteId::Link, true, "the device's frames (a WebSocket)"},
    {"GET", "/api/v1/stream", RouteId::Stream, false, "the WebSocket stream"},
};

std::vector<std::string> Segments(const std::string& path) {
    std::vector<std::string> segments;
    std::string current;
    for (const char c : path) {
        if (c == '/') {
            if (!current.empty()) segments.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) segments.push_back(current);
    return segments;
}

struct Captures {
    std::string device, param, preset;
};

bool Matches(const Route& r, const std::vector<std::string>& path, Captures& captures) {
    const std::vector<std::string> pattern = Segments(r.pattern);
    if (pattern.size() != path.size()) return false;
    Captures c;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (pattern[i] == "{device}") c.device = path[i];
        else if (pattern[i] == "{param}") c.param = path[i];
        else if (pattern[i] == "{preset}") c.preset = path[i];
        else if (pattern[i] != path[i]) return false;
    }
    captures = c;
    return true;
}

std::variant<QJsonObject, ApiError> BodyObject(const QByteArray& body) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError)
        return BadRequest("the body is no JSON: " + error.errorString().toStdString() + " at byte " +
                          std::to_string(error.offset));
    if (!doc.isObject()) return BadRequest("the body must be a JSON object");
    return doc.object();
}

std::string Describe(const QJsonValue& v) {
    if (v.isString()) return "'" + v.toString().toStdString() + "'";
    if (v.isDouble()) {
        std::ostringstream s;
        s << v.toDouble();
        return s.str();
    }
    if (v.isBool()) return v.toBool() ? "true" : "false";
    return v.isNull() ? "null" : v.isArray() ? "an array" : "an object";
}

std::string RangeNote(const Parameter& p) {
    const std::string unit(p.description->unit);
    const std::string range = RangeText(*p.description);
    return p.description->kind == ValueKind::Number && !unit.empty() && range.find(unit) == std::string::npos
               ? range + " " + unit
               : range;
}

std::variant<ApiCall, ApiError> WithValues(ApiCall call, const QJsonObject& values) {
    if (values.isEmpty()) return BadRequest("\"values\" holds no parameter");
    for (auto it = values.begin(); it != values.end(); ++it) {
        const auto p = FindParameter(it.key().toStdString());
        if (!p) return UnknownParameter(it.key().toStdString());
        auto v = ValueFromJson(*p, it.value());
        if (auto* e = std::get_if<ApiError>(&v)) return *e;
        call.values.push_back({*p, std::get<double>(v)});
    }
    return call;
}

std::variant<int, ApiError> PresetNumber(const std::string& text) {
    if (text != "1" && text != "2" && text != "3") return NotFound("a preset is 1, 2 or 3, not '" + text + "'");
    return text[0] - '1';
}

// The body fields of the routes that write.
ParsedCall Decode(ApiCall call, const Captures& c, const QByteArray& body) {
    if (call.route == RouteId::GetParameter || call.route == RouteId::SetParameter) {
        call.parameter = FindParameter(c.param);
        if (!call.parameter) return UnknownParameter(c.param);
    }
    if (call.route == RouteId::StorePreset || call.route == RouteId::RecallPreset) {
        const auto n = PresetNumber(c.preset);
        if (auto* e = std::get_if<ApiError>(&n)) return *e;
        call.presetSlot = std::get<int>(n);
    }
    if (!call.writes || call.route == RouteId::RecallPreset || call.route == RouteId::Release ||
        call.route == RouteId::Take || call.route == RouteId::Link)
        return call;
    const auto parsed = BodyObject(body);
    if (auto* e = std::get_if<ApiError>(&parsed)) return *e;
    const QJsonObject& o = std::get<QJsonObject>(parsed);
    switch (call.route) {
        case RouteId::SetParameter: {
            if (!o.contains("value")) return BadRequest("the body needs \"value\"");
            auto v = ValueFromJson(*call.parameter, o["value"]);
            if (auto* e = std::get_if<ApiError>(&v)) return *e;
            call.values.push_back({*call.parameter, std::get<double>(v)});
            return call;
        }
        case RouteId::Batch:
            if (!o["values"].isObject()) return BadRequest("the body needs \"values\": {name: value, ...}");
            return WithValues(std::move(call), o["values"].toObject());
        case RouteId::Standby:
            if (!o["standby"].isBool()) return BadRequest("the body needs \"standby\": true or false");
            call.standby = o["standby"].toBool();
            return call;
        case RouteId::StorePreset:
            if (!o["name"].isString()) return BadRequest("the body needs \"name\": the preset's name");
            call.presetName = o["name"].toString().toStdString();
            return call;
        default:
            return call;
    }
}

}  // namespace

std::span<const Route> Routes() { return kRoutes; }

ParsedCall ParseApiRequest(const std::string& method, const std::string& path, const QByteArray& body) {
    const std::vector<std::string> segments = Segments(path);
    bool pathKnown = false;
    for (const Route& r : kRoutes) {
        Captures c;
        if (!Matches(r, segments, c)) continue;
        pathKnown = true;
        if (method != r.method) continue;
        ApiCall call;
        call.route = r.id;
        call.writes = r.writes;
        call.device = c.device;
        return Decode(std::move(call), c, body);
    }
    if (pathKnown) return MethodNotAllowed(path);
    return NotFound("nothing is served at " + path);
}

std::variant<double, ApiError> ValueFromJson(const Parameter& p, const QJsonValue& value) {
    const ParameterDescription& d = *p.description;
    const std::string what = p.name + ": " + Describe(value);
    if (value.isBool() && d.kind == ValueKind::Bool) return value.toBool() ? 1.0 : 0.0;
    if (value.isDouble()) {
        const double v = value.toDouble();
        const bool whole = d.kind == ValueKind::Number || v == std::floor(v);
        if (!std::isfinite(v) || !whole) return BadValue(what + " is no value of " + RangeNote(p));
        if (v < d.min || v > d.max) return OutOfRange(what + " is outside " + RangeNote(p));
        return v;
    }
    if (value.isString()) {
        const std::string text = value.toString().toStdString();
        if (const auto v = ParseValue(d, text)) return *v;
        double number = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (ec == std::errc() && end == text.data() + text.size())
            return OutOfRange(what + " is outside " + RangeNote(p));
        return BadValue(what + " is no value of " + RangeNote(p));
    }
    return BadValue(what + " is no value of " + RangeNote(p));
}

QJsonValue ValueToJson(const Parameter& p, double value) {
    if (p.description->kind == ValueKind::Number) return value;
    return QString::fromStdString(ValueText(*p.description, value));
}

}  // namespace zef::remote
