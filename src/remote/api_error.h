#pragma once
// The errors of the remote interfaces. Every refusal is one of these: a
// stable machine code, the HTTP status that goes with it and a message for a
// person. On the wire (HTTP bodies and WebSocket messages alike):
//   {"error":{"code":"out_of_range","message":"out1.gain: 20 is outside -60..12 dB"}}
#include <QJsonObject>
#include <string>

namespace zef::remote {

struct ApiError {
    int status = 400;
    std::string code;
    std::string message;

    QJsonObject Json() const;
};

// The codes, each with its status.
ApiError BadRequest(const std::string& message);          // 400 bad_request: malformed JSON, a field missing
ApiError Unauthorized(const std::string& message);        // 401 unauthorized: no token, or not a known one
ApiError ReadOnly();                                       // 403 read_only: a read-only token asked to write
ApiError NotFound(const std::string& message);            // 404 not_found: no such route
ApiError UnknownDevice(const std::string& device);        // 404 unknown_device
ApiError UnknownParameter(const std::string& name);       // 404 unknown_parameter
ApiError MethodNotAllowed(const std::string& path);       // 405 method_not_allowed
ApiError DeviceOffline(const std::string& device);        // 409 offline: the device is not on-line
ApiError Released(const std::string& device);             // 409 released: the service let the device go
ApiError NotHeldHere(const std::string& message);         // 409 not_held: this host cannot let devices go
ApiError EmptyPreset(int presetNumber);                   // 409 empty_preset
ApiError TooLarge(std::size_t limit);                     // 413 too_large
ApiError BadValue(const std::string& message);            // 422 bad_value: no value of the parameter's kind
ApiError OutOfRange(const std::string& message);          // 422 out_of_range: the range is in the message
ApiError Locked(const std::string& device);               // 423 locked: the interface lock is set
ApiError RateLimited();                                   // 429 rate_limited
ApiError DeviceFailed(const std::string& message);        // 502 device_failed: no answer, or read back different
ApiError Busy();                                          // 503 busy: too many requests waiting for the link

}  // namespace zef::remote
