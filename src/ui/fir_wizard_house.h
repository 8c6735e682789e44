#pragma once
// The FIR wizard's house curve and headroom controls, under the design
// settings: "House curve" (Browse…, Clear and the file's name; magnitude mode
// only — a file that does not read is refused with the reader's message and
// the curve stays as it was), "Scale to fit the headroom", and the last
// design's worst-case gain. They set the run's design presenter.

#include <QWidget>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace zef {

class Dialogs;
namespace wizard {
class Design;
}

class FirHouseControls final : public QWidget {
    Q_OBJECT
public:
    FirHouseControls(wizard::Design& design, Dialogs& dialogs, QWidget* parent = nullptr);

    // Takes `path` as the house curve when it reads.
    bool ChooseHouse(const std::string& path);
    void Browse();
    void ClearHouse();
    // The magnitude mode shows the house curve row.
    void ShowMode(int firMode);
    // The design's worst-case gain, marked when it is above the headroom.
    void ShowWorstCase();

    QPushButton* browseButton() const { return browse_; }
    QLabel* houseLabel() const { return name_; }
    QCheckBox* fitCheck() const { return fit_; }
    QLabel* worstCaseLabel() const { return worst_; }

signals:
    // A setting of the design changed (a new calculation is due).
    void changed();

private:
    wizard::Design& design_;
    Dialogs& dialogs_;
    QWidget* houseRow_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* clear_ = nullptr;
    QLabel* name_ = nullptr;
    QCheckBox* fit_ = nullptr;
    QLabel* worst_ = nullptr;
};

// "Worst-case gain +3.2 dB: above the headroom" (or "... within the
// headroom"); empty for NaN.
std::string WorstCaseText(double gainDb);

}  // namespace zef
