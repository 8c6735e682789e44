#pragma once
// The EQ target window of the FIR wizard: the ten sections of a device's EQ
// target record (type by section code, frequency, Q, gain), the tilt (the
// record's leading value) and the sections switch (its flag), with their
// summed curve over the grid. "Reset" restores the defaults; "EQ Target"
// hands the record back (applied) so the wizard designs again. Fields the
// user does not touch keep their bits, so the record round-trips unchanged.

#include <QDialog>
#include <array>
#include <functional>

#include "model/device_model.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

namespace zef {

class XyPlot;

class EqTargetWindow final : public QDialog {
    Q_OBJECT
public:
    explicit EqTargetWindow(const EqTargetRecord& record, QWidget* parent = nullptr);

    const EqTargetRecord& record() const { return record_; }
    void Reset();
    // "EQ Target": calls `applied` with the record.
    void Apply();
    std::function<void(const EqTargetRecord&)> applied;

    // Type list entries: section codes 0..7, then "Off" (code 8).
    static const char* SectionTypeText(int code);

private:
    void ShowRecord();
    void Redraw();

    EqTargetRecord record_;
    std::array<QComboBox*, 10> type_{};
    std::array<QDoubleSpinBox*, 10> freq_{}, q_{}, gain_{};
    QDoubleSpinBox* tilt_ = nullptr;
    QCheckBox* flag_ = nullptr;
    XyPlot* plot_ = nullptr;
    bool showing_ = false;
};

}  // namespace zef
