#pragma once
// FirImportWindow ("Import FIR"): loads a FIR coefficient file, shows its
// magnitude, phase and group delay, and stores it into the FIR slot of the
// output it was opened for ("Update FIR to Device", progress 0..28 under the
// wait pointer). Opened modally by the output EQ/FIR editor. The logic is
// FirImport's; this window only shows it.
//
// View frame: the three views ("Group Delay", "Mag", "Phase"), wrapped or
// unwrapped phase, "Remove FIR Latency", the phase range, the linear or
// logarithmic frequency axis, and the phase threshold (-80..-40 dBFS, box
// and slider) below which phase and group delay are not drawn.

#include <QDialog>
#include <memory>

#include "app/editor_context.h"
#include "app/fir_import_actions.h"
#include "dsp/fir_views.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;

namespace zef {

class FirPlot;

class FirImportWindow final : public QDialog {
    Q_OBJECT
public:
    // For FIR slot `firSlot` (0 or 1) of the context's device; `filterIndex`
    // is the file filter remembered between openings.
    FirImportWindow(const EditorContext& context, const EditorTools& tools, int firSlot, int& filterIndex,
                    QWidget* parent = nullptr);
    ~FirImportWindow() override;

    // "Load FIR from PC".
    void ClickLoad();
    // Loads one file as the button would after its dialog.
    bool LoadFile(const std::string& path);
    // "Update FIR to Device": closes the window on success.
    void ClickStore();
    // Enter in the threshold box.
    void CommitThreshold();
    // Redraws the plot from the view controls.
    void UpdatePlot();

    FirImport& importer() { return *import_; }
    double threshold() const { return threshold_; }

    // ---- for tests and screenshots ----
    QPushButton* loadButton() const { return load_; }
    QPushButton* storeButton() const { return store_; }
    QProgressBar* progress() const { return progress_; }
    QGroupBox* viewFrame() const { return viewFrame_; }
    QLabel* nameLabel() const { return name_; }
    QLabel* tapsLabel() const { return taps_; }
    QRadioButton* viewOption(fir::FirView view) const;
    QComboBox* phaseMode() const { return phaseMode_; }
    QCheckBox* removeLatency() const { return latency_; }
    QComboBox* zoomY() const { return zoomY_; }
    QComboBox* scaleX() const { return scaleX_; }
    QLineEdit* thresholdBox() const { return thresholdBox_; }
    QSlider* thresholdSlider() const { return thresholdSlider_; }
    FirPlot* plot() const { return plot_; }

public slots:
    void reject() override;

private:
    void BuildViewFrame();
    void ShowLoaded();
    void SetThreshold(double dbfs);
    fir::FirView view() const;

    bool decimalComma_;
    EditHistory& history_;  // a stored FIR is one undo step of the device
    DeviceSlot slot_;
    std::unique_ptr<FirImport> import_;
    double threshold_ = -60.0;
    QPushButton* load_ = nullptr;
    QPushButton* store_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* name_ = nullptr;
    QLabel* taps_ = nullptr;
    QGroupBox* viewFrame_ = nullptr;
    QButtonGroup* views_ = nullptr;
    QComboBox* phaseMode_ = nullptr;
    QCheckBox* latency_ = nullptr;
    QComboBox* zoomY_ = nullptr;
    QComboBox* scaleX_ = nullptr;
    QLineEdit* thresholdBox_ = nullptr;
    QSlider* thresholdSlider_ = nullptr;
    FirPlot* plot_ = nullptr;
};

}  // namespace zef
