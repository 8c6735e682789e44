#pragma once
// Controls bound to one described parameter (model/parameters.h). A control
// is a view of its parameter: its range, step, slider mapping and choices
// come from the description, its value from the device model. User actions
// go to the ControlHost, which stores and sends; filling a control from the
// model (Refresh) never reaches the host.
//
//   NumberControl  caption, text box (key filter, Enter commits: read,
//                  clamp, snap) and, for parameters with a slider mapping,
//                  a Fader: the drag area whose vertical position picks the
//                  slider position; a double click puts it on its reset position
//   CheckControl   a check box for an on/off parameter
//   ChoiceControl  a combo box for a choice (or a numbered code)
//   OptionControl  option buttons for a choice

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "model/parameters.h"

class QBoxLayout;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace zef {

class ControlHost {
public:
    virtual ~ControlHost() = default;
    // True while the editor fills its controls, or while it is locked:
    // control events then do nothing.
    virtual bool controlsQuiet() const = 0;
    // True while user edits are refused (a locked device): a refused edit
    // puts the control back to the model's value.
    virtual bool refusesEdits() const { return false; }
    virtual bool decimalComma() const = 0;
    virtual const DeviceModel& device() const = 0;
    // Stores and sends a value already clamped and snapped. `dragging`: a
    // fader or marker moves; the send may be coalesced with later ones.
    virtual void Commit(const Parameter& p, double value, bool dragging) = 0;
    // The drag ended: whatever is pending goes now.
    virtual void DragEnded() = 0;
    virtual void Warn(const std::string& title, const std::string& text) = 0;
};

// A slider whose whole groove is a drag area: press and move pick the
// position under the pointer. The larger value is always at the right of a
// horizontal fader and at the top of a vertical one, whichever way the
// positions run: `rising` says whether the value grows with the position.
class Fader final : public QSlider {
    Q_OBJECT
public:
    Fader(Qt::Orientation orientation, int count, bool rising, std::optional<int> resetPosition,
          QWidget* parent = nullptr);
    bool dragging() const { return dragging_; }
    // The position the pointer at `p` (widget coordinates) selects.
    int PositionAt(QPoint p) const;

signals:
    void dragStep(int position);
    void dragEnded();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void MoveTo(int position);
    std::optional<int> reset_;
    bool dragging_ = false;
};

class BoundControl : public QWidget {
    Q_OBJECT
public:
    BoundControl(ControlHost& host, Parameter p, QWidget* parent);
    const Parameter& parameter() const { return param_; }
    // Sets the control from the model without sending.
    virtual void Refresh() = 0;
    // Binds the control to another parameter of the same description (another
    // band or channel) and refreshes it.
    void Rebind(Parameter p);

protected:
    // Whether a user action must be ignored now; a refused one re-shows the model.
    bool Ignored();

    ControlHost& host_;
    Parameter param_;
    bool filling_ = false;
};

struct NumberLayout {
    bool slider = true;        // show the fader when the parameter has a slider mapping
    bool vertical = true;      // fader orientation
    std::optional<int> reset;  // double-click position
    QString boxName;           // object names: box, box + "Sl" for the fader
    int boxWidth = 52;
    bool upDown = false;       // up/down arrows next to the box: one step each
};

class NumberControl final : public BoundControl {
    Q_OBJECT
public:
    NumberControl(ControlHost& host, Parameter p, const QString& caption, NumberLayout layout, QWidget* parent = nullptr);
    void Refresh() override;

    QLineEdit* box() const { return box_; }
    Fader* fader() const { return fader_; }
    QLabel* caption() const { return caption_; }
    QToolButton* up() const { return up_; }
    QToolButton* down() const { return down_; }
    // Enter in the box: what the key filter hands over.
    void CommitText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FaderMoved(int position);
    void AddUpDown(QBoxLayout& box);
    void Step(double by);
    bool metres() const;
    void ShowValue(double value);

    QLabel* caption_ = nullptr;
    QLineEdit* box_ = nullptr;
    Fader* fader_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    QString suffix_;  // shown after the number: ":1" of a ratio
};

class CheckControl final : public BoundControl {
    Q_OBJECT
public:
    CheckControl(ControlHost& host, Parameter p, const QString& caption, QWidget* parent = nullptr);
    void Refresh() override;
    QCheckBox* check() const { return check_; }

private:
    QCheckBox* check_ = nullptr;
};

class ChoiceControl final : public BoundControl {
    Q_OBJECT
public:
    // `items` replaces the description's choices (the text of code 0, 1, ...).
    ChoiceControl(ControlHost& host, Parameter p, const QString& caption, const std::vector<QString>& items,
                  QWidget* parent = nullptr);
    void Refresh() override;
    QComboBox* combo() const { return combo_; }

private:
    QComboBox* combo_ = nullptr;
};

class OptionControl final : public BoundControl {
    Q_OBJECT
public:
    OptionControl(ControlHost& host, Parameter p, const std::vector<QString>& items, QWidget* parent = nullptr);
    void Refresh() override;
    QRadioButton* option(int index) const { return options_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<QRadioButton*> options_;
};

}  // namespace zef
