#pragma once
// MeasureButtons: the output EQ/FIR editor's "Analyser View" (a toggle) and
// "AutoEQ". Each is enabled while the editor has something to run for it,
// and its tool tip says what it does (or that it is not available).

#include <QWidget>

class QPushButton;

namespace zef {

class MeasureButtons final : public QWidget {
    Q_OBJECT
public:
    explicit MeasureButtons(QWidget* parent);

    void ShowAvailable(bool analyser, bool autoEq);
    // Shows "Analyser View" off without telling anyone.
    void ShowAnalyserOff();

    QPushButton* rtaButton() const { return rta_; }
    QPushButton* autoEqButton() const { return autoEq_; }

signals:
    void analyserToggled(bool on);
    void autoEqClicked();

private:
    QPushButton* rta_ = nullptr;
    QPushButton* autoEq_ = nullptr;
};

}  // namespace zef
