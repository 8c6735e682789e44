#pragma once
// DevicePage: the channel editor's "Device" page: standby, sleep mode,
// remote control, the output mode (stereo or bridge), the delay unit, the
// voltage range, the inputs' and outputs' links, the meters' scale (volts or
// dBu; a view choice, not a parameter) and the output equaliser's mode.

#include "ui/editor_page.h"

class QComboBox;
class QLabel;

namespace zef {

class DevicePage final : public BoundPage {
    Q_OBJECT
public:
    explicit DevicePage(ControlHost& host, QWidget* parent = nullptr);

    // "Volt" (0) or "dBu" (1).
    QComboBox* meterScale() const { return meterScale_; }

protected:
    void RefreshOthers() override;

private:
    QComboBox* meterScale_ = nullptr;
    QLabel* eqMode_ = nullptr;
};

}  // namespace zef
