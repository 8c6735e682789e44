#pragma once
// OutputEqWindow: the output equaliser of one device, one output at a time (the
// tabs "Edit Output 1" / "Edit Output 2"). In the 30-band mode it edits the
// output's 30 bands; in the 10-band + FIR mode the first ten and the FIR
// frame (fir_frame.h); the other twenty bands keep their values and are
// neither shown nor summed. The graph (band_graph.h) draws the output's sum
// (crossovers, active bands and, when the mode and bypass allow it, the FIR
// magnitude) with the editors' shared zoom and shift; band markers are
// dragged as in the channel editor.
//
// A frame of parts bound through the editor's control host
// (editor_control_host.h), like the channel editor's: filling the controls
// never sends, a locked device refuses edits, a commit stores and sends
// through the parameter writer (linked partners follow), a drag updates the
// curve at once and coalesces its sends.
//
// The graph area is a stack: page 0 is the response graph, page 1 is kept for
// the real-time analyser (analyserPage(); ShowAnalyser switches to it and
// hides the zoom and shift frames).

#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "app/editor_context.h"
#include "base/signal.h"
#include "ui/editor_control_host.h"

class QPushButton;
class QStackedWidget;

namespace zef {

class BandGraph;
class CheckControl;
class EqBandPanel;
class FirFrame;
class MeasureButtons;
class ResponseGraph;

class OutputEqWindow final : public QWidget {
    Q_OBJECT
public:
    // `output` 0 or 1; `firFilterIndex` is the import window's remembered
    // file filter, kept by the opener.
    OutputEqWindow(const EditorContext& context, const EditorTools& tools, int output, int& firFilterIndex,
                   QWidget* parent = nullptr);
    ~OutputEqWindow() override;

    DeviceSlot slot() const { return context_.slot; }
    int output() const { return output_; }
    bool firMode() const;
    // Bands shown and edited: 30, or 10 in the 10-band + FIR mode.
    int visibleBands() const;

    // Fills every control from the model (quietly) and redraws.
    void RefreshWindowEqFIR();
    // The title from the device's list entry (app/output_eq_actions.h OutputEditorTitle).
    void RefreshTitle();
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

    // ---- parts, for tests and screenshots ----
    BandGraph& bandGraph() const { return *graph_; }
    ResponseGraph* graph() const;
    EqBandPanel* bandPanel() const { return bandPanel_; }
    FirFrame* firFrame() const { return fir_; }
    CheckControl* firBypass() const;
    QPushButton* tab(int output) const { return tabs_.at(static_cast<std::size_t>(output)); }
    QPushButton* modeButton() const { return mode_; }
    MeasureButtons* measureButtons() const { return measure_; }
    QStackedWidget* graphStack() const { return stack_; }
    QWidget* analyserPage() const { return analyserPage_; }
    SendCoalescer& coalescer() { return host_.coalescer(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool Bridged() const;
    QWidget* BuildHeader(QWidget* parent);
    QWidget* BuildGraphArea(QWidget* parent);
    QWidget* BuildSideColumn(QWidget* parent);
    void Subscribe();
    void AnalyserToggled(bool on);
    void RefreshControls();
    int Group() const;
    int FirstBand() const;

    EditorContext context_;
    EditorTools tools_;
    EditorControlHost host_;
    int output_;
    int& firFilterIndex_;

    std::array<QPushButton*, 2> tabs_{};
    QPushButton* mode_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    QWidget* analyserPage_ = nullptr;
    BandGraph* graph_ = nullptr;
    QWidget* zoomFrame_ = nullptr;
    EqBandPanel* bandPanel_ = nullptr;
    FirFrame* fir_ = nullptr;
    MeasureButtons* measure_ = nullptr;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef
