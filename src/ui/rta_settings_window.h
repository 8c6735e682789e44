#pragma once
// AnalyserSettingsWindow ("RTA Settings"): chooses the analyser's card and
// microphone input and switches the analyser on. "Enable RTA" and "Control
// Panel" are shown only while both a card and an input are chosen (an
// unusable card lists no inputs). "Enable RTA" stores the choice in the
// settings, sets the enabled flag, calls `enable` (the start routine) and
// closes the window; "Cancel" closes it and changes nothing.

#include <QDialog>
#include <functional>

class QPushButton;

namespace zef {

class AudioDeviceManager;
class CardChooser;
struct MeasureSettings;

class AnalyserSettingsWindow final : public QDialog {
    Q_OBJECT
public:
    AnalyserSettingsWindow(AudioDeviceManager& manager, MeasureSettings& settings, QWidget* parent = nullptr);

    void ClickEnable();
    CardChooser* chooser() const { return chooser_; }
    QPushButton* enableButton() const { return enable_; }
    QPushButton* cancelButton() const { return cancel_; }

    std::function<void()> enable;

private:
    void ShowButtons();

    MeasureSettings& settings_;
    CardChooser* chooser_ = nullptr;
    QPushButton* enable_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace zef
