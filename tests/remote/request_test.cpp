// The API's request parser: each route with a good and a bad body, the
// errors' codes and statuses, and values checked against their parameters'
// ranges before anything reaches a device.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <map>

#include "remote/api_request.h"

namespace zef::remote {
namespace {

struct ParseCase {
    const char* what;
    const char* method;
    const char* path;
    const char* body;
    int status;          // 0: parsed
    const char* code;    // the error code, or "" when parsed
};

const ParseCase kCases[] = {
    {"device list", "GET", "/api/v1/devices", "", 0, ""},
    {"trailing slash is the same path", "GET", "/api/v1/devices/", "", 0, ""},
    {"one value", "GET", "/api/v1/devices/1/parameters/out1.eq.5.gain", "", 0, ""},
    {"set a number", "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":-3})", 0, ""},
    {"set by text", "PUT", "/api/v1/devices/1/parameters/out1.mute", R"({"value":"on"})", 0, ""},
    {"set a choice by name", "PUT", "/api/v1/devices/1/parameters/out1.eq.5.type", R"({"value":"Bell"})", 0, ""},
    {"batch", "POST", "/api/v1/devices/1/parameters", R"({"values":{"out1.gain":-3,"inL.mute":true}})", 0, ""},
    {"standby", "PUT", "/api/v1/devices/2/standby", R"({"standby":true})", 0, ""},
    {"store", "PUT", "/api/v1/devices/2/presets/3", R"({"name":"Show"})", 0, ""},
    {"recall needs no body", "POST", "/api/v1/devices/2/presets/1/recall", "", 0, ""},
    {"unknown path", "GET", "/api/v2/devices", "", 404, "not_found"},
    {"wrong method", "DELETE", "/api/v1/devices/1", "", 405, "method_not_allowed"},
    {"unknown parameter", "GET", "/api/v1/devices/1/parameters/out3.gain", "", 404, "unknown_parameter"},
    {"band past the channel's", "PUT", "/api/v1/devices/1/parameters/inL.eq.5.gain", R"({"value":1})", 404,
     "unknown_parameter"},
    {"no JSON", "PUT", "/api/v1/devices/1/parameters/out1.gain", "{\"value\":", 400, "bad_request"},
    {"empty body", "PUT", "/api/v1/devices/1/parameters/out1.gain", "", 400, "bad_request"},
    {"array body", "PUT", "/api/v1/devices/1/parameters/out1.gain", "[1]", 400, "bad_request"},
    {"value missing", "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"val":1})", 400, "bad_request"},
    {"above the range", "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":12.5})", 422, "out_of_range"},
    {"below the range as text", "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":"-61"})", 422,
     "out_of_range"},
    {"not a value", "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":"loud"})", 422, "bad_value"},
    {"null", "PUT", "/api/v1/devices/1/parameters/out1.gain", R"({"value":null})", 422, "bad_value"},
    {"choice index past the last", "PUT", "/api/v1/devices/1/parameters/out1.eq.5.type", R"({"value":99})", 422,
     "out_of_range"},
    {"fractional choice", "PUT", "/api/v1/devices/1/parameters/out1.mute", R"({"value":0.5})", 422, "bad_value"},
    {"batch with one bad value", "POST", "/api/v1/devices/1/parameters",
     R"({"values":{"out1.gain":-3,"out1.delay":-1}})", 422, "out_of_range"},
    {"batch with an unknown name", "POST", "/api/v1/devices/1/parameters", R"({"values":{"out9.gain":1}})", 404,
     "unknown_parameter"},
    {"empty batch", "POST", "/api/v1/devices/1/parameters", R"({"values":{}})", 400, "bad_request"},
    {"batch not an object", "POST", "/api/v1/devices/1/parameters", R"({"values":[1,2]})", 400, "bad_request"},
    {"standby not a boolean", "PUT", "/api/v1/devices/1/standby", R"({"standby":"yes"})", 400, "bad_request"},
    {"preset 0", "POST", "/api/v1/devices/1/presets/0/recall", "", 404, "not_found"},
    {"preset 4", "PUT", "/api/v1/devices/1/presets/4", R"({"name":"x"})", 404, "not_found"},
    {"preset name not text", "PUT", "/api/v1/devices/1/presets/1", R"({"name":5})", 400, "bad_request"},
};

TEST(ApiRequest, ParsesOrRefusesEachRoute) {
    for (const ParseCase& c : kCases) {
        SCOPED_TRACE(c.what);
        const ParsedCall parsed = ParseApiRequest(c.method, c.path, QByteArray(c.body));
        if (c.status == 0) {
            ASSERT_TRUE(std::holds_alternative<ApiCall>(parsed)) << std::get<ApiError>(parsed).message;
        } else {
            ASSERT_TRUE(std::holds_alternative<ApiError>(parsed));
            EXPECT_EQ(std::get<ApiError>(parsed).status, c.status);
            EXPECT_EQ(std::get<ApiError>(parsed).code, c.code);
        }
    }
}

TEST(ApiRequest, CarriesWhatTheCallNeeds) {
    const auto call = std::get<ApiCall>(
        ParseApiRequest("PUT", "/api/v1/devices/0A0B0C0D0E01/parameters/out2.eq.30.freq", R"({"value":1000})"));
    EXPECT_EQ(call.route, RouteId::SetParameter);
    EXPECT_TRUE(call.writes);
    EXPECT_EQ(call.device, "0A0B0C0D0E01");
    ASSERT_EQ(call.values.size(), 1u);
    EXPECT_EQ(call.values[0].parameter.name, "out2.eq.30.freq");
    EXPECT_EQ(call.values[0].value, 1000);

    const auto store = std::get<ApiCall>(ParseApiRequest("PUT", "/api/v1/devices/3/presets/2", R"({"name":"Gig"})"));
    EXPECT_EQ(store.presetSlot, 1);
    EXPECT_EQ(store.presetName, "Gig");

    const auto batch = std::get<ApiCall>(ParseApiRequest(
        "POST", "/api/v1/devices/1/parameters", R"({"values":{"out1.mute":"on","inL.gain":-6,"out1.polarity":false}})"));
    ASSERT_EQ(batch.values.size(), 3u);
    std::map<std::string, double> got;
    for (const ParameterValue& v : batch.values) got[v.parameter.name] = v.value;
    EXPECT_EQ(got, (std::map<std::string, double>{{"inL.gain", -6}, {"out1.mute", 1}, {"out1.polarity", 0}}));

    EXPECT_FALSE(std::get<ApiCall>(ParseApiRequest("GET", "/api/v1/devices/1", "")).writes);
}

TEST(ApiRequest, RefusalsNameTheParameterAndItsRange) {
    const auto p = *FindParameter("out1.gain");
    const auto e = std::get<ApiError>(ValueFromJson(p, QJsonValue(20)));
    EXPECT_EQ(e.message, "out1.gain: 20 is outside -60..12 dB");
    const auto body = QJsonDocument(e.Json()).toJson(QJsonDocument::Compact);
    EXPECT_EQ(body, R"({"error":{"code":"out_of_range","message":"out1.gain: 20 is outside -60..12 dB"}})");
    const auto mute = *FindParameter("out1.mute");
    EXPECT_EQ(std::get<ApiError>(ValueFromJson(mute, QJsonValue("maybe"))).message,
              "out1.mute: 'maybe' is no value of " + RangeText(*mute.description));
}

TEST(ApiRequest, ValuesShowAsTheirKind) {
    EXPECT_EQ(ValueToJson(*FindParameter("out1.gain"), -3.5), QJsonValue(-3.5));
    EXPECT_EQ(ValueToJson(*FindParameter("out1.mute"), 1), QJsonValue("on"));
    EXPECT_EQ(ValueToJson(*FindParameter("out1.eq.1.type"), 0), QJsonValue("Bell"));
    // What is shown is taken back.
    for (const char* name : {"out1.mute", "out1.eq.1.type", "out2.hp.slope"}) {
        const Parameter p = *FindParameter(name);
        for (double v = p.description->min; v <= p.description->max; ++v) {
            const auto back = ValueFromJson(p, ValueToJson(p, v));
            ASSERT_TRUE(std::holds_alternative<double>(back)) << name << " " << v;
            EXPECT_EQ(std::get<double>(back), v) << name;
        }
    }
}

}  // namespace
}  // namespace zef::remote
