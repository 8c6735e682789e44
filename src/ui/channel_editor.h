#pragma once
// ChannelEditorWindow: the editor of one amplifier, a child window of the main window
// (one per open device). Pages for the inputs, the outputs (one page of two
// outputs, or one bridged output), the "SM" channel and the device
// settings; a response graph with zoom, shift and band markers; the band
// controls; meters and indicators fed by the status poll; a button bar for
// preset files, device presets, copy, version, "View All Graph" and the
// interface lock.
//
// Every control is bound to one described parameter. Filling the controls
// from the model never sends (the editor is quiet while it fills, and while
// its device is locked). A commit stores and sends through the parameter
// writer (linked partners follow); a fader or a band dragged on the graph
// updates the curve at once and coalesces its sends.
//
// Timers: the status poll (1500 ms) updates the on-line label, indicators,
// standby, sleep and meters; the update timer reads the device again when
// the link reports that the device changed by itself.

#include <QWidget>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "app/editor_view_state.h"
#include "app/meter_readings.h"
#include "app/send_coalescer.h"
#include "base/signal.h"
#include "ui/param_controls.h"

class QLabel;
class QTabWidget;
class QButtonGroup;
class QToolBar;
class QAction;
class QMenu;
class QSpinBox;
class QStackedWidget;
class QComboBox;
class QCheckBox;

namespace zef {

class EditorSession;
class EqBandPanel;
class ResponseGraph;
class SegmentMeter;
class Lamp;

struct EditorTimings {
    int statusMs = 1500;
    int updateMs = 300;
};

class ChannelEditorWindow final : public QWidget, public ControlHost {
    Q_OBJECT
public:
    ChannelEditorWindow(EditorSession& session, DeviceSlot slot, EditorTimings timings = {}, QWidget* parent = nullptr);
    ~ChannelEditorWindow() override;

    DeviceSlot slot() const { return slot_; }

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

    // ---- ControlHost ----
    bool controlsQuiet() const override;
    bool refusesEdits() const override { return !filling_ && locked(); }
    bool decimalComma() const override;
    const DeviceModel& device() const override;
    void Commit(const Parameter& p, double value, bool dragging) override;
    void DragEnded() override;
    void Warn(const std::string& title, const std::string& text) override;

    // ---- timers ----
    void StatusTick();
    void UpdateTick();
    QTimer& statusTimer() { return statusTimer_; }
    QTimer& updateTimer() { return updateTimer_; }

    // ---- button bar ----
    void ClickLoadPresetFile();
    void ClickSavePresetFile();
    void ClickStore();
    void ClickRecall();
    void ClickVersion();
    void ClickCopy(int copyMode);  // 0 inputs, 1 outputs
    void ClickViewAll();
    void ClickLock();
    void ClickNewPassword();
    void ClickDefaultProgram();
    void ClickFlat();

    // ---- graph ----
    // Clears and redraws the graph for the selected group.
    void RedrawGraph();
    void BandPressed(int band, double x, double y);
    void BandDragged(int band, double x, double y);
    void BandReleased(int band);

    // ---- for tests and screenshots ----
    ResponseGraph* graph() const { return graph_; }
    EqBandPanel* bandPanel() const { return bandPanel_; }
    QTabWidget* pages() const { return pages_; }
    BoundControl* control(const std::string& parameterName) const;
    QLabel* onlineLabel() const { return online_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* passwordLabel() const { return password_; }
    SegmentMeter* meter(MeterChannel channel, MeterKind kind) const;
    Lamp* lamp(Indicator indicator) const { return lamps_[static_cast<std::size_t>(indicator)]; }
    const MeterTable& meterTable() const { return meters_; }
    // Shows one status reading on the meters and indicators.
    void ShowReading(const StatusReading& reading) { ApplyReading(reading); }
    SendCoalescer& coalescer() { return coalescer_; }
    int outputPageBuilds() const { return outputBuilds_; }
    QWidget* outputPage() const { return outputPage_; }
    bool locked() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class EditorPageBuilder;

    void BuildHeader();
    void BuildGraphArea(QWidget* host);
    void BuildPages();
    void BuildMeters(QWidget* host);
    void RebuildOutputPage();
    void RefreshControls();
    void RefreshHeader();
    void ShowLockState();
    void CopyGroupCurves(int group);
    void UpdateMarkers();
    void ApplyReading(const StatusReading& reading);
    void SetStatusText(const std::string& text);
    void AfterCommit(const Parameter& p);
    int InputBandCount(int group) const;

    EditorSession& session_;
    DeviceSlot slot_;
    EditorTimings timings_;
    bool filling_ = false;
    bool active_ = true;
    int outputBuilds_ = 0;

    QLabel* status_ = nullptr;
    QLabel* online_ = nullptr;
    QLabel* password_ = nullptr;
    QLabel* standby_ = nullptr;
    QLabel* sleep_ = nullptr;
    QToolBar* bar_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QWidget* outputPage_ = nullptr;
    QStackedWidget* outputHost_ = nullptr;
    ResponseGraph* graph_ = nullptr;
    EqBandPanel* bandPanel_ = nullptr;
    QWidget* bandPanelHost_ = nullptr;
    QSpinBox* zoom_ = nullptr;
    QSpinBox* shift_ = nullptr;
    QComboBox* meterUnit_ = nullptr;
    std::vector<BoundControl*> controls_;       // pages other than the outputs
    std::vector<BoundControl*> outputControls_;  // rebuilt with the output page
    std::vector<std::function<void()>> extraRefresh_;
    std::vector<std::function<void()>> outputExtraRefresh_;
    std::array<QButtonGroup*, 3> channelSelectors_{};
    std::vector<SegmentMeter*> meterWidgets_;
    std::vector<std::pair<MeterChannel, MeterKind>> meterPlaces_;
    std::array<Lamp*, kIndicatorBits> lamps_{};
    MeterTable meters_{};
    QTimer statusTimer_;
    QTimer updateTimer_;
    SendCoalescer coalescer_;
    QMenu* typeMenu_ = nullptr;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef
