#pragma once
// OutputEqWindow: the output equaliser of one device, one output at a time (the
// tabs "Edit Output 1" / "Edit Output 2"). In the 30-band mode it edits the
// output's 30 bands; in the 10-band + FIR mode the first ten and the FIR
// frame (name, "Taps = ", "Wizard", "Import / View", "Save", FIR bypass);
// the other twenty bands keep their values and are neither shown nor
// summed. The graph draws the output's sum (crossovers, active bands and,
// when the mode and bypass allow it, the FIR magnitude) with the editors'
// shared zoom and shift; band markers are dragged as in the channel editor.
//
// Band controls bind to the described parameters like the channel editor's:
// filling them never sends, a commit stores and sends through the parameter
// writer (linked partners follow), a drag updates the curve at once and
// coalesces its sends.
//
// The graph area is a stack: page 0 is the response graph, page 1 is kept for
// the real-time analyser (analyserPage(); ShowAnalyser switches to it and
// hides the zoom and shift frames).

#include <QWidget>
#include <functional>
#include <vector>

#include "app/send_coalescer.h"
#include "base/signal.h"
#include "ui/param_controls.h"

class QButtonGroup;
class QVBoxLayout;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QGroupBox;

namespace zef {

class EditorSession;
class EqBandPanel;
class ResponseGraph;

class OutputEqWindow final : public QWidget, public ControlHost {
    Q_OBJECT
public:
    // `output` 0 or 1; `firFilterIndex` is the import window's remembered
    // file filter, kept by the opener.
    OutputEqWindow(EditorSession& session, DeviceSlot slot, int output, int& firFilterIndex,
             QWidget* parent = nullptr);
    ~OutputEqWindow() override;

    DeviceSlot slot() const { return slot_; }
    int output() const { return output_; }
    bool firMode() const;
    // Bands shown and edited: 30, or 10 in the 10-band + FIR mode.
    int visibleBands() const;

    // Fills every control from the model (quietly) and redraws.
    void RefreshWindowEqFIR();
    // Switches the output tab (0 or 1).
    // Output 2 cannot be chosen while the amplifier is bridged (its tab is hidden).
    void SetPageTabChn(int output);
    void RefreshNameTapsFir();
    // Redraws the graph of the selected output.
    void PlotMainPage();
    // The filter-type menu's choice for the selected band.
    void MenuOutPeqFilter(int type);
    // The FIR frame's menu: 0 "Wizard", 1 "Import / View", 2 "Save".
    void ClickFirMenu(int index);
    void ClickFlat();
    void ClickEqMode();
    // The graph area shows the analyser page (true) or the response graph.
    void ShowAnalyser(bool on);

    // Hooks the opener fills; a button whose hook is empty stays disabled and
    // says what it will do.
    std::function<void()> eqModeHandler;
    std::function<void(DeviceSlot, int output)> wizardHandler;
    std::function<void(DeviceSlot, int output)> autoEqHandler;
    std::function<void(DeviceSlot, int output)> analyserHandler;
    // Updates the buttons after a hook was set.
    void HooksChanged();

    // ---- ControlHost ----
    bool controlsQuiet() const override;
    bool refusesEdits() const override;
    bool decimalComma() const override;
    const DeviceModel& device() const override;
    void Commit(const Parameter& p, double value, bool dragging) override;
    void DragEnded() override;
    void Warn(const std::string& title, const std::string& text) override;

    // ---- graph ----
    void BandPressed(int number, double x, double y);
    void BandDragged(int number, double x, double y);
    void BandReleased(int number);

    // ---- for tests and screenshots ----
    ResponseGraph* graph() const { return graph_; }
    EqBandPanel* bandPanel() const { return bandPanel_; }
    QGroupBox* firFrame() const { return firFrame_; }
    QLabel* firName() const { return firName_; }
    QLabel* firTaps() const { return firTaps_; }
    CheckControl* firBypass() const { return firBypass_; }
    QPushButton* firMenu(int index) const { return firMenu_.at(static_cast<std::size_t>(index)); }
    QPushButton* tab(int output) const { return tabs_.at(static_cast<std::size_t>(output)); }
    QPushButton* modeButton() const { return mode_; }
    QPushButton* rtaButton() const { return rta_; }
    QPushButton* autoEqButton() const { return autoEq_; }
    QStackedWidget* graphStack() const { return stack_; }
    QWidget* analyserPage() const { return analyserPage_; }
    SendCoalescer& coalescer() { return coalescer_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool Bridged() const;
    QWidget* BuildHeader(QWidget* host);
    void BuildGraph(QWidget* host);
    QWidget* BuildFirFrame(QWidget* host);
    void BuildAnalyserButtons(QWidget* host, QVBoxLayout* column);
    void CopyCurve();
    void UpdateMarkers();
    void RefreshControls();
    int Group() const;
    int FirstBand() const;

    EditorSession& session_;
    DeviceSlot slot_;
    int output_;
    int& firFilterIndex_;
    bool filling_ = true;

    std::array<QPushButton*, 2> tabs_{};
    QPushButton* mode_ = nullptr;
    QLabel* viewCaption_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QWidget* analyserPage_ = nullptr;
    ResponseGraph* graph_ = nullptr;
    QWidget* zoomFrame_ = nullptr;
    QSpinBox* zoom_ = nullptr;
    QSpinBox* shift_ = nullptr;
    EqBandPanel* bandPanel_ = nullptr;
    QGroupBox* firFrame_ = nullptr;
    QLabel* firName_ = nullptr;
    QLabel* firTaps_ = nullptr;
    CheckControl* firBypass_ = nullptr;
    std::array<QPushButton*, 3> firMenu_{};
    QPushButton* rta_ = nullptr;
    QPushButton* autoEq_ = nullptr;
    QMenu* typeMenu_ = nullptr;
    SendCoalescer coalescer_;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef
