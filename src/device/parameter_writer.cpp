#include "device/parameter_writer.h"

#include <algorithm>
#include <cmath>

#include "model/controls.h"
#include "model/memory_map.h"
#include "model/records.h"

namespace zef {
namespace {

bool On(double v) { return v != 0.0; }
int Position(Control c, double value) { return MapperFor(c).positionFromValue(value); }
int Whole(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

Status ParameterWriter::Set(const Parameter& p, double value) {
    const Status sent = Send(p, value);
    const Status linked = Link(p);
    return sent != kOk ? sent : linked;
}

Status ParameterWriter::Send(const Parameter& p, double v) {
    const ParamTarget& t = p.target;
    DeviceModel& d = senders_.device();
    const auto ch = [&] { return CodeOf(t.channel); };
    const int o = static_cast<int>(t.channel) - 2;
    const int in = static_cast<int>(t.channel);
    const auto band = [&](auto change) {
        const int index = BandIndexOf(t);
        EqBandEdit b = BandControls(d, index);
        change(b);
        return senders_.SendEqBand(index, b);
    };
    const auto gate = [&](auto change) {
        GateControls g = GateControlsOf(d, in);
        change(g);
        return senders_.SendNoiseGate(3 * in, g);
    };
    const auto comp = [&](auto change) {
        CompressorControls c = CompressorControlsOf(d, o);
        change(c);
        return senders_.SendCompressor(ch(), c);
    };
    const auto lim = [&](auto change) {
        LimiterControls l = LimiterControlsOf(d, o);
        change(l);
        return senders_.SendLimiter(ch(), l);
    };
    const auto dyn = [&](auto change) {
        DynamicFilterControls f = DynamicFilterControlsOf(d, o);
        change(f);
        return senders_.SendDynamicFilter(ch(), f.enabled, std::clamp(f.value1, 0, 100), std::clamp(f.value2, 0, 100));
    };
    const auto mask = [&](auto change) {
        MaskingControls m = MaskingControlsOf(d);
        change(m);
        return senders_.SendMasking(m);
    };
    const auto xover = [&](CrossoverSide side, std::optional<double> freq, std::optional<int> slope) {
        const auto n = static_cast<std::size_t>(CrossoverFilter(ch(), side));
        return senders_.SendCrossover(ch(), side, freq.value_or(d.values.crossoverFrequency[n]),
                                      slope.value_or(Whole(d.values.crossoverSlope[n])));
    };
    const auto route = [&](bool left) {
        RoutingState r = ReadRouting(d.preset, o);
        (left ? r.source0 : r.source1) = On(v);
        return senders_.SendRouting(ch(), r);
    };
    const bool delayBypassed = o >= 0 && o < 2 && TestBit8(d.preset[pi::kDelayBypass], o);

    switch (p.description->id) {
        case ParamId::Gain: return senders_.SendGain(ch(), Position(Control::ChannelGain, v));
        case ParamId::Mute: return senders_.SendMute(ch(), On(v));
        case ParamId::Polarity: return senders_.SendPolarity(ch(), On(v));
        case ParamId::EqBypass: return senders_.SendEqBypass(ch(), On(v));
        case ParamId::InputBlockB: return senders_.SendChannelMode(ch(), On(v));
        case ParamId::BandType: return band([&](EqBandEdit& b) { b.type = static_cast<std::int16_t>(Whole(v)); });
        case ParamId::BandFreq: return band([&](EqBandEdit& b) { b.frequencyHz = v; });
        case ParamId::BandGain: return band([&](EqBandEdit& b) { b.gainDb = v; });
        case ParamId::BandQ: return band([&](EqBandEdit& b) { b.q = v; });
        case ParamId::BandBypass: return band([&](EqBandEdit& b) { b.bypassed = On(v); });
        case ParamId::GateEnable: return gate([&](GateControls& g) { g.enabled = On(v); });
        case ParamId::GateThreshold:
            return gate([&](GateControls& g) { g.thresholdPosition = Position(Control::GateThreshold, v); });
        case ParamId::GateTimeA: return gate([&](GateControls& g) { g.timeAPosition = Position(Control::GateTimeA, v); });
        case ParamId::GateTimeB: return gate([&](GateControls& g) { g.timeBPosition = Position(Control::GateTimeB, v); });
        case ParamId::Delay: return senders_.SendDelay(ch(), DelayCountsFromMs(v), delayBypassed);
        case ParamId::DelayBypass: return senders_.SendDelay(ch(), ReadDelay(d.preset, o), On(v));
        case ParamId::HpFreq: return xover(CrossoverSide::HighPass, v, std::nullopt);
        case ParamId::HpSlope: return xover(CrossoverSide::HighPass, std::nullopt, Whole(v));
        case ParamId::LpFreq: return xover(CrossoverSide::LowPass, v, std::nullopt);
        case ParamId::LpSlope: return xover(CrossoverSide::LowPass, std::nullopt, Whole(v));
        case ParamId::RouteL: return route(true);
        case ParamId::RouteR: return route(false);
        case ParamId::CompEnable: return comp([&](CompressorControls& c) { c.enabled = On(v); });
        case ParamId::CompLevel:
            return comp([&](CompressorControls& c) { c.levelPosition = Position(Control::CompressorLevel, v); });
        case ParamId::CompRatio:
            return comp([&](CompressorControls& c) { c.ratioPosition = Position(Control::CompressorRatio, v); });
        case ParamId::CompValue:
            return comp([&](CompressorControls& c) { c.valuePosition = Position(Control::CompressorValue, v); });
        case ParamId::CompTimeA:
            return comp([&](CompressorControls& c) { c.timeAPosition = Position(Control::CompressorTimeA, v); });
        case ParamId::CompTimeB:
            return comp([&](CompressorControls& c) { c.timeBPosition = Position(Control::CompressorTimeB, v); });
        case ParamId::CompGain:
            return comp([&](CompressorControls& c) { c.gainPosition = Position(Control::CompressorGain, v); });
        case ParamId::CompAuto:
            return senders_.SendCompressorAuto(ch(), On(v), d.preset[pi::CompAutoKnee(o)] != 0);
        case ParamId::CompKnee:
            return senders_.SendCompressorAuto(ch(), d.preset[pi::CompAutoMode(o)] != 0, On(v));
        case ParamId::LimEnable: return lim([&](LimiterControls& l) { l.enabled = On(v); });
        case ParamId::LimThreshold:
            return lim([&](LimiterControls& l) { l.thresholdPosition = Position(Control::LimiterThreshold, v); });
        case ParamId::LimTimeA: return lim([&](LimiterControls& l) { l.timeAPosition = Position(Control::LimiterTimeA, v); });
        case ParamId::LimTimeB: return lim([&](LimiterControls& l) { l.timeBPosition = Position(Control::LimiterTimeB, v); });
        case ParamId::DynEnable: return dyn([&](DynamicFilterControls& f) { f.enabled = On(v); });
        case ParamId::DynValue1: return dyn([&](DynamicFilterControls& f) { f.value1 = Whole(v); });
        case ParamId::DynValue2: return dyn([&](DynamicFilterControls& f) { f.value2 = Whole(v); });
        case ParamId::FirBypass: return senders_.SendFirBypass(ch(), On(v));
        case ParamId::Impedance: return senders_.SendImpedance(ch(), std::clamp(Whole(v), 0, 3));
        case ParamId::MaskEnable: return mask([&](MaskingControls& m) { m.enableOption = On(v) ? 0 : 1; });
        case ParamId::MaskLevel:
            return mask([&](MaskingControls& m) { m.levelPosition = Position(Control::MaskingLevel, v); });
        case ParamId::MaskType: return mask([&](MaskingControls& m) { m.typeOption = std::clamp(Whole(v), 0, 1); });
        case ParamId::Standby: return senders_.SendStandby(On(v));
        case ParamId::Sleep: return senders_.SendSleepMode(On(v));
        case ParamId::Bridge: return senders_.SendBridge(On(v));
        case ParamId::Voltage: return senders_.SendVoltage(std::clamp(Whole(v), 0, 255));
        case ParamId::Remote: return senders_.SendRemoteEnable(On(v));
        case ParamId::NoiseOption: return senders_.SendNoiseOption(std::clamp(Whole(v), 0, 2));
        case ParamId::NoiseLevel:
            return senders_.SendNoiseLevel(Position(Control::NoiseLevel, v), d.settings[ds::kNoiseSubOption]);
        case ParamId::DelayUnit: return senders_.SendDelayUnit(On(v));
        case ParamId::EqMode: return senders_.SendEqMode(On(v) ? 1 : 0);
        case ParamId::LinkInputs: return senders_.SendLinkInputs(On(v));
        case ParamId::LinkOutputs: return senders_.SendLinkOutputs(On(v));
    }
    return kFailed;
}

Status ParameterWriter::Link(const Parameter& p) {
    const ParamChannel c = p.target.channel;
    if (c == ParamChannel::Sm || c == ParamChannel::Device) return kOk;
    const ChannelCode ch = CodeOf(c);
    switch (p.description->link) {
        case LinkGroup::None: return kOk;
        case LinkGroup::Gain: return linking_.LinkGain(ch);
        case LinkGroup::Mute: return linking_.LinkMute(ch);
        case LinkGroup::Polarity: return linking_.LinkPolarity(ch);
        case LinkGroup::EqBypass: return linking_.LinkEqBypass(ch);
        case LinkGroup::ChannelMode: return linking_.LinkChannelMode(ch);
        case LinkGroup::EqBand: return linking_.LinkEqBand(BandIndexOf(p.target));
        case LinkGroup::NoiseGate: return linking_.LinkNoiseGate(ch);
        case LinkGroup::Delay: return linking_.LinkDelay(ch);
        case LinkGroup::Crossover: return linking_.LinkCrossover(ch);
        case LinkGroup::Compressor: return linking_.LinkCompressor(ch);
        case LinkGroup::Limiter: return linking_.LinkLimiter(ch);
        case LinkGroup::DynamicFilter: return linking_.LinkDynamicFilter(ch);
        case LinkGroup::FirBypass: return linking_.LinkFirBypass(ch);
        case LinkGroup::Impedance: return linking_.LinkImpedance(ch);
    }
    return kOk;
}

}  // namespace zef
