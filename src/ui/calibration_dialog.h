#pragma once
// The calibration of one sound-card input: CalibrationDialog chooses its
// microphone file and card file (Browse…, Clear; a file's sensitivity shown
// when it has one; a file that does not read is refused with the reader's
// message and changes nothing) and keeps them on OK; CalibrationButton,
// beside a card and input choice, opens it and names the calibration in use.

#include <QDialog>
#include <QPushButton>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "app/calibration_store.h"

class QGridLayout;
class QLabel;
class QLineEdit;

namespace zef {

class Dialogs;

inline constexpr const char* kCalibrationTitle = "Calibration";
inline constexpr const char* kCalibrationCaption = "Calibration…";
inline constexpr const char* kCurveFileFilter = "Curve files (*.txt)|*.txt|Frequency responses (*.frd)|*.frd|All files (*)|*";

// The open dialog for a curve file, starting in the folder of `current`
// (the file chosen before, or none).
std::optional<std::string> BrowseCurveFile(Dialogs& dialogs, const std::string& title, const std::string& current);

class CalibrationDialog final : public QDialog {
    Q_OBJECT
public:
    enum Part { kMicrophone = 0, kCard = 1 };

    // Edits what `store` keeps for the input; `dialogs` shows refusals.
    CalibrationDialog(CalibrationStore& store, Dialogs& dialogs, std::string cardName, int input,
                      QWidget* parent = nullptr);

    // Browse…: the open dialog, then Choose.
    void Browse(Part part);
    // Takes `path` for `part` when it reads; false (a message) otherwise.
    bool Choose(Part part, const std::string& path);
    void Clear(Part part);
    // OK: keeps the files and closes; a refusal is shown and the dialog stays.
    bool ClickOk();

    const CalibrationFiles& files() const { return files_; }
    QLineEdit* pathField(Part part) const { return paths_[part]; }
    QLabel* sensitivityLabel(Part part) const { return sensitivity_[part]; }

private:
    void AddRow(QGridLayout* grid, Part part, const char* caption);
    void ShowPart(Part part, const FrequencyCurve* curve);
    std::string& File(Part part) { return part == kMicrophone ? files_.microphone : files_.card; }

    CalibrationStore& store_;
    Dialogs& dialogs_;
    std::string cardName_;
    int input_;
    CalibrationFiles files_;
    std::array<QLineEdit*, 2> paths_{};
    std::array<QLabel*, 2> sensitivity_{};
};

class CalibrationButton final : public QPushButton {
    Q_OBJECT
public:
    explicit CalibrationButton(QWidget* parent = nullptr);

    // Where calibrations are kept; until set the button stays hidden.
    void Setup(std::string dataFolder, Dialogs& dialogs);
    // The card input the button calibrates (an empty name or an input below
    // 0: none, and the button is disabled); the caption follows.
    void SetInput(std::string cardName, int input);
    // Opens the dialog (modal); the caption follows what it kept.
    void Open();

    // The calibration of the input was changed.
    std::function<void()> changed;

private:
    void ShowCaption();

    std::string dataFolder_;
    Dialogs* dialogs_ = nullptr;
    std::string cardName_;
    int input_ = -1;
};

}  // namespace zef
