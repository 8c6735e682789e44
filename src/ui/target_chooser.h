#pragma once
// The target a measuring window aims at, in one row: "Flat", "Tilt" (dB per
// octave through 1 kHz, -3..+3 in 0.5 dB steps) or "File…" (a curve file of
// "frequency dB" lines, read at once: a file that does not read is refused
// with the reader's message and the choice stays as it was). The choice is
// written into the MeasureTarget given, which outlives the widget.

#include <QWidget>
#include <functional>
#include <string>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace zef {

class Dialogs;
struct MeasureTarget;

class TargetChooser final : public QWidget {
    Q_OBJECT
public:
    TargetChooser(MeasureTarget& target, Dialogs& dialogs, QWidget* parent = nullptr);

    // Takes `path` as the target file (and the File kind) when it reads.
    bool ChooseFile(const std::string& path);
    // Browse…: the open dialog, then ChooseFile.
    void Browse();

    QComboBox* kindBox() const { return kind_; }
    QDoubleSpinBox* tiltBox() const { return tilt_; }
    QPushButton* browseButton() const { return browse_; }
    QLabel* fileLabel() const { return file_; }

    // The target changed.
    std::function<void()> changed;

private:
    void KindChosen(int index);
    void Show();

    MeasureTarget& target_;
    Dialogs& dialogs_;
    QComboBox* kind_ = nullptr;
    QDoubleSpinBox* tilt_ = nullptr;
    QPushButton* browse_ = nullptr;
    QLabel* file_ = nullptr;
};

}  // namespace zef
