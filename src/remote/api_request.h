#pragma once
// The HTTP API as data: the route table and the parser that turns a request
// (method, path, body) into one typed call, or an error, before anything
// touches a device. Every value is checked here against its parameter's
// description: a value outside the range is refused with the range in the
// message, never clamped.
//
// Routes (DEVICE is the device's slot number 1..32 or its unique ID; PARAM a
// parameter name as zefctl knows it, "out1.eq.5.gain"; N a preset 1..3):
//   GET  /                                         the web remote (a page; needs no token)
//   GET  /openapi.json                             the description of this API
//   GET  /api/v1/parameters                        every parameter with kind, range and unit
//   GET  /api/v1/devices                           the held devices and their state
//   GET  /api/v1/devices/DEVICE                    one device's state, with meters and status
//   GET  /api/v1/devices/DEVICE/parameters         every parameter's value (a dump)
//   POST /api/v1/devices/DEVICE/parameters         {"values":{PARAM:VALUE,...}} as one step (a batch, a
//                                                  load), sent in the order of the names
//   GET  /api/v1/devices/DEVICE/parameters/PARAM   one value
//   PUT  /api/v1/devices/DEVICE/parameters/PARAM   {"value":VALUE}
//   PUT  /api/v1/devices/DEVICE/standby            {"standby":true|false}
//   GET  /api/v1/devices/DEVICE/presets            the three preset names
//   PUT  /api/v1/devices/DEVICE/presets/N          {"name":"..."}: store the running preset
//   POST /api/v1/devices/DEVICE/presets/N/recall   recall it
//   POST /api/v1/devices/DEVICE/release            close the link to the device and leave it to
//                                                  another controller until told to take it back
//   POST /api/v1/devices/DEVICE/take               connect it again
//   GET  /api/v1/devices/DEVICE/link               the device's frames through this service (a
//                                                  WebSocket upgrade, link_tunnel.h)
//   GET  /api/v1/stream                            the WebSocket stream (an upgrade)
// A VALUE is a JSON number, true/false for on/off parameters, or the text
// zefctl takes ("-3", "on", "Bell").
#include <QJsonValue>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "api_error.h"
#include "model/parameters.h"

namespace zef::remote {

inline constexpr const char* kApiPrefix = "/api/v1";

enum class RouteId {
    WebRemote, OpenApi, Parameters, Devices, Device, Dump, Batch, GetParameter, SetParameter, Standby, Presets,
    StorePreset, RecallPreset, Release, Take, Link, Stream,
};

struct Route {
    const char* method;   // "GET", "PUT", "POST"
    const char* pattern;  // segments; {device}, {param} and {preset} stand for a value
    RouteId id;
    bool writes;          // needs a write token; refused while the device is locked
    const char* summary;
};

std::span<const Route> Routes();

struct ApiCall {
    RouteId route = RouteId::OpenApi;
    bool writes = false;
    std::string device;                 // as given in the path
    std::vector<ParameterValue> values;  // SetParameter: one; Batch: several, in the order given
    std::optional<Parameter> parameter;  // GetParameter, SetParameter
    int presetSlot = 0;                 // 0..2 (the path says 1..3)
    std::string presetName;             // StorePreset
    bool standby = false;               // Standby
};

using ParsedCall = std::variant<ApiCall, ApiError>;

// The path without its query; the body as received.
ParsedCall ParseApiRequest(const std::string& method, const std::string& path, const QByteArray& body);

// One value for a parameter from JSON: a number (for on/off and choice
// parameters, the index), true/false, or zefctl's text. A number outside the
// range is out_of_range, anything else that is no value of the parameter is
// bad_value; both messages name the parameter and its range.
std::variant<double, ApiError> ValueFromJson(const Parameter& p, const QJsonValue& value);
// The value as the API shows it: a number for numbers, the name for on/off and choices.
QJsonValue ValueToJson(const Parameter& p, double value);

}  // namespace zef::remote
