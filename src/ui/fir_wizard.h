#pragma once
// FirWizardWindow ("FIR Wizard"): from a measured loudspeaker to a FIR on one of
// the two FIR-capable outputs of a device, verified. The window is the frame:
// the page title, Back / Next / Exit and the seven pages in their order
//   1 "Welcome to FIR Wizard"        open an IR file, or tick the conditions to measure
//   2 "Measurement geometry"         the three set-ups; tick to go on
//   3 "Wiring and levels"            card, LINE OUT, MIC IN, control panel, room decay, "Test"
//   4 "Measure Impulse Response"     "Measure IR", progress, peak
//   5 "View Impulse Response"        the IR in time and frequency, "Save"
//   6 "Calculate FIR"                the design settings, "Calculate FIR", the four curves
//   7 "Compare FIR and Store on DSP" verify, compare with a FIR file, save, store
// Each page is a class of its own (ui/fir_wizard_*.h) sharing the run
// (ui/fir_wizard_run.h); the presenters (app/wizard_*.h) hold the rules and
// ask every question. Closing asks whether to keep the wizard's state for
// the device.
//
// Entry point for the output EQ/FIR editor's "Wizard" menu: OpenFirWizard.

#include <QDialog>
#include <array>
#include <memory>

#include "model/slots.h"
#include "ui/fir_wizard_context.h"

class QLabel;
class QLayout;
class QPushButton;
class QStackedWidget;

namespace zef {

class FirWizardCalculatePage;
class FirWizardComparePage;
class FirWizardMeasurePage;
class FirWizardPage;
class FirWizardRun;
class FirWizardWelcomePage;
class FirWizardWiringPage;

class FirWizardWindow final : public QDialog {
    Q_OBJECT
public:
    enum Page { kWelcome, kGeometry, kWiring, kMeasure, kView, kCalculate, kCompare, kPageCount };

    explicit FirWizardWindow(const FirWizardContext& context, QWidget* parent = nullptr);
    ~FirWizardWindow() override;

    int page() const;
    void GoTo(int page);
    void ClickNext();
    void ClickBack();

    // The shared state and the pages with actions of their own (tests drive them).
    FirWizardRun& run() { return *run_; }
    FirWizardWiringPage& wiringPage() { return *wiring_; }
    FirWizardMeasurePage& measurePage() { return *measure_; }
    FirWizardCalculatePage& calculatePage() { return *calculate_; }
    FirWizardComparePage& comparePage() { return *compare_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QLabel* BuildTitle();
    QStackedWidget* BuildPages();
    QLayout* BuildNavigation();
    void Connect();
    void UpdateNavigation();
    void SetRunning(bool running);
    bool ConfirmClose();

    FirWizardContext context_;
    std::unique_ptr<FirWizardRun> run_;
    bool closing_ = false;

    QLabel* title_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::array<FirWizardPage*, kPageCount> pages_{};
    FirWizardWelcomePage* welcome_ = nullptr;
    FirWizardWiringPage* wiring_ = nullptr;
    FirWizardMeasurePage* measure_ = nullptr;
    FirWizardCalculatePage* calculate_ = nullptr;
    FirWizardComparePage* compare_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* exit_ = nullptr;
};

// Opens the wizard for `output` (kOutput1 or kOutput2) of device `slot` as
// a modal window and returns when it closes. The output EQ/FIR editor's
// "Wizard" menu calls this and then refreshes its FIR read-outs.
void OpenFirWizard(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                   QWidget* parent = nullptr);

}  // namespace zef
