#pragma once
// LinkDiagnosticsWindow: what the link does, live. The upper table has a row
// per device with its link figures; the lower one shows the recent frames of
// the device selected above, and "Save..." writes them to a text file. Both
// refresh from a timer (twice a second) while the window is shown.

#include <QTimer>
#include <QWidget>

#include "app/dialogs.h"
#include "device/link_monitor.h"
#include "model/device_model.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace zef {

class LinkDiagnosticsWindow final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 500;

    // `folder`: where the save dialog starts. Everything outlives the window.
    LinkDiagnosticsWindow(const Model& model, const LinkMonitor& monitor, Dialogs& dialogs, std::string folder,
                          QWidget* parent = nullptr);

    // Reads the figures and the selected device's frames again (the timer's work).
    void Refresh();
    // The device whose frames show; 0 when none is listed.
    DeviceSlot selectedSlot() const { return selected_; }
    void Select(DeviceSlot slot);
    void ClickSave();

    QTableWidget* figures() const { return figures_; }
    QTableWidget* traffic() const { return traffic_; }
    // The figures row of `slot`, -1 when it has none.
    int rowOf(DeviceSlot slot) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void FillFigures();
    void FillTraffic();

    const Model& model_;
    const LinkMonitor& monitor_;
    Dialogs& dialogs_;
    std::string folder_;
    QTableWidget* figures_ = nullptr;
    QTableWidget* traffic_ = nullptr;
    QLabel* trafficTitle_ = nullptr;
    QPushButton* save_ = nullptr;
    QTimer timer_;
    std::vector<DeviceSlot> rowSlots_;
    DeviceSlot selected_ = 0;
};

}  // namespace zef
