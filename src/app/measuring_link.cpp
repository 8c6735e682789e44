#include "app/measuring_link.h"

#include <algorithm>

#include "app/measure_rules.h"
#include "model/memory_map.h"
#include "model/parameters.h"

namespace zef {
namespace {

std::uint8_t LevelCode(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, kNoiseLevelMax)); }

}  // namespace

MeasuringSetup AnalyserSetup(ChannelCode output, int noiseLevel) {
    MeasuringSetup s;
    s.output = output;
    s.noiseLevel = LevelCode(noiseLevel);
    s.eq = EqDuringMeasurement::AsItIs;
    s.dynamicsOff = false;
    return s;
}

MeasuringSetup AutoEqSetup(ChannelCode output, int noiseLevel, EqDuringMeasurement eq) {
    MeasuringSetup s;
    s.output = output;
    s.noiseLevel = LevelCode(noiseLevel);
    s.eq = eq;
    s.dynamicsOff = true;
    return s;
}

Status EnterMeasuring(const MeasureContext& context, DeviceSlot slot, const MeasuringSetup& setup) {
    return EnterMeasuringState(context.exchange, slot, context.model.device(slot), setup);
}

Status LeaveMeasuring(const MeasureContext& context, DeviceSlot slot, const MeasuringSetup& setup) {
    return LeaveMeasuringState(context.exchange, slot, context.model.device(slot), setup);
}

Status SendGenerator(const MeasureContext& context, DeviceSlot slot, const MeasuringSetup& setup) {
    return SendMeasuringGenerator(context.exchange, slot, context.model.device(slot), setup);
}

Status ChangeNoiseLevel(const MeasureContext& context, DeviceSlot slot, int v, const MeasuringSetup* measuring) {
    const int code = LevelCode(v);
    if (measuring == nullptr)
        return context.writer.Set(slot, ParameterOf(ParamId::NoiseLevel, {}), NoiseLevelDbu(code));
    context.model.device(slot).settings[ds::kNoiseLevel] = static_cast<std::uint8_t>(code);
    MeasuringSetup setup = *measuring;
    setup.noiseLevel = static_cast<std::uint8_t>(code);
    return SendGenerator(context, slot, setup);
}

measure::CardAnalyser::Poster PosterFor(QObject& context) {
    QObject* target = &context;
    return [target](std::function<void()> task) {
        QMetaObject::invokeMethod(target, std::move(task), Qt::QueuedConnection);
    };
}

}  // namespace zef
