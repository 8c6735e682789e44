#pragma once
// FirFrame: the output EQ/FIR editor's "FIR" frame for one output — the
// FIR's name and "Taps = ", the FIR menu ("Wizard", "Import / View", "Save")
// and "FIR bypass", bound through the editor's control host.
//
// "Wizard" runs the `wizard` hook (disabled while there is none); "Import
// / View" opens the import window on the output's FIR slot, modally; "Save"
// writes the FIR as a text file. After the wizard or the import window the
// FIR's response is rebuilt and `firChanged` tells the editor. While the
// host is quiet the menu does nothing.

#include <QGroupBox>
#include <array>
#include <functional>

#include "app/editor_context.h"

class QLabel;
class QPushButton;

namespace zef {

class CheckControl;
class EditorControlHost;

class FirFrame final : public QGroupBox {
    Q_OBJECT
public:
    // `filterIndex` is the import window's remembered file filter.
    FirFrame(const EditorContext& context, const EditorTools& tools, EditorControlHost& host,
             int& filterIndex, QWidget* parent);

    // Shows the FIR of output `output` (0 or 1): bypass bound, name and taps.
    void ShowOutput(int output);
    // The name and the taps of the FIR again.
    void RefreshNameTaps();
    // Whether "Wizard" has a hook to run; says so in its tool tip.
    void ShowWizardAvailable(bool available);
    // 0 "Wizard", 1 "Import / View", 2 "Save".
    void ClickMenu(int index);

    std::function<void()> wizard;
    std::function<void()> firChanged;

    QLabel* name() const { return name_; }
    QLabel* taps() const { return taps_; }
    CheckControl* bypass() const { return bypass_; }
    QPushButton* menu(int index) const { return menu_.at(static_cast<std::size_t>(index)); }

private:
    EditorContext context_;
    EditorTools tools_;
    EditorControlHost& host_;
    int& filterIndex_;
    int output_ = 0;
    QLabel* name_ = nullptr;
    QLabel* taps_ = nullptr;
    CheckControl* bypass_ = nullptr;
    std::array<QPushButton*, 3> menu_{};
};

}  // namespace zef
