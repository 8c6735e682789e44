#pragma once
// The band controls of one channel group's equaliser, shared by the channel
// editor (input and "SM" bands) and the output EQ editor: a row of band
// buttons, the band's type (a click pops up the filter-type menu), gain
// (text box and fader, a double click resets it to 0 dB), frequency, Q (text
// box and up-down through the Q table), band bypass, the channel's EQ bypass
// and the flatten button. Every control is bound to the selected band's
// parameter; selecting another band rebinds them.

#include <QWidget>
#include <array>
#include <functional>
#include <vector>

#include "ui/param_controls.h"

class QButtonGroup;
class QMenu;
class QPushButton;
class QToolButton;
class QHBoxLayout;

namespace zef {

// The filter types of a band, in code order, as the filter-type menus name them.
inline constexpr std::array<const char*, 8> kBandTypeItems = {"Bell",        "Hi-Shelving Q", "Lo-Shelving Q",
                                                              "High Pass Q", "Low Pass Q",    "Notch Filter",
                                                              "All Pass I",  "All Pass II"};

class EqBandPanel final : public QWidget {
    Q_OBJECT
public:
    // `typeMenuName` names the filter-type menu.
    EqBandPanel(ControlHost& host, const char* typeMenuName, QWidget* parent = nullptr);

    // Shows the bands of group 0..4 (`bandCount` of them: an input on band
    // block B has three) and selects `band` (an editor band index).
    void setGroup(int group, int bandCount, int band);
    int group() const { return group_; }
    int selectedBand() const { return band_; }
    void selectBand(int band);
    void Refresh();

    // Everything bound, for the editor's refresh and lock.
    std::vector<BoundControl*> controls() const;
    NumberControl* gain() const { return gain_; }
    NumberControl* frequency() const { return frequency_; }
    NumberControl* q() const { return q_; }
    QPushButton* typeButton() const { return type_; }
    QPushButton* flatButton() const { return flat_; }
    // Steps the Q through its table (+1 up, -1 down) and commits.
    void StepQ(int direction);
    // Commits filter type `type` (0..7) for the selected band.
    void ChooseType(int type);

    std::function<void(int band)> bandSelected;
    std::function<void()> flatRequested;

private:
    Parameter BandParameter(ParamId id) const;
    void RebuildButtons(int bandCount);

    ControlHost& host_;
    int group_ = 0;
    int band_ = 0;
    QHBoxLayout* buttonRow_ = nullptr;
    QButtonGroup* buttons_ = nullptr;
    QPushButton* type_ = nullptr;
    NumberControl* gain_ = nullptr;
    NumberControl* frequency_ = nullptr;
    NumberControl* q_ = nullptr;
    CheckControl* bandBypass_ = nullptr;
    CheckControl* eqBypass_ = nullptr;
    QPushButton* flat_ = nullptr;
    QMenu* typeMenu_ = nullptr;
};

// The parameter channel of a channel group 0..4 and the 1-based band number
// of an editor band index inside its group.
ParamChannel ChannelOfGroup(int group);
int BandNumberInGroup(int bandIndex);

}  // namespace zef
