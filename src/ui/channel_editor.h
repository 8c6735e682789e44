#pragma once
// ChannelEditorWindow: the editor of one amplifier, a child window of the main window
// (one per open device). A frame of parts: the button bar (editor_button_bar.h),
// the status line, a response graph with zoom, shift and band markers
// (band_graph.h), the band controls (eq_band_panel.h), the pages for the inputs, the outputs (one page of two
// outputs, or one bridged output), the "SM" channel and the device settings
// (inputs_page.h ...), and the meters and indicators (meter_panel.h). The
// window wires the parts together and runs the timers.
//
// Every control is bound to one described parameter through the editor's
// control host (editor_control_host.h). Filling the controls from the model
// never sends (the editor is quiet while it fills, and while its device is
// locked). A commit stores and sends through the parameter writer (linked
// partners follow); a fader or a band dragged on the graph updates the
// curve at once and coalesces its sends.
//
// Timers: the status poll (1500 ms) updates the on-line label, indicators,
// standby, sleep and meters; the update timer reads the device again when
// the link reports that the device changed by itself.

#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/editor_context.h"
#include "app/editor_view_state.h"
#include "model/meter_readings.h"
#include "base/signal.h"
#include "ui/editor_control_host.h"

class QLabel;
class QTabWidget;

namespace zef {

class BandGraph;
class DevicePage;
class EditorButtonBar;
class EqBandPanel;
class InputsPage;
class MaskingPage;
class MeterPanel;
class OutputsPage;
class ResponseGraph;

struct EditorTimings {
    int statusMs = 1500;
    int updateMs = 300;
};

class ChannelEditorWindow final : public QWidget {
    Q_OBJECT
public:
    ChannelEditorWindow(const EditorContext& context, const EditorTools& tools, EditorTimings timings = {},
                        QWidget* parent = nullptr);
    ~ChannelEditorWindow() override;

    DeviceSlot slot() const { return context_.slot; }

    // Fills every control from the model (quietly) and redraws the graph.
    void RefreshAll();
    // Page 0..3 (inputs, outputs, "SM", device) and channel group 0..4.
    void SetPageTab(EditorPage page);
    void SetPageChannel(int group);
    // The filter-type menu's choice for the selected band (groups 0, 1, 4).
    void ChooseBandType(int type);
    // The settings menu (0 firmware update, 1 name edit, 2 network) for this editor's device.
    void ChooseSettingsEntry(int index);
    std::function<void(DeviceSlot device, int index)> settingsHandler;
    // Opens the output EQ/FIR editor (set by the main window when it exists).
    std::function<void(DeviceSlot)> outputEditorHandler;

    // The main window's active editor polls its device and watches it for
    // changes; the others rest. An editor starts active.
    void SetActive(bool active);
    bool active() const { return active_; }
    bool locked() const { return host_.locked(); }

    // ---- timers ----
    void StatusTick();
    void UpdateTick();
    QTimer& statusTimer() { return statusTimer_; }
    QTimer& updateTimer() { return updateTimer_; }

    // Redraws the graph for the selected group.
    void RedrawGraph();
    // The header's on-line, standby and sleep state from the model (the main
    // window calls it whenever the device's list row changes).
    void RefreshHeader();

    // ---- parts, for tests and screenshots ----
    EditorButtonBar* buttons() const { return buttons_; }
    MeterPanel* meters() const { return meters_; }
    BandGraph& bandGraph() const { return *graph_; }
    ResponseGraph* graph() const;
    EqBandPanel* bandPanel() const { return bandPanel_; }
    QTabWidget* pages() const { return pages_; }
    BoundControl* control(const std::string& parameterName) const;
    QLabel* onlineLabel() const { return online_; }
    QLabel* statusLabel() const { return status_; }
    // Shows one status reading on the meters and indicators.
    void ShowReading(const StatusReading& reading);
    SendCoalescer& coalescer() { return host_.coalescer(); }
    int outputPageBuilds() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildStatusLine();
    void BuildGraphArea(QWidget* host);
    void BuildPages();
    void ConnectParts();
    void Subscribe();
    void RebuildOutputPage();
    void RebuildWhenBridgeChanged();
    void RefreshControls();
    void ShowLockState();
    void SetStatusText(const std::string& text);
    void AfterCommit(const Parameter& p);
    int InputBandCount(int group) const;
    // Bands of the selected group with a marker on the graph.
    int MarkedBands() const;

    EditorContext context_;
    EditorTools tools_;
    EditorTimings timings_;
    EditorControlHost host_;
    bool active_ = true;

    EditorButtonBar* buttons_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* online_ = nullptr;
    QLabel* standby_ = nullptr;
    QLabel* sleep_ = nullptr;
    QTabWidget* pages_ = nullptr;
    InputsPage* inputs_ = nullptr;
    OutputsPage* outputs_ = nullptr;
    MaskingPage* masking_ = nullptr;
    DevicePage* device_ = nullptr;
    MeterPanel* meters_ = nullptr;
    BandGraph* graph_ = nullptr;
    EqBandPanel* bandPanel_ = nullptr;
    QWidget* bandPanelHost_ = nullptr;
    QTimer statusTimer_;
    QTimer updateTimer_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef
