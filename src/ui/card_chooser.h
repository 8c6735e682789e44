#pragma once
// The sound-card choice of the measuring windows: `ComboAsioDev` (the
// driver names, after a first " Select ASIO card" entry that means none),
// `ComboAsioInp` ("MIC IN": the chosen card's inputs, filled only when the
// card is usable) and "Control Panel" (the driver's own panel). Card and
// input are 0-based indices of the manager's lists, -1 for none.

#include <QWidget>
#include <functional>
#include <string>

class QComboBox;
class QPushButton;

namespace zef {

class AudioDeviceManager;
class CalibrationButton;
class Dialogs;

class CardChooser final : public QWidget {
    Q_OBJECT
public:
    // `manager` outlives the widget; the lists are read at once.
    explicit CardChooser(AudioDeviceManager& manager, QWidget* parent = nullptr);

    // Selects a card and input (an index out of range selects none).
    void select(int card, int input);
    int card() const;
    int input() const;
    bool chosen() const { return card() >= 0 && input() >= 0; }
    // The chosen card's name; empty for none.
    std::string cardName() const;

    // Shows "Calibration…" beside the input: the chosen input's calibration,
    // kept in `dataFolder`, and its name once one is kept.
    void EnableCalibration(std::string dataFolder, Dialogs& dialogs);
    CalibrationButton* calibration() const { return calibration_; }

    QComboBox* cards() const { return cards_; }
    QComboBox* inputs() const { return inputs_; }
    QPushButton* controlPanel() const { return panel_; }

    // Card or input changed by the user or by select().
    std::function<void()> changed;

private:
    void FillInputs();

    AudioDeviceManager& manager_;
    QComboBox* cards_ = nullptr;
    QComboBox* inputs_ = nullptr;
    QPushButton* panel_ = nullptr;
    CalibrationButton* calibration_ = nullptr;
};

}  // namespace zef
