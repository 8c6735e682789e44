#pragma once
// OSC addresses of the service, the habits of show-control consoles:
//   /zef/DEVICE/PARAM VALUE     set (DEVICE: slot number or unique ID; PARAM: "out1.gain")
//   /zef/DEVICE/PARAM           query: answered with /zef/DEVICE/PARAM VALUE
//   /zef/DEVICE/recall N        recall preset N (1..3)
//   /zef/subscribe DEVICE       every change of the device is sent to this client
//   /zef/unsubscribe DEVICE
//   /zef/auth TOKEN             the client's token, when the service has tokens
// VALUE is an int, a float, a string ("on", "Bell", "-3") or true/false.
// What a set applied is answered with the value the device holds; a refusal
// with /zef/error CODE MESSAGE (the codes of api_error.h).
#include <string>
#include <variant>

#include "api_request.h"
#include "osc_codec.h"

namespace zef::remote {

struct OscCall {
    enum class Kind { Call, Auth, Subscribe, Unsubscribe };
    Kind kind = Kind::Call;
    std::string text;  // the token (Auth) or device (Subscribe, Unsubscribe)
    ApiCall call;      // Call: SetParameter, GetParameter or RecallPreset
};

std::variant<OscCall, ApiError> ParseOscRequest(const OscMessage& message);

// The OSC form of a value the API shows (ValueToJson): numbers as floats, names as strings.
OscArg OscValue(const Parameter& p, double value);

}  // namespace zef::remote
