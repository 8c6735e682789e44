#include "api_error.h"

#include <QString>

namespace zef::remote {

QJsonObject ApiError::Json() const {
    QJsonObject inner;
    inner["code"] = QString::fromStdString(code);
    inner["message"] = QString::fromStdString(message);
    QJsonObject outer;
    outer["error"] = inner;
    return outer;
}

ApiError BadRequest(const std::string& message) { return {400, "bad_request", message}; }
ApiError Unauthorized(const std::string& message) { return {401, "unauthorized", message}; }
ApiError ReadOnly() { return {403, "read_only", "this token may only read"}; }
ApiError NotFound(const std::string& message) { return {404, "not_found", message}; }
ApiError UnknownDevice(const std::string& device) {
    return {404, "unknown_device", "no device '" + device + "' (GET /api/v1/devices lists them)"};
}
ApiError UnknownParameter(const std::string& name) {
    return {404, "unknown_parameter", "unknown parameter '" + name + "' (GET /api/v1/parameters lists them)"};
}
ApiError MethodNotAllowed(const std::string& path) {
    return {405, "method_not_allowed", "this method is not served at " + path};
}
ApiError DeviceOffline(const std::string& device) { return {409, "offline", "device " + device + " is off-line"}; }
ApiError Released(const std::string& device) {
    return {409, "released", "device " + device + " is released (POST .../take takes it back)"};
}
ApiError NotHeldHere(const std::string& message) { return {409, "not_held", message}; }
ApiError EmptyPreset(int presetNumber) {
    return {409, "empty_preset", "preset " + std::to_string(presetNumber) + " holds no preset"};
}
ApiError TooLarge(std::size_t limit) {
    return {413, "too_large", "the request is larger than " + std::to_string(limit) + " bytes"};
}
ApiError BadValue(const std::string& message) { return {422, "bad_value", message}; }
ApiError OutOfRange(const std::string& message) { return {422, "out_of_range", message}; }
ApiError Locked(const std::string& device) {
    return {423, "locked", "device " + device + " is locked in the editor; unlock it there first"};
}
ApiError RateLimited() { return {429, "rate_limited", "too many requests; slow down"}; }
ApiError DeviceFailed(const std::string& message) { return {502, "device_failed", message}; }
ApiError Busy() { return {503, "busy", "too many requests are waiting for the devices; try again"}; }

}  // namespace zef::remote
