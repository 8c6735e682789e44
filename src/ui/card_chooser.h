#pragma once
// The sound-card choice of the measuring windows: `ComboAsioDev` (the
// driver names, after a first " Select ASIO card" entry that means none),
// `ComboAsioInp` ("MIC IN": the chosen card's inputs, filled only when the
// card is usable) and "Control Panel" (the driver's own panel). Card and
// input are 0-based indices of the manager's lists, -1 for none.

#include <QWidget>
#include <functional>

class QComboBox;
class QPushButton;

namespace zef {

class AudioDeviceManager;

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
};

}  // namespace zef
