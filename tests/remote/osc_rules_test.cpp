// OSC messages through the codec and the address parser, without a network.
#include <gtest/gtest.h>

#include "remote/osc_codec.h"
#include "remote/osc_request.h"

namespace zef::remote {
namespace {

std::span<const std::uint8_t> Bytes(const QByteArray& b) {
    return {reinterpret_cast<const std::uint8_t*>(b.data()), static_cast<std::size_t>(b.size())};
}

TEST(OscCodec, EncodesTheWireFormatAndReadsItBack) {
    // "/zef/1/out1.gain" padded to 20 bytes, ",f" padded to 4, -3.5 as a big-endian float.
    const QByteArray bytes = EncodeOsc({"/zef/1/out1.gain", {-3.5}});
    const QByteArray expected = QByteArray("/zef/1/out1.gain\0\0\0\0,f\0\0", 24) + QByteArray("\xC0\x60\x00\x00", 4);
    EXPECT_EQ(bytes.toHex(), expected.toHex());
    const OscMessage all{"/zef/a", {std::int64_t{7}, std::int64_t{1} << 40, 0.25, std::string("Bell"), true, false}};
    EXPECT_EQ(DecodeOsc(Bytes(EncodeOsc(all))), all);
}

TEST(OscCodec, RefusesWhatIsNoMessage) {
    const QByteArray good = EncodeOsc({"/zef/1/out1.mute", {std::string("on")}});
    for (qsizetype cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(DecodeOsc(Bytes(good.left(cut)))) << cut;
    EXPECT_FALSE(DecodeOsc(Bytes(QByteArray("#bundle\0", 8) + QByteArray(8, 0))));
    EXPECT_FALSE(DecodeOsc(Bytes(QByteArray("/x\0\0,b\0\0\0\0\0\1A\0\0\0", 16))));  // a blob: not read
    EXPECT_FALSE(DecodeOsc(Bytes(QByteArray(kMaxOscDatagram + 1, '/'))));
}

TEST(OscRequest, ParsesEachAddress) {
    const struct {
        OscMessage message;
        const char* code;  // "" when parsed
        RouteId route;
    } cases[] = {
        {{"/zef/1/out1.gain", {-3.0}}, "", RouteId::SetParameter},
        {{"/zef/1/out1.gain", {std::int64_t{-3}}}, "", RouteId::SetParameter},
        {{"/zef/0A0B0C0D0E01/out1.mute", {true}}, "", RouteId::SetParameter},
        {{"/zef/1/out1.eq.3.type", {std::string("Bell")}}, "", RouteId::SetParameter},
        {{"/zef/1/out1.gain", {}}, "", RouteId::GetParameter},
        {{"/zef/2/recall", {std::int64_t{3}}}, "", RouteId::RecallPreset},
        {{"/zef/1/out1.gain", {20.0}}, "out_of_range", RouteId::OpenApi},
        {{"/zef/1/out1.gain", {1.0, 2.0}}, "bad_value", RouteId::OpenApi},
        {{"/zef/1/out1.loud", {1.0}}, "unknown_parameter", RouteId::OpenApi},
        {{"/zef/2/recall", {std::int64_t{4}}}, "bad_value", RouteId::OpenApi},
        {{"/other/1/out1.gain", {1.0}}, "not_found", RouteId::OpenApi},
        {{"/zef/1", {1.0}}, "not_found", RouteId::OpenApi},
        {{"/zef/subscribe", {1.0}}, "bad_request", RouteId::OpenApi},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseOscRequest(c.message);
        if (std::string(c.code).empty()) {
            ASSERT_TRUE(std::holds_alternative<OscCall>(parsed)) << c.message.path << ": "
                                                                 << std::get<ApiError>(parsed).message;
            EXPECT_EQ(std::get<OscCall>(parsed).call.route, c.route) << c.message.path;
        } else {
            ASSERT_TRUE(std::holds_alternative<ApiError>(parsed)) << c.message.path;
            EXPECT_EQ(std::get<ApiError>(parsed).code, c.code) << c.message.path;
        }
    }
    const auto sub = std::get<OscCall>(ParseOscRequest({"/zef/subscribe", {std::string("2")}}));
    EXPECT_EQ(sub.kind, OscCall::Kind::Subscribe);
    EXPECT_EQ(sub.text, "2");
    const auto set = std::get<OscCall>(ParseOscRequest({"/zef/1/out2.gain", {std::int64_t{-6}}}));
    EXPECT_EQ(set.call.values.at(0).parameter.name, "out2.gain");
    EXPECT_EQ(set.call.values.at(0).value, -6);
}

}  // namespace
}  // namespace zef::remote
