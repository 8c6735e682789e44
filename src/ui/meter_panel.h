#pragma once
// MeterPanel: the channel editor's meters and indicators. Signal meters of
// the inputs, the "SM" generator and the outputs, the amplifier's voltage
// meters with their scale (volts or dBu), gain-reduction meters of the
// compressors and limiters, and lamps for signal, clip, limiter and
// protection. ReadStatus polls the device's status and shows it; an
// off-line device or a failed poll shows every meter at its minimum.

#include <QWidget>
#include <array>
#include <utility>
#include <vector>

#include "model/meter_readings.h"
#include "device/exchange.h"
#include "model/device_model.h"

class QGridLayout;
class QLabel;

namespace zef {

class SegmentMeter;
class Lamp;

class MeterPanel final : public QWidget {
    Q_OBJECT
public:
    MeterPanel(Model& model, DeviceSlot slot, Exchange& exchange, QWidget* parent = nullptr);

    // One status poll of an on-line device: the meters and lamps show it,
    // the model takes the standby state and the alert.
    void ReadStatus();
    void ShowReading(const StatusReading& reading);
    // The voltage meters' scale in dBu (else volts).
    void ShowScale(bool dbu);

    SegmentMeter* meter(MeterChannel channel, MeterKind kind) const;
    Lamp* lamp(Indicator indicator) const { return lamps_[static_cast<std::size_t>(indicator)]; }
    const MeterTable& meterTable() const { return meters_; }

private:
    QGridLayout* Meters();
    QGridLayout* Lamps();

    Model& model_;
    DeviceSlot slot_;
    Exchange& exchange_;
    std::vector<QLabel*> scale_;
    std::vector<SegmentMeter*> meterWidgets_;
    std::vector<std::pair<MeterChannel, MeterKind>> meterPlaces_;
    std::array<Lamp*, kIndicatorBits> lamps_{};
    MeterTable meters_{};
};

}  // namespace zef
