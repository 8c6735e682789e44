#pragma once
// AutoEqWindow ("AUTOEQ Wizard", "AUTOEQ - Output " + n): the automatic
// equaliser of one output in three pages — the welcome text, the card and
// microphone test, and the run (band range, maximum gain, Start, the 30
// band levels, the fitted "Overall EQ" over the "Measure"ment, Verify and
// Apply). The work is AutoEqWizard's; this window shows it. While it is open
// the measuring session knows it (device announcements ask to close it
// first, and close it on Yes); closing it restores the device and, with an
// unapplied result, asks whether to apply it.

#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>

#include "app/autoeq_wizard.h"
#include "base/signal.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QSpinBox;
class QPushButton;
class QStackedWidget;

namespace zef {

class AnalyserView;
class AudioDeviceManager;
class CardChooser;
class MicLevelFrame;
class NoiseGenFrame;
class TargetChooser;

class AutoEqWindow final : public QWidget {
    Q_OBJECT
public:
    enum Page { kWelcome = 0, kCard = 1, kRun = 2 };

    AutoEqWindow(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                 AutoEqTimings timings = {}, QWidget* parent = nullptr);
    ~AutoEqWindow() override;

    void ShowPage(int page);
    int page() const;

    // The buttons' actions.
    void ClickMicTest();
    void ClickStart();
    void ClickVerify();
    void ClickApply();
    // "Save Levels…": the result's band levels as CSV; false when none or not saved.
    bool ClickSaveLevels();

    AutoEqWizard& wizard() { return *wizard_; }
    CardChooser* chooser() const { return chooser_; }
    NoiseGenFrame* noiseFrame() const { return noise_; }
    MicLevelFrame* micFrame() const { return mic_; }
    QComboBox* rangeBox(int i) const { return range_[static_cast<std::size_t>(i)]; }
    QComboBox* gainBox() const { return gain_; }
    QSpinBox* positionsBox() const { return positions_; }
    TargetChooser* targetChooser() const { return target_; }
    AnalyserView* view() const { return view_; }
    QLabel* progressLabel() const { return progress_; }
    QLabel* micLevelLabel() const { return micLevel_; }
    QLabel* outputLabel() const { return outputName_; }
    QPushButton* startButton() const { return start_; }
    QPushButton* verifyButton() const { return verify_; }
    QPushButton* applyButton() const { return apply_; }
    QCheckBox* plotCheck(int i) const { return plot_[static_cast<std::size_t>(i)]; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildWelcome();
    QWidget* BuildCard();
    QWidget* BuildRun();
    QHBoxLayout* BuildRunButtons(QWidget* page);
    void StoreChoices();
    void ShowState();
    void ShowLevels();
    void ShowRunProgress();
    void ShowCurves();

    MeasureContext context_;
    std::unique_ptr<AudioDeviceManager> manager_;
    std::unique_ptr<AutoEqWizard> wizard_;
    int registration_ = 0;
    QStackedWidget* pages_ = nullptr;
    std::array<QPushButton*, 3> pageButtons_{};
    QLabel* outputName_ = nullptr;
    CardChooser* chooser_ = nullptr;
    NoiseGenFrame* noise_ = nullptr;
    MicLevelFrame* mic_ = nullptr;
    QPushButton* micTest_ = nullptr;
    std::array<QComboBox*, 2> range_{};
    QComboBox* gain_ = nullptr;
    QSpinBox* positions_ = nullptr;
    TargetChooser* target_ = nullptr;
    QPushButton* start_ = nullptr;
    QLabel* progress_ = nullptr;
    QProgressBar* runProgress_ = nullptr;
    QTimer runTicker_;  // the progress read-out while a run averages
    QLabel* modeRefusal_ = nullptr;
    QPushButton* welcomeNext_ = nullptr;
    QLabel* micLevel_ = nullptr;
    QLabel* deviation_ = nullptr;
    AnalyserView* view_ = nullptr;
    std::array<QCheckBox*, 2> plot_{};
    QPushButton* verify_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* saveLevels_ = nullptr;
    std::vector<Subscription> subscriptions_;
};

// Opens the wizard for `output` (kOutput1/kOutput2) of `slot` as a window of
// its own that deletes itself when closed; an open one is closed first.
AutoEqWindow* OpenAutoEq(const MeasureContext& context, DeviceSlot slot, ChannelCode output,
                         QWidget* parent = nullptr);

}  // namespace zef
