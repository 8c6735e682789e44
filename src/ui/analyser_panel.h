#pragma once
// The output editor's analyser ("Start RTA" / "Stop RTA"): the analyser view over the
// output's EQ curve, the "Noise Gen." and "Mic Level" frames, and the bar
// scale's "Zoom Axis dB" / "Shift Axis dB". Switching it on opens
// AnalyserSettingsWindow; "Enable RTA" there starts ModRTA (generator on at the
// level, the other output muted, the analyser on the chosen input); switching
// it off, or destroying the panel, stops the analyser and restores the device.
//
// The panel is self-contained so that the output EQ editor can host it in
// its graph area.

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "app/output_analyser.h"
#include "base/signal.h"

class QPushButton;
class QSpinBox;

namespace zef {

class AnalyserView;
class MicLevelFrame;
class NoiseGenFrame;
class AnalyserSettingsWindow;

class AnalyserPanel final : public QWidget {
    Q_OBJECT
public:
    AnalyserPanel(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                  QWidget* parent = nullptr);
    ~AnalyserPanel() override;

    // "Start RTA" / "Stop RTA": off -> the settings window (shown through `settingsShown`
    // when set, else modal); on -> stop.
    void ClickRtaEnable();
    // Starts with the shared choice (what "Enable RTA" runs).
    void EnableRta();
    void DisableRta();

    OutputAnalyser& rta() { return rta_; }
    AnalyserView* view() const { return view_; }
    NoiseGenFrame* noiseFrame() const { return noise_; }
    MicLevelFrame* micFrame() const { return mic_; }
    QPushButton* enableButton() const { return enable_; }
    QSpinBox* zoomBox() const { return zoom_; }
    QSpinBox* shiftBox() const { return shift_; }

    // Tests and screenshots: called with the settings window instead of
    // running it modally (the caller shows, drives or closes it).
    std::function<void(AnalyserSettingsWindow&)> settingsShown;

private:
    void ShowCurve();
    void ShowState();

    MeasureContext context_;
    DeviceSlot slot_;
    ChannelCode output_;
    OutputAnalyser rta_;
    AnalyserView* view_ = nullptr;
    NoiseGenFrame* noise_ = nullptr;
    MicLevelFrame* mic_ = nullptr;
    QPushButton* enable_ = nullptr;
    QSpinBox* zoom_ = nullptr;
    QSpinBox* shift_ = nullptr;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef
