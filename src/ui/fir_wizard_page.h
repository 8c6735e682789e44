#pragma once
// What the FIR wizard's pages have in common: the page interface the frame
// (FirWizardWindow) drives, and the sound-card lists of the two measuring
// pages.

#include <QString>
#include <QWidget>
#include <array>
#include <vector>

#include "app/wizard_measurement.h"
#include "dsp/grid.h"

class QComboBox;
class QLabel;

namespace zef {

class AudioDeviceManager;
class XyPlot;

// One page of the wizard. The frame asks it whether "Next" may be pressed
// and has it enable its buttons whenever anything changed.
class FirWizardPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Whether the page is done with: "Next" goes on from it.
    virtual bool Complete() const = 0;
    // Enables the page's buttons; `idle` when no measuring action runs.
    virtual void Refresh(bool idle) { (void)idle; }

signals:
    // Complete() or what Refresh shows may differ now.
    void changed();
};

// A sound card ("ASIO"), its output to the amplifier ("LINE OUT") and its
// microphone input ("MIC IN") as three lists whose first entry means "none
// chosen", and a label that shows a complete choice.
struct WizardCardLists {
    QComboBox* devices = nullptr;
    QComboBox* outputs = nullptr;
    QComboBox* inputs = nullptr;
    QLabel* shown = nullptr;

    // The three lists and the label on `parent`, named `names` (devices,
    // outputs, inputs, label).
    static WizardCardLists Make(QWidget* parent, const std::array<const char*, 4>& names);
    // The cards of `manager` after "Select card", none chosen; the channel
    // lists follow.
    void Fill(AudioDeviceManager& manager) const;
    // Refills the channel lists for the chosen card, or clears and disables
    // them when it cannot be used.
    void CardChosen(AudioDeviceManager& manager) const;
    // Shows "card:  output  ->  input" when all three are chosen, else nothing.
    void ShowChoice() const;
    wizard::CardSelection selection() const;
    // Chooses `s` (refilling the channel lists) as far as the manager still
    // has it: a card that went away leaves "Select card", a channel that went
    // away its list's first line. Reports nothing.
    void Select(AudioDeviceManager& manager, const wizard::CardSelection& s) const;
};

// A page's time graph and frequency graph, named "GraphIRFIRTime<suffix>"
// and "GraphIRFIRFreq<suffix>".
struct WizardGraphs {
    XyPlot* time = nullptr;
    XyPlot* frequency = nullptr;

    static WizardGraphs Make(QWidget* parent, const QString& suffix);
    // The axes of a filter's graphs before one is drawn: 0..8 ms by -1..1,
    // and 20 Hz..20 kHz by -30..12 dB.
    void ShowFilterAxes() const;
};

// The frequencies of the response grid's points (Hz), the x values of the
// pages' frequency curves.
std::vector<double> WizardGridX();
// A grid curve as the values of a plot curve.
std::vector<double> WizardCurveValues(const dsp::Curve& curve);
// "Peak Level = -12 dB" for a peak read-out.
QString WizardPeakLevelText(double peakDbfs);

}  // namespace zef
