#pragma once
// DeviceListWindow: the device list window, a child of the main window. One row per
// listed device (name, IP, interface, unique ID, status, standby) and the
// buttons add, search, remove, connect all, disconnect all, standby all
// on/off, and link diagnostics. Clicking a row's status connects or disconnects it, clicking its
// standby cell toggles standby, double-clicking opens the device.

#include <QWidget>
#include <functional>
#include <vector>

#include "base/signal.h"
#include "model/device_model.h"

class QTableWidget;
class QPushButton;
class QHBoxLayout;

namespace zef {

class EditorSession;
class LinkDiagnosticsWindow;

class DeviceListWindow final : public QWidget {
    Q_OBJECT
public:
    enum Column { kColName, kColIp, kColInterface, kColUniqueId, kColStatus, kColStandby, kColumnCount };

    explicit DeviceListWindow(EditorSession& session, QWidget* parent = nullptr);

    // Redraws one row (or rebuilds the table when the set of listed slots changed).
    void RefreshRow(DeviceSlot slot);
    void RefreshAll();
    // One blink tick: the standby pictures of the on-line rows.
    void BlinkTick(bool phase);

    // The table row of `slot`, -1 when it is not listed.
    int rowOf(DeviceSlot slot) const;
    DeviceSlot slotAt(int row) const;
    QTableWidget* table() const { return table_; }
    QString cellText(DeviceSlot slot, Column column) const;
    QString cellToolTip(DeviceSlot slot, Column column) const;

    // The user's actions, as the buttons and cells trigger them.
    void ClickAdd();
    void ClickSearch();
    void ClickRemove();
    void ClickConnectAll();
    void ClickDisconnectAll();
    void ClickStandbyAll(bool on);
    void ClickStatus(DeviceSlot slot);
    void ClickStandby(DeviceSlot slot);
    void OpenDevice(DeviceSlot slot);
    // Shows the link diagnostics window (made on first use, kept until this window goes).
    void ClickDiagnostics();
    LinkDiagnosticsWindow* diagnostics() const { return diagnostics_; }

    // Opens the connect dialog for one slot (0 = every listed off-line device).
    void OpenConnect(DeviceSlot slot);
    // The device's window, once a device was opened.
    void ShowEditor(DeviceSlot slot);
    int editorsShown() const { return editorsShown_; }
    // Opens (or brings up) the device's editor; set by the main window.
    // Without it the device's version window shows.
    std::function<void(DeviceSlot)> editorOpener;

private:
    // The row of buttons above the table.
    QHBoxLayout* MakeButtons();
    void Rebuild();
    void FillRow(int row, DeviceSlot slot);
    void CellClicked(int row, int column);
    void CellDoubleClicked(int row, int column);

    EditorSession& session_;
    QTableWidget* table_ = nullptr;
    std::vector<DeviceSlot> rowSlots_;
    bool blinkPhase_ = false;
    int editorsShown_ = 0;
    LinkDiagnosticsWindow* diagnostics_ = nullptr;
    std::vector<Subscription> subscriptions_;
};

}  // namespace zef
