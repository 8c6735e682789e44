#pragma once
// Small widgets of the FIR wizard: the three measurement set-ups as line
// drawings, and the 18-segment VU meter of the microphone test.

#include <QColor>
#include <QString>
#include <QWidget>

namespace zef {

// Colours of the wizard's curves: 0 "IR", 1 "FIR", 2 "IRxFIR", 3 "Target",
// 4 "Before Correction", 5 "After Correction", 6 a compared FIR.
QColor WizardCurveColour(int index);

// A line drawing of one measurement set-up with its caption underneath.
class GeometryPicture final : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Suspended, GroundMonitor, OnGround };
    GeometryPicture(Kind kind, QString caption, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {220, 190}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_;
    QString caption_;
};

// Eighteen segments left to right: green, then yellow from segment 12, red
// from segment 16 (wizard::VuLitSegments decides how many are lit).
class VuMeter final : public QWidget {
    Q_OBJECT
public:
    explicit VuMeter(QWidget* parent = nullptr);
    void setLit(int segments);
    int lit() const { return lit_; }
    QSize sizeHint() const override { return {18 * 12, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lit_ = 0;
};

}  // namespace zef

class QLabel;
class QToolButton;

namespace zef {

// An up/down label: a read-out between a down and an up arrow. A press
// reports the step (-1 or +1); the owner decides the value and its text.
class Stepper final : public QWidget {
    Q_OBJECT
public:
    Stepper(const QString& objectName, QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const;
    void step(int delta);  // as a press of an arrow
    QLabel* label() const { return label_; }

signals:
    void stepped(int delta);

private:
    QLabel* label_;
    QToolButton* down_;
    QToolButton* up_;
};

}  // namespace zef
